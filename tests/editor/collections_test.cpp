// Every game of four real collections (tests/data/collections/) taken through Edit Game and Save:
// saved unchanged, the file is the same bytes; saved with one tag changed, only that tag's line
// differs; and the game written anew from the editor's moves replays as the file's game does.
#include "editor_fixture.h"
#include "pgn/board_fixture.h"
#include "pgnfile/edit_game.h"
#include "pgnfile/game_writer.h"
#include "playback/game_player.h"

#include <QTemporaryDir>
#include <QTest>

namespace pw2 {
namespace {

// What pawnwatch2-check reports for a game.
struct CheckLine {
    bool ok = false;
    long halfMoves = 0;
    std::string placement;
    std::string message;
    friend bool operator==(const CheckLine&, const CheckLine&) = default;
};

std::ostream& operator<<(std::ostream& out, const CheckLine& line) {
    return out << (line.ok ? "ok " : "fail ") << line.halfMoves << ' ' << line.placement << ' '
               << line.message;
}

class Collections : public test::BoardTest, public test::EditorHarness {
protected:
    CheckLine check(std::string_view game) {
        host = {};
        board().newGame();
        GamePlayer player;
        player.load(game, host);
        CheckLine line;
        line.halfMoves = player.playToEnd(board(), host).halfMoves;
        line.ok = host.messages.empty();
        if (!line.ok)
            line.message = host.messages.front().text;
        line.placement = placement();
        return line;
    }

    // The one line where two texts differ, in each of them; false when they differ in more than
    // one line or not at all.
    static bool oneLineDiffers(std::string_view a, std::string_view b, std::string_view& lineA,
                               std::string_view& lineB) {
        std::size_t head = 0;
        while (head < a.size() && head < b.size() && a[head] == b[head])
            ++head;
        if (head == a.size() && head == b.size())
            return false;
        std::size_t tail = 0;
        while (tail < std::min(a.size(), b.size()) - head &&
               a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
            ++tail;
        const std::size_t from = head == 0 ? 0 : a.rfind('\n', head - 1) + 1;
        const auto lineEnd = [&](std::string_view text) {
            return std::min(text.find_first_of("\r\n", head), text.size());
        };
        lineA = a.substr(from, lineEnd(a) - from);
        lineB = b.substr(from, lineEnd(b) - from);
        return a.size() - tail <= lineEnd(a) && b.size() - tail <= lineEnd(b);
    }

    struct Counts {
        std::size_t games = 0;
        std::size_t noMoves = 0;
        std::size_t identical = 0;
        std::size_t oneLine = 0;
        std::size_t sameCheck = 0;
    };

    // Edit Game on each game of text, in file, then Save As into the same file (nothing
    // changed), then a letter typed into the Event field and Save; the file is written back as it
    // was after each game.
    void roundTrips(const QString& file, const std::string& text, Counts& counts) {
        test::writeBytes(file, text);
        auto d = openDialog();
        listFile(*d, file);
        const auto spans = pgn::findGameSpans(text);
        ASSERT_EQ(std::size_t(d->listCount()), spans.size());
        const test::ConfigView c(*d);
        for (std::size_t row = 0; row < spans.size(); ++row) {
            SCOPED_TRACE(counts.games + 1);
            ++counts.games;
            c.select(int(row));
            c.editGame->click();
            frmEdit* e = d->editor();
            ASSERT_NE(e, nullptr);
            const test::EditorView v(*e);
            ASSERT_FALSE(v.save->isEnabled());
            scripted.dialogs->files = {file};
            if (v.moveList->count() == 0) {
                // A game of a result and no move cannot be saved: the file stays as it is.
                box.messages->shown.clear();
                v.saveAs->click();
                EXPECT_EQ(shown(), std::vector<QString>{
                                       "There are no moves in this game, it can't be saved"});
                EXPECT_EQ(test::readBytes(file), text);
                ++counts.noMoves;
                continue;
            }
            v.saveAs->click();
            counts.identical += test::readBytes(file) == text;

            const std::string_view game = pgn::gameText(text, spans[row]);
            const GameLayout layout = readLayout(game);
            const TagPair* event = findTagPair(layout, "Event");
            ASSERT_NE(event, nullptr);
            QTest::keyClick(v.event, Qt::Key_End);
            QTest::keyClicks(v.event, "!");
            ASSERT_TRUE(v.save->isEnabled());
            v.save->click();
            const std::string now = test::readBytes(file);
            std::string_view was;
            std::string_view is;
            if (oneLineDiffers(text, now, was, is) && was.starts_with("[Event ") &&
                is == "[Event \"" + escapeTagValue(event->value + "!") + "\"]")
                ++counts.oneLine;
            else
                ADD_FAILURE() << std::string(was) << " became " << std::string(is);
            test::writeBytes(file, text);

            // The movetext written anew from the editor's moves.
            test::RecordingHost quiet;
            const std::string eol(lineEnding(game, "", ""));
            const std::string movetext = writeMovetext(editorMoves(game, quiet).moves, eol);
            const std::string written = rewriteGame(game, {}, &movetext, eol);
            const CheckLine before = check(game);
            const CheckLine after = check(written);
            counts.sameCheck += before == after;
            EXPECT_EQ(after, before) << written;
        }
    }

    // Every game of the collection, in files of 16 games cut from it (so that the bytes around
    // each game are the collection's own, and a save does not rewrite the whole collection).
    void roundTrips(const char* name, std::size_t games) {
        SCOPED_TRACE(name);
        const std::string all = test::readBytes(QString(PW2_TEST_DATA "/collections/") + name);
        const auto spans = pgn::findGameSpans(all);
        ASSERT_EQ(spans.size(), games);
        // A save reaches the disk before it replaces the file; in memory, when the system offers
        // a memory file system, the saves here do not wait on a shared disk.
        const QTemporaryDir memory(QStringLiteral("/dev/shm/pawnwatch2-test-XXXXXX"));
        const QString file = memory.isValid() ? memory.filePath(name) : box.path(name);
        Counts counts;
        constexpr std::size_t kGamesPerFile = 16;
        for (std::size_t first = 0; first < games; first += kGamesPerFile) {
            const std::size_t begin = first == 0 ? 0 : std::size_t(spans[first].begin - 1);
            const std::size_t end = first + kGamesPerFile < games
                                        ? std::size_t(spans[first + kGamesPerFile].begin - 1)
                                        : all.size();
            roundTrips(file, all.substr(begin, end - begin), counts);
        }
        EXPECT_EQ(counts.games, games);
        EXPECT_EQ(counts.identical, games - counts.noMoves);
        EXPECT_EQ(counts.oneLine, games - counts.noMoves);
        EXPECT_EQ(counts.sameCheck, games - counts.noMoves);
        std::printf("%s: %zu games, %zu without moves (not saved), %zu saved unchanged byte for "
                    "byte, %zu with only the Event line changed, %zu with the same check line once "
                    "their movetext was written anew\n",
                    name, counts.games, counts.noMoves, counts.identical, counts.oneLine,
                    counts.sameCheck);
    }
};

TEST_F(Collections, Classics) {
    roundTrips("classics.pgn", 64);
}
TEST_F(Collections, Dortmund1928WithCrLfAndLatin1) {
    roundTrips("dortmund-1928.pgn", 347);
}
TEST_F(Collections, LichessStudiesFromSetUpPositions) {
    roundTrips("lichess-studies.pgn", 64);
}
TEST_F(Collections, EngineGames) {
    roundTrips("engine-games.pgn", 226);
}

} // namespace
} // namespace pw2
