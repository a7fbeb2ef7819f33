// The saver plays the file PGNFile names, whatever became of the stored match table: a damaged
// table, a table of another file or of an earlier version, a hand-set PGNFile, a file changed
// since, or a store killed part-way are each followed by a start that plays the user's file
// (indexing it again, and storing the new table) and leaves PGNFile as the user wrote it. Only a
// missing file, or one without games, plays the bundled games.
#include "pgn/game_spans.h"
#include "playback/game_scheduler.h"
#include "services/match_table.h"
#include "services/settings_store.h"
#include "support/doubles.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pw2 {
namespace {

// n short games, "<name> 1" to "<name> n"; the first one's comments hold an "[Event " that starts
// no game (the earlier rule started one there).
std::string gamesText(const std::string& name, int n) {
    std::string text;
    for (int k = 1; k <= n; ++k) {
        text += "[Event \"" + name + " " + std::to_string(k) + "\"]\n\n1. e4 e5 ";
        if (k == 1)
            text += "{ see [Event \"x\"] } ; [Event \"y\"]\n";
        text += "2. Nf3 Nc6 *\n\n";
    }
    return text;
}

void writeBytes(const QString& path, const std::string& bytes) {
    std::ofstream(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::trunc)
        << bytes;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class MatchRecovery : public ::testing::Test {
protected:
    MatchRecovery() {
        writeBytes(box.path("default.pgn"), gamesText("Bundled", 2));
        writeBytes(games, gamesText("Mine", 4));
        writeBytes(other, gamesText("Other", 3));
        const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(gamesText("Mine", 4));
        replaceMatchTable(settings(), games, spans, 4, 0);
    }

    // A fresh scheduler's first game (its first line), as a new saver process starts it.
    std::string start(const GameScheduler::NoGame& expected = {}) {
        GameScheduler scheduler;
        scheduler.startAtFirstGame();
        GameScheduler::NoGame noGame;
        const std::optional<GameScheduler::Game> game = scheduler.nextGame(noGame);
        EXPECT_EQ(noGame.gameFileMissing, expected.gameFileMissing);
        if (!game)
            return {};
        played = game->path;
        return game->text.substr(0, game->text.find('\n'));
    }

    std::string tableBytes() { return readBytes(matchTablePath(settings())); }
    void setTable(const std::string& bytes) {
        writeBytes(QString::fromStdString(matchTablePath(settings())), bytes);
    }

    test::Sandbox box;
    const QString games = box.path("games.pgn");
    const QString other = box.path("other.pgn");
    QString played;
};

// The table-damage cases of the report, each followed by a start.
TEST_F(MatchRecovery, ADamagedOrForeignTableHasTheUsersFileIndexedAgainAndPlayed) {
    const std::string good = tableBytes();
    auto withByte = [&](std::size_t at, char value) {
        std::string bytes = good;
        bytes[at] = value;
        return bytes;
    };
    // The earlier version's table: no size and fingerprint, and games cut where an "[Event "
    // stands, in comments too (six games where there are four).
    const std::string mine = gamesText("Mine", 4);
    const std::string path = QFile::encodeName(games).toStdString();
    std::vector<pgn::GameSpan> oldRule;
    for (std::size_t at = mine.find(pgn::kGameStart); at != std::string::npos;) {
        const std::size_t next = mine.find(pgn::kGameStart, at + 1);
        oldRule.push_back({std::int64_t(at) + 1,
                           std::int64_t(next == std::string::npos ? mine.size() + 1 : next)});
        at = next;
    }
    ASSERT_EQ(oldRule.size(), 6u);
    auto little = [](std::uint64_t value, int size) {
        std::string bytes;
        for (int i = 0; i < size; ++i)
            bytes.push_back(char((value >> (8 * i)) & 0xFF));
        return bytes;
    };
    std::string earlier =
        "PW2MATCH" + little(1, 4) + little(path.size(), 4) + little(oldRule.size(), 8) + path;
    for (const pgn::GameSpan& span : oldRule)
        earlier += little(std::uint64_t(span.begin), 8) + little(std::uint64_t(span.end), 8);
    const struct {
        const char* what;
        std::function<void()> damage;
    } cases[] = {
        {"table cut by 8 bytes", [&] { setTable(good.substr(0, good.size() - 8)); }},
        {"table with an extra record", [&] { setTable(good + std::string(16, '\0')); }},
        {"table of another version", [&] { setTable(withByte(8, 9)); }},
        {"table with a huge game count", [&] { setTable(withByte(23, 0x10)); }},
        {"table empty", [&] { setTable(""); }},
        {"table gone", [&] { QFile::remove(QString::fromStdString(matchTablePath(settings()))); }},
        {"table of the earlier version", [&] { setTable(earlier); }},
        {"table of another file (a store killed before the settings file)",
         [&] {
             replaceMatchTable(settings(), other, pgn::findGameSpans(gamesText("Other", 3)), 3, 0);
             settings().write("PGNFile", games);
         }},
        {"the file changed since (a game put first)",
         [&] { writeBytes(games, gamesText("Mine", 1) + gamesText("Mine", 4)); }},
        {"the file changed in the same size",
         [&] {
             std::string text = gamesText("Mine", 4);
             std::swap(text[text.find("Mine 2") - 8], text[text.find("Mine 2") - 9]);
             writeBytes(games, text);
         }},
        {"ranges that miss the games (a change the fingerprint does not see)",
         [&] {
             std::vector<pgn::GameSpan> shifted = pgn::findGameSpans(mine);
             for (pgn::GameSpan& span : shifted)
                 span = {span.begin + 1, span.end + 1};
             ASSERT_TRUE(writeMatchTable(matchTablePath(settings()), path,
                                         *readPgnFileIdentity(path), shifted, 4));
         }},
    };
    for (const auto& c : cases) {
        writeBytes(games, gamesText("Mine", 4));
        replaceMatchTable(settings(), games, pgn::findGameSpans(gamesText("Mine", 4)), 4, 0);
        c.damage();
        EXPECT_EQ(start(), "[Event \"Mine 1\"]") << c.what;
        EXPECT_EQ(played, games) << c.what;
        EXPECT_EQ(settings().read("PGNFile", ""), games) << c.what;
        const std::optional<StoredMatch> table = StoredMatch::read(settings());
        ASSERT_TRUE(table) << c.what;
        EXPECT_EQ(table->count(),
                  std::int64_t(pgn::findGameSpans(readBytes(games.toStdString())).size()))
            << c.what;
        EXPECT_TRUE(box.messages->shown.empty()) << c.what;
    }
}

TEST_F(MatchRecovery, AHandSetPgnFileIsPlayedAndKeptAsWritten) {
    settings().write("Continue", "0"); // each start at the first game
    for (const QString& written : {other, " " + other + " "}) {
        settings().write("PGNFile", written);
        EXPECT_EQ(start(), "[Event \"Other 1\"]");
        EXPECT_EQ(settings().read("PGNFile", ""), written);
        EXPECT_EQ(settings().read("NumOfGames", ""), "3");
        ASSERT_TRUE(StoredMatch::read(settings()));
    }
    EXPECT_TRUE(box.messages->shown.empty());
}

// The bundled games only for a missing file (with the message, once) or one without games, and
// the setting stays as the user wrote it.
TEST_F(MatchRecovery, TheBundledGamesOnlyForAMissingFileOrOneWithoutGames) {
    settings().write("LastGame", "2"); // the user's place, kept while the bundled games stand in
    writeBytes(games, "no games in here\n");
    EXPECT_EQ(start(), "[Event \"Bundled 1\"]");
    EXPECT_TRUE(box.messages->shown.empty());
    QFile::remove(games);
    EXPECT_EQ(start(), "[Event \"Bundled 1\"]");
    EXPECT_EQ(box.messageTexts(),
              std::vector<QString>{"The specfied PGN file is not found, Loading Default"});
    EXPECT_EQ(settings().read("PGNFile", ""), games);
    // Back again: the user's file plays on from the user's place.
    writeBytes(games, gamesText("Mine", 4));
    EXPECT_EQ(start(), "[Event \"Mine 3\"]");
}

// A large file is indexed in the background: the first call says so at once, and the game comes
// once the index is handed back through the event loop.
TEST_F(MatchRecovery, ALargeFileIsIndexedInTheBackground) {
    settings().write("PGNFile", other);
    GameScheduler scheduler;
    scheduler.setIndexAtOnceLimit(0);
    int ready = 0;
    scheduler.setIndexReady([&] { ++ready; });
    GameScheduler::NoGame noGame;
    EXPECT_FALSE(scheduler.nextGame(noGame));
    EXPECT_TRUE(noGame.indexing);
    EXPECT_FALSE(noGame.gameFileMissing);
    ASSERT_TRUE(test::waitUntil([&] { return ready == 1; }, 5000));
    const std::optional<GameScheduler::Game> game = scheduler.nextGame(noGame);
    ASSERT_TRUE(game);
    EXPECT_TRUE(game->text.starts_with("[Event \"Other 1\"]"));
    EXPECT_TRUE(StoredMatch::read(settings()));
    // A scheduler that ends while its worker runs stops it.
    settings().write("PGNFile", games);
    QFile::remove(QString::fromStdString(matchTablePath(settings())));
    {
        GameScheduler quitting;
        quitting.setIndexAtOnceLimit(0);
        quitting.setIndexReady([&] { ++ready; });
        EXPECT_FALSE(quitting.nextGame(noGame));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ready, 1);
}

// A setup dialog killed (SIGKILL) at several points of a store that changes the match to another
// file: the next start plays the file the settings name, with the right ranges, and removes what
// the killed store left beside the table.
TEST_F(MatchRecovery, AStoreKilledAtAnyPointIsFollowedByAStartThatPlaysTheStoredFile) {
    std::string big;
    for (int k = 1; k <= 40000; ++k)
        big += "[Event \"Other " + std::to_string(k) + "\"]\n1. e4 *\n\n";
    writeBytes(other, big);
    const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(big);
    const QFileInfo table(QString::fromStdString(matchTablePath(settings())));
    for (const int delayUs : {0, 300, 1000, 3000, 10000, 30000}) {
        replaceMatchTable(settings(), games, pgn::findGameSpans(gamesText("Mine", 4)), 4, 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                replaceMatchTable(settings(), other, spans, std::int32_t(spans.size()), 0);
        }
        ::usleep(useconds_t(delayUs));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QString named = settings().read("PGNFile", "");
        const std::string first = start();
        EXPECT_EQ(played, named) << delayUs;
        EXPECT_EQ(first, named == games ? "[Event \"Mine 1\"]" : "[Event \"Other 1\"]") << delayUs;
        EXPECT_EQ(table.dir().entryList({table.fileName() + ".*"}, QDir::Files), QStringList{})
            << delayUs;
    }
}

} // namespace
} // namespace pw2
