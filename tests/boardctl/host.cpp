#include "host.h"

#include "boardhost/control_loader.h"

#include <QMetaObject>
#include <QRectF>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

namespace testhost {

bool FakeSite::readProperty(const char* name, PropertyValue* value) {
    const auto found = store.find(name);
    if (found == store.end())
        return false;
    value->kind = found->second.kind;
    value->integer = found->second.integer;
    value->pictureData = reinterpret_cast<const unsigned char*>(found->second.picture.constData());
    value->pictureSize = static_cast<std::uint32_t>(found->second.picture.size());
    return true;
}

void FakeSite::writeProperty(const char* name, const PropertyValue& value) {
    written << QString::fromLatin1(name);
    Stored& stored = store[name];
    stored.kind = value.kind;
    stored.integer = value.integer;
    stored.picture = QByteArray(reinterpret_cast<const char*>(value.pictureData),
                                static_cast<qsizetype>(value.pictureSize));
}

void RecordingSink::onEvent(std::int32_t dispid, const Variant* args, int argc) {
    Event event;
    event.dispid = dispid;
    for (int i = 0; i < argc; ++i) {
        switch (args[i].type) {
        case VarType::I2Ref:
            event.ints.push_back(*args[i].pi2);
            break;
        case VarType::R4Ref:
            event.floats.push_back(*args[i].pr4);
            break;
        default:
            event.allByReference = false;
        }
    }
    events.push_back(event);
}

std::vector<Event> RecordingSink::only(std::int32_t dispid) const {
    std::vector<Event> found;
    for (const Event& event : events) {
        if (event.dispid == dispid)
            found.push_back(event);
    }
    return found;
}

Board::Board(QWidget* parent, IHostSite* site) {
    QString errorText;
    control_ = pw2::createControl(kProgId, parent, site, &errorText);
    if (!control_) {
        ADD_FAILURE() << "control not created: " << errorText.toStdString();
        std::abort();
    }
}

Board::~Board() {
    control_->release();
}

std::int32_t Board::call(std::int32_t dispid, InvokeKind kind, std::initializer_list<Variant> args,
                         Variant* result) {
    excep = ExcepInfo{};
    return control_->invoke(dispid, kind, args.begin(), static_cast<int>(args.size()), result,
                            &excep);
}

std::int32_t Board::piece(std::int16_t col, std::int16_t row) {
    Variant result;
    const std::int32_t err = call(dispid::Piece, InvokeKind::PropertyGet,
                                  {Variant::ref(col), Variant::ref(row)}, &result);
    EXPECT_EQ(err, 0) << "Piece(" << col << ", " << row << ")";
    EXPECT_EQ(result.type, VarType::I4);
    return result.i4;
}

std::int32_t Board::setPiece(std::int16_t col, std::int16_t row, std::int32_t value) {
    return call(dispid::Piece, InvokeKind::PropertyPut,
                {Variant::ref(col), Variant::ref(row), Variant::fromI4(value)});
}

bool Board::isLegalMove(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                        std::int16_t toRow) {
    Variant result;
    const std::int32_t err = call(
        dispid::IsLegalMove, InvokeKind::Method,
        {Variant::ref(fromCol), Variant::ref(fromRow), Variant::ref(toCol), Variant::ref(toRow)},
        &result);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(result.type, VarType::Bool);
    EXPECT_TRUE(result.boolVal == VTrue || result.boolVal == VFalse);
    return result.boolVal == VTrue;
}

std::int32_t Board::movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                              std::int16_t toRow) {
    return call(
        dispid::MovePiece, InvokeKind::Method,
        {Variant::ref(fromCol), Variant::ref(fromRow), Variant::ref(toCol), Variant::ref(toRow)});
}

bool Board::isSelected(std::int16_t col, std::int16_t row) {
    Variant result;
    EXPECT_EQ(call(dispid::IsSelected, InvokeKind::PropertyGet,
                   {Variant::ref(col), Variant::ref(row)}, &result),
              0);
    EXPECT_EQ(result.type, VarType::Bool);
    return result.boolVal == VTrue;
}

bool Board::enabled() {
    Variant result;
    EXPECT_EQ(call(dispid::Enabled, InvokeKind::PropertyGet, {}, &result), 0);
    EXPECT_EQ(result.type, VarType::Bool);
    return result.boolVal == VTrue;
}

void Board::setEnabled(bool enabled) {
    EXPECT_EQ(call(dispid::Enabled, InvokeKind::PropertyPut, {Variant::fromBool(enabled)}), 0);
}

void Board::newGame() {
    EXPECT_EQ(call(dispid::NewGame, InvokeKind::Method, {}), 0);
}

void Board::clear() {
    EXPECT_EQ(call(dispid::Clear, InvokeKind::Method, {}), 0);
}

std::int32_t Board::highlightSquares(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                                     std::int16_t toRow) {
    return call(
        dispid::HighlightSquares, InvokeKind::Method,
        {Variant::ref(fromCol), Variant::ref(fromRow), Variant::ref(toCol), Variant::ref(toRow)});
}

void Board::clearHighlight() {
    EXPECT_EQ(call(dispid::ClearHighlight, InvokeKind::Method, {}), 0);
}

void Board::changeBoardSize(std::int32_t dimension) {
    EXPECT_EQ(call(dispid::ChangeBoardSize, InvokeKind::Method, {Variant::ref(dimension)}), 0);
}

float Board::boardScale() {
    Variant result;
    EXPECT_EQ(call(dispid::BoardScale, InvokeKind::PropertyGet, {}, &result), 0);
    EXPECT_EQ(result.type, VarType::R4);
    return result.r4;
}

std::int32_t Board::setBoardScale(float scale) {
    return call(dispid::BoardScale, InvokeKind::PropertyPut, {Variant::fromR4(scale)});
}

std::array<std::int32_t, 65> Board::squares() {
    std::array<std::int32_t, 65> all{};
    for (std::int16_t row = 1; row <= 8; ++row) {
        for (std::int16_t col = 1; col <= 8; ++col)
            all[indexOf(col, row)] = piece(col, row);
    }
    return all;
}

QRectF Board::checkGeometry(int index) const {
    QRectF rect;
    EXPECT_TRUE(QMetaObject::invokeMethod(widget(), "checkGeometry", Q_RETURN_ARG(QRectF, rect),
                                          Q_ARG(int, index)));
    return rect;
}

bool Board::checkVisible(int index) const {
    bool visible = false;
    EXPECT_TRUE(QMetaObject::invokeMethod(widget(), "checkVisible", Q_RETURN_ARG(bool, visible),
                                          Q_ARG(int, index)));
    return visible;
}

std::array<std::int32_t, 65> startPosition() {
    std::array<std::int32_t, 65> all{};
    all.fill(none);
    all[0] = 0;
    const std::int32_t back[8] = {Brook, Bknight, Bbishop, BQueen, Bking, Bbishop, Bknight, Brook};
    for (int col = 1; col <= 8; ++col) {
        all[indexOf(col, 1)] = back[col - 1];
        all[indexOf(col, 2)] = Bpawn;
        all[indexOf(col, 7)] = Wpawn;
        all[indexOf(col, 8)] = back[col - 1] + (Wpawn - Bpawn);
    }
    return all;
}

} // namespace testhost
