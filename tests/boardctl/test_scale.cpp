// Vantrel at a BoardScale other than 1: the control's size and the layout of its square pictures,
// ChangeBoardSize on a scaled control, the mouse events, and what a move repaints.
#include "host.h"

#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QRegion>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace testhost;

namespace {

QImage grabOf(const Board& board) {
    return board.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(Scale, SquarePicturesAreLaidOutAgainAtTheScale) {
    Board board;
    board.newGame();
    ASSERT_EQ(board.setBoardScale(2.5f), 0);
    EXPECT_EQ(board.widget()->size(), QSize(740, 740));
    EXPECT_EQ(board.checkGeometry(1), QRectF(10, 10, 80, 80));          // a8, a picture
    EXPECT_EQ(board.checkGeometry(64), QRectF(657.5, 657.5, 80, 80));   // h1
    EXPECT_EQ(board.checkGeometry(27), QRectF(195, 287.5, 77.5, 80));   // c5, never a picture
    EXPECT_EQ(board.checkGeometry(46), QRectF(472.5, 472.5, 77.5, 80)); // f3
    EXPECT_EQ(board.squares(), startPosition());
    for (int index = 1; index <= 64; ++index)
        EXPECT_EQ(board.checkVisible(index), index <= 16 || index >= 49) << index;

    // A move gives the destination the picture's size where it stands; the emptied element keeps
    // its place and size.
    ASSERT_EQ(board.movePiece(7, 8, 6, 6), 0);
    EXPECT_EQ(board.checkGeometry(46), QRectF(472.5, 472.5, 80, 80));
    EXPECT_TRUE(board.checkVisible(46));
    EXPECT_EQ(board.checkGeometry(63), QRectF(565, 657.5, 80, 80));
    EXPECT_FALSE(board.checkVisible(63));
    ASSERT_EQ(board.setPiece(3, 4, Bknight), 0);
    EXPECT_EQ(board.checkGeometry(27), QRectF(195, 287.5, 80, 80));

    // Other scales, and back to 1: the creation layout, and the same picture as a control that
    // was never scaled.
    ASSERT_EQ(board.setBoardScale(0.25f), 0);
    EXPECT_EQ(board.checkGeometry(64), QRectF(65.75, 65.75, 8, 8));
    ASSERT_EQ(board.setBoardScale(1.1f), 0); // 325.6 pixels
    EXPECT_EQ(board.widget()->size(), QSize(326, 326));
    ASSERT_EQ(board.setBoardScale(1), 0);
    EXPECT_EQ(board.widget()->size(), QSize(296, 296));
    EXPECT_EQ(board.checkGeometry(46), QRectF(189, 189, 32, 32));
    EXPECT_EQ(board.checkGeometry(63), QRectF(226, 263, 32, 32));
    EXPECT_EQ(board.checkGeometry(28), QRectF(115, 115, 31, 32));
    Board unscaled;
    unscaled.newGame();
    ASSERT_EQ(unscaled.movePiece(7, 8, 6, 6), 0);
    ASSERT_EQ(unscaled.setPiece(3, 4, Bknight), 0);
    EXPECT_EQ(grabOf(board), grabOf(unscaled));
}

TEST(Scale, ChangeBoardSizeCountsInTheControlsPixels) {
    Board board;
    ASSERT_EQ(board.setBoardScale(2.5f), 0);
    const QImage empty = grabOf(board);
    ASSERT_EQ(empty.size(), QSize(740, 740));
    board.changeBoardSize(400);
    EXPECT_EQ(board.widget()->size(), QSize(400, 400));
    EXPECT_EQ(board.checkGeometry(10), QRectF(50, 50, 50, 50));
    EXPECT_EQ(board.checkGeometry(64), QRectF(350, 350, 50, 50));
    // The board picture stays as it was drawn for the scale.
    EXPECT_EQ(grabOf(board), empty.copy(0, 0, 400, 400));
    // A picture still gives its element the picture's size at the scale.
    ASSERT_EQ(board.setPiece(2, 2, WQueen), 0);
    EXPECT_EQ(board.checkGeometry(10), QRectF(50, 50, 80, 80));
    EXPECT_FLOAT_EQ(board.boardScale(), 2.5f);

    // Writing BoardScale again lays the control out at that scale, from creation.
    ASSERT_EQ(board.setBoardScale(2), 0);
    EXPECT_EQ(board.widget()->size(), QSize(592, 592));
    EXPECT_EQ(board.checkGeometry(10), QRectF(82, 82, 64, 64));
    EXPECT_EQ(board.checkGeometry(64), QRectF(526, 526, 62, 64));
}

class ScaledEvents : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(760, 760);
        board = std::make_unique<Board>(&host);
        board->control()->advise(&sink);
        board->newGame();
        ASSERT_EQ(board->setBoardScale(2.5f), 0);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        QTest::qWait(20);
    }
    void TearDown() override { board.reset(); }

    QWidget host;
    RecordingSink sink;
    std::unique_ptr<Board> board;
};

TEST_F(ScaledEvents, MouseEventsReportTheElementAndThePositionInIt) {
    // b7 stands at 102.5,102.5 and is 80 by 80.
    QTest::mouseClick(board->widget(), Qt::LeftButton, {}, QPoint(130, 150));
    ASSERT_EQ(sink.events.size(), 3u);
    EXPECT_EQ(sink.events[0].dispid, dispid::MouseDown);
    EXPECT_EQ(sink.events[0].ints, (std::vector<std::int32_t>{2, 2, 1, 0}));
    EXPECT_EQ(sink.events[0].floats, (std::vector<float>{27.5f, 47.5f}));
    EXPECT_EQ(sink.events[2].dispid, dispid::Click);
    EXPECT_EQ(sink.events[2].ints, (std::vector<std::int32_t>{2, 2}));

    // Between a7 (up to x 90) and b7 there is no element.
    sink.events.clear();
    QTest::mouseClick(board->widget(), Qt::LeftButton, {}, QPoint(96, 150));
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(ScaledEvents, AMoveRepaintsOnlyTheElementsItChanges) {
    PaintRecorder recorder(board->widget());
    // Both squares of Ng1-f3 stand on half pixels, those of e2-e4 on whole ones.
    const struct {
        std::int16_t fromCol, fromRow, toCol, toRow;
    } moves[] = {{7, 8, 6, 6}, {5, 7, 5, 5}};
    for (const auto& move : moves) {
        recorder.painted = QRegion();
        ASSERT_EQ(board->movePiece(move.fromCol, move.fromRow, move.toCol, move.toRow), 0);
        QTest::qWait(20);
        // The destination grew from its empty size to the picture's, over the same top left.
        const QRegion expected =
            QRegion(board->checkGeometry(indexOf(move.fromCol, move.fromRow)).toAlignedRect()) +
            QRegion(board->checkGeometry(indexOf(move.toCol, move.toRow)).toAlignedRect());
        EXPECT_EQ(recorder.painted, expected)
            << "painted " << recorder.painted.boundingRect().width() << " by "
            << recorder.painted.boundingRect().height();
    }

    // A new scale repaints the whole control.
    recorder.painted = QRegion();
    ASSERT_EQ(board->setBoardScale(2), 0);
    QTest::qWait(20);
    EXPECT_EQ(recorder.painted, QRegion(0, 0, 592, 592));
}
