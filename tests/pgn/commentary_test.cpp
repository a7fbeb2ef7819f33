// The comments the saver shows beneath the board: the main line's, each placed after the
// half-move the move player plays before it, with variations and other tools' commands left out.
// The annotated games come from tests/data/commentary.pgn (tests/data/README.md).
#include "board_fixture.h"
#include "pgn/commentary.h"
#include "playback/game_player.h"

#include <fstream>
#include <gtest/gtest.h>
#include <utility>

namespace {

using pgn::Comment;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> annotatedGames() {
    const std::string text = readFile(PW2_TEST_DATA "/commentary.pgn");
    std::vector<std::string> games;
    for (auto p = text.find("[Event "); p != std::string::npos;) {
        const auto next = text.find("[Event ", p + 1);
        games.push_back(text.substr(p, next == std::string::npos ? next : next - p));
        p = next;
    }
    return games;
}

using Placed = std::vector<std::pair<std::size_t, std::string>>;

Placed placed(const std::vector<Comment>& comments) {
    Placed out;
    for (const Comment& c : comments)
        out.emplace_back(c.afterHalfMoves, c.text);
    return out;
}

Placed placed(std::string_view game) {
    return placed(pgn::ReadCommentary(game));
}

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        if (i + n > s.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

// Each comment, with the move the move player played just before it shows (the game's first
// move's number for the comment before it), played on the real board control.
class CommentaryReplay : public pw2::test::BoardTest {
protected:
    std::vector<std::pair<std::string, std::string>> replay(const std::string& game) {
        pw2::GamePlayer player;
        player.setReadCommentary(true);
        pw2::test::RecordingHost host;
        player.load(game, host);
        EXPECT_TRUE(host.messages.empty());
        std::vector<std::pair<std::string, std::string>> shown;
        if (const Comment* c = pgn::CommentAfter(player.commentary(), 0))
            shown.emplace_back("", c->text);
        while (!player.atEnd()) {
            const pw2::HalfMove half = player.next();
            const std::size_t before = player.movesPlayed();
            EXPECT_EQ(player.play(half, board(), host), pgn::MoveOutcome::Played);
            if (player.movesPlayed() == before)
                continue;
            if (const Comment* c = pgn::CommentAfter(player.commentary(), player.movesPlayed()))
                shown.emplace_back(std::string(half.move), c->text);
        }
        return shown;
    }
};

TEST_F(CommentaryReplay, AnAnnotatorsCommentsFollowTheMainLineAndSkipVariations) {
    const auto games = annotatedGames();
    ASSERT_EQ(games.size(), 3u);
    const std::vector<std::pair<std::string, std::string>> dortmund = {
        {"", "Games of the first master tournament in Dortmund are presented in this file. Jan "
             "van Reek."},
        {"e4", "Colle plays an aggressive version of his system."},
        {"d6", "White overestimates his chances and makes several weak moves."},
        {"Kg6", "Black allows a repetition of moves in the queen ending."},
    };
    EXPECT_EQ(replay(games[0]), dortmund);
    EXPECT_EQ(placed(games[0]).at(1).first, 15u); // 8. e4, the 15th half-move

    // A set-up position: the set-up step is no move. The variations' comments, "[%cal ...]"
    // alone, show nothing.
    const auto kubbel = replay(games[2]);
    ASSERT_EQ(kubbel.size(), 9u);
    EXPECT_EQ(kubbel[0].second.substr(0, 37), "Even though both players have the sam");
    EXPECT_EQ(kubbel[1], (std::pair<std::string, std::string>(
                             "Bxe3!", "Correct! White eliminates the dangerous e-pawn, leaving "
                                      "black only with an advanced c-pawn.")));
    EXPECT_EQ(kubbel[3].first, "Bg5!");
    EXPECT_EQ(kubbel[8].first, "Bxg5");
    EXPECT_EQ(kubbel[8].second.substr(0, 22), "Black accepts his fate");
    for (const auto& [move, text] : kubbel)
        EXPECT_EQ(text.find("[%"), std::string::npos) << move;
}

TEST_F(CommentaryReplay, LongCommentsAreCutAtAWordAndBlackResumingAfterACommentKeepsItsPlace) {
    const auto games = annotatedGames();
    ASSERT_EQ(games.size(), 3u);
    const auto shown = replay(games[1]);
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[1].first, "f3");
    EXPECT_EQ(shown[2].first, "e5"); // written "1... e5" after f3's comment
    EXPECT_EQ(shown[4].first, "Qh4#");
    const auto comments = pgn::ReadCommentary(games[1]);
    const Comment& f3 = comments.at(1);
    EXPECT_TRUE(f3.cut);
    EXPECT_LE(f3.text.size(), pgn::kCommentLimit);
    EXPECT_GT(f3.text.size(), pgn::kCommentLimit / 2);
    const std::string whole = "This study, the first in its series (the second part can be found";
    EXPECT_EQ(f3.text.substr(0, whole.size()), whole);
    // Cut where a word ends in the comment as written.
    const auto at = games[1].find(f3.text);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(games[1][at + f3.text.size()], ' ');
    EXPECT_FALSE(comments.at(0).cut);
}

TEST(Commentary, OtherToolsCommandsLineCommentsAndEscapeLines) {
    EXPECT_EQ(placed("[Event \"x\"]\n\n1. e4 {[%clk 0:03:00]} e5 { [%eval 0.17] Solid.\n"
                     "   [%clk 0:02:59] } 2. Nf3 {[%cal Gc2c3][%csl Rd4]} *"),
              (Placed{{2, "Solid."}}));
    EXPECT_EQ(placed("1. e4 ; the king's pawn\ne5\n%e4 is no comment\n2. Nf3 *"),
              (Placed{{1, "the king's pawn"}}));
    // Two comments in a row stand together; whitespace of every kind is one space.
    EXPECT_EQ(placed("1. e4 {a\r\n\t b}  {c} e5 *"), (Placed{{1, "a b c"}}));
    // A "{" inside a tag's quoted value opens no comment, as CleanGameText reads it.
    EXPECT_EQ(placed("[Event \"a {b\"]\n[Site \"]\"]\n1. e4 {c} *"), (Placed{{1, "c"}}));
    // A move number glued to its move, and glyphs, are read as the move list reads them.
    EXPECT_EQ(placed("1.e4 $1 {a} 1...e5 2.Nf3 {b} 1-0 {end}"), (Placed{{1, "a"}, {3, "b end"}}));
}

TEST(Commentary, VariationsAtAnyDepthAndBlackMovingFirst) {
    EXPECT_EQ(placed("{before} 1. e4 (1. d4 {x} (1. c4 {y}) d5 {z}) e5 {main} (1... c5 {w}) "
                     "2. Nf3 {next} *"),
              (Placed{{0, "before"}, {2, "main"}, {3, "next"}}));
    EXPECT_EQ(placed("[FEN \"4k3/8/8/8/8/8/8/4K2R b K - 0 12\"]\n\n12... Kd7 {first} 13. O-O "
                     "{second} *"),
              (Placed{{1, "first"}, {2, "second"}}));
}

TEST(Commentary, HostileCommentsStayBoundedAndWholeCharacters) {
    std::string huge = "1. e4 {" + std::string(1 << 20, 'x') + "} e5 {a";
    for (int i = 0; i < 200; ++i)
        huge += "\xc3\xa9"; // é, each starting at an odd place: the limit falls inside one
    huge += "} *";
    const auto comments = pgn::ReadCommentary(huge);
    ASSERT_EQ(comments.size(), 2u);
    for (const Comment& c : comments) {
        EXPECT_TRUE(c.cut);
        EXPECT_LE(c.text.size(), pgn::kCommentLimit);
        EXPECT_GE(c.text.size(), pgn::kCommentLimit - 3);
        EXPECT_TRUE(validUtf8(c.text));
    }
    // Texts that do not pair up read to their end without harm.
    for (const char* broken :
         {"1. e4 {never closed", "1. e4 [Event \"x", "1. e4 ((((", "}}}) e4 {"})
        EXPECT_NO_THROW(pgn::ReadCommentary(broken));
    EXPECT_EQ(pgn::CommentAfter({}, 0), nullptr);
}

} // namespace

namespace {

// The annotator's glyphs $1 to $6, each after the half-move it follows, in the same pass as the
// comments: not those of variations, of other numbers, or a second one on the same half-move.
TEST(Annotations, GlyphsFollowTheirHalfMovesOfTheMainLine) {
    struct Case {
        const char* movetext;
        std::vector<std::pair<std::size_t, std::string>> glyphs; // half-move, text
    };
    const Case cases[] = {
        {"1. e4 $1 e5 $2 2. Nf3 $3 Nc6 $4 3. Bb5 $5 a6 $6 *",
         {{1, "!"}, {2, "?"}, {3, "!!"}, {4, "??"}, {5, "!?"}, {6, "?!"}}},
        {"1. e4$1 e5 (1... c5 $2 2. Nf3 $1) 2. Nf3 $146 $14 $4 Nc6 $7 $2 $1 *",
         {{1, "!"}, {3, "??"}, {4, "?"}}},
        {"$1 {before} 1. d4 {a comment} $2 d5 $ $x $12345 $0 1-0", {{1, "?"}}},
        {"[Event \"$1\"] 12... Nf6 $5 13. Bg5 *", {{1, "!?"}}},
    };
    for (const Case& c : cases) {
        const pgn::Annotations a = pgn::ReadAnnotations(c.movetext);
        std::vector<std::pair<std::size_t, std::string>> got;
        for (const pgn::MoveGlyph& g : a.glyphs)
            got.emplace_back(g.halfMove, std::string(pgn::GlyphText(g.nag)));
        EXPECT_EQ(got, c.glyphs) << c.movetext;
        EXPECT_EQ(placed(a.comments), placed(pgn::ReadCommentary(c.movetext))) << c.movetext;
    }
    const pgn::Annotations a = pgn::ReadAnnotations("1. e4 e5 $2 *");
    EXPECT_EQ(pgn::GlyphAfter(a.glyphs, 2), "?");
    EXPECT_EQ(pgn::GlyphAfter(a.glyphs, 1), "");
}

} // namespace
