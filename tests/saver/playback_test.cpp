// The game scheduler and the move player, on the real board control, with scripted message boxes
// and a settings store in a temporary folder.
#include "saver/saver_window.h"
#include "services/file_bytes.h"
#include "services/match_table.h"
#include "support/doubles.h"
#include "support/saver_parts.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <optional>
#include <vantrelkit/vantrelkit.h>

namespace pw2 {
namespace {

using test::label;
using test::moveList;
using test::timer;

using vantrelkit::none;

const char kThreeGames[] = "[Event \"First\"]\n[Date \"2001.01.01\"]\n[White \"Alpha\"]\n"
                           "[Black \"Beta\"]\n\n1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6 4. Qxf7# 1-0\n\n"
                           "[Event \"Second\"]\n[White \"Gamma\"]\n[Black \"Delta\"]\n\n"
                           "1. d4 d5 2. c4 *\n\n"
                           "[Event \"Third\"]\n[White \"Eps\"]\n[Black \"Zeta\"]\n\n"
                           "1. Nf3 Nf6 1/2-1/2"; // no line break at the end of the file

class Playback : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile("games.pgn", kThreeGames);
        saver.reset(Saver::create(ScreenMetrics{QSize(800, 600), 15, QPoint()}));
        ASSERT_NE(saver, nullptr) << "board control missing";
    }

    void writeFile(const QString& name, const std::string& bytes) {
        QFile f(box.path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), qint64(bytes.size()));
    }

    // Configures a match over games.pgn as the setup dialog stores it.
    void configureMatch(int firstGame = 1) {
        auto& s = settings();
        s.write("PGNFile", box.path("games.pgn"));
        const std::string text = kThreeGames;
        std::vector<std::int64_t> starts;
        for (auto p = text.find("[Event "); p != std::string::npos; p = text.find("[Event ", p + 1))
            starts.push_back(std::int64_t(p) + 1);
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const std::int64_t end =
                i + 1 < starts.size() ? starts[i + 1] - 1 : std::int64_t(text.size()) + 1;
            s.write(QString("MatchBegin%1").arg(i + 1), QString::number(starts[i]));
            s.write(QString("MatchEnd%1").arg(i + 1), QString::number(end));
        }
        s.write("NumOfGames", QString::number(starts.size()));
        s.write("FirstGame", QString::number(firstGame));
        // The dialog's OK also resets the place where the saver stopped.
        s.write("LastGame", "0");
        s.write("ShuffleKey", "0");
        s.write("ShuffleStep", "0");
        reload();
    }

    // A fresh window reads the display settings and "FirstGame" again.
    void reload() {
        saver.reset(Saver::create(ScreenMetrics{QSize(800, 600), 15, QPoint()}));
        ASSERT_NE(saver, nullptr);
    }

    // Ticks the move player until the game is over (the scheduler's timer takes over).
    int playToEnd(int limit = 500) {
        int ticks = 0;
        while (timer(*saver, "moveTimer")->isEnabled() && ticks < limit) {
            saver->playNextHalfMove();
            ++ticks;
        }
        return ticks;
    }

    std::int32_t piece(int col, int row) {
        return saver->board().piece(std::int16_t(col), std::int16_t(row));
    }

    test::Sandbox box;
    std::unique_ptr<Saver> saver;
};

TEST_F(Playback, SequentialOrderWrapsAroundTheMatch) {
    configureMatch(2);
    std::vector<int> played;
    for (int i = 0; i < 5; ++i) {
        saver->startNextGame();
        played.push_back(saver->gameNumber());
    }
    EXPECT_EQ(played, (std::vector<int>{2, 3, 1, 2, 3}));
}

TEST_F(Playback, FirstGameBeyondTheMatchWrapsToTheFirstGame) {
    configureMatch(7);
    saver->startNextGame();
    EXPECT_EQ(saver->gameNumber(), 1);
    // The user's file and match table are kept.
    EXPECT_EQ(settings().read("PGNFile", ""), box.path("games.pgn"));
    EXPECT_EQ(settings().read("NumOfGames", ""), "3");
    EXPECT_EQ(label(*saver, "eventLabel")->text(), "[Event \"First\"]");
    EXPECT_TRUE(box.messages->shown.empty());
}

TEST_F(Playback, AFirstGameOrCountThatNamesNoStoredGamePlaysAGameThatExists) {
    // A first game below 1, or one that a garbage settings value turned into 0, starts with
    // game 1 of the match instead of opening the setup dialog.
    for (const char* firstGame : {"0", "-5", "garbage"}) {
        configureMatch();
        settings().write("FirstGame", firstGame);
        reload();
        saver->startNextGame();
        EXPECT_EQ(saver->gameNumber(), 1) << firstGame;
        EXPECT_EQ(label(*saver, "eventLabel")->text(), "[Event \"First\"]") << firstGame;
        EXPECT_TRUE(timer(*saver, "moveTimer")->isEnabled()) << firstGame;
    }
    // A game count in the settings far beyond the file's games: random order draws among the
    // games the file holds, and the user's file stays configured.
    settings().write("Random", "1");
    settings().write("Continue", "0");
    settings().write("NumOfGames", "1e30");
    saver->setRandomSource([] { return 0.7; });
    saver->startNextGame();
    EXPECT_EQ(saver->gameNumber(), 3);
    EXPECT_EQ(label(*saver, "eventLabel")->text(), "[Event \"Third\"]");
    EXPECT_EQ(settings().read("PGNFile", ""), box.path("games.pgn"));
    EXPECT_TRUE(box.messages->shown.empty());
}

TEST_F(Playback, RandomOrderPicksFromTheWholeMatch) {
    configureMatch();
    settings().write("Random", "1");
    settings().write("FairShuffle", "0"); // the fair shuffle: resume_test.cpp
    std::vector<double> draws = {0.0, 0.999, 0.5};
    std::size_t next = 0;
    saver->setRandomSource([&] { return draws[next++ % draws.size()]; });
    std::vector<int> played;
    for (int i = 0; i < 3; ++i) {
        saver->startNextGame();
        played.push_back(saver->gameNumber());
    }
    EXPECT_EQ(played, (std::vector<int>{1, 3, 2}));
}

TEST_F(Playback, LoadsTheGameHeaderAndMoveList) {
    configureMatch();
    saver->startNextGame();
    EXPECT_EQ(label(*saver, "eventLabel")->text(), "[Event \"First\"]");
    EXPECT_EQ(label(*saver, "dateLabel")->text(), "[Date \"2001.01.01\"]");
    EXPECT_EQ(label(*saver, "whiteLabel")->text(), "[White \"Alpha\"]");
    EXPECT_EQ(label(*saver, "blackLabel")->text(), "[Black \"Beta\"]");
    ASSERT_EQ(saver->player().moveList().size(), 4u);
    EXPECT_EQ(saver->player().moveList()[0], "1. e4            e5");
    EXPECT_EQ(saver->player().gameResult(), "1-0");
    EXPECT_TRUE(timer(*saver, "moveTimer")->isEnabled());
    EXPECT_FALSE(timer(*saver, "gameTimer")->isEnabled());
    EXPECT_EQ(timer(*saver, "gameTimer")->interval(), 10000);
    EXPECT_EQ(timer(*saver, "moveTimer")->interval(), 2000);
}

TEST_F(Playback, TagsMissingOrUnclosedLeaveLabelsEmpty) {
    writeFile("games.pgn", "[Event \"Only\"]\n[White \"Open\n\n1. e4 e5 *\n");
    settings().write("PGNFile", box.path("games.pgn"));
    settings().write("MatchBegin1", "1");
    settings().write("MatchEnd1", "100");
    settings().write("NumOfGames", "1");
    saver->startNextGame();
    EXPECT_EQ(label(*saver, "eventLabel")->text(), "[Event \"Only\"]");
    EXPECT_EQ(label(*saver, "blackLabel")->text(), ""); // no Black tag
    EXPECT_EQ(label(*saver, "dateLabel")->text(), "");  // no Date tag
}

TEST_F(Playback, PlaysAWholeGameTickByTick) {
    configureMatch();
    saver->startNextGame();
    const MoveListPanel* list = moveList(*saver);
    const auto rows = [&] {
        std::vector<QString> out;
        for (int r = 0; r < list->rowCount(); ++r)
            out.push_back(list->rowText(r));
        return out;
    };
    // Each side's move is shown when it is played, never before: White's alone in its row.
    saver->playNextHalfMove();
    EXPECT_EQ(piece(5, 5), vantrelkit::Wpawn);
    EXPECT_EQ(piece(5, 7), none);
    EXPECT_EQ(label(*saver, "currentMoveLabel")->text(), "1. e4");
    EXPECT_EQ(rows(), std::vector<QString>{"1. e4"});
    EXPECT_TRUE(list->markedWhite());
    saver->playNextHalfMove(); // Black
    EXPECT_EQ(piece(5, 4), vantrelkit::Bpawn);
    EXPECT_EQ(saver->player().moveIndex(), 1);
    EXPECT_EQ(label(*saver, "currentMoveLabel")->text(), "1... e5");
    EXPECT_EQ(rows(), std::vector<QString>{"1. e4 e5"});
    EXPECT_FALSE(list->markedWhite());

    for (int i = 0; i < 4; ++i)
        saver->playNextHalfMove();
    saver->playNextHalfMove(); // 4. Qxf7#
    EXPECT_EQ(piece(6, 2), vantrelkit::WQueen);
    EXPECT_EQ(label(*saver, "statusLabel")->text(), "Checkmate");
    EXPECT_EQ(label(*saver, "currentMoveLabel")->text(), "4. Qxf7#");
    // The result in Black's column is the result, in the status: never a move.
    saver->playNextHalfMove();
    EXPECT_EQ(label(*saver, "statusLabel")->text(), "White wins");
    EXPECT_EQ(label(*saver, "currentMoveLabel")->text(), "4. Qxf7#");
    EXPECT_EQ(rows().back(), "4. Qxf7#");
    EXPECT_TRUE(list->markedWhite());
    EXPECT_EQ(saver->player().moveIndex(), 4);
    saver->playNextHalfMove(); // the list is exhausted
    EXPECT_FALSE(timer(*saver, "moveTimer")->isEnabled());
    EXPECT_TRUE(timer(*saver, "gameTimer")->isEnabled());
    EXPECT_EQ(label(*saver, "statusLabel")->text(), "White wins");
    // The summary names the mate the board shows.
    EXPECT_EQ(label(*saver, "captionLabel")->text(),
              QString::fromUtf8("1-0 \u00b7 Checkmate \u00b7 4 moves"));
    EXPECT_TRUE(box.messages->shown.empty());
}

TEST_F(Playback, UnfinishedGameShowsItsWordingAndMatchFinishedOnlyWhenEmpty) {
    configureMatch(2);
    saver->startNextGame();
    EXPECT_EQ(playToEnd(), 5);
    EXPECT_EQ(label(*saver, "statusLabel")->text(), "Game was not completed");

    // A game without moves ends on its first tick; "*" is no result, and the status says that
    // the match finished...
    writeFile("empty.pgn", "[Event \"Empty\"]\n\nno moves *\n");
    settings().write("PGNFile", box.path("empty.pgn"));
    settings().write("MatchBegin1", "1");
    settings().write("MatchEnd1", "100");
    settings().write("NumOfGames", "1");
    saver->startNextGame();
    EXPECT_TRUE(saver->player().moveList().empty());
    EXPECT_EQ(saver->player().gameResult(), "*");
    saver->playNextHalfMove();
    EXPECT_EQ(label(*saver, "statusLabel")->text(), "Match finished or stopped")
        << "a game starts with an empty status";
    EXPECT_TRUE(timer(*saver, "gameTimer")->isEnabled());

    // The same on a fresh saver.
    reload();
    saver->startNextGame();
    saver->playNextHalfMove();
    EXPECT_EQ(label(*saver, "statusLabel")->text(), "Match finished or stopped");
}

TEST_F(Playback, AGameThatEndsOnWhitesMoveWithoutAResultEndsNormally) {
    for (const char* ending : {"", "\n"}) {
        writeFile("cut.pgn", std::string("[Event \"Cut\"]\n1. e4 e5 2. Nf3") + ending);
        settings().write("PGNFile", box.path("cut.pgn"));
        settings().write("MatchBegin1", "1");
        settings().write("MatchEnd1", "100");
        settings().write("NumOfGames", "1");
        saver->startNextGame();
        playToEnd();
        EXPECT_EQ(piece(6, 6), vantrelkit::Wknight) << "Nf3 was played";
        EXPECT_EQ(piece(5, 4), vantrelkit::Bpawn);
        EXPECT_TRUE(timer(*saver, "gameTimer")->isEnabled()); // on to the next game
        EXPECT_EQ(label(*saver, "statusLabel")->text(), "Match finished or stopped");
        EXPECT_TRUE(box.messages->shown.empty());
        EXPECT_TRUE(box.endRequests.empty());
    }
}

TEST_F(Playback, TheLastGameKeepsItsFinalCharacters) {
    configureMatch(3);
    saver->startNextGame();
    EXPECT_EQ(saver->player().gameResult(), "1/2-1/2");
    playToEnd();
    EXPECT_EQ(label(*saver, "statusLabel")->text(), "Drawn game");
}

TEST_F(Playback, TheMoveListKeepsItsNewestRowInView) {
    std::string moves = "[Event \"Long\"]\n\n";
    for (int n = 1; n <= 60; ++n)
        moves += std::to_string(n) + (n % 2 ? ". Nf3 Nf6 " : ". Ng1 Ng8 ");
    moves += "*\n";
    writeFile("games.pgn", moves);
    settings().write("PGNFile", box.path("games.pgn"));
    settings().write("MatchBegin1", "1");
    settings().write("MatchEnd1", QString::number(moves.size() + 1));
    settings().write("NumOfGames", "1");
    saver->startNextGame();
    const MoveListPanel* list = moveList(*saver);
    playToEnd();
    EXPECT_EQ(list->rowCount(), 60);
    EXPECT_EQ(list->rowText(59), "60. Ng1 Ng8");
    EXPECT_LT(list->visibleRows(), 60);
    EXPECT_EQ(list->firstShownRow(), 60 - list->visibleRows());
    EXPECT_LE(list->visibleRows() * list->lineHeight(), list->height());
}

TEST_F(Playback, IllegalMoveSkipsToTheNextGameWithoutSkippingItsFirstMove) {
    const std::string text = "[Event \"Bad\"]\n\n1. e4 Ke4 2. d4 d5 *\n"
                             "[Event \"Good\"]\n\n1. d4 d5 *\n";
    writeFile("games.pgn", text);
    const auto second = std::int64_t(text.find("[Event \"Good")) + 1;
    auto& s = settings();
    s.write("PGNFile", box.path("games.pgn"));
    s.write("MatchBegin1", "1");
    s.write("MatchEnd1", QString::number(second - 1));
    s.write("MatchBegin2", QString::number(second));
    s.write("MatchEnd2", QString::number(text.size() + 1));
    s.write("NumOfGames", "2");
    reload();
    saver->startNextGame();
    saver->playNextHalfMove();
    saver->playNextHalfMove(); // Black's Ke4 cannot be played: the next game is loaded at once
    ASSERT_EQ(box.messages->shown.size(), 1u);
    EXPECT_EQ(box.messages->shown[0].text, "Illegal move");
    EXPECT_EQ(saver->gameNumber(), 2);
    EXPECT_EQ(saver->player().moveIndex(), 0);
    saver->playNextHalfMove();
    EXPECT_EQ(piece(4, 5), vantrelkit::Wpawn); // 1. d4 of the second game
    saver->playNextHalfMove();
    EXPECT_EQ(piece(4, 4), vantrelkit::Bpawn);
}

TEST_F(Playback, NoSettingsFallsBackToTheDefaultFile) {
    writeFile("default.pgn", kThreeGames);
    saver->startNextGame();
    EXPECT_EQ(saver->gameNumber(), 1);
    EXPECT_EQ(settings().read("PGNFile", ""), box.path("default.pgn"));
    EXPECT_EQ(settings().read("NumOfGames", ""), "3");
    const std::string text = kThreeGames;
    const std::optional<StoredMatch> match = StoredMatch::read(settings());
    ASSERT_TRUE(match);
    EXPECT_EQ(match->range(2).begin, std::int64_t(text.find("[Event \"Second") + 1));
    EXPECT_EQ(match->range(3).end, std::int64_t(text.size() + 1));
    EXPECT_EQ(label(*saver, "eventLabel")->text(), "[Event \"First\"]");
    EXPECT_TRUE(box.messages->shown.empty());
}

TEST_F(Playback, MissingConfiguredFilePlaysTheDefaultFilesFirstGame) {
    writeFile("default.pgn", kThreeGames);
    configureMatch(2);
    QFile::remove(box.path("games.pgn"));
    saver->startNextGame();
    ASSERT_EQ(box.messageTexts(),
              std::vector<QString>{"The specfied PGN file is not found, Loading Default"});
    EXPECT_EQ(label(*saver, "eventLabel")->text(), "[Event \"First\"]");
    EXPECT_EQ(saver->player().moveList().size(), 4u);
    EXPECT_EQ(settings().read("PGNFile", ""), box.path("games.pgn")); // unchanged
}

TEST_F(Playback, NoFileAtAllOpensTheSetupDialog) {
    configureMatch();
    QFile::remove(box.path("games.pgn"));
    saver->showSaver();
    hidePointer();
    std::optional<bool> setupAsked;
    QObject::connect(saver.get(), &Saver::setupRequested,
                     [&](bool gameFileMissing) { setupAsked = gameFileMissing; });
    saver->startNextGame();
    EXPECT_EQ(box.messageTexts(),
              (std::vector<QString>{"The specfied PGN file is not found, Loading Default",
                                    "Default File Not found, please specify a PGN file"}));
    EXPECT_EQ(setupAsked, std::optional<bool>(true));
    EXPECT_FALSE(pointerHidden());
    EXPECT_FALSE(saver->isVisible());
    EXPECT_FALSE(timer(*saver, "moveTimer")->isEnabled());
    EXPECT_FALSE(timer(*saver, "gameTimer")->isEnabled());
}

TEST_F(Playback, DefaultFileWithoutTheGameOpensTheSetupDialogWithoutLoading) {
    writeFile("default.pgn", "no games in here\n");
    saver->showSaver();
    saver->startNextGame();
    EXPECT_FALSE(saver->isVisible());
    EXPECT_FALSE(timer(*saver, "moveTimer")->isEnabled());
    EXPECT_TRUE(saver->player().moveList().empty());
    EXPECT_TRUE(box.messages->shown.empty());
}

TEST_F(Playback, AHugeTagOrMoveIsShownCutShort) {
    // Megabytes in one tag and in one move: the labels and the move list show the start only,
    // and the game goes on as before.
    const std::string huge(4'000'000, 'x');
    writeFile("huge.pgn", "[Event \"" + huge + "\"]\n[White \"W\"]\n1. " + huge + " e5 2. e4 *\n");
    settings().write("PGNFile", box.path("huge.pgn"));
    settings().write("MatchBegin1", "1");
    settings().write("MatchEnd1", "9000000");
    settings().write("NumOfGames", "1");
    saver->startNextGame();
    EXPECT_EQ(label(*saver, "eventLabel")->text().size(), 512);
    EXPECT_EQ(label(*saver, "whiteLabel")->text(), "[White \"W\"]");
    ASSERT_EQ(saver->player().moveList().size(), 2u);
    saver->playNextHalfMove(); // prints the first entry into the move list
    EXPECT_EQ(label(*saver, "currentMoveLabel")->text().size(), 512);
}

TEST_F(Playback, ADeviceIsNeverReadAsAGameFile) {
    // /dev/zero would be read for ever; the game is empty and play goes on.
    configureMatch();
    settings().write("PGNFile", "/dev/zero");
    saver->startNextGame();
    EXPECT_TRUE(saver->player().moveList().empty());
    std::string bytes;
    QString reason;
    EXPECT_FALSE(readFileBytes("/dev/zero", bytes, &reason));
    EXPECT_EQ(reason, "it is not a regular file");
    EXPECT_TRUE(readFileRange("/dev/zero", 1, 1000).empty());
}

void send(Saver& saver, QEvent&& event) {
    QCoreApplication::sendEvent(&saver, &event);
}

QMouseEvent mouseMove(QPointF global) {
    return QMouseEvent(QEvent::MouseMove, global, global, Qt::NoButton, Qt::NoButton,
                       Qt::NoModifier);
}

TEST_F(Playback, InputEndsTheSaver) {
    send(*saver, QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier));
    EXPECT_TRUE(box.endRequests.empty()); // a key without a character
    send(*saver, QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b"));
    EXPECT_EQ(box.endRequests.size(), 1u);
    send(*saver, QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                             Qt::LeftButton, Qt::NoModifier));
    EXPECT_EQ(box.endRequests.size(), 2u);
}

TEST_F(Playback, FirstMouseMoveOnlyRecordsThePosition) {
    send(*saver, mouseMove(QPointF(0, 0))); // at the top-left corner
    send(*saver, mouseMove(QPointF(0, 0)));
    EXPECT_TRUE(box.endRequests.empty());
    send(*saver, mouseMove(QPointF(0, 1))); // along the left edge
    EXPECT_EQ(box.endRequests.size(), 1u);
}

TEST_F(Playback, DisplaySettingsApplyAtLoad) {
    settings().write("TextColor", "255");
    settings().write("MoveList", "0");
    settings().write("Timer", "1.5");
    reload();
    EXPECT_EQ(label(*saver, "eventLabel")->palette().color(QPalette::WindowText),
              QColor(255, 0, 0));
    EXPECT_EQ(label(*saver, "fileLabel_a")->palette().color(QPalette::WindowText),
              QColor(Qt::white));
    EXPECT_FALSE(moveList(*saver)->isVisibleTo(saver.get()));
    EXPECT_FALSE(label(*saver, "moveListTitle")->isVisibleTo(saver.get()));
    EXPECT_EQ(timer(*saver, "moveTimer")->interval(), 1500);
    settings().write("Timer2", "0");
    saver->startNextGame();
    EXPECT_FALSE(timer(*saver, "gameTimer")->isRunning()); // an interval of 0 never fires
}

} // namespace
} // namespace pw2
