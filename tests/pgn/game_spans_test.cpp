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
