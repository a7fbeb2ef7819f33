#include "dispatch.h"

#include "vantrel.h"

namespace vantrelkit {
namespace {

constexpr Status kMemberNotFound{error::MemberNotFound, "Member not found"};
constexpr Status kBadParamCount{error::BadParamCount, "Invalid number of parameters"};
constexpr Status kTypeMismatch{error::TypeMismatch, "Type mismatch"};

// Coordinates: 16-bit, by reference or by value.
bool toInt16(const Variant& v, std::int16_t* out) {
    switch (v.type) {
    case VarType::I2:
        *out = v.i2;
        return true;
    case VarType::I2Ref:
        if (!v.pi2)
            return false;
        *out = *v.pi2;
        return true;
    default:
        return false;
    }
}

// PieceNum and Dimension: 32-bit by value or by reference; a 16-bit value widens.
bool toInt32(const Variant& v, std::int32_t* out) {
    switch (v.type) {
    case VarType::I4:
        *out = v.i4;
        return true;
    case VarType::I4Ref:
        if (!v.pi4)
            return false;
        *out = *v.pi4;
        return true;
    default: {
        std::int16_t narrow = 0;
        if (!toInt16(v, &narrow))
            return false;
        *out = narrow;
        return true;
    }
    }
}

// BoardScale: the 32-bit real by value or by reference; an integer widens.
bool toReal(const Variant& v, float* out) {
    switch (v.type) {
    case VarType::R4:
        *out = v.r4;
        return true;
    case VarType::R4Ref:
        if (!v.pr4)
            return false;
        *out = *v.pr4;
        return true;
    default: {
        std::int32_t integer = 0;
        if (!toInt32(v, &integer))
            return false;
        *out = static_cast<float>(integer);
        return true;
    }
    }
}

// Booleans: the 16-bit Boolean, or a 16-bit integer (nonzero is true).
bool toBool(const Variant& v, bool* out) {
    switch (v.type) {
    case VarType::Bool:
        *out = v.boolVal != VFalse;
        return true;
    case VarType::BoolRef:
        if (!v.pbool)
            return false;
        *out = *v.pbool != VFalse;
        return true;
    case VarType::I2:
        *out = v.i2 != 0;
        return true;
    default:
        return false;
    }
}

// The arguments of one call, checked for count and then for type, left to right.
class Call {
public:
    Call(const Variant* args, int argc, Variant* result)
        : args_(args), argc_(argc), result_(result) {}

    bool count(int expected) const { return argc_ == expected; }

    bool squares(int n, std::int16_t* out) const {
        for (int i = 0; i < n; ++i) {
            if (!toInt16(args_[i], &out[i]))
                return false;
        }
        return true;
    }
    bool int32At(int i, std::int32_t* out) const { return toInt32(args_[i], out); }
    bool boolAt(int i, bool* out) const { return toBool(args_[i], out); }
    bool realAt(int i, float* out) const { return toReal(args_[i], out); }

    void returnNothing() const {
        if (result_)
            *result_ = Variant();
    }
    void returnBool(bool value) const {
        if (result_)
            *result_ = Variant::fromBool(value);
    }
    void returnInt32(std::int32_t value) const {
        if (result_)
            *result_ = Variant::fromI4(value);
    }
    void returnReal(float value) const {
        if (result_)
            *result_ = Variant::fromR4(value);
    }

private:
    const Variant* args_;
    int argc_;
    Variant* result_;
};

Status callEnabled(Vantrel& v, InvokeKind kind, const Call& call) {
    if (kind == InvokeKind::PropertyGet) {
        if (!call.count(0))
            return kBadParamCount;
        call.returnBool(v.Enabled());
        return kOk;
    }
    if (kind != InvokeKind::PropertyPut)
        return kMemberNotFound;
    bool enabled = false;
    if (!call.count(1))
        return kBadParamCount;
    if (!call.boolAt(0, &enabled))
        return kTypeMismatch;
    v.setEnabledProperty(enabled);
    call.returnNothing();
    return kOk;
}

Status callBoardScale(Vantrel& v, InvokeKind kind, const Call& call) {
    if (kind == InvokeKind::PropertyGet) {
        if (!call.count(0))
            return kBadParamCount;
        call.returnReal(v.BoardScale());
        return kOk;
    }
    if (kind != InvokeKind::PropertyPut)
        return kMemberNotFound;
    float scale = 0;
    if (!call.count(1))
        return kBadParamCount;
    if (!call.realAt(0, &scale))
        return kTypeMismatch;
    const Status status = v.setBoardScale(scale);
    if (status.ok())
        call.returnNothing();
    return status;
}

// BoardTheme and PieceSet: 32-bit integer properties.
Status callLook(Vantrel& v, std::int32_t dispid, InvokeKind kind, const Call& call) {
    const bool theme = dispid == dispid::BoardTheme;
    if (kind == InvokeKind::PropertyGet) {
        if (!call.count(0))
            return kBadParamCount;
        call.returnInt32(theme ? v.BoardTheme() : v.PieceSet());
        return kOk;
    }
    if (kind != InvokeKind::PropertyPut)
        return kMemberNotFound;
    std::int32_t value = 0;
    if (!call.count(1))
        return kBadParamCount;
    if (!call.int32At(0, &value))
        return kTypeMismatch;
    const Status status = theme ? v.setBoardTheme(value) : v.setPieceSet(value);
    if (status.ok())
        call.returnNothing();
    return status;
}

Status callBeginGlide(Vantrel& v, InvokeKind kind, const Call& call) {
    if (kind != InvokeKind::Method)
        return kMemberNotFound;
    std::int32_t duration = 0;
    if (!call.count(1))
        return kBadParamCount;
    if (!call.int32At(0, &duration))
        return kTypeMismatch;
    const Status status = v.BeginGlide(duration);
    if (status.ok())
        call.returnNothing();
    return status;
}

Status callGliding(Vantrel& v, InvokeKind kind, const Call& call) {
    if (kind != InvokeKind::PropertyGet)
        return kMemberNotFound;
    if (!call.count(0))
        return kBadParamCount;
    call.returnBool(v.Gliding());
    return kOk;
}

Status callPiece(Vantrel& v, InvokeKind kind, const Call& call) {
    std::int16_t square[2];
    if (kind == InvokeKind::PropertyGet) {
        if (!call.count(2))
            return kBadParamCount;
        if (!call.squares(2, square))
            return kTypeMismatch;
        PieceNum piece = none;
        const Status status = v.Piece(square[0], square[1], &piece);
        if (status.ok())
            call.returnInt32(piece);
        return status;
    }
    if (kind != InvokeKind::PropertyPut)
        return kMemberNotFound;
    std::int32_t value = 0;
    if (!call.count(3))
        return kBadParamCount;
    if (!call.squares(2, square) || !call.int32At(2, &value))
        return kTypeMismatch;
    const Status status = v.setPiece(square[0], square[1], value);
    if (status.ok())
        call.returnNothing();
    return status;
}

Status callIsSelected(Vantrel& v, InvokeKind kind, const Call& call) {
    if (kind != InvokeKind::PropertyGet)
        return kMemberNotFound;
    std::int16_t square[2];
    if (!call.count(2))
        return kBadParamCount;
    if (!call.squares(2, square))
        return kTypeMismatch;
    bool selected = false;
    const Status status = v.IsSelected(square[0], square[1], &selected);
    if (status.ok())
        call.returnBool(selected);
    return status;
}

Status callMove(Vantrel& v, std::int32_t dispid, InvokeKind kind, const Call& call) {
    if (kind != InvokeKind::Method)
        return kMemberNotFound;
    std::int16_t squares[4];
    if (!call.count(4))
        return kBadParamCount;
    if (!call.squares(4, squares))
        return kTypeMismatch;
    if (dispid == dispid::MovePiece) {
        const Status status = v.MovePiece(squares[0], squares[1], squares[2], squares[3]);
        if (status.ok())
            call.returnNothing();
        return status;
    }
    bool legal = false;
    const Status status = v.IsLegalMove(squares[0], squares[1], squares[2], squares[3], &legal);
    if (status.ok())
        call.returnBool(legal);
    return status;
}

Status callHighlightSquares(Vantrel& v, InvokeKind kind, const Call& call) {
    if (kind != InvokeKind::Method)
        return kMemberNotFound;
    std::int16_t squares[4];
    if (!call.count(4))
        return kBadParamCount;
    if (!call.squares(4, squares))
        return kTypeMismatch;
    const Status status = v.HighlightSquares(squares[0], squares[1], squares[2], squares[3]);
    if (status.ok())
        call.returnNothing();
    return status;
}

Status callChangeBoardSize(Vantrel& v, InvokeKind kind, const Call& call) {
    if (kind != InvokeKind::Method)
        return kMemberNotFound;
    std::int32_t dimension = 0;
    if (!call.count(1))
        return kBadParamCount;
    if (!call.int32At(0, &dimension))
        return kTypeMismatch;
    v.ChangeBoardSize(dimension);
    call.returnNothing();
    return kOk;
}

// NewGame, Clear, ClearHighlight, EndGlide, FinishGlide and About: methods without arguments.
Status callPlain(Vantrel& v, std::int32_t dispid, InvokeKind kind, const Call& call) {
    if (kind != InvokeKind::Method)
        return kMemberNotFound;
    if (!call.count(0))
        return kBadParamCount;
    if (dispid == dispid::NewGame)
        v.NewGame();
    else if (dispid == dispid::Clear)
        v.Clear();
    else if (dispid == dispid::ClearHighlight)
        v.ClearHighlight();
    else if (dispid == dispid::EndGlide)
        v.EndGlide();
    else if (dispid == dispid::FinishGlide)
        v.FinishGlide();
    else
        v.About();
    call.returnNothing();
    return kOk;
}

Status dispatchMember(Vantrel& v, std::int32_t dispid, InvokeKind kind, const Call& call) {
    switch (dispid) {
    case dispid::Enabled:
        return callEnabled(v, kind, call);
    case dispid::BoardScale:
        return callBoardScale(v, kind, call);
    case dispid::Piece:
        return callPiece(v, kind, call);
    case dispid::IsSelected:
        return callIsSelected(v, kind, call);
    case dispid::MovePiece:
    case dispid::IsLegalMove:
        return callMove(v, dispid, kind, call);
    case dispid::HighlightSquares:
        return callHighlightSquares(v, kind, call);
    case dispid::ChangeBoardSize:
        return callChangeBoardSize(v, kind, call);
    case dispid::BoardTheme:
    case dispid::PieceSet:
        return callLook(v, dispid, kind, call);
    case dispid::BeginGlide:
        return callBeginGlide(v, kind, call);
    case dispid::Gliding:
        return callGliding(v, kind, call);
    case dispid::NewGame:
    case dispid::Clear:
    case dispid::ClearHighlight:
    case dispid::EndGlide:
    case dispid::FinishGlide:
    case dispid::About:
        return callPlain(v, dispid, kind, call);
    default:
        return kMemberNotFound;
    }
}

} // namespace

std::int32_t invoke(Vantrel& vantrel, std::int32_t dispid, InvokeKind kind, const Variant* args,
                    int argc, Variant* result, ExcepInfo* excep) {
    Status status;
    if (argc < 0 || (argc > 0 && !args))
        status = kBadParamCount;
    else
        status = dispatchMember(vantrel, dispid, kind, Call(args, argc, result));
    if (!status.ok() && excep) {
        excep->number = status.number;
        excep->description = status.description;
    }
    return status.number;
}

} // namespace vantrelkit
