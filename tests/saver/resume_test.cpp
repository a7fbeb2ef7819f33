// "Continue where it stopped" and the fair shuffle: each start goes on after the last game shown,
// in file order or in the stored shuffle, from the place stored as each game starts; a new first
// game from the setup dialog starts again; the place survives a saver killed mid-game and two
// savers running at once; with the setting off the saver starts at FirstGame and draws any game.
#include "pgn/game_spans.h"
#include "playback/game_scheduler.h"
#include "playback/shuffle.h"
#include "saver/saver_window.h"
#include "services/match_table.h"
#include "services/settings_store.h"
#include "support/doubles.h"
#include "support/saver_parts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace pw2 {
namespace {

// A file of n short games, "Game 1" to "Game n".
std::string gamesText(int n) {
    std::string text;
    for (int k = 1; k <= n; ++k)
        text += "[Event \"Game " + std::to_string(k) + "\"]\n\n1. e4 e5 2. Nf3 Nc6 *\n\n";
    return text;
}

std::string eventOf(int k) {
    return "[Event \"Game " + std::to_string(k) + "\"]";
}

void writeBytes(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
}

// Writes a file of n games and stores it as the match with its first game, as the setup
// dialog's match OK does.
void storeMatch(SettingsStore& store, const QString& path, int n, int firstGame) {
    const std::string text = gamesText(n);
    writeBytes(path, text);
    const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
    ASSERT_EQ(spans.size(), std::size_t(n));
    replaceMatchTable(store, path, spans, n, firstGame - 1);
}

class Resume : public ::testing::Test {
protected:
    void storeMatch(int n, int firstGame = 1) {
        pw2::storeMatch(settings(), box.path("games.pgn"), n, firstGame);
    }

    double draw() { return std::uniform_real_distribution<double>(0, 1)(engine); }

    // One start of a fresh scheduler, as a fresh saver process makes it: the game it chose,
    // checked against the text it read.
    int startScheduler() {
        GameScheduler scheduler;
        scheduler.setRandomSource([this] { return draw(); });
        scheduler.startAtFirstGame();
        GameScheduler::NoGame noGame;
        const std::optional<GameScheduler::Game> game = scheduler.nextGame(noGame);
        if (!game)
            return 0;
        const int n = scheduler.gameNumber();
        if (game->text.rfind(eventOf(n), 0) != 0)
            return -n;
        return n;
    }

    // A fresh saver window on the same settings, and its first game.
    int startSaver() {
        saver.reset(Saver::create(ScreenMetrics{QSize(800, 600), 15, QPoint()}));
        if (!saver)
            return 0;
        saver->setRandomSource([this] { return draw(); });
        saver->startNextGame();
        return saver->gameNumber();
    }

    // The place as it is on disk: read through a store of its own, as another process reads it.
    std::int64_t onDisk(const CountSetting& setting) {
        return SettingsStore(settings().fileName()).count(setting);
    }

    test::Sandbox box;
    std::mt19937_64 engine{20261207};
    std::unique_ptr<Saver> saver;
};

TEST_F(Resume, AFreshSaverGoesOnAfterTheLastGameShown) {
    storeMatch(5, 2);
    EXPECT_EQ(startSaver(), 2);
    EXPECT_EQ(onDisk(setting::LastGame), 2); // stored as the game starts, before it ends
    saver->startNextGame();
    EXPECT_EQ(saver->gameNumber(), 3);
    EXPECT_EQ(test::label(*saver, "eventLabel")->text().toStdString(), eventOf(3));
    // A new saver on the same settings goes on after game 3, and wraps after the last game.
    std::vector<int> starts;
    for (int i = 0; i < 4; ++i)
        starts.push_back(startSaver());
    EXPECT_EQ(starts, (std::vector<int>{4, 5, 1, 2}));
    EXPECT_EQ(onDisk(setting::LastGame), 2);
    // The shuffle's place is left alone in file order.
    EXPECT_EQ(onDisk(setting::ShuffleKey), 0);
    EXPECT_EQ(onDisk(setting::ShuffleStep), 0);
}

TEST_F(Resume, AStoredLastGameBeyondTheMatchWrapsToGameOne) {
    storeMatch(5, 3);
    for (const char* last : {"5", "6", "12", "1e30"}) {
        settings().write("LastGame", last);
        EXPECT_EQ(startScheduler(), 1) << last;
        EXPECT_EQ(onDisk(setting::LastGame), 1) << last;
    }
    // No place, or one that reads as none, starts at the first game.
    for (const char* none : {"0", "-4", "garbage", ""}) {
        settings().write("LastGame", none);
        EXPECT_EQ(startScheduler(), 3) << none;
    }
    settings().remove("LastGame");
    EXPECT_EQ(startScheduler(), 3);
    EXPECT_EQ(startScheduler(), 4);
}

TEST_F(Resume, ANewFirstGameFromTheSetupDialogStartsThereAgain) {
    storeMatch(6, 1);
    EXPECT_EQ(startScheduler(), 1);
    EXPECT_EQ(startScheduler(), 2);
    EXPECT_EQ(startScheduler(), 3);
    // The dialog's match OK with game 5 chosen: the place goes, and the next start plays game 5.
    storeMatch(6, 5);
    EXPECT_EQ(onDisk(setting::LastGame), 0);
    EXPECT_EQ(startScheduler(), 5);
    EXPECT_EQ(startScheduler(), 6);
    EXPECT_EQ(startScheduler(), 1);

    // In random order, the dialog's OK begins a new shuffle: the key goes, and the next start
    // draws one and takes its first game.
    settings().write("Random", "1");
    EXPECT_GT(startScheduler(), 0);
    EXPECT_GT(startScheduler(), 0);
    const std::int64_t key = onDisk(setting::ShuffleKey);
    EXPECT_TRUE(shuffleKeyFits(key, 6));
    EXPECT_EQ(onDisk(setting::ShuffleStep), 2);
    storeMatch(6, 2);
    EXPECT_EQ(onDisk(setting::ShuffleKey), 0);
    EXPECT_EQ(onDisk(setting::ShuffleStep), 0);
    const int first = startScheduler();
    EXPECT_EQ(onDisk(setting::ShuffleStep), 1);
    EXPECT_NE(onDisk(setting::ShuffleKey), key);
    EXPECT_EQ(first, int(shuffledGame(std::uint64_t(onDisk(setting::ShuffleKey)), 6, 0)));
}

TEST_F(Resume, WithTheSettingOffEachStartBeginsAtTheFirstGameAndDrawsAnyGame) {
    storeMatch(3, 2);
    settings().write("Continue", "0");
    // Today's behaviour: each saver starts at FirstGame and goes on in memory...
    EXPECT_EQ(startSaver(), 2);
    saver->startNextGame();
    EXPECT_EQ(saver->gameNumber(), 3);
    saver->startNextGame();
    EXPECT_EQ(saver->gameNumber(), 1);
    EXPECT_EQ(startSaver(), 2);
    EXPECT_EQ(startSaver(), 2);
    // ...and keeps no place: it stays as the dialog left it.
    EXPECT_EQ(onDisk(setting::LastGame), 0);

    // Random order draws any game, one draw per start, the fair shuffle's setting
    // notwithstanding: the draws 0, 0.999 and 0.5 are games 1, 3 and 2, and repeat.
    settings().write("Random", "1");
    ASSERT_EQ(settings().number(setting::FairShuffle), 1);
    std::vector<double> draws = {0.0, 0.999, 0.5, 0.0};
    std::size_t next = 0;
    saver->setRandomSource([&] { return draws[next++ % draws.size()]; });
    std::vector<int> played;
    for (int i = 0; i < 4; ++i) {
        saver->startNextGame();
        played.push_back(saver->gameNumber());
    }
    EXPECT_EQ(played, (std::vector<int>{1, 3, 2, 1}));
    EXPECT_EQ(next, 4u);
    EXPECT_EQ(onDisk(setting::LastGame), 0);
    EXPECT_EQ(onDisk(setting::ShuffleKey), 0);
    EXPECT_EQ(onDisk(setting::ShuffleStep), 0);
}

TEST_F(Resume, WithoutTheFairShuffleRandomOrderDrawsAnyGameAndKeepsTheLastGame) {
    storeMatch(3, 1);
    settings().write("Random", "1");
    settings().write("FairShuffle", "0");
    startSaver();
    std::vector<double> draws = {0.0, 0.999, 0.5, 0.0};
    std::size_t next = 0;
    saver->setRandomSource([&] { return draws[next++ % draws.size()]; });
    std::vector<int> played;
    for (int i = 0; i < 4; ++i) {
        saver->startNextGame();
        played.push_back(saver->gameNumber());
        EXPECT_EQ(onDisk(setting::LastGame), played.back());
    }
    EXPECT_EQ(played, (std::vector<int>{1, 3, 2, 1}));
    EXPECT_EQ(onDisk(setting::ShuffleKey), 0);
    // Random order off again: file order goes on after the last game drawn.
    settings().write("Random", "0");
    EXPECT_EQ(startSaver(), 2);
}

// Starts until cycles whole shuffles of n games are played, each start by a fresh scheduler or
// saver; checks that each shuffle shows each game once and stores its place as it goes.
void playShuffles(int n, int cycles, const std::function<int()>& start,
                  const std::function<std::int64_t(const CountSetting&)>& onDisk) {
    std::int64_t previousKey = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        std::vector<int> seen(std::size_t(n) + 1, 0);
        std::int64_t key = 0;
        for (int step = 1; step <= n; ++step) {
            const int game = start();
            ASSERT_GE(game, 1) << "cycle " << cycle << " step " << step;
            ASSERT_LE(game, n);
            ASSERT_EQ(seen[std::size_t(game)]++, 0)
                << "game " << game << " again at step " << step << " of cycle " << cycle;
            ASSERT_EQ(onDisk(setting::ShuffleStep), step);
            ASSERT_EQ(onDisk(setting::LastGame), game);
            if (step == 1) {
                key = onDisk(setting::ShuffleKey);
                ASSERT_TRUE(shuffleKeyFits(key, std::uint64_t(n)));
                if (cycle > 0) {
                    EXPECT_NE(key, previousKey) << "a new shuffle has a new key";
                }
            } else {
                ASSERT_EQ(onDisk(setting::ShuffleKey), key);
            }
        }
        previousKey = key;
    }
}

TEST_F(Resume, TheShuffleShowsEveryGameOnceAcrossRestarts) {
    settings().write("Random", "1");
    const auto disk = [this](const CountSetting& s) { return onDisk(s); };
    const auto bySaver = [this] { return startSaver(); };
    const auto byScheduler = [this] { return startScheduler(); };
    // Small matches, two whole shuffles each, a fresh saver for every game.
    for (const int n : {1, 2, 7}) {
        storeMatch(n);
        playShuffles(n, 2, bySaver, disk);
    }
    // 10,000 games: a whole shuffle, a fresh scheduler for every game; the next shuffle begins.
    storeMatch(10'000);
    playShuffles(10'000, 1, byScheduler, disk);
    EXPECT_GE(startScheduler(), 1);
    EXPECT_EQ(onDisk(setting::ShuffleStep), 1);
}

TEST_F(Resume, ANewShuffleDoesNotBeginWithTheGameThatEndedTheLastOne) {
    settings().write("Random", "1");
    storeMatch(7);
    int last = 0;
    for (int cycle = 0; cycle < 30; ++cycle) {
        for (int step = 1; step <= 7; ++step) {
            const int game = startScheduler();
            if (step == 1) {
                EXPECT_NE(game, last) << "cycle " << cycle;
            }
            last = game;
        }
    }
}

TEST_F(Resume, TheShuffleStartsAgainWhenTheNumberOfGamesChanges) {
    settings().write("Random", "1");
    storeMatch(7);
    for (int i = 0; i < 3; ++i)
        startScheduler();
    ASSERT_EQ(onDisk(setting::ShuffleStep), 3);
    // The match grows to 9 games without the dialog (the place is not reset): the key was made
    // for 7 games, so a new shuffle of all 9 begins.
    const std::string text = gamesText(9);
    writeBytes(box.path("games.pgn"), text);
    storeMatchTable(settings(), box.path("games.pgn"), pgn::findGameSpans(text), 9);
    std::set<int> seen;
    for (int step = 1; step <= 9; ++step) {
        seen.insert(startScheduler());
        EXPECT_EQ(onDisk(setting::ShuffleStep), step);
    }
    EXPECT_EQ(seen, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    // A step beyond the match, or a key that is no key, begins a new shuffle too.
    settings().write("ShuffleStep", "40");
    startScheduler();
    EXPECT_EQ(onDisk(setting::ShuffleStep), 1);
    settings().write("ShuffleKey", "12345");
    startScheduler();
    EXPECT_EQ(onDisk(setting::ShuffleStep), 1);
    EXPECT_TRUE(shuffleKeyFits(onDisk(setting::ShuffleKey), 9));
}

TEST_F(Resume, SaversTakingTurnsGoOnFromThePlaceStoredLast) {
    storeMatch(5);
    // Two savers in turn, as on two monitors: each goes on after the game the other showed.
    std::unique_ptr<Saver> a(Saver::create(ScreenMetrics{QSize(800, 600), 15, QPoint()}));
    std::unique_ptr<Saver> b(Saver::create(ScreenMetrics{QSize(800, 600), 15, QPoint()}));
    ASSERT_TRUE(a && b);
    std::vector<int> played;
    for (int i = 0; i < 3; ++i) {
        a->startNextGame();
        played.push_back(a->gameNumber());
        b->startNextGame();
        played.push_back(b->gameNumber());
    }
    EXPECT_EQ(played, (std::vector<int>{1, 2, 3, 4, 5, 1}));
    // Another process writes a place between two starts: the saver goes on from it.
    QThread::msleep(20); // so that the file's time tells the write apart
    SettingsStore(settings().fileName()).set(setting::LastGame, 3);
    QThread::msleep(20);
    a->startNextGame();
    EXPECT_EQ(a->gameNumber(), 4);

    // In random order two savers share one shuffle: together they show each game once.
    settings().write("Random", "1");
    a->setRandomSource([this] { return draw(); });
    b->setRandomSource([this] { return draw(); });
    std::set<int> seen;
    for (int i = 0; i < 5; ++i) {
        Saver& s = i % 2 ? *b : *a;
        s.startNextGame();
        EXPECT_TRUE(seen.insert(s.gameNumber()).second) << s.gameNumber();
    }
    EXPECT_EQ(seen.size(), 5u);
}

// The program as a process of its own, on a fresh account whose settings this test writes.
class ResumeProcess : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        QDir().mkpath(home.path() + "/config/Pawnwatch2");
        // Only the owner may use a runtime folder: Qt takes another one, shared with every
        // other saver of the machine, for one that others may read.
        QDir().mkpath(home.path() + "/run");
        QFile::setPermissions(home.path() + "/run",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString iniPath() const { return home.path() + "/config/Pawnwatch2/Pawnwatch2.ini"; }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_RUNTIME_DIR", home.path() + "/run");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

    // The stored value of a setting now, read as another process reads it.
    std::int64_t stored(const CountSetting& setting) const {
        return SettingsStore(iniPath()).count(setting);
    }

    // Runs the saver until it has stored a place that pleases done, then lets it play on for
    // playOn milliseconds and kills it (SIGKILL).
    bool runUntil(const std::function<bool()>& done, int playOn) {
        QProcess saver;
        saver.setProcessEnvironment(environment());
        saver.start(PW2_BIN_DIR "/pawnwatch2", {"/S"});
        if (!saver.waitForStarted())
            return false;
        QElapsedTimer clock;
        clock.start();
        bool reached = false;
        while (clock.elapsed() < 20000 && saver.state() == QProcess::Running) {
            if (done()) {
                reached = true;
                break;
            }
            QThread::msleep(20);
        }
        if (reached)
            saver.waitForFinished(playOn); // still running: it plays on, mid-game
        const bool wasRunning = saver.state() == QProcess::Running;
        saver.kill();
        saver.waitForFinished();
        EXPECT_TRUE(wasRunning) << saver.readAllStandardError().toStdString();
        return reached && wasRunning;
    }

    test::Sandbox box; // the program-wide services of this process, away from the user's
    QTemporaryDir home;
};

TEST_F(ResumeProcess, ASaverKilledMidGameGoesOnAfterThatGameAtTheNextStart) {
    {
        SettingsStore store(iniPath());
        storeMatch(store, home.path() + "/games.pgn", 6, 2);
        store.write("Timer", "0.3"); // a half-move every 0.3 s: a game lasts over a second
        store.write("Timer2", "5");
    }
    // The first saver starts game 2 and stores it at once; killed during the game, it leaves
    // LastGame 2 and the match as they were.
    ASSERT_TRUE(runUntil([&] { return stored(setting::LastGame) == 2; }, 500));
    EXPECT_EQ(stored(setting::LastGame), 2);
    {
        const SettingsStore store(iniPath());
        const std::optional<StoredMatch> match = StoredMatch::read(store);
        ASSERT_TRUE(match);
        EXPECT_EQ(match->count(), 6);
        EXPECT_EQ(match->pgnFile(), home.path() + "/games.pgn");
    }
    // The next saver plays game 3.
    ASSERT_TRUE(runUntil([&] { return stored(setting::LastGame) == 3; }, 300));
    EXPECT_EQ(stored(setting::LastGame), 3);

    // In random order: the first start of the shuffle, then, after the kill, its second game.
    SettingsStore(iniPath()).write("Random", "1");
    ASSERT_TRUE(runUntil([&] { return stored(setting::ShuffleStep) == 1; }, 500));
    const std::int64_t key = stored(setting::ShuffleKey);
    ASSERT_TRUE(shuffleKeyFits(key, 6));
    EXPECT_EQ(stored(setting::LastGame), std::int64_t(shuffledGame(std::uint64_t(key), 6, 0)));
    ASSERT_TRUE(runUntil([&] { return stored(setting::ShuffleStep) == 2; }, 300));
    EXPECT_EQ(stored(setting::ShuffleKey), key);
    EXPECT_EQ(stored(setting::LastGame), std::int64_t(shuffledGame(std::uint64_t(key), 6, 1)));
}

TEST_F(ResumeProcess, TwoSaversAtOnceLeaveAPlaceTheNextStartGoesOnFrom) {
    {
        SettingsStore store(iniPath());
        storeMatch(store, home.path() + "/games.pgn", 7, 1);
        store.write("Timer", "0.01"); // a game every few hundredths of a second
        store.write("Timer2", "0.01");
        store.write("Random", "1");
    }
    // Two savers at once (the second takes the instance marker and runs), each storing its place
    // at every game start for two seconds, then both killed.
    QProcess first;
    QProcess second;
    for (QProcess* p : {&first, &second}) {
        p->setProcessEnvironment(environment());
        p->start(PW2_BIN_DIR "/pawnwatch2", {"/S"});
        ASSERT_TRUE(p->waitForStarted());
        QThread::msleep(300);
    }
    QThread::msleep(2000);
    for (QProcess* p : {&first, &second}) {
        EXPECT_EQ(p->state(), QProcess::Running) << p->readAllStandardError().toStdString();
        p->kill();
        p->waitForFinished();
    }
    // The settings file holds every setting, and a place in the shuffle of the 7 games.
    SettingsStore store(iniPath());
    EXPECT_EQ(store.read("Timer", ""), "0.01");
    EXPECT_EQ(store.read("Random", ""), "1");
    const std::optional<StoredMatch> match = StoredMatch::read(store);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->count(), 7);
    EXPECT_EQ(match->pgnFile(), home.path() + "/games.pgn");
    const std::int64_t key = store.count(setting::ShuffleKey);
    const std::int64_t step = store.count(setting::ShuffleStep);
    ASSERT_TRUE(shuffleKeyFits(key, 7));
    ASSERT_GE(step, 1);
    ASSERT_LE(step, 7);
    const std::int64_t last = store.count(setting::LastGame);
    EXPECT_GE(last, 1);
    EXPECT_LE(last, 7);

    // The next start goes on from that place.
    setSettingsStore(std::make_unique<SettingsStore>(iniPath())); // the sandbox puts its own back
    GameScheduler scheduler;
    scheduler.startAtFirstGame();
    GameScheduler::NoGame noGame;
    ASSERT_TRUE(scheduler.nextGame(noGame).has_value());
    if (step < 7) {
        EXPECT_EQ(scheduler.gameNumber(),
                  std::int32_t(shuffledGame(std::uint64_t(key), 7, std::uint64_t(step))));
    }
    EXPECT_EQ(SettingsStore(iniPath()).count(setting::ShuffleStep), step < 7 ? step + 1 : 1);
}

} // namespace
} // namespace pw2
