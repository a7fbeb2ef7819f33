#include "boardhost/board_proxy.h"

namespace pw2 {
namespace {

// The engine and the board control each declare the piece values; the proxy passes them through
// unchanged, so the two must agree.
static_assert(
    pgn::pieces::none == vantrelkit::none && pgn::pieces::Bpawn == vantrelkit::Bpawn &&
        pgn::pieces::Brook == vantrelkit::Brook && pgn::pieces::Bknight == vantrelkit::Bknight &&
        pgn::pieces::Bbishop == vantrelkit::Bbishop && pgn::pieces::BQueen == vantrelkit::BQueen &&
        pgn::pieces::Bking == vantrelkit::Bking && pgn::pieces::Wpawn == vantrelkit::Wpawn &&
        pgn::pieces::Wrook == vantrelkit::Wrook && pgn::pieces::Wknight == vantrelkit::Wknight &&
        pgn::pieces::Wbishop == vantrelkit::Wbishop && pgn::pieces::WQueen == vantrelkit::WQueen &&
        pgn::pieces::wking == vantrelkit::wking,
    "the engine's piece values differ from the board control's");

using vantrelkit::InvokeKind;
using vantrelkit::Variant;
using vantrelkit::VarType;

[[noreturn, gnu::cold, gnu::noinline]] void raise(std::int32_t number, const char* description) {
    throw pgn::BoardError(number, description ? description : "");
}

std::int32_t intResult(const Variant& result) {
    switch (result.type) {
    case VarType::I4:
        return result.i4;
    case VarType::I2:
        return result.i2;
    case VarType::Bool:
        return result.boolVal;
    default:
        raise(vantrelkit::error::TypeMismatch, "Type mismatch");
    }
}

constexpr bool onBoard(std::int16_t col, std::int16_t row) {
    return col >= 1 && col <= 8 && row >= 1 && row <= 8;
}

} // namespace

// Inlined into each member: the success path is one virtual call and a test.
[[gnu::always_inline]] inline void BoardProxy::call(std::int32_t dispid, InvokeKind kind,
                                                    const Variant* args, int argc,
                                                    Variant* result) {
    vantrelkit::ExcepInfo excep;
    const std::int32_t rc = control_.invoke(dispid, kind, args, argc, result, &excep);
    if (rc != vantrelkit::error::Ok)
        raise(rc, excep.description);
}

std::int32_t BoardProxy::controlPiece(std::int16_t col, std::int16_t row) {
    const Variant args[] = {Variant::ref(col), Variant::ref(row)};
    Variant result;
    call(vantrelkit::dispid::Piece, InvokeKind::PropertyGet, args, 2, &result);
    return intResult(result);
}

void BoardProxy::resync() {
    inStep_ = false;
    for (std::int16_t col = 1; col <= 8; ++col) {
        for (std::int16_t row = 1; row <= 8; ++row)
            square(col, row) = controlPiece(col, row);
    }
    inStep_ = true;
}

void BoardProxy::readSquares(pgn::Squares& out) {
    if (!inStep_)
        resync();
    out = squares_;
}

std::int32_t BoardProxy::piece(std::int16_t col, std::int16_t row) {
    if (!onBoard(col, row))
        return controlPiece(col, row); // the control raises the error for the square
    if (!inStep_)
        resync();
    return square(col, row);
}

// A write the control refuses leaves the mirror to be read again, whatever the control kept.
void BoardProxy::setPiece(std::int16_t col, std::int16_t row, std::int32_t value) {
    const Variant args[] = {Variant::ref(col), Variant::ref(row), Variant::fromI4(value)};
    const bool follow = inStep_ && onBoard(col, row);
    inStep_ = false;
    call(vantrelkit::dispid::Piece, InvokeKind::PropertyPut, args, 3, nullptr);
    if (follow) {
        square(col, row) = value;
        inStep_ = true;
    }
}

bool BoardProxy::isLegalMove(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                             std::int16_t toRow) {
    const Variant args[] = {Variant::ref(fromCol), Variant::ref(fromRow), Variant::ref(toCol),
                            Variant::ref(toRow)};
    Variant result;
    call(vantrelkit::dispid::IsLegalMove, InvokeKind::Method, args, 4, &result);
    return intResult(result) != vantrelkit::VFalse;
}

// MovePiece writes the destination, then empties the origin; a move onto its own square changes
// nothing.
void BoardProxy::movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                           std::int16_t toRow) {
    const Variant args[] = {Variant::ref(fromCol), Variant::ref(fromRow), Variant::ref(toCol),
                            Variant::ref(toRow)};
    const bool follow = inStep_ && onBoard(fromCol, fromRow) && onBoard(toCol, toRow);
    // A king's move stands for the half-move over the rook's that goes with it, whichever comes
    // first; out of step the mover is unknown, and the last move is noted.
    const bool king = follow && (square(fromCol, fromRow) == pgn::pieces::wking ||
                                 square(fromCol, fromRow) == pgn::pieces::Bking);
    inStep_ = false;
    call(vantrelkit::dispid::MovePiece, InvokeKind::Method, args, 4, nullptr);
    if (!(moveNoted_ && noted_.king && !king)) {
        noted_ = {fromCol, fromRow, toCol, toRow, king};
        moveNoted_ = true;
    }
    if (follow) {
        if (fromCol != toCol || fromRow != toRow) {
            square(toCol, toRow) = square(fromCol, fromRow);
            square(fromCol, fromRow) = pgn::pieces::none;
        }
        inStep_ = true;
    }
}

void BoardProxy::newGame() {
    moveNoted_ = false;
    inStep_ = false;
    call(vantrelkit::dispid::NewGame, InvokeKind::Method, nullptr, 0, nullptr);
    if (!startKnown_) {
        resync();
        start_ = squares_;
        startKnown_ = true;
    }
    squares_ = start_;
    inStep_ = true;
}

void BoardProxy::clear() {
    moveNoted_ = false;
    inStep_ = false;
    call(vantrelkit::dispid::Clear, InvokeKind::Method, nullptr, 0, nullptr);
    for (auto& file : squares_.at) {
        for (std::int32_t& value : file)
            value = pgn::pieces::none;
    }
    inStep_ = true;
}

// A half-move that moves no piece (a result or a termination marker played as one) leaves the
// last move's tint where it is.
void BoardProxy::highlightLastMove() {
    if (!moveNoted_)
        return;
    moveNoted_ = false;
    const Variant args[] = {Variant::ref(noted_.fromCol), Variant::ref(noted_.fromRow),
                            Variant::ref(noted_.toCol), Variant::ref(noted_.toRow)};
    call(vantrelkit::dispid::HighlightSquares, InvokeKind::Method, args, 4, nullptr);
}

void BoardProxy::clearHighlight() {
    moveNoted_ = false;
    call(vantrelkit::dispid::ClearHighlight, InvokeKind::Method, nullptr, 0, nullptr);
}

void BoardProxy::setBoardTheme(std::int32_t theme) {
    const Variant args[] = {Variant::fromI4(theme)};
    call(vantrelkit::dispid::BoardTheme, InvokeKind::PropertyPut, args, 1, nullptr);
}

void BoardProxy::setPieceSet(std::int32_t set) {
    const Variant args[] = {Variant::fromI4(set)};
    call(vantrelkit::dispid::PieceSet, InvokeKind::PropertyPut, args, 1, nullptr);
}

void BoardProxy::beginGlide(std::int32_t milliseconds) {
    const Variant args[] = {Variant::fromI4(milliseconds)};
    call(vantrelkit::dispid::BeginGlide, InvokeKind::Method, args, 1, nullptr);
}

void BoardProxy::endGlide() {
    call(vantrelkit::dispid::EndGlide, InvokeKind::Method, nullptr, 0, nullptr);
}

void BoardProxy::finishGlide() {
    call(vantrelkit::dispid::FinishGlide, InvokeKind::Method, nullptr, 0, nullptr);
}

bool BoardProxy::gliding() {
    Variant result;
    call(vantrelkit::dispid::Gliding, InvokeKind::PropertyGet, nullptr, 0, &result);
    return intResult(result) != vantrelkit::VFalse;
}

void BoardProxy::setBoardScale(float scale) {
    const Variant args[] = {Variant::fromR4(scale)};
    call(vantrelkit::dispid::BoardScale, InvokeKind::PropertyPut, args, 1, nullptr);
}

} // namespace pw2
