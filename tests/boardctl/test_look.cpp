// BoardTheme and PieceSet through dispatch: the squares of each theme, the classic pieces, the
// defaults, and the errors of the new members' arguments.
#include "host.h"

#include <QImage>
#include <QPixmap>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

using namespace testhost;

namespace {

QImage grabOf(const Board& board) {
    return board.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

std::int32_t readInt(Board& board, std::int32_t member) {
    Variant result;
    EXPECT_EQ(board.call(member, InvokeKind::PropertyGet, {}, &result), 0);
    EXPECT_EQ(result.type, VarType::I4);
    return result.i4;
}

// The pixels of area where image differs from the empty board: how many are clearly red, and how
// many dark grey or black.
struct Counts {
    int red = 0;
    int black = 0;
    int piece = 0;
};

Counts countColours(const QImage& image, const QImage& empty, const QRect& area) {
    Counts counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (p == empty.pixel(x, y))
                continue;
            ++counts.piece;
            counts.red += qRed(p) > qGreen(p) + 80;
            counts.black += qGray(p) < 0x60 && std::abs(qRed(p) - qBlue(p)) < 16;
        }
    }
    return counts;
}

} // namespace

TEST(Look, EachBoardThemeColoursTheSquaresAndTheFrame) {
    struct Theme {
        std::int32_t value;
        QRgb light, dark, frame;
    };
    const std::vector<Theme> themes = {
        {boardtheme::designed, qRgb(0xF0, 0xD9, 0xB5), qRgb(0xB5, 0x88, 0x63),
         qRgb(0x5A, 0x3A, 0x22)},
        {boardtheme::green, qRgb(0xEE, 0xEE, 0xD2), qRgb(0x76, 0x96, 0x56), qRgb(0x3F, 0x55, 0x2E)},
        {boardtheme::blue, qRgb(0xDE, 0xE3, 0xE6), qRgb(0x8C, 0xA2, 0xAD), qRgb(0x45, 0x56, 0x60)},
        {boardtheme::grey, qRgb(0xDC, 0xDC, 0xDC), qRgb(0xA4, 0xA4, 0xA4), qRgb(0x4A, 0x4A, 0x4A)},
    };
    Board board;
    board.clear();
    EXPECT_EQ(readInt(board, dispid::BoardTheme), boardtheme::designed);
    const QImage untouched = grabOf(board);
    for (const float scale : {1.0f, 2.5f}) {
        ASSERT_EQ(board.setBoardScale(scale), 0);
        for (const Theme& theme : themes) {
            SCOPED_TRACE(theme.value);
            ASSERT_EQ(board.call(dispid::BoardTheme, InvokeKind::PropertyPut,
                                 {Variant::fromI4(theme.value)}),
                      0);
            EXPECT_EQ(readInt(board, dispid::BoardTheme), theme.value);
            const QImage image = grabOf(board);
            const auto at = [&](qreal x, qreal y) { return image.pixel(int(x * scale), int(y)); };
            EXPECT_EQ(at(20, 20 * scale), theme.light);   // a8
            EXPECT_EQ(at(57, 20 * scale), theme.dark);    // b8
            EXPECT_EQ(at(20, 57 * scale), theme.dark);    // a7
            EXPECT_EQ(at(280, 280 * scale), theme.light); // h1
            EXPECT_EQ(image.pixel(0, 100), theme.frame);
        }
    }
    // Back to the designed theme at scale 1: the board a host that never set it shows.
    ASSERT_EQ(board.setBoardScale(1), 0);
    ASSERT_EQ(board.call(dispid::BoardTheme, InvokeKind::PropertyPut, {Variant::fromI2(0)}), 0);
    EXPECT_EQ(grabOf(board), untouched);
}

// The classic set draws Black's pieces black; White's stay as designed.
TEST(Look, TheClassicSetDrawsBlackPiecesBlack) {
    Board designed, classic;
    for (Board* board : {&designed, &classic}) {
        ASSERT_EQ(board->setBoardScale(2), 0);
        board->newGame();
    }
    EXPECT_EQ(readInt(classic, dispid::PieceSet), pieceset::designed);
    ASSERT_EQ(classic.call(dispid::PieceSet, InvokeKind::PropertyPut,
                           {Variant::fromI4(pieceset::classic)}),
              0);
    EXPECT_EQ(readInt(classic, dispid::PieceSet), pieceset::classic);
    Board empty;
    ASSERT_EQ(empty.setBoardScale(2), 0);
    empty.clear();
    const QImage a = grabOf(designed), b = grabOf(classic), plain = grabOf(empty);
    for (int col = 1; col <= 8; ++col) {
        for (const int row : {1, 2}) {
            const QRect piece(2 * (4 + 37 * (col - 1)), 2 * (4 + 37 * (row - 1)), 64, 64);
            const Counts was = countColours(a, plain, piece), now = countColours(b, plain, piece);
            EXPECT_GT(was.red, was.piece / 3) << col << "," << row;
            EXPECT_EQ(now.red, 0) << col << "," << row;
            // Black but for its light contour.
            EXPECT_GT(now.black, now.piece / 3) << col << "," << row;
        }
    }
    const QRect whiteSide(0, 2 * 222, b.width(), b.height() - 2 * 222);
    EXPECT_EQ(a.copy(whiteSide), b.copy(whiteSide));
}

TEST(Look, ArgumentsOfTheNewMembers) {
    struct Call {
        std::int32_t dispid;
        InvokeKind kind;
        std::vector<Variant> args;
        std::int32_t error;
    };
    float real = 1;
    const std::vector<Call> calls = {
        {dispid::BoardTheme,
         InvokeKind::PropertyPut,
         {Variant::fromI4(4)},
         error::InvalidPropertyValue},
        {dispid::BoardTheme,
         InvokeKind::PropertyPut,
         {Variant::fromI4(-1)},
         error::InvalidPropertyValue},
        {dispid::BoardTheme, InvokeKind::PropertyPut, {Variant::ref(real)}, error::TypeMismatch},
        {dispid::BoardTheme, InvokeKind::PropertyPut, {}, error::BadParamCount},
        {dispid::BoardTheme, InvokeKind::Method, {}, error::MemberNotFound},
        {dispid::PieceSet,
         InvokeKind::PropertyPut,
         {Variant::fromI4(2)},
         error::InvalidPropertyValue},
        {dispid::PieceSet, InvokeKind::PropertyGet, {Variant::fromI4(0)}, error::BadParamCount},
        {dispid::BeginGlide,
         InvokeKind::Method,
         {Variant::fromI4(-1)},
         error::InvalidPropertyValue},
        {dispid::BeginGlide,
         InvokeKind::Method,
         {Variant::fromI4(10001)},
         error::InvalidPropertyValue},
        {dispid::BeginGlide, InvokeKind::Method, {Variant::fromR4(250)}, error::TypeMismatch},
        {dispid::BeginGlide, InvokeKind::Method, {}, error::BadParamCount},
        {dispid::BeginGlide, InvokeKind::PropertyGet, {}, error::MemberNotFound},
        {dispid::EndGlide, InvokeKind::Method, {Variant::fromI4(0)}, error::BadParamCount},
        {dispid::FinishGlide, InvokeKind::PropertyGet, {}, error::MemberNotFound},
        {dispid::Gliding,
         InvokeKind::PropertyPut,
         {Variant::fromBool(true)},
         error::MemberNotFound},
        {dispid::Gliding, InvokeKind::PropertyGet, {Variant::fromI4(0)}, error::BadParamCount},
    };
    Board board;
    board.newGame();
    const QImage shown = grabOf(board);
    for (const Call& call : calls) {
        SCOPED_TRACE(::testing::Message()
                     << std::hex << call.dispid << std::dec << " kind " << int(call.kind));
        Variant result;
        board.excep = ExcepInfo{};
        const std::int32_t rc =
            board.control()->invoke(call.dispid, call.kind, call.args.data(),
                                    static_cast<int>(call.args.size()), &result, &board.excep);
        EXPECT_EQ(rc, call.error);
        EXPECT_EQ(board.excep.number, call.error);
        EXPECT_NE(board.excep.description, nullptr);
    }
    // Nothing changed: the look, the position, and no glide open.
    EXPECT_EQ(readInt(board, dispid::BoardTheme), boardtheme::designed);
    EXPECT_EQ(readInt(board, dispid::PieceSet), pieceset::designed);
    EXPECT_EQ(board.squares(), startPosition());
    EXPECT_EQ(grabOf(board), shown);
    ASSERT_EQ(board.movePiece(5, 7, 5, 5), 0);
    EXPECT_TRUE(board.checkVisible(indexOf(5, 5)));
}
