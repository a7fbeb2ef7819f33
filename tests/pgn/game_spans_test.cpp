#include "pgn/game_spans.h"

#include <gtest/gtest.h>

namespace {

using pgn::GameSpan;

TEST(GameSpans, EachEventTagStartsAGameThatEndsBeforeTheByteAheadOfTheNext) {
    const std::string text = "junk\n[Event \"a\"]\n1. e4 *\n\n[EventDate \"x\"][Event\"y\"]\n"
                             "[Event \"b\"]\n1. d4 *";
    const std::vector<GameSpan> spans = pgn::findGameSpans(text);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0].begin, 6);
    EXPECT_EQ(pgn::gameText(text, spans[0]),
              "[Event \"a\"]\n1. e4 *\n\n[EventDate \"x\"][Event\"y\"]");
    // The last game keeps every byte, even without a line break at the end.
    EXPECT_EQ(spans[1].end, static_cast<std::int64_t>(text.size()) + 1);
    EXPECT_EQ(pgn::gameText(text, spans[1]), "[Event \"b\"]\n1. d4 *");

    EXPECT_TRUE(pgn::findGameSpans("").empty());
    EXPECT_TRUE(pgn::findGameSpans("1. e4 e5 *").empty());
    EXPECT_EQ(pgn::findGameSpans("[Event x"), (std::vector<GameSpan>{{1, 9}}));
}

// Where a game starts: the offsets of the "[" of each game, for texts given whole and a byte at a
// time.
TEST(GameSpans, EventInsideAQuotedValueOrACommentStartsNoGame) {
    const struct {
        std::string text;
        std::vector<std::int64_t> begins; // 1-based
    } cases[] = {
        {"[Event \"a [Event \\\"x\\\"]\"]\n1. e4 *", {1}},
        {"[Event \"a\"]\n{ see [Event \"x\"]\nnext line } 1. e4 *\n[Event \"b\"]", {1, 51}},
        {"[Event \"a\"]\n1. e4 ; [Event \"x\"]\n[Event \"b\"]", {1, 33}},
        {"%[Event \"x\"]\n [Event \"a\"]\n%x\n[Event \"b\"]", {15, 30}},
        // '%' outside the first column is no escape.
        {"1. e4 %[Event \"a\"]", {8}},
        // A value left open ends with its line; so does a tag without its "]".
        {"[Site \"open\n[Event \"a\"]\n[Site x\n{[Event \"x\"]}", {13}},
        // \\ ends the escape: the quote after it closes the value.
        {"[Site \"a\\\\\"] [Event \"a\"]", {14}},
        // A comment left open ends at a game start after an empty line, and only there.
        {"[Event \"a\"] { open\n\n[Event \"b\"]", {1, 21}},
        {"[Event \"a\"] { open\r\n\r\n[Event \"b\"]", {1, 23}},
        {"[Event \"a\"] { open\r\n[Event \"b\"]\n \n[Event \"c\"]", {1}},
        // A '[' inside a tag outside its value starts a tag again.
        {"[Site [Event \"a\"]", {7}},
    };
    for (const auto& c : cases) {
        std::vector<std::int64_t> whole;
        for (const GameSpan& span : pgn::findGameSpans(c.text))
            whole.push_back(span.begin);
        EXPECT_EQ(whole, c.begins) << c.text;
        pgn::GameStartScanner scanner;
        std::vector<std::int64_t> bytewise;
        for (const char ch : c.text)
            scanner.scan(std::string_view(&ch, 1),
                         [&bytewise](std::int64_t at) { bytewise.push_back(at + 1); });
        EXPECT_EQ(bytewise, c.begins) << c.text;
    }
}

TEST(GameSpans, GameTextClampsToTheText) {
    const std::string text = "[Event \"a\"] 1. e4 *";
    EXPECT_EQ(pgn::gameText(text, {1, 1000}), text);
    EXPECT_EQ(pgn::gameText(text, {13, 15}), "1.");
    EXPECT_EQ(pgn::gameText(text, {100, 120}), "");
    EXPECT_EQ(pgn::gameText(text, {10, 5}), "");
    EXPECT_EQ(pgn::gameText(text, {-1, -1}), "");
    EXPECT_EQ(pgn::gameText(text, {0, 5}), "");
}

} // namespace
