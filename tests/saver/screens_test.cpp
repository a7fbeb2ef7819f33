// The saver on a desktop of two screens (the offscreen platform's screen configuration; the
// primary one is 100 pixels down): the saver on the primary screen, and on the other a board of
// its own with the match's next game, or with "A board on every screen" off a black screen;
// input on either ends the program.
#include "app/sub_main.h"
#include "saver/saver_window.h"
#include "saver/screen_covers.h"
#include "services/settings_store.h"
#include "support/doubles.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <gtest/gtest.h>

namespace pw2 {
namespace {

template <class Window>
std::vector<Window*> visible() {
    std::vector<Window*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(w); window && window->isVisible())
            found.push_back(window);
    return found;
}

TEST(TwoScreens, TheSaverTakesThePrimaryScreenAndTheOtherGoesBlack) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2) << "the test runs with two screens configured";
    test::Sandbox box;
    settings().write("BoardOnEveryScreen", "0");
    ASSERT_EQ(SubMain({"pawnwatch2", "/S"}), StartResult::Running);

    const std::vector<Saver*> savers = visible<Saver>();
    ASSERT_EQ(savers.size(), 1u);
    // The primary screen does not start at the desktop's top-left corner: the saver follows it.
    QScreen* primary = QGuiApplication::primaryScreen();
    ASSERT_EQ(primary->geometry(), QRect(0, 100, 1024, 768));
    EXPECT_EQ(savers[0]->screen(), primary);
    EXPECT_EQ(savers[0]->geometry(), primary->geometry());

    const std::vector<ScreenCover*> covers = visible<ScreenCover>();
    ASSERT_EQ(covers.size(), 1u);
    QScreen* other = screens[0] == primary ? screens[1] : screens[0];
    EXPECT_EQ(covers[0]->screen(), other);
    EXPECT_EQ(covers[0]->geometry(), other->geometry());
    const QImage shown = covers[0]->grab().toImage();
    EXPECT_EQ(shown.size(), other->geometry().size());
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::black));

    // Input on the black screen ends the program as it does on the saver, moves after the first
    // position included.
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(covers[0], &key);
    EXPECT_EQ(box.endRequests.size(), 1u);
    auto move = [&](QPointF at) {
        QMouseEvent event(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(covers[0], &event);
    };
    move(QPointF(10, 10));
    EXPECT_EQ(box.endRequests.size(), 1u);
    move(QPointF(10, 12));
    EXPECT_EQ(box.endRequests.size(), 2u);

    // The covers close with the saver.
    delete savers[0];
    EXPECT_TRUE(visible<ScreenCover>().empty());
}

TEST(TwoScreens, EachScreenShowsABoardOfItsOwnWithTheMatchsNextGame) {
    // With the place kept across starts and without: the boards draw the match's games in turn.
    for (const char* continuePlay : {"1", "0"}) {
        SCOPED_TRACE(continuePlay);
        test::Sandbox box;
        settings().write("Continue", continuePlay);
        ASSERT_EQ(SubMain({"pawnwatch2", "/S"}), StartResult::Running);
        const std::vector<Saver*> savers = visible<Saver>();
        ASSERT_EQ(savers.size(), 2u);
        EXPECT_TRUE(visible<ScreenCover>().empty());
        QScreen* primary = QGuiApplication::primaryScreen();
        Saver* main = savers[0]->screen() == primary ? savers[0] : savers[1];
        Saver* other = main == savers[0] ? savers[1] : savers[0];
        EXPECT_NE(other->screen(), primary);
        EXPECT_EQ(other->geometry(), other->screen()->geometry());
        EXPECT_EQ(main->gameNumber(), 1);
        EXPECT_EQ(other->gameNumber(), 2);
        other->startNextGame();
        main->startNextGame();
        EXPECT_EQ(other->gameNumber(), 3);
        EXPECT_EQ(main->gameNumber(), 4);

        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(other, &key);
        EXPECT_EQ(box.endRequests.size(), 1u);
        // The other boards close with the saver.
        delete main;
        EXPECT_TRUE(visible<Saver>().empty());
    }
}

TEST(TwoScreens, ACoverGoesOnEveryScreenButTheSavers) {
    for (QScreen* saverScreen : QGuiApplication::screens()) {
        const ScreenCovers covers(saverScreen);
        EXPECT_EQ(covers.count(), 1u);
        EXPECT_EQ(covers.coverOf(saverScreen), nullptr);
    }
}

} // namespace
} // namespace pw2
