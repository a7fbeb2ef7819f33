// HighlightSquares and ClearHighlight: the tint of the last move's squares, under the pieces, on
// light and dark squares, at BoardScale 1 and 2.5; what removes it, the errors of its arguments,
// and what a change of the tint repaints.
#include "host.h"

#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QRegion>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

using namespace testhost;

namespace {

const QRgb kLight = qRgb(0xF0, 0xD9, 0xB5);
const QRgb kDark = qRgb(0xB5, 0x88, 0x63);
// The tint, rgba(205, 210, 60, 0.55), over each kind of square.
const QRgb kTintedLight = qRgb(221, 213, 115);
const QRgb kTintedDark = qRgb(194, 177, 78);

QImage grabOf(const Board& board) {
    return board.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A square of the board in the control's pixels at scale: 37 apart, the frame 1 pixel wide.
QRectF squareRect(int col, int row, qreal scale) {
    return {(1 + 37 * (col - 1)) * scale, (1 + 37 * (row - 1)) * scale, 37 * scale, 37 * scale};
}

// The whole pixels of the control inside a square, one pixel clear of its edges. The last row
// and column of squares reach a pixel beyond the control.
QRect inside(const Board& board, int col, int row, qreal scale) {
    const QRectF r = squareRect(col, row, scale);
    return QRect(QPoint(int(std::ceil(r.left())) + 1, int(std::ceil(r.top())) + 1),
                 QPoint(int(std::floor(r.right())) - 2, int(std::floor(r.bottom())) - 2))
        .intersected(board.widget()->rect());
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
           std::abs(qBlue(a) - qBlue(b)) <= 2;
}

// The pixels that differ between a and b.
QRegion differing(const QImage& a, const QImage& b) {
    QRegion region;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y))
                region += QRect(x, y, 1, 1);
        }
    }
    return region;
}

class Highlight : public ::testing::TestWithParam<float> {};

} // namespace

// Ng1-f3: g1 is a dark square left empty, f3 a light one under the knight.
TEST_P(Highlight, TintsBothSquaresUnderThePieceAndNothingElse) {
    const float scale = GetParam();
    Board board;
    board.newGame();
    ASSERT_EQ(board.setBoardScale(scale), 0);
    ASSERT_EQ(board.movePiece(7, 8, 6, 6), 0);
    const QImage plain = grabOf(board);
    const QRect g1 = inside(board, 7, 8, scale), f3 = inside(board, 6, 6, scale);
    ASSERT_EQ(plain.pixel(g1.topLeft()), kDark);
    ASSERT_EQ(plain.pixel(f3.topLeft()), kLight);

    ASSERT_EQ(board.highlightSquares(7, 8, 6, 6), 0);
    const QImage tinted = grabOf(board);
    // The emptied dark square is tinted all over.
    for (int y = g1.top(); y <= g1.bottom(); ++y) {
        for (int x = g1.left(); x <= g1.right(); ++x)
            ASSERT_TRUE(near(tinted.pixel(x, y), kTintedDark)) << x << "," << y;
    }
    // The light square is tinted around the knight, and the knight's own pixels stay as they were.
    EXPECT_TRUE(near(tinted.pixel(f3.topLeft()), kTintedLight));
    EXPECT_TRUE(near(tinted.pixel(f3.bottomRight()), kTintedLight));
    const QPoint knight = board.checkGeometry(indexOf(6, 6)).center().toPoint();
    ASSERT_NE(plain.pixel(knight), kLight); // a pixel of the picture
    EXPECT_EQ(tinted.pixel(knight), plain.pixel(knight));
    // Both colours stand apart from their squares (the smallest channel difference is blue's).
    EXPECT_GE(std::abs(qBlue(kTintedLight) - qBlue(kLight)), 40);
    EXPECT_GE(std::abs(qGreen(kTintedDark) - qGreen(kDark)), 40);

    // No pixel outside the two squares changed.
    const QRegion squares = QRegion(squareRect(7, 8, scale).toAlignedRect()) +
                            QRegion(squareRect(6, 6, scale).toAlignedRect());
    EXPECT_TRUE((differing(plain, tinted) - squares).isEmpty());

    // A highlight of one square (both the same) tints it alone.
    ASSERT_EQ(board.highlightSquares(6, 6, 6, 6), 0);
    const QImage one = grabOf(board);
    EXPECT_EQ(one.pixel(g1.topLeft()), kDark);
    EXPECT_TRUE(near(one.pixel(f3.topLeft()), kTintedLight));
}

TEST_P(Highlight, NewGameClearAndClearHighlightRemoveIt) {
    const float scale = GetParam();
    Board board;
    ASSERT_EQ(board.setBoardScale(scale), 0);
    board.newGame();
    const QImage start = grabOf(board);
    ASSERT_EQ(board.movePiece(5, 7, 5, 5), 0);
    const QImage moved = grabOf(board);

    ASSERT_EQ(board.highlightSquares(5, 7, 5, 5), 0);
    ASSERT_NE(grabOf(board), moved);
    board.clearHighlight();
    EXPECT_EQ(grabOf(board), moved);

    ASSERT_EQ(board.highlightSquares(5, 7, 5, 5), 0);
    board.newGame();
    EXPECT_EQ(grabOf(board), start);

    board.clear();
    const QImage empty = grabOf(board);
    ASSERT_EQ(board.highlightSquares(1, 1, 8, 8), 0);
    ASSERT_NE(grabOf(board), empty);
    board.clear();
    EXPECT_EQ(grabOf(board), empty);
}

TEST_P(Highlight, RepaintsOnlyTheSquaresWhoseTintChanges) {
    const float scale = GetParam();
    QWidget host;
    host.resize(760, 760);
    Board board(&host);
    board.newGame();
    ASSERT_EQ(board.setBoardScale(scale), 0);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QTest::qWait(20);
    PaintRecorder recorder(board.widget());
    const auto square = [&](int col, int row) {
        return QRegion(squareRect(col, row, scale).toAlignedRect()) & board.widget()->rect();
    };
    const auto paintedBy = [&](auto&& change) {
        recorder.painted = QRegion();
        change();
        QTest::qWait(20);
        return recorder.painted;
    };

    EXPECT_EQ(paintedBy([&] { ASSERT_EQ(board.highlightSquares(7, 8, 6, 6), 0); }),
              square(7, 8) + square(6, 6));
    // f3 stays tinted: g1 loses its tint and e4 gains one.
    EXPECT_EQ(paintedBy([&] { ASSERT_EQ(board.highlightSquares(6, 6, 5, 5), 0); }),
              square(7, 8) + square(5, 5));
    EXPECT_EQ(paintedBy([&] { ASSERT_EQ(board.highlightSquares(5, 5, 6, 6), 0); }), QRegion());
    EXPECT_EQ(paintedBy([&] { board.clearHighlight(); }), square(6, 6) + square(5, 5));
    EXPECT_EQ(paintedBy([&] { board.clearHighlight(); }), QRegion());
    // A move with its highlight repaints the two squares, nothing more: the elements the move
    // changes lie inside them.
    EXPECT_EQ(paintedBy([&] {
                  ASSERT_EQ(board.movePiece(2, 8, 3, 6), 0);
                  ASSERT_EQ(board.highlightSquares(2, 8, 3, 6), 0);
              }),
              square(2, 8) + square(3, 6));
}

INSTANTIATE_TEST_SUITE_P(BoardScale, Highlight, ::testing::Values(1.0f, 2.5f));

TEST(HighlightCalls, ArgumentsAreCheckedAndAFailureChangesNothing) {
    Board board;
    board.newGame();
    ASSERT_EQ(board.highlightSquares(5, 7, 5, 5), 0);
    const QImage tinted = grabOf(board);
    const struct {
        std::int16_t fromCol, fromRow, toCol, toRow;
    } outside[] = {{0, 7, 5, 5}, {5, 9, 5, 5}, {5, 7, 9, 5}, {5, 7, 5, 0}, {-1, -1, 1, 1}};
    for (const auto& c : outside) {
        board.excep = {};
        EXPECT_EQ(board.highlightSquares(c.fromCol, c.fromRow, c.toCol, c.toRow),
                  error::CoordinateRange);
        EXPECT_EQ(board.excep.number, error::CoordinateRange);
        EXPECT_STREQ(board.excep.description, kInvalidCoordinateText);
    }
    EXPECT_EQ(board.call(dispid::HighlightSquares, InvokeKind::Method,
                         {Variant::fromI2(1), Variant::fromI2(2), Variant::fromI2(3)}),
              error::BadParamCount);
    EXPECT_EQ(board.call(dispid::HighlightSquares, InvokeKind::Method,
                         {Variant::fromI2(1), Variant::fromI2(2), Variant::fromR4(3.0f),
                          Variant::fromI2(4)}),
              error::TypeMismatch);
    EXPECT_EQ(board.call(
                  dispid::HighlightSquares, InvokeKind::PropertyGet,
                  {Variant::fromI2(1), Variant::fromI2(2), Variant::fromI2(3), Variant::fromI2(4)}),
              error::MemberNotFound);
    EXPECT_EQ(board.call(dispid::ClearHighlight, InvokeKind::Method, {Variant::fromI2(1)}),
              error::BadParamCount);
    EXPECT_EQ(grabOf(board), tinted);

    // Coordinates by value are taken as well, and the position is never touched.
    const auto before = board.squares();
    EXPECT_EQ(board.call(
                  dispid::HighlightSquares, InvokeKind::Method,
                  {Variant::fromI2(7), Variant::fromI2(8), Variant::fromI2(6), Variant::fromI2(6)}),
              0);
    EXPECT_EQ(board.squares(), before);
    EXPECT_NE(grabOf(board), tinted);
}
