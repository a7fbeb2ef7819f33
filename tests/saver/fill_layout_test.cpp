// The saver's layout on screens of every size: the designed layout up to 1024 by 768, and beyond
// that, with "Fill the screen" on, the same arrangement grown until the board takes more than
// half of the screen's height, inside the screen and without overlaps. Built twice: on a screen
// of device pixel ratio 1 and on one of ratio 2 (see screens_main.cpp).
#include "saver/saver_layout.h"
#include "saver/saver_window.h"
#include "support/doubles.h"
#include "support/saver_parts.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QRegion>
#include <QScreen>
#include <gtest/gtest.h>
#include <memory>
#include <vantrelkit/vantrelkit.h>

namespace pw2 {
namespace {

struct ScreenSize {
    int width, height;
};

// 4:3, 16:10 and 16:9 screens from 1280 by 720 to 7680 by 4320.
constexpr ScreenSize kLargeScreens[] = {
    {1280, 960},  {1600, 1200}, {2048, 1536}, {2880, 2160}, {5760, 4320}, // 4:3
    {1280, 800},  {1440, 900},  {1680, 1050}, {1920, 1200}, {2560, 1600},
    {3840, 2400}, {6912, 4320}, // 16:10
    {1280, 720},  {1366, 768},  {1600, 900},  {1920, 1080}, {2560, 1440},
    {3840, 2160}, {5120, 2880}, {7680, 4320}, // 16:9
};
constexpr ScreenSize kDesignedScreens[] = {{640, 480}, {800, 600}, {1024, 768}};
constexpr double kTwipsPerPixel = 15;

std::unique_ptr<Saver> saverOn(ScreenSize size) {
    return std::unique_ptr<Saver>(
        Saver::create(ScreenMetrics{QSize(size.width, size.height), kTwipsPerPixel, QPoint()}));
}

QWidget* part(const Saver& saver, const char* name) {
    auto* found = saver.findChild<QWidget*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QRect inWindow(const Saver& saver, const QWidget* widget) {
    return QRect(widget->mapTo(&saver, QPoint(0, 0)), widget->size());
}

std::string describe(ScreenSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// Every control of the window with its place in the window, in creation order.
std::vector<std::pair<QString, QRect>> everyPlace(const Saver& saver) {
    std::vector<std::pair<QString, QRect>> places;
    for (const QWidget* w : saver.findChildren<QWidget*>())
        places.emplace_back(w->objectName(), inWindow(saver, w));
    return places;
}

TEST(FilledLayout, GrowsOnlyBeyondTheDesignedScreens) {
    EXPECT_FALSE(exceedsDesignedScreen(1024, 768));
    EXPECT_FALSE(exceedsDesignedScreen(640, 480));
    EXPECT_TRUE(exceedsDesignedScreen(1025, 768));
    EXPECT_TRUE(exceedsDesignedScreen(1024, 769));
    // A screen wider than the designed ones but too low to grow keeps the designed layout.
    const SaverLayout low = computeFilledLayout(1100 * 15, 440 * 15, 15);
    const SaverLayout designed = computeSaverLayout(1100 * 15, 440 * 15, 15);
    EXPECT_EQ(low.scale, 1);
    EXPECT_EQ(low.boardPanelTop, designed.boardPanelTop);
    EXPECT_EQ(low.boardPanelLeft, designed.boardPanelLeft);
}

// The layout's parts, in screen pixels, for every place of the drift's range.
TEST(FilledLayout, PartsStayInsideTheScreenApartFromEachOtherAtEveryDrift) {
    for (const ScreenSize size : kLargeScreens) {
        const double w = size.width * kTwipsPerPixel, h = size.height * kTwipsPerPixel;
        const SaverLayout centred = computeFilledLayout(w, h, kTwipsPerPixel);
        for (const double dx : {-1.0, 0.0, 1.0}) {
            for (const double dy : {-1.0, 0.0, 1.0}) {
                const SaverLayout l = computeFilledLayout(w, h, kTwipsPerPixel, {dx, dy});
                const double s = l.scale;
                EXPECT_EQ(s, centred.scale) << "the drift moves the layout, never grows it";
                // Left column, board panel, current-move panel: left, top, right, bottom.
                const double list[] = {l.moveListLeft * s, l.moveListTitleTop * s,
                                       (l.moveListLeft + design::MoveListWidth) * s,
                                       (l.moveListTop + l.moveListHeight) * s};
                const double board[] = {l.boardPanelLeft * s, l.boardPanelTop * s,
                                        (l.boardPanelLeft + design::BoardPanelWidth) * s,
                                        (l.boardPanelTop + design::BoardPanelHeight) * s};
                const double move[] = {l.currentMovePanelLeft * s, l.currentMovePanelTop * s,
                                       (l.currentMovePanelLeft + design::CurrentMovePanelWidth) * s,
                                       (l.currentMovePanelTop + design::CurrentMovePanelHeight) *
                                           s};
                const double e = 1e-6; // at the ends of the drift, parts touch the edges
                for (const double* r : {list, board, move}) {
                    EXPECT_GE(r[0], -e) << describe(size);
                    EXPECT_GE(r[1], -e) << describe(size);
                    EXPECT_LE(r[2], w + e) << describe(size);
                    EXPECT_LE(r[3], h + e) << describe(size);
                }
                EXPECT_LE(list[2], board[0]) << describe(size);
                EXPECT_LE(board[2], move[0]) << describe(size);
                // The drift stays within 1 % of the screen's size.
                EXPECT_LE(std::abs(l.boardPanelLeft - centred.boardPanelLeft) * s,
                          0.005 * w + 1e-6);
                EXPECT_LE(std::abs(l.boardPanelTop - centred.boardPanelTop) * s, 0.005 * h + 1e-6);
            }
        }
    }
}

// A band of three caption lines beneath the board panel: the board still takes more than half of
// the height, the band lies inside the screen under the board panel and as wide as it, and no
// band is the layout without one.
TEST(FilledLayout, TheCaptionBandLiesBeneathTheBoardPanelAndTheBoardStaysLarge) {
    const double band = captionBandFor(3);
    EXPECT_GE(band, 3 * design::LineHeight);
    EXPECT_EQ(captionBandFor(0), 0);
    for (const ScreenSize size : kLargeScreens) {
        const double w = size.width * kTwipsPerPixel, h = size.height * kTwipsPerPixel;
        for (const double d : {-1.0, 0.0, 1.0}) {
            const SaverLayout plain = computeFilledLayout(w, h, kTwipsPerPixel, {d, -d});
            const SaverLayout none = computeFilledLayout(w, h, kTwipsPerPixel, {d, -d}, 0);
            EXPECT_EQ(none.scale, plain.scale);
            EXPECT_EQ(none.boardPanelTop, plain.boardPanelTop);
            EXPECT_EQ(none.currentMovePanelTop, plain.currentMovePanelTop);

            const SaverLayout l = computeFilledLayout(w, h, kTwipsPerPixel, {d, -d}, band);
            const double s = l.scale;
            EXPECT_GT(s, 1) << describe(size);
            EXPECT_GE(4455 * s, 0.55 * h) << describe(size) << ": the board";
            const double boardBottom = (l.boardPanelTop + design::BoardPanelHeight) * s;
            EXPECT_GE(l.boardPanelTop * s, -1e-6);
            EXPECT_GT(l.captionTop * s, boardBottom) << describe(size);
            EXPECT_LE((l.captionTop + l.captionHeight) * s, h + 1e-6) << describe(size);
            EXPECT_GE(l.captionHeight, 3 * design::LineHeight) << describe(size);
            EXPECT_EQ(l.captionLeft, l.boardPanelLeft);
            EXPECT_EQ(l.captionWidth, design::BoardPanelWidth);
        }
    }
}

// On the designed screens the caption has a place of its own: beneath the board panel where
// two lines fit, else beneath the current-move panel, right of the board panel.
TEST(DesignedLayout, TheCaptionHasAPlaceApartFromEveryPanel) {
    for (const ScreenSize size : kDesignedScreens) {
        const double w = size.width * kTwipsPerPixel, h = size.height * kTwipsPerPixel;
        const SaverLayout l = computeSaverLayout(w, h, kTwipsPerPixel);
        const double caption[] = {l.captionLeft, l.captionTop, l.captionLeft + l.captionWidth,
                                  l.captionTop + l.captionHeight};
        EXPECT_GE(caption[0], 0) << describe(size);
        EXPECT_LE(caption[2], w) << describe(size);
        EXPECT_LE(caption[3], h) << describe(size);
        EXPECT_GE(l.captionHeight, 2 * design::LineHeight) << describe(size);
        EXPECT_GE(l.captionWidth, 2000) << describe(size);
        const auto apart = [&](double left, double top, double width, double height) {
            return caption[2] <= left || left + width <= caption[0] || caption[3] <= top ||
                   top + height <= caption[1];
        };
        EXPECT_TRUE(apart(l.boardPanelLeft, l.boardPanelTop, design::BoardPanelWidth,
                          design::BoardPanelHeight))
            << describe(size);
        EXPECT_TRUE(apart(l.currentMovePanelLeft, l.currentMovePanelTop,
                          design::CurrentMovePanelWidth, design::CurrentMovePanelHeight))
            << describe(size);
        EXPECT_TRUE(apart(l.moveListLeft, l.moveListTop, design::MoveListWidth, l.moveListHeight))
            << describe(size);
    }
    const SaverLayout large = computeSaverLayout(1024 * 15, 768 * 15, 15);
    EXPECT_EQ(large.captionLeft, large.boardPanelLeft);
    EXPECT_EQ(large.captionWidth, design::BoardPanelWidth);
}

TEST(FilledLayout, BurnInDriftWalksInSmallStepsThroughTheWholeSlack) {
    double lowest = 1, highest = -1;
    for (unsigned n = 0; n < 200; ++n) {
        const Drift d = burnInDrift(n), next = burnInDrift(n + 1);
        for (const double v : {d.x, d.y}) {
            EXPECT_LE(std::abs(v), 1.0);
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
        // A step is well under half of the slack: a few pixels on any screen.
        EXPECT_LT(std::abs(next.x - d.x), 0.4);
        EXPECT_LT(std::abs(next.y - d.y), 0.4);
    }
    EXPECT_LT(lowest, -0.95);
    EXPECT_GT(highest, 0.95);
}

class FillScreen : public ::testing::Test {
protected:
    void SetUp() override {
        // The bundled games' place holds a short game, for the tests that start one.
        QFile f(box.path("default.pgn"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Event \"Wide\"]\n[Date \"2026.12.07\"]\n[White \"Alpha\"]\n[Black \"Beta\"]\n\n"
                "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 1/2-1/2\n\n"
                "[Event \"Second\"]\n[White \"Gamma\"]\n[Black \"Delta\"]\n\n1. d4 d5 *\n");
    }

    test::Sandbox box;
};

TEST_F(FillScreen, TheBoardTakesMoreThanHalfTheHeightAndNothingOverlapsOrIsCut) {
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    for (const ScreenSize size : kLargeScreens) {
        SCOPED_TRACE(describe(size) + " at device pixel ratio " + std::to_string(ratio));
        const auto saver = saverOn(size);
        ASSERT_NE(saver, nullptr);
        saver->startNextGame();
        const QRect screen(0, 0, size.width, size.height);
        const QRect board = inWindow(*saver, part(*saver, "Vantrel"));
        EXPECT_GE(board.height(), 0.55 * size.height);
        EXPECT_EQ(board.width(), board.height());
        EXPECT_GT(saver->layoutScale(), 1);

        const QRect list = inWindow(*saver, part(*saver, "moveListBox"))
                               .united(inWindow(*saver, part(*saver, "moveListTitle")));
        const QRect boardPanel = inWindow(*saver, part(*saver, "boardPanel"));
        const QRect movePanel = inWindow(*saver, part(*saver, "currentMovePanel"));
        for (const QRect& r : {list, boardPanel, movePanel})
            EXPECT_TRUE(screen.contains(r))
                << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
        EXPECT_FALSE(list.intersects(boardPanel));
        EXPECT_FALSE(boardPanel.intersects(movePanel));
        EXPECT_FALSE(list.intersects(movePanel));
        // Every label stands whole inside its panel, and so does the board.
        for (const QLabel* l : saver->findChildren<QLabel*>()) {
            const QRect panel = inWindow(*saver, l->parentWidget());
            EXPECT_TRUE(panel.contains(inWindow(*saver, l))) << l->objectName().toStdString();
        }
        EXPECT_TRUE(boardPanel.contains(board));

        // The texts grow with the layout: the move list's lines and the captions' letters.
        const double scale = saver->layoutScale();
        const QLabel* white = test::label(*saver, "whiteLabel");
        EXPECT_NEAR(white->font().pointSizeF(), 12 * scale, 1e-9);
        EXPECT_GE(white->height(), 0.9 * QFontMetrics(white->font()).height());
        EXPECT_NEAR(test::moveListBox(*saver)->font().pointSizeF(), 9.75 * scale, 1e-9);
    }
}

// Up to 1024 by 768, and everywhere with the setting off, every control stands where the designed
// layout puts it, and the window shows the same picture either way.
TEST_F(FillScreen, TheDesignedScreensAndTheSettingOffKeepTheDesignedLayout) {
    settings().write("Continue", "0"); // both savers play the same game, not one after the other
    for (const ScreenSize size : kDesignedScreens) {
        SCOPED_TRACE(describe(size));
        settings().write("FillScreen", "1");
        const auto on = saverOn(size);
        settings().write("FillScreen", "0");
        const auto off = saverOn(size);
        ASSERT_TRUE(on && off);
        EXPECT_EQ(on->layoutScale(), 1);
        EXPECT_EQ(everyPlace(*on), everyPlace(*off));
        on->startNextGame();
        off->startNextGame();
        for (int i = 0; i < 5; ++i) {
            on->playNextHalfMove();
            off->playNextHalfMove();
        }
        EXPECT_EQ(everyPlace(*on), everyPlace(*off));
        EXPECT_EQ(on->grab().toImage(), off->grab().toImage());
        // The board at its own size: 297 pixels of the control, 296 of squares.
        EXPECT_EQ(part(*on, "Vantrel")->size(), QSize(297, 297));
    }
    settings().write("FillScreen", "0");
    const auto large = saverOn({1920, 1080});
    EXPECT_EQ(large->layoutScale(), 1);
    EXPECT_EQ(part(*large, "Vantrel")->size(), QSize(297, 297));
}

TEST_F(FillScreen, TheLayoutDriftsAFewPixelsWithEachGameAndOnlyWhenItFills) {
    const auto saver = saverOn({1920, 1080});
    const QWidget* boardPanel = part(*saver, "boardPanel");
    saver->startNextGame();
    QPoint first = boardPanel->pos(), previous = first;
    int moved = 0;
    for (int game = 0; game < 30; ++game) {
        saver->startNextGame();
        const QPoint at = boardPanel->pos();
        moved += at != previous;
        EXPECT_LE((at - previous).manhattanLength(), 12);
        EXPECT_LE(std::abs(at.x() - first.x()), 0.01 * 1920 + 1);
        EXPECT_LE(std::abs(at.y() - first.y()), 0.01 * 1080 + 1);
        previous = at;
    }
    EXPECT_GE(moved, 20);

    const auto designed = saverOn({1024, 768});
    const QPoint still = part(*designed, "boardPanel")->pos();
    for (int game = 0; game < 5; ++game) {
        designed->startNextGame();
        EXPECT_EQ(part(*designed, "boardPanel")->pos(), still);
    }
}

// A host window that grows beyond the designed screens (a hack's window) fills it; back at a
// designed size the layout is the designed one again.
TEST_F(FillScreen, ARelayoutFollowsTheNewSize) {
    const auto saver = saverOn({800, 600});
    const auto places = everyPlace(*saver);
    saver->relayout(ScreenMetrics{QSize(1920, 1080), kTwipsPerPixel, QPoint()});
    EXPECT_GT(saver->layoutScale(), 2);
    EXPECT_GE(part(*saver, "Vantrel")->height(), 0.55 * 1080);
    saver->relayout(ScreenMetrics{QSize(800, 600), kTwipsPerPixel, QPoint()});
    EXPECT_EQ(saver->layoutScale(), 1);
    EXPECT_EQ(everyPlace(*saver), places);
}

// Collects what is painted, in the window's coordinates.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(Saver& saver) : saver_(saver) { qApp->installEventFilter(this); }
    ~PaintRecorder() override { qApp->removeEventFilter(this); }

    // Paints everything waiting, then forgets it.
    void settle() {
        flush();
        all = board = QRegion();
    }
    void flush() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    QRegion all, board;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() == QEvent::Paint && widget &&
            (widget == &saver_ || saver_.isAncestorOf(widget))) {
            const QRegion r = static_cast<QPaintEvent*>(event)->region().translated(
                widget->mapTo(&saver_, QPoint(0, 0)));
            all += r;
            if (widget->objectName() == QLatin1String("Vantrel"))
                board += r;
        }
        return false;
    }

private:
    Saver& saver_;
};

qint64 area(const QRegion& region) {
    qint64 pixels = 0;
    for (const QRect& r : region)
        pixels += qint64(r.width()) * r.height();
    return pixels;
}

// A half-move repaints the squares it changed, the current move and the move list's new line:
// a small part of the screen, however large the layout has grown.
TEST_F(FillScreen, AMoveRepaintsOnlyWhatItChanged) {
    const auto saver = saverOn({1920, 1080});
    saver->show();
    PaintRecorder painted(*saver);
    saver->startNextGame();
    painted.settle();
    const QWidget* board = part(*saver, "Vantrel");
    const QPoint boardAt = board->mapTo(saver.get(), QPoint(0, 0));
    const double square = board->height() / 8.0;
    qint64 largest = 0;
    for (int half = 0; half < 6; ++half) {
        saver->playNextHalfMove();
        painted.flush();
        // Each painted part of the board lies within four squares: the two of the move, and the
        // two of the move before, whose tint of the last move goes.
        EXPECT_LE(area(painted.board), qint64(4 * (square + 2) * (square + 2))) << half;
        EXPECT_FALSE(painted.board.isEmpty()) << half;
        EXPECT_TRUE(QRegion(QRect(boardAt, board->size())).contains(painted.board.boundingRect()));
        largest = std::max(largest, area(painted.all));
        painted.settle();
    }
    EXPECT_LT(largest, qint64(0.03 * 1920 * 1080));
}

// Once the move list is full, each White move moves its lines up by one whole line: the pixels
// move, and only the bottom line is painted anew.
TEST_F(FillScreen, TheMoveListScrollsByMovingItsPixels) {
    const auto saver = saverOn({1920, 1080});
    saver->show();
    MoveListBox* list = test::moveListBox(*saver);
    list->clearBox();
    int lines = 0;
    while (list->heightTwips() - design::LineHeight >= list->currentY())
        list->printLine(QStringLiteral("%1. e4 e5").arg(++lines));
    PaintRecorder painted(*saver);
    painted.settle();
    const QImage before = list->image().copy();
    list->scrollUp();
    painted.flush();
    const int step = int(std::lround(design::LineHeight * saver->layoutScale() / kTwipsPerPixel));
    const int rows = int(step * before.devicePixelRatio());
    EXPECT_EQ(list->image().copy(0, 0, before.width(), before.height() - rows),
              before.copy(0, rows, before.width(), before.height() - rows));
    const QRect box(list->mapTo(saver.get(), QPoint(0, 0)), list->size());
    EXPECT_LE(painted.all.boundingRect().height(), step + 1);
    EXPECT_GE(painted.all.boundingRect().top(), box.bottom() - step);
}

} // namespace
} // namespace pw2
