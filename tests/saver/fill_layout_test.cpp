// The saver's layout on screens of every size: the designed layout up to 1024 by 768, and beyond
// that, with "Fill the screen" on, the board as large as the height allows (at least 85 % of it
// on 16:9 and 16:10 screens, 70 % on 4:3 and 5:4 ones) with the texts in columns beside it,
// inside the screen, without overlaps and legible from across a room. Built twice: on a screen
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
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vantrelkit/vantrelkit.h>

namespace pw2 {
namespace {

struct ScreenSize {
    int width, height;
};

// 4:3, 5:4, 16:10 and 16:9 screens from 1280 by 720 to 7680 by 4320.
constexpr ScreenSize kLargeScreens[] = {
    {1280, 1024}, {1600, 1200}, {2048, 1536}, {2880, 2160}, {5760, 4320}, // 4:3 and 5:4
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

// Every shown control of the window with its place in the window, by name.
std::vector<std::pair<QString, QRect>> everyPlace(const Saver& saver) {
    std::vector<std::pair<QString, QRect>> places;
    for (const QWidget* w : saver.findChildren<QWidget*>())
        if (w->isVisibleTo(&saver))
            places.emplace_back(w->objectName(), inWindow(saver, w));
    std::sort(places.begin(), places.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return places;
}

// The least share of the height the board takes on a screen of that shape.
double boardShare(ScreenSize size) {
    return double(size.width) / size.height >= 1.55 ? 0.85 : 0.70;
}

TEST(FilledLayout, GrowsOnlyBeyondTheDesignedScreens) {
    EXPECT_FALSE(exceedsDesignedScreen(1024, 768));
    EXPECT_FALSE(exceedsDesignedScreen(640, 480));
    EXPECT_TRUE(exceedsDesignedScreen(1025, 768));
    EXPECT_TRUE(exceedsDesignedScreen(1024, 769));
    // A screen too low for a board larger than the designed one keeps the designed layout.
    EXPECT_FALSE(computeFilledLayout(1100, 300).fills);
    EXPECT_TRUE(computeFilledLayout(1100, 440).fills);
}

bool overlap(const Box& a, const Box& b) {
    const double e = 1e-6;
    return a.left < b.right() - e && b.left < a.right() - e && a.top < b.bottom() - e &&
           b.top < a.bottom() - e;
}

// Every part at every place of the drift: inside the screen, apart from the others, the board at
// its share of the height, and no text smaller than 2 % of the height; with the clocks and the
// evaluation bar of a game that carries them too.
TEST(FilledLayout, TheBoardIsTheHeroAndEveryPartStandsApartInsideTheScreenAtEveryDrift) {
    for (const auto& [size, extra] : [] {
             std::vector<std::pair<ScreenSize, LayoutParts>> cases;
             for (const ScreenSize size : kLargeScreens)
                 for (const LayoutParts extra : {LayoutParts{}, LayoutParts{true, true}})
                     cases.emplace_back(size, extra);
             return cases;
         }()) {
        SCOPED_TRACE(describe(size) + (extra.clocks ? " with clocks and evaluation" : ""));
        const double w = size.width, h = size.height;
        const FilledLayout centred = computeFilledLayout(w, h, {}, extra);
        ASSERT_TRUE(centred.fills);
        EXPECT_EQ(centred.twoColumns, w / h >= 1.55);
        EXPECT_GE(centred.board.height, boardShare(size) * h);
        EXPECT_EQ(centred.board.width, centred.board.height);
        EXPECT_GE(centred.smallText, 0.02 * h);
        for (const double t : {centred.nameText, centred.statusText, centred.moveText})
            EXPECT_GE(t, centred.smallText);
        // The move list has room for its rows and for a few of them (fewer in one column beside a
        // board narrowed by the evaluation bar).
        EXPECT_GE(centred.moveList.width, 15 * centred.smallText);
        EXPECT_GE(centred.moveList.height, (extra.evaluation && !centred.twoColumns ? 6 : 8) *
                                               kLineSpacing * centred.smallText);
        EXPECT_GE(centred.caption.height, 3 * kLineSpacing * centred.smallText);
        for (const double dx : {-1.0, 0.0, 1.0}) {
            for (const double dy : {-1.0, 0.0, 1.0}) {
                const FilledLayout l = computeFilledLayout(w, h, {dx, dy}, extra);
                const Box parts[] = {l.board,      l.ranks,       l.files,     l.event,
                                     l.date,       l.opening,     l.black,     l.white,
                                     l.caption,    l.currentMove, l.status,    l.moveList,
                                     l.whiteClock, l.blackClock,  l.evaluation};
                for (std::size_t i = 0; i < std::size(parts); ++i) {
                    const Box& p = parts[i];
                    EXPECT_GE(p.left, -1e-6) << i;
                    EXPECT_GE(p.top, -1e-6) << i;
                    EXPECT_LE(p.right(), w + 1e-6) << i;
                    EXPECT_LE(p.bottom(), h + 1e-6) << i;
                    for (std::size_t j = 0; j < i; ++j)
                        EXPECT_FALSE(overlap(p, parts[j])) << i << " over " << j;
                }
                EXPECT_EQ(l.board.width, centred.board.width) << "the drift never grows it";
                EXPECT_LE(std::abs(l.board.left - centred.board.left), 0.005 * w + 1e-6);
                EXPECT_LE(std::abs(l.board.top - centred.board.top), 0.005 * h + 1e-6);
            }
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

// On the window: the board at its share, every text inside the screen and off the board, the
// smallest text at 2 % of the height, and long moves whole in the move list.
TEST_F(FillScreen, TheBoardIsTheHeroAndNoTextOverlapsItOrLeavesTheScreen) {
    settings().write("Continue", "0"); // each saver plays the first game
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    for (const ScreenSize size : kLargeScreens) {
        SCOPED_TRACE(describe(size) + " at device pixel ratio " + std::to_string(ratio));
        const auto saver = saverOn(size);
        ASSERT_NE(saver, nullptr);
        saver->startNextGame();
        saver->playNextHalfMove();
        ASSERT_TRUE(saver->filled());
        const QRect screen(0, 0, size.width, size.height);
        const QRect board = inWindow(*saver, part(*saver, "Vantrel"));
        const QRect boardPanel = inWindow(*saver, part(*saver, "boardPanel"));
        EXPECT_GE(board.height(), boardShare(size) * size.height);
        EXPECT_EQ(board.width(), board.height());
        EXPECT_TRUE(screen.contains(boardPanel));
        EXPECT_TRUE(boardPanel.contains(board));
        for (const QLabel* l : saver->findChildren<QLabel*>()) {
            if (!l->isVisible())
                continue;
            const QRect at = inWindow(*saver, l);
            EXPECT_TRUE(screen.contains(at)) << l->objectName().toStdString();
            if (l->parentWidget() == saver.get()) {
                EXPECT_FALSE(at.intersects(boardPanel)) << l->objectName().toStdString();
            } else {
                EXPECT_TRUE(boardPanel.contains(at)) << l->objectName().toStdString();
            }
            EXPECT_GE(QFontInfo(l->font()).pixelSize(), 0.02 * size.height)
                << l->objectName().toStdString();
        }
        EXPECT_EQ(test::label(*saver, "whiteLabel")->text().toStdString(), "Alpha");
        EXPECT_EQ(test::label(*saver, "currentMoveLabel")->text().toStdString(), "1. e4");

        // The longest moves stand whole in their columns, at the move list's own size.
        MoveListPanel* list = test::moveList(*saver);
        const QRect listAt = inWindow(*saver, list);
        EXPECT_TRUE(screen.contains(listAt));
        EXPECT_FALSE(listAt.intersects(boardPanel));
        for (long n = 100; n < 140; ++n) {
            list->addHalfMove(n, true, QStringLiteral("exd8=Q+!?"));
            list->addHalfMove(n, false, QStringLiteral("gxh1=N+!?"));
        }
        EXPECT_LE(list->rowsWidth(), list->width());
        EXPECT_GE(QFontInfo(list->shownFont()).pixelSize(), 0.02 * size.height);
    }
}

// At the designed sizes too, no move is cut: the text grows smaller where a row needs it.
TEST_F(FillScreen, TheDesignedMoveListShowsLongMovesWhole) {
    for (const ScreenSize size : kDesignedScreens) {
        const auto saver = saverOn(size);
        MoveListPanel* list = test::moveList(*saver);
        list->addHalfMove(1, true, QStringLiteral("e4"));
        const int usual = QFontInfo(list->shownFont()).pixelSize();
        list->addHalfMove(140, true, QStringLiteral("exd8=Q+!?"));
        list->addHalfMove(140, false, QStringLiteral("Kxb4"));
        EXPECT_LE(list->rowsWidth(), list->width()) << describe(size);
        EXPECT_LT(QFontInfo(list->shownFont()).pixelSize(), usual) << describe(size);
        EXPECT_EQ(list->rowText(1), "140. exd8=Q+!? Kxb4");
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
    EXPECT_GE(part(*saver, "Vantrel")->height(), 0.85 * 1080);
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

// A half-move repaints the squares it changed, and beside the board the current move and the move
// list's rows: a small part of the screen.
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
        largest = std::max(largest, area(painted.all.subtracted(painted.board)));
        painted.settle();
    }
    EXPECT_LT(largest, qint64(0.03 * 1920 * 1080));
}

// Once the move list is full, a new row moves the rows up by their pixels: only the bottom rows
// (the new one, and the one that lost the mark) are painted anew.
TEST_F(FillScreen, TheMoveListScrollsByMovingItsPixels) {
    const auto saver = saverOn({1920, 1080});
    saver->show();
    MoveListPanel* list = test::moveList(*saver);
    list->clear();
    for (long n = 1; n <= list->visibleRows(); ++n) {
        list->addHalfMove(n, true, QStringLiteral("e4"));
        list->addHalfMove(n, false, QStringLiteral("e5"));
    }
    PaintRecorder painted(*saver);
    painted.settle();
    list->addHalfMove(list->visibleRows() + 1, true, QStringLiteral("Nf3"));
    painted.flush();
    EXPECT_EQ(list->firstShownRow(), 1);
    const QRect box(list->mapTo(saver.get(), QPoint(0, 0)), list->size());
    const QRect all = painted.all.boundingRect();
    EXPECT_LE(all.height(), 2 * list->lineHeight() + list->height() % list->lineHeight() + 1);
    EXPECT_GE(all.top(), box.top() + (list->visibleRows() - 2) * list->lineHeight() - 1);
}

} // namespace
} // namespace pw2
