// What Vantrel shows and reports: square picture layout, ChangeBoardSize, the drawn board and
// pieces, and the mouse events of the square pictures.
#include "host.h"

#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace testhost;

namespace {

QPoint squareCentre(int col, int row) {
    return {4 + 37 * (col - 1) + 16, 4 + 37 * (row - 1) + 16};
}

QRect pieceRect(int col, int row) {
    return {4 + 37 * (col - 1), 4 + 37 * (row - 1), 32, 32};
}

int differingPixels(const QImage& a, const QImage& b, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    }
    return count;
}

QImage grabOf(const Board& board) {
    return board.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A host window that records the mouse presses that reach it.
class HostWindow : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

} // namespace

TEST(Display, CreationLaysTheSquarePicturesOverTheBoard) {
    Board board;
    EXPECT_EQ(board.checkGeometry(1), QRectF(4, 4, 31, 32));
    EXPECT_EQ(board.checkGeometry(2), QRectF(41, 4, 31, 32));
    EXPECT_EQ(board.checkGeometry(9), QRectF(4, 41, 31, 32));
    EXPECT_EQ(board.checkGeometry(64), QRectF(263, 263, 31, 32));
    for (int index = 1; index <= 64; ++index) {
        const int col = (index - 1) % 8 + 1;
        const int row = (index - 1) / 8 + 1;
        EXPECT_EQ(board.checkGeometry(index).topLeft(),
                  QPointF(4 + 37 * (col - 1), 4 + 37 * (row - 1)))
            << index;
        EXPECT_FALSE(board.checkVisible(index));
    }
    // A picture gives the element its own size.
    ASSERT_EQ(board.setPiece(8, 8, Wrook), 0);
    EXPECT_EQ(board.checkGeometry(64), QRectF(263, 263, 32, 32));
}

TEST(Display, ChangeBoardSizeLaysTheGridOutOverTheNewHeight) {
    Board board;
    board.newGame();
    board.changeBoardSize(400);
    EXPECT_EQ(board.widget()->size(), QSize(400, 400));
    EXPECT_EQ(board.checkGeometry(1), QRectF(0, 0, 50, 50));
    EXPECT_EQ(board.checkGeometry(10), QRectF(50, 50, 50, 50));
    EXPECT_EQ(board.checkGeometry(64), QRectF(350, 350, 50, 50));
    EXPECT_EQ(board.squares(), startPosition());

    // A fractional pitch is kept as it is.
    std::int32_t dimension = 300;
    EXPECT_EQ(board.call(dispid::ChangeBoardSize, InvokeKind::Method, {Variant::fromI4(dimension)}),
              0);
    EXPECT_EQ(board.checkGeometry(64), QRectF(262.5, 262.5, 37.5, 37.5));
    EXPECT_EQ(board.checkGeometry(17), QRectF(0, 75, 37.5, 37.5));

    // A later picture resizes its element to the picture again, where it stands.
    ASSERT_EQ(board.setPiece(1, 3, Wknight), 0);
    EXPECT_EQ(board.checkGeometry(17), QRectF(0, 75, 32, 32));
}

TEST(Display, PiecesShowOnTheirSquaresOverTheBoardPicture) {
    Board board;
    const QImage empty = grabOf(board);
    ASSERT_EQ(empty.size(), QSize(296, 296));
    // Light square at the top left, dark next to it and below it.
    EXPECT_GT(qGray(empty.pixel(20, 20)), qGray(empty.pixel(57, 20)) + 40);
    EXPECT_GT(qGray(empty.pixel(20, 20)), qGray(empty.pixel(20, 57)) + 40);
    EXPECT_EQ(empty.pixel(20, 20), empty.pixel(57, 57));

    board.newGame();
    const QImage game = grabOf(board);
    EXPECT_GT(differingPixels(empty, game, pieceRect(5, 8)), 100) << "white king on e1";
    EXPECT_GT(differingPixels(empty, game, pieceRect(5, 1)), 100) << "black king on e8";
    EXPECT_EQ(differingPixels(empty, game, QRect(0, 2 * 37 + 1, 296, 4 * 37)), 0)
        << "ranks 6 to 3 stay empty";
    // Colours: White's figures are white, Black's red.
    const QRgb white = game.pixel(squareCentre(5, 7) + QPoint(0, 4)); // body of the e2 pawn
    const QRgb red = game.pixel(squareCentre(5, 2) + QPoint(0, 4));   // body of the e7 pawn
    EXPECT_GT(qRed(white), 200);
    EXPECT_GT(qGreen(white), 200);
    EXPECT_GT(qBlue(white), 200);
    EXPECT_GT(qRed(red), 150);
    EXPECT_LT(qGreen(red), 100);
    EXPECT_LT(qBlue(red), 100);

    // A white knight looks the same on a light and on a dark square, apart from the square.
    board.clear();
    ASSERT_EQ(board.setPiece(1, 3, Wknight), 0);
    ASSERT_EQ(board.setPiece(2, 3, Wknight), 0);
    const QImage knights = grabOf(board);
    EXPECT_GT(differingPixels(empty, knights, pieceRect(1, 3)), 100);
    EXPECT_EQ(knights.pixel(pieceRect(1, 3).center()), knights.pixel(pieceRect(2, 3).center()));

    board.clear();
    EXPECT_EQ(grabOf(board), empty);
}

TEST(Display, BoardPictureIsNeverScaled) {
    Board board;
    const QImage before = grabOf(board);
    board.changeBoardSize(400);
    const QImage after = grabOf(board);
    ASSERT_EQ(after.size(), QSize(400, 400));
    EXPECT_EQ(after.copy(0, 0, 296, 296), before);
}

class Events : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(420, 420);
        board = std::make_unique<Board>(&host);
        board->control()->advise(&sink);
        board->newGame();
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    void TearDown() override { board.reset(); }

    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(board->widget(), button, modifiers, at);
    }

    std::vector<std::pair<int, int>> clicks() const {
        std::vector<std::pair<int, int>> found;
        for (const Event& event : sink.only(dispid::Click)) {
            EXPECT_TRUE(event.allByReference);
            EXPECT_EQ(event.ints.size(), 2u);
            found.emplace_back(event.ints.at(0), event.ints.at(1));
        }
        return found;
    }

    HostWindow host;
    RecordingSink sink;
    std::unique_ptr<Board> board;
};

TEST_F(Events, ClickOnAPieceReportsItsSquare) {
    using Clicks = std::vector<std::pair<int, int>>;
    click(squareCentre(8, 1));
    EXPECT_EQ(clicks(), (Clicks{{8, 1}}));
    click(squareCentre(1, 8));
    click(squareCentre(8, 2));
    EXPECT_EQ(clicks(), (Clicks{{8, 1}, {1, 8}, {8, 2}}));
    EXPECT_EQ(host.presses, 0);
}

TEST_F(Events, PressAndReleaseCarryButtonShiftAndPosition) {
    click(pieceRect(4, 1).topLeft() + QPoint(10, 20), Qt::RightButton,
          Qt::ShiftModifier | Qt::ControlModifier);
    ASSERT_EQ(sink.events.size(), 3u);
    EXPECT_EQ(sink.events[0].dispid, dispid::MouseDown);
    EXPECT_EQ(sink.events[1].dispid, dispid::MouseUp);
    EXPECT_EQ(sink.events[2].dispid, dispid::Click);
    for (int i = 0; i < 2; ++i) {
        const Event& event = sink.events[i];
        EXPECT_TRUE(event.allByReference);
        EXPECT_EQ(event.ints, (std::vector<std::int32_t>{4, 1, 2, 3}));
        EXPECT_EQ(event.floats, (std::vector<float>{10, 20}));
    }
}

TEST_F(Events, NothingFromEmptySquaresOrTheBackground) {
    click(squareCentre(3, 4));
    click(QPoint(1, 1));
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(host.presses, 2) << "the presses reach the host";

    // A square emptied by a Piece write raises nothing either.
    ASSERT_EQ(board->setPiece(5, 1, none), 0);
    click(squareCentre(5, 1));
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(Events, NothingWhileDisabled) {
    board->setEnabled(false);
    click(squareCentre(8, 1));
    EXPECT_TRUE(sink.events.empty());
    board->setEnabled(true);
    click(squareCentre(8, 1));
    EXPECT_EQ(clicks().size(), 1u);
}

TEST_F(Events, ReleaseOnAnotherSquareIsNoClick) {
    QTest::mousePress(board->widget(), Qt::LeftButton, {}, squareCentre(1, 7));
    QTest::mouseRelease(board->widget(), Qt::LeftButton, {}, squareCentre(2, 7));
    ASSERT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(sink.events[0].dispid, dispid::MouseDown);
    EXPECT_EQ(sink.events[1].dispid, dispid::MouseUp);
    // The pressed element keeps the mouse: the release is reported to it, 37 pixels to its right.
    EXPECT_EQ(sink.events[1].ints.at(0), 1);
    EXPECT_EQ(sink.events[1].ints.at(1), 7);
    EXPECT_EQ(sink.events[1].floats.at(0), 16 + 37);
    EXPECT_TRUE(clicks().empty());
}

TEST_F(Events, DoubleClickAndMove) {
    // What the platform sends for a double click: press, release, double click, release.
    QWidget* w = board->widget();
    const QPoint at = squareCentre(7, 8);
    QTest::mousePress(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
    QTest::mouseDClick(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
    std::vector<std::int32_t> order;
    for (const Event& event : sink.events) {
        order.push_back(event.dispid);
        EXPECT_TRUE(event.allByReference);
        EXPECT_EQ(event.ints.at(0), 7);
        EXPECT_EQ(event.ints.at(1), 8);
    }
    EXPECT_EQ(order, (std::vector<std::int32_t>{dispid::MouseDown, dispid::MouseUp, dispid::Click,
                                                dispid::DblClick, dispid::MouseUp}));

    sink.events.clear();
    QTest::mouseMove(board->widget(), squareCentre(3, 2));
    const auto moves = sink.only(dispid::MouseMove);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().ints, (std::vector<std::int32_t>{3, 2, 0, 0}));
}

TEST_F(Events, ClicksFollowTheResizedGrid) {
    board->changeBoardSize(400);
    click(QPoint(50 + 45, 50 + 45)); // inside Check(10), beyond its 32-pixel picture
    EXPECT_EQ(clicks(), (std::vector<std::pair<int, int>>{{2, 2}}));
}
