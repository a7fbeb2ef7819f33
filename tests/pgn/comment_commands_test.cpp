// Clocks and evaluations read from comments as online play and engine tournaments write them,
// and placed after the half-moves of the main line. The engine game is game 3 of
// tests/data/real-games.pgn (TCEC); the online forms are written here as such exports write them.
#include "pgn/comment_commands.h"
#include "pgn/commentary.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>

namespace {

using pgn::Evaluation;

constexpr std::optional<Evaluation> pawns(std::int32_t hundredths) {
    return Evaluation{false, hundredths};
}
constexpr std::optional<Evaluation> mate(std::int32_t moves) {
    return Evaluation{true, moves};
}
constexpr std::nullopt_t none = std::nullopt;

TEST(CommentCommands, ReadFromTheFormsToolsWrite) {
    const struct {
        const char* comment;
        std::optional<std::int64_t> clockMs;
        std::optional<Evaluation> evaluation;
        bool onlyCommands;
    } cases[] = {
        // Online play.
        {" [%eval 0.17] [%clk 0:07:31] ", 451'000, pawns(17), true},
        {"[%clk 0:02:59.9]", 179'900, none, true},
        {"[%clk 1:30:00]", 5'400'000, none, true},
        {"[%clk 7:31]", 451'000, none, true},
        {"[%eval #-3] [%clk 0:00:07]", 7'000, mate(-3), true},
        {"[%eval #4]", none, mate(4), true},
        {"[%eval -1.05,23]", none, pawns(-105), true},
        {"[%eval 0.00]", none, pawns(0), true},
        {"[%eval 3]", none, pawns(300), true},
        {"[%eval 0.125]", none, pawns(13), true},
        {"[%eval 0.3] Spanish.", none, pawns(30), false},
        {"Spanish. [%clk 0:01:00]", 60'000, none, false},
        {"[%cal Gd2d1]", none, none, true},
        {"[%clk 0:00:09] [%clk 0:00:08]", 8'000, none, true}, // the last counts
        // Missing or broken values count as absent, whatever else the comment holds.
        {"[%eval] [%clk ]", none, none, true},
        {"[%eval abc] [%clk 1:x]", none, none, true},
        {"[%eval #0] [%clk -0:00:01]", none, none, true},
        {"[%eval 123456789] [%clk 99999999:00:00]", none, none, true},
        {"[%eval 1e5] [%clk 0:07:31", 451'000, none, true}, // no "]": the clock runs to the end
        // Engine tournaments: time left in milliseconds, White's view, mates in half-moves.
        {"d=31, sd=35, mt=4365, tl=1813635, s=229006158, n=1000069896, pv=f4, tb=0, h=8.6, "
         "ph=0.0, wv=1.22, R50=50, Rd=-9, Rr=-1000, mb=+0+0+0+0+0,",
         1'813'635, pawns(122), true},
        {"d=5, sd=5, mt=1, tl=2285878, pv=Kd8 Qc7#, wv=M2, mb=-1+0+0+0+0,", 2'285'878, mate(1),
         true},
        {"tl=2152538, wv=M13,", 2'152'538, mate(7), true},
        {"tl=1, wv=-M5,", 1, mate(-3), true},
        {"wv=-0.35, tl=99999999999999,", none, pawns(-35), true},
        {"book, mb=+0+0+0+0+0,", none, none, true},
        // Words for a reader.
        {"book", none, none, false},
        {"WhiteEngineOptions: Protocol=uci; Threads=2;, BlackEngineOptions: Protocol=uci;", none,
         none, false},
        {"Better was 12. Nf3, when tl=5 wins", none, none, false},
        {"", none, none, false},
    };
    for (const auto& c : cases) {
        const pgn::CommentCommands read = pgn::ReadCommentCommands(c.comment);
        EXPECT_EQ(read.clockMs, c.clockMs) << c.comment;
        EXPECT_EQ(read.evaluation, c.evaluation) << c.comment;
        EXPECT_EQ(read.onlyCommands, c.onlyCommands) << c.comment;
    }
}

// Of an engine's fields only the words for a reader are shown; other comments keep their text.
TEST(CommentCommands, AnEnginesFieldsLeaveTheWordsForAReader) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"d=245, sd=245, pv=Qe6#, wv=M1, mb=+2+0+0+0+2, White mates", "White mates"},
        {"book, mb=+0+0+0+0+0,", ""},
        {"tl=5, Black resigns, adjudication", "Black resigns, adjudication"},
        {"Better was 12. Nf3, when White is fine", std::nullopt},
        {"[%clk 0:01:00] Spanish.", std::nullopt},
    };
    for (const auto& [comment, text] : cases)
        EXPECT_EQ(pgn::ReadCommentCommands(comment).readerText, text) << comment;
    // The caption made of those words leaves out what stands in brackets, as every caption does.
    const pgn::Annotations a = pgn::ReadAnnotations("1. e4 {tl=5, wv=0.3, see [the game] below} *");
    ASSERT_EQ(a.comments.size(), 1u);
    EXPECT_EQ(a.comments[0].text, "see below");
}

TEST(CommentCommands, EvaluationsAreWrittenWithTheirSign) {
    const std::pair<Evaluation, const char*> cases[] = {
        {{false, 137}, "+1.37"},
        {{false, -50}, "-0.50"},
        {{false, 0}, "0.00"},
        {{false, 5}, "+0.05"},
        {{false, -1'000'000}, "-10000.00"},
        {{true, 3}, "#3"},
        {{true, -3}, "#-3"},
    };
    for (const auto& [evaluation, text] : cases)
        EXPECT_EQ(pgn::EvaluationText(evaluation), text);
}

struct Placed {
    std::size_t after;
    std::optional<std::int64_t> clockMs;
    std::optional<Evaluation> evaluation;
    bool operator==(const Placed&) const = default;
};

std::vector<Placed> placed(const pgn::Annotations& a) {
    std::vector<Placed> out;
    for (const pgn::CommentCommands& c : a.commands)
        out.push_back({c.afterHalfMoves, c.clockMs, c.evaluation});
    return out;
}

TEST(CommentCommands, PlacedAfterTheirHalfMovesOfTheMainLineAndShowNoCaption) {
    const pgn::Annotations online = pgn::ReadAnnotations(
        "[Event \"Rated blitz game\"]\n[TimeControl \"180+0\"]\n\n"
        "1. e4 { [%eval 0.18] [%clk 0:03:00] } 1... e5 { [%eval 0.22] [%clk 0:02:58] }\n"
        "2. Nf3 {[%clk 0:02:57] A developing move.} Nc6 (2... d6 {[%eval 0.5] [%clk 0:01:00]})\n"
        "{[%eval 0.3]} 3. Bb5{[%eval #-3]}{[%clk 0:02:50]} a6 *");
    EXPECT_EQ(placed(online), (std::vector<Placed>{{1, 180'000, pawns(18)},
                                                   {2, 178'000, pawns(22)},
                                                   {3, 177'000, none},
                                                   {4, none, pawns(30)},
                                                   {5, 170'000, mate(-3)}}));
    ASSERT_EQ(online.comments.size(), 1u);
    EXPECT_EQ(online.comments[0].afterHalfMoves, 3u);
    EXPECT_EQ(online.comments[0].text, "A developing move.");
    EXPECT_EQ(pgn::CommandsAfter(online.commands, 5)->clockMs, 170'000);
    EXPECT_EQ(pgn::CommandsAfter(online.commands, 6), nullptr);

    // An engine game: a value after every half-move out of book, and no caption but the engines'
    // options before the first move and the words after the mate.
    std::ifstream in(PW2_TEST_DATA "/real-games.pgn", std::ios::binary);
    const std::string file{std::istreambuf_iterator<char>(in), {}};
    std::size_t at = 0;
    for (int game = 1; game < 3; ++game)
        at = file.find("[Event ", at + 1);
    const pgn::Annotations engine =
        pgn::ReadAnnotations(std::string_view(file).substr(at, file.find("[Event ", at + 1) - at));
    ASSERT_EQ(engine.comments.size(), 2u);
    EXPECT_EQ(engine.comments[0].afterHalfMoves, 0u);
    EXPECT_EQ(engine.comments[0].text.substr(0, 19), "WhiteEngineOptions:");
    EXPECT_EQ(engine.comments[1].afterHalfMoves, 101u); // 51. Qe6#
    EXPECT_EQ(engine.comments[1].text, "White mates");
    const pgn::CommentCommands* h5 = pgn::CommandsAfter(engine.commands, 15); // 8. h5
    ASSERT_NE(h5, nullptr);
    EXPECT_EQ(h5->clockMs, 1'813'905);
    EXPECT_EQ(h5->evaluation, pawns(108));
    EXPECT_EQ(pgn::CommandsAfter(engine.commands, 1), nullptr); // a book move
}

} // namespace
