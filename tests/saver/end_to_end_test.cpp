// The program as a user starts it: the entry procedure in saver mode with the real event loop, and
// the built executable itself.
#include "app/sub_main.h"
#include "saver/saver_window.h"
#include "services/app_path.h"
#include "support/doubles.h"
#include "support/saver_parts.h"
#include "support/wait.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vantrelkit/vantrelkit.h>

namespace pw2 {
namespace {

using test::label;
using test::timer;

using test::waitUntil;

Saver* runningSaver() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<Saver*>(w); s && s->isVisible())
            return s;
    return nullptr;
}

TEST(EndToEnd, SaverModePlaysAWholeGameAndGoesOnToTheNext) {
    test::Sandbox box;
    const std::string games =
        "[Event \"Opening\"]\n[Date \"1900.01.01\"]\n[White \"W1\"]\n[Black \"B1\"]\n\n"
        "1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6 4. Qxf7# 1-0\n\n"
        "[Event \"Second\"]\n[White \"W2\"]\n[Black \"B2\"]\n\n"
        "1. d4 {a comment} d5 (1... Nf6) 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7 1/2-1/2\n";
    QFile f(box.path("match.pgn"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(games.data(), qint64(games.size()));
    f.close();
    auto& s = settings();
    s.write("PGNFile", box.path("match.pgn"));
    s.write("Timer", "0.005");
    s.write("Timer2", "0.05");

    ASSERT_EQ(SubMain({"pawnwatch2", "/S"}), StartResult::Running);
    Saver* saver = runningSaver();
    ASSERT_NE(saver, nullptr);
    EXPECT_TRUE(pointerHidden());
    // Hidden by an image with no visible pixel, which every platform shows as it is: a blank
    // shape leaves the compositor's arrow on Wayland.
    const QCursor* pointer = QGuiApplication::overrideCursor();
    ASSERT_NE(pointer, nullptr);
    const QImage image = pointer->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(image.isNull());
    bool visible = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            visible = visible || qAlpha(image.pixel(x, y)) != 0;
    EXPECT_FALSE(visible);
    // With no match stored, the scheduler indexed the configured file itself, and kept the
    // setting as written. Store the match as an earlier version did and start again.
    EXPECT_EQ(settings().read("PGNFile", ""), box.path("match.pgn"));
    EXPECT_EQ(settings().read("NumOfGames", ""), "2");
    delete saver;

    s.write("PGNFile", box.path("match.pgn"));
    const auto second = std::int64_t(games.find("[Event \"Second")) + 1;
    s.write("MatchBegin1", "1");
    s.write("MatchEnd1", QString::number(second - 1));
    s.write("MatchBegin2", QString::number(second));
    s.write("MatchEnd2", QString::number(games.size() + 1));
    s.write("NumOfGames", "2");
    s.write("LastGame", "0"); // as the dialog's OK leaves the place: from the first game
    ASSERT_EQ(SubMain({"pawnwatch2", "/S"}), StartResult::Running);
    saver = runningSaver();
    ASSERT_NE(saver, nullptr);
    // The header's tags as written, or their values where the layout fills the screen.
    const bool filled = saver->filled();
    EXPECT_EQ(label(*saver, "eventLabel")->text(), filled ? "Opening" : "[Event \"Opening\"]");
    EXPECT_EQ(label(*saver, "blackLabel")->text(), filled ? "B1" : "[Black \"B1\"]");

    ASSERT_TRUE(waitUntil([&] { return timer(*saver, "gameTimer")->isEnabled(); }, 10000));
    EXPECT_EQ(label(*saver, "statusLabel")->text(), "White wins");
    EXPECT_EQ(saver->board().piece(6, 2), vantrelkit::WQueen);
    EXPECT_EQ(saver->board().piece(5, 4), vantrelkit::Bpawn);

    ASSERT_TRUE(waitUntil(
        [&] {
            return label(*saver, "eventLabel")->text() ==
                   (filled ? "Second" : "[Event \"Second\"]");
        },
        10000));
    ASSERT_TRUE(waitUntil([&] { return saver->player().moveIndex() >= 2; }, 10000));
    EXPECT_EQ(saver->board().piece(4, 5), vantrelkit::Wpawn);
    EXPECT_EQ(saver->board().piece(4, 4), vantrelkit::Bpawn);
    EXPECT_EQ(saver->player().moveList()[0], "1. d4            d5");
    EXPECT_TRUE(box.messages->shown.empty());
    EXPECT_TRUE(box.endRequests.empty());
    delete saver;
}

QProcessEnvironment freshAccount(const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("XDG_RUNTIME_DIR", home.path() + "/run");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

TEST(EndToEnd, TheProgramPlaysTheBundledGamesOnAFreshAccount) {
    QTemporaryDir home;
    QProcess saver;
    saver.setProcessEnvironment(freshAccount(home));
    saver.start(PW2_BIN_DIR "/pawnwatch2", {"/S"});
    ASSERT_TRUE(saver.waitForStarted());
    EXPECT_FALSE(saver.waitForFinished(1500)) << saver.readAllStandardError().toStdString();
    // It indexed the bundled games into the fresh account's settings.
    QFile ini(home.path() + "/config/Pawnwatch2/Pawnwatch2.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("NumOfGames=30")) << text.toStdString();
    EXPECT_TRUE(text.contains("default.pgn"));
    saver.kill();
    saver.waitForFinished();
}

TEST(EndToEnd, PreviewRequestEndsAtOnce) {
    QTemporaryDir home;
    QProcess saver;
    saver.setProcessEnvironment(freshAccount(home));
    saver.start(PW2_BIN_DIR "/pawnwatch2", {"/p", "1234"});
    ASSERT_TRUE(saver.waitForFinished(5000));
    EXPECT_EQ(saver.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(saver.exitCode(), 0);
}

} // namespace
} // namespace pw2
