// Vantrel on a scaled display: the layout stays in logical pixels while the board and piece
// pictures are drawn at the device pixel ratio, and drawn anew when the control moves to a screen
// of another ratio; a control with a BoardScale draws for the device pixels it covers. Runs with
// QT_SCALE_FACTOR=2 (see hidpi_main.cpp).
#include "host.h"
#include "support/icon_picture.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
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

namespace {

QScreen* screenOfRatio(qreal ratio) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (qFuzzyCompare(screen->devicePixelRatio(), ratio))
            return screen;
    }
    return nullptr;
}

// Shows widget as a window of its own on screen and waits until it is drawn at that screen's
// ratio.
bool showOn(QWidget* widget, QScreen* screen) {
    widget->move(screen->geometry().topLeft());
    widget->show();
    return QTest::qWaitForWindowExposed(widget) &&
           QTest::qWaitFor(
               [&] {
                   return qFuzzyCompare(widget->devicePixelRatioF(), screen->devicePixelRatio());
               },
               2000);
}

// Pixels of area whose colour differs between a and b by more than a few levels in a channel.
int differingPixels(const QImage& a, const QImage& b, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            count += std::abs(qRed(p) - qRed(q)) > 8 || std::abs(qGreen(p) - qGreen(q)) > 8 ||
                     std::abs(qBlue(p) - qBlue(q)) > 8;
        }
    }
    return count;
}

// The device pixels of a logical rectangle at ratio, as the painter places a picture there.
QRect devicePixels(const QRectF& logical, qreal ratio) {
    return {qRound(logical.left() * ratio), qRound(logical.top() * ratio),
            qRound(logical.width() * ratio), qRound(logical.height() * ratio)};
}

} // namespace

// A control at BoardScale 2.5 on a screen of ratio r covers the device pixels a control of scale 1
// covers at ratio 2.5 r, and shows exactly what that one shows: every piece and the board drawn
// for those pixels, not a drawing of scale 1 enlarged. The control follows its window from screen
// to screen as an unscaled one does.
TEST(HiDpi, ScaledControlDrawsForTheDevicePixelsItCovers) {
    constexpr float kScale = 2.5f;
    Board scaled;
    scaled.newGame();
    ASSERT_EQ(scaled.movePiece(7, 8, 6, 6), 0); // a knight on half pixels: f3 at 472.5
    ASSERT_EQ(scaled.setBoardScale(kScale), 0);
    constexpr qreal kRatios[] = {1.0, 1.5, 2.0};
    for (const qreal ratio : kRatios) {
        if (!screenOfRatio(ratio) || !screenOfRatio(ratio * kScale))
            GTEST_SKIP() << "needs the offscreen screens of hidpi_screens.json";
    }
    for (const qreal ratio : kRatios) {
        SCOPED_TRACE(testing::Message() << "ratio " << ratio);
        QScreen* screen = screenOfRatio(ratio);
        QScreen* denser = screenOfRatio(ratio * kScale);
        ASSERT_TRUE(showOn(scaled.widget(), screen));
        Board reference;
        reference.newGame();
        ASSERT_EQ(reference.movePiece(7, 8, 6, 6), 0);
        ASSERT_TRUE(showOn(reference.widget(), denser));
        Board unscaled; // the same position at scale 1 on the scaled control's screen
        unscaled.newGame();
        ASSERT_EQ(unscaled.movePiece(7, 8, 6, 6), 0);
        ASSERT_TRUE(showOn(unscaled.widget(), screen));

        const QImage image = grabOf(scaled.widget());
        const QImage expected = grabOf(reference.widget());
        const QImage small = grabOf(unscaled.widget());
        ASSERT_EQ(image.size(), QSize(740, 740) * ratio);
        ASSERT_EQ(expected.size(), image.size());
        EXPECT_TRUE(image == expected)
            << differingPixels(image, expected, image.rect()) << " pixels differ";

        // Piece by piece, against the scale 1 drawing enlarged to the same size, smoothly or pixel
        // by pixel: the same comparison that finds the control's pieces right finds these wrong.
        const int pieces[] = {2, 5, 12, 46, 60, 61}; // b8, e8, d7, f3, d1, e1
        for (const int index : pieces) {
            const QRect area = devicePixels(scaled.checkGeometry(index), ratio);
            ASSERT_EQ(area.size(), QSize(80, 80) * ratio);
            EXPECT_EQ(differingPixels(image, expected, area), 0) << "Check(" << index << ")";
            // The grabs carry their ratio; these two are painted in device pixels.
            QImage piece = small.copy(devicePixels(unscaled.checkGeometry(index), ratio));
            piece.setDevicePixelRatio(1);
            for (const auto mode : {Qt::SmoothTransformation, Qt::FastTransformation}) {
                QImage enlarged = expected.copy();
                enlarged.setDevicePixelRatio(1);
                QPainter(&enlarged).drawImage(
                    area.topLeft(), piece.scaled(area.size(), Qt::IgnoreAspectRatio, mode));
                EXPECT_GT(differingPixels(enlarged, expected, area), area.width() * 2)
                    << "Check(" << index << "), enlarged "
                    << (mode == Qt::SmoothTransformation ? "smoothly" : "pixel by pixel");
            }
        }
    }
}

TEST(HiDpi, HighlightCoversExactlyTheSquaresDevicePixels) {
    Board board;
    board.newGame();
    ASSERT_EQ(board.movePiece(7, 8, 6, 6), 0); // Ng1-f3
    const QImage plain = grabOf(board.widget());
    ASSERT_EQ(board.highlightSquares(7, 8, 6, 6), 0);
    const QImage tinted = grabOf(board.widget());
    ASSERT_EQ(tinted.size(), QSize(592, 592));
    // g1, emptied, spans logical x 223 to 260 and y 260 to the control's edge: every device pixel
    // of it changes, and none of its neighbours f1 and h1.
    for (int y = 520; y < 592; ++y) {
        for (int x = 446; x < 520; ++x)
            ASSERT_NE(tinted.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
        EXPECT_EQ(tinted.pixel(445, y), plain.pixel(445, y)) << y;
        EXPECT_EQ(tinted.pixel(520, y), plain.pixel(520, y)) << y;
    }
    // Above g1, g2 keeps its colour.
    EXPECT_EQ(tinted.pixel(460, 519), plain.pixel(460, 519));
}

TEST(HiDpi, AboutBoxIconIsDrawnAtTheDeviceResolution) {
    Board board;
    ASSERT_EQ(board.call(dispid::About, InvokeKind::Method, {}), 0);
    QWidget* about = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmAbout" && w->isVisible())
            about = w;
    ASSERT_NE(about, nullptr);
    const auto* icon = about->findChild<QLabel*>(QStringLiteral("picIcon"));
    ASSERT_NE(icon, nullptr);
    pw2::test::expectIconPicture(icon->pixmap(), 32, 2.0);
    about->close();
}

// A gliding piece on screens of fractional ratio, at a fractional BoardScale: it moves from its
// square by whole device pixels, so that its picture is never resampled, and the window it was
// drawn into ends up as the board with the move made at once.
TEST(HiDpi, AGlidingPieceStepsByWholeDevicePixels) {
    for (const qreal ratio : {1.5, 2.5, 3.75}) {
        SCOPED_TRACE(testing::Message() << "ratio " << ratio);
        QScreen* screen = screenOfRatio(ratio);
        if (!screen)
            GTEST_SKIP() << "needs the offscreen screens of hidpi_screens.json";
        Board glided, atOnce;
        for (Board* board : {&glided, &atOnce}) {
            board->newGame();
            ASSERT_EQ(board->setBoardScale(1.3f), 0);
            ASSERT_TRUE(showOn(board->widget(), screen));
        }
        ASSERT_EQ(atOnce.movePiece(7, 8, 6, 6), 0);
        ASSERT_TRUE(QMetaObject::invokeMethod(glided.widget(), "setGlideClock", Q_ARG(qint64, 0)));
        const QPointF start = glided.checkGeometry(63).topLeft();
        ASSERT_EQ(glided.call(dispid::BeginGlide, InvokeKind::Method, {Variant::fromI4(250)}), 0);
        ASSERT_EQ(glided.movePiece(7, 8, 6, 6), 0); // Ng1-f3
        ASSERT_EQ(glided.call(dispid::EndGlide, InvokeKind::Method, {}), 0);
        for (qint64 t = 0; t < 250; t += 17) {
            ASSERT_TRUE(
                QMetaObject::invokeMethod(glided.widget(), "setGlideClock", Q_ARG(qint64, t)));
            QRectF piece;
            ASSERT_TRUE(QMetaObject::invokeMethod(glided.widget(), "glidingPiece",
                                                  Q_RETURN_ARG(QRectF, piece), Q_ARG(int, 0)));
            const QPointF way = (piece.topLeft() - start) * ratio;
            EXPECT_NEAR(way.x(), std::round(way.x()), 1e-6) << t;
            EXPECT_NEAR(way.y(), std::round(way.y()), 1e-6) << t;
            QTest::qWait(20); // the window draws the frame
        }
        ASSERT_TRUE(
            QMetaObject::invokeMethod(glided.widget(), "setGlideClock", Q_ARG(qint64, 250)));
        QTest::qWait(20);
        const QImage shown = screen->grabWindow(glided.widget()->winId()).toImage();
        const QImage wanted = screen->grabWindow(atOnce.widget()->winId()).toImage();
        ASSERT_FALSE(shown.isNull());
        EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
                  wanted.convertToFormat(QImage::Format_RGB32));
    }
}
