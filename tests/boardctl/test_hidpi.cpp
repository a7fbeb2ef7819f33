// Vantrel on a scaled display: the layout stays in logical pixels while the board and piece
// pictures are drawn at the device pixel ratio, and drawn anew when the control moves to a screen
// of another ratio. Runs with QT_SCALE_FACTOR=2 (see hidpi_main.cpp).
#include "host.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

using namespace testhost;

namespace {

// The 32 by 32 piece picture on (col, row), in logical pixels.
QRect pieceRect(int col, int row) {
    return {4 + 37 * (col - 1), 4 + 37 * (row - 1), 32, 32};
}

QRect scaled(const QRect& logical, int ratio) {
    return {logical.topLeft() * ratio, logical.size() * ratio};
}

QImage grabOf(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Aligned 2 by 2 blocks of device pixels in area that are not of one colour. A picture drawn at
// half the device pixel ratio and scaled up pixel by pixel has none.
int mixedBlocks(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y + 1 <= area.bottom(); y += 2) {
        for (int x = area.left(); x + 1 <= area.right(); x += 2) {
            const QRgb first = image.pixel(x, y);
            count += image.pixel(x + 1, y) != first || image.pixel(x, y + 1) != first ||
                     image.pixel(x + 1, y + 1) != first;
        }
    }
    return count;
}

// The largest change of grey level between two neighbouring device pixels in area. A picture
// scaled up smoothly from half the ratio spreads every edge over two device pixels or more.
int steepestStep(const QImage& image, const QRect& area) {
    int steepest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int here = qGray(image.pixel(x, y));
            if (x < area.right())
                steepest = std::max(steepest, std::abs(here - qGray(image.pixel(x + 1, y))));
            if (y < area.bottom())
                steepest = std::max(steepest, std::abs(here - qGray(image.pixel(x, y + 1))));
        }
    }
    return steepest;
}

// The difference between the lightest and the darkest grey level in area.
int greyRange(const QImage& image, const QRect& area) {
    int lightest = 0;
    int darkest = 255;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            lightest = std::max(lightest, qGray(image.pixel(x, y)));
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
        }
    }
    return lightest - darkest;
}

// The piece picture shown in area is drawn at the image's resolution: not scaled up pixel by
// pixel (many mixed blocks) nor smoothly (some edge goes from near the darkest to near the
// lightest level within one device pixel, where a smooth scaling from half the resolution keeps
// every step to half the range at most).
void expectSharp(const QImage& image, const QRect& area, const char* what) {
    EXPECT_GT(mixedBlocks(image, area), 100) << what << ": scaled up pixel by pixel";
    EXPECT_GE(4 * steepestStep(image, area), 3 * greyRange(image, area))
        << what << ": edges spread over several device pixels";
}

} // namespace

TEST(HiDpi, LayoutStaysInLogicalPixelsWhileTheGrabHasTwiceTheSize) {
    Board board;
    ASSERT_EQ(board.widget()->devicePixelRatioF(), 2.0) << "QT_SCALE_FACTOR=2 not in force";
    board.newGame();
    EXPECT_EQ(board.widget()->size(), QSize(296, 296));
    EXPECT_EQ(board.checkGeometry(1), QRectF(4, 4, 32, 32));
    EXPECT_EQ(board.checkGeometry(64), QRectF(263, 263, 32, 32));

    const QPixmap grab = board.widget()->grab();
    EXPECT_EQ(grab.devicePixelRatio(), 2.0);
    const QImage image = grab.toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(592, 592));
    // The squares meet on a device pixel: a8 is light up to logical x 38, b8 dark from there.
    const QRgb light = image.pixel(4, 4);
    const QRgb dark = image.pixel(80, 4);
    EXPECT_GT(qGray(light), qGray(dark) + 40);
    EXPECT_EQ(image.pixel(75, 4), light);
    EXPECT_EQ(image.pixel(76, 4), dark);

    board.changeBoardSize(400);
    EXPECT_EQ(board.widget()->size(), QSize(400, 400));
    EXPECT_EQ(board.checkGeometry(64), QRectF(350, 350, 50, 50));
    EXPECT_EQ(grabOf(board.widget()).size(), QSize(800, 800));
}

TEST(HiDpi, EveryPieceIsDrawnAtTheDeviceResolution) {
    Board board;
    board.newGame();
    const QImage image = grabOf(board.widget());
    ASSERT_EQ(image.size(), QSize(592, 592));
    // Rook, knight, bishop, queen and king on the back ranks, the pawns in front of them; each
    // kind stands on a light and on a dark square.
    const char* const names[] = {"rook", "knight", "bishop", "queen", "king"};
    for (int col = 1; col <= 5; ++col) {
        expectSharp(image, scaled(pieceRect(col, 1), 2),
                    (std::string("Black ") + names[col - 1]).c_str());
        expectSharp(image, scaled(pieceRect(col, 8), 2),
                    (std::string("White ") + names[col - 1]).c_str());
    }
    for (int col : {1, 2}) {
        expectSharp(image, scaled(pieceRect(col, 2), 2), "Black pawn");
        expectSharp(image, scaled(pieceRect(col, 7), 2), "White pawn");
    }
}

TEST(HiDpi, PicturesFollowTheControlToAScreenOfAnotherRatio) {
    QScreen* standard = nullptr;
    QScreen* twice = nullptr;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->devicePixelRatio() == 2.0)
            standard = screen;
        else if (screen->devicePixelRatio() == 4.0)
            twice = screen;
    }
    if (!standard || !twice)
        GTEST_SKIP() << "needs the offscreen screens of hidpi_screens.json";
    QWidget host;
    host.resize(320, 320);
    Board board(&host);
    board.newGame();
    host.move(standard->geometry().topLeft() + QPoint(20, 20));
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    const QImage first = grabOf(board.widget());
    ASSERT_EQ(first.size(), QSize(592, 592));

    host.move(twice->geometry().topLeft() + QPoint(20, 20));
    QTRY_COMPARE_WITH_TIMEOUT(board.widget()->devicePixelRatioF(), 4.0, 2000);
    const QImage moved = grabOf(board.widget());
    ASSERT_EQ(moved.size(), QSize(1184, 1184));
    expectSharp(moved, scaled(pieceRect(2, 8), 4), "White knight at ratio 4");
    expectSharp(moved, scaled(pieceRect(5, 1), 4), "Black king at ratio 4");
    // The board, too: the frame is one logical pixel, four device pixels, wide.
    EXPECT_EQ(moved.pixel(3, 40), moved.pixel(0, 40));
    EXPECT_NE(moved.pixel(4, 40), moved.pixel(0, 40));

    // Back on the first screen the control looks exactly as it did there.
    host.move(standard->geometry().topLeft() + QPoint(20, 20));
    QTRY_COMPARE_WITH_TIMEOUT(board.widget()->devicePixelRatioF(), 2.0, 2000);
    EXPECT_EQ(grabOf(board.widget()), first);
}
