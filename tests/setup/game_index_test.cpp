#include "pgnfile/edit_game.h"
#include "pgnfile/game_index.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pw2 {
namespace {

std::vector<std::string> entries(const GameIndex& index) {
    std::vector<std::string> all;
    for (std::size_t i = 0; i < index.size(); ++i)
        all.push_back(index.entry(i));
    return all;
}

const std::string kThreeGames = "Intro text\n"
                                "[Event \"A\"]\n[White \"w1\"]\n[Black \"b1\"]\n\n1.e4 e5 1-0\n"
                                "[Event \"B\"]\r\n[Black \"b2\"]\r\n\r\n1.d4 d5 0-1\r\n"
                                "[Event \"C\"]\n[White \"w3\"]\n[Black \"b3\"]\n\n1.c4 *\n";

TEST(GameIndex, ListsEachGameWithItsTagsThroughTheBlackTag) {
    const GameIndex index(kThreeGames);
    EXPECT_EQ(entries(index),
              (std::vector<std::string>{"1- [Event \"A\"]\n[White \"w1\"]\n[Black \"b1\"]",
                                        "2- [Event \"B\"]\r\n[Black \"b2\"]",
                                        "3- [Event \"C\"]\n[White \"w3\"]\n[Black \"b3\"]"}));
    // The spans are the program's one delimiting rule; the last game keeps every byte.
    EXPECT_EQ(index.spans(), pgn::findGameSpans(kThreeGames));
    ASSERT_EQ(index.spans().size(), 3u);
    EXPECT_EQ(index.spans()[0].begin, 12);
    EXPECT_EQ(index.spans().back().end, std::int64_t(kThreeGames.size()) + 1);
}

TEST(GameIndex, OnlyTheExactEventTagStartsAGame) {
    const std::string text = "[event \"a\"]\n[Black \"x\"]\n1.e4 *\n"
                             "[Event\t\"b\"]\n[Black \"y\"]\n1.d4 *\n"
                             "{ a comment that quotes [Event \"c\"] } [Black \"z\"]\n1.c4 *\n"
                             "[Annotator \"[Event \\\"x\\\"]\"]\n[Event \"d\"] [Black \"w\"]\n";
    const GameIndex index(text);
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(index.entry(0), "1- [Event \"d\"] [Black \"w\"]");
    EXPECT_TRUE(GameIndex("no games here\n").empty());
}

TEST(GameIndex, AGameWithoutABlackTagRunsOnIntoTheNextGamesTags) {
    const std::string text = "[Event \"A\"]\n[White \"w\"]\n1.e4 *\n"
                             "[Event \"B\"]\n[Black \"b\"]\n1.d4 *\n";
    const GameIndex index(text);
    ASSERT_EQ(index.size(), 2u);
    EXPECT_EQ(index.entry(0),
              "1- [Event \"A\"]\n[White \"w\"]\n1.e4 *\n[Event \"B\"]\n[Black \"b\"]");
    // The span still ends before the next game.
    EXPECT_EQ(pgn::gameText(text, index.spans()[0]), "[Event \"A\"]\n[White \"w\"]\n1.e4 *");
}

TEST(GameIndex, WithNoBlackTagOrBracketLeftTheEntryEndsWithItsGame) {
    const std::string noBlack = "[Event \"A\"]\n1.e4 *\n[Event \"B\"]\n1.d4 *\n";
    EXPECT_EQ(entries(GameIndex(noBlack)),
              (std::vector<std::string>{"1- [Event \"A\"]\n1.e4 *", "2- [Event \"B\"]\n1.d4 *\n"}));
    const std::string noBracket = "[Event \"A\"]\n[Black \"b\"\n1.e4 *\n";
    EXPECT_EQ(entries(GameIndex(noBracket)),
              (std::vector<std::string>{"1- [Event \"A\"]\n[Black \"b\"\n1.e4 *\n"}));
    // A quoted value left open ends its tag with its line.
    const std::string openValue = "[Event \"A\"]\n[Black \"b]\n1.e4 *\n";
    EXPECT_EQ(entries(GameIndex(openValue)),
              (std::vector<std::string>{"1- [Event \"A\"]\n[Black \"b]"}));
}

TEST(GameIndex, ManyGamesAreAllListedAndNumbered) {
    const std::string game = "[Event \"e\"]\n[Black \"b\"]\n1.e4 *\n";
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += game;
    const GameIndex index(text);
    ASSERT_EQ(index.size(), 40000u);
    EXPECT_EQ(index.spans().size(), 40000u);
    EXPECT_EQ(index.entry(39999), "40000- [Event \"e\"]\n[Black \"b\"]");
    EXPECT_EQ(index.spans()[39999].begin, std::int64_t(39999 * game.size() + 1));
}

TEST(TagValue, DecodesEscapesAndGivesNothingForAMissingOrUnclosedTag) {
    const std::string game = "[Event \"Say \\\"hi\\\" \\\\ there\"]\n[White \"Kasparov, G\"]\n"
                             "[Black \"no end]\n[Site \"Linares\"]\n[Date \"\"]\n"
                             "[WhiteElo \"2800\"]\n1.e4 *\n";
    EXPECT_EQ(tagValue(game, "Event"), "Say \"hi\" \\ there");
    EXPECT_EQ(tagValue(game, "White"), "Kasparov, G");
    EXPECT_EQ(tagValue(game, "Black"), ""); // no closing quote on its line
    EXPECT_EQ(tagValue(game, "Site"), "Linares");
    EXPECT_EQ(tagValue(game, "Date"), "");
    EXPECT_EQ(tagValue(game, "Round"), "");
    EXPECT_EQ(tagValue("[White \"a\\b\"]", "White"), "a\\b"); // a lone backslash stays
}

TEST(SplitAtGame, HandsOverTheBytesAroundEachGame) {
    const GameIndex index(kThreeGames);
    const auto& spans = index.spans();
    const GameSplit first = splitAtGame(kThreeGames, spans[0]);
    EXPECT_EQ(first.TextBefore, "Intro text\n");
    EXPECT_EQ(first.game, "[Event \"A\"]\n[White \"w1\"]\n[Black \"b1\"]\n\n1.e4 e5 1-0");
    EXPECT_EQ(first.TextAfter, kThreeGames.substr(kThreeGames.find("\n[Event \"B\"")));
    const GameSplit last = splitAtGame(kThreeGames, spans[2]);
    EXPECT_EQ(last.TextBefore + last.game + last.TextAfter, kThreeGames);
    EXPECT_EQ(last.TextAfter, "");
    EXPECT_TRUE(spanStartsGame(kThreeGames, spans[1]));
    EXPECT_FALSE(spanStartsGame("short", spans[1]));
}

// Edit Game's check of a listed span against the file as it is now: only a span that is still
// exactly one game passes, so a game cut short or run on into the next is never handed over.
TEST(SplitAtGame, AListedSpanStillDelimitsItsGameOnlyWhileTheGameIsUnchangedInPlace) {
    const auto spans = pgn::findGameSpans(kThreeGames);
    for (const pgn::GameSpan& span : spans)
        EXPECT_TRUE(spanDelimitsGame(kThreeGames, span));
    std::string grown = kThreeGames;
    grown.insert(grown.find("0-1"), "2.c4 ");
    std::string shrunk = kThreeGames;
    shrunk.erase(shrunk.find("1.d4 d5 "), 8);
    const std::string moved = "x" + kThreeGames;
    // Only the last game's end depends on the end of the text.
    const std::string longerLast = kThreeGames + "\n";
    for (const std::string& now : {grown, shrunk, moved})
        EXPECT_FALSE(spanDelimitsGame(now, spans[1])) << now;
    EXPECT_TRUE(spanDelimitsGame(grown, spans[0]));
    EXPECT_FALSE(spanDelimitsGame(longerLast, spans[2]));
    EXPECT_TRUE(spanDelimitsGame(longerLast, spans[1]));
    EXPECT_FALSE(spanDelimitsGame(kThreeGames, {spans[1].begin, spans[1].end + 1}));
    EXPECT_FALSE(spanDelimitsGame(kThreeGames, {spans[2].begin, spans[2].end + 1}));
    EXPECT_FALSE(spanDelimitsGame(kThreeGames.substr(0, spans[1].begin), spans[1]));
    // An "[Event " in a comment or a quoted tag value starts no game, here as in the listing.
    const std::string quoting = "[Event \"a [Event \\\"b\\\"\"]\n\n1. e4 {see [Event x} e5 *\n\n"
                                "[Event \"c\"]\n\n1. d4 *\n";
    const auto quotingSpans = pgn::findGameSpans(quoting);
    ASSERT_EQ(quotingSpans.size(), 2u);
    for (const pgn::GameSpan& span : quotingSpans)
        EXPECT_TRUE(spanDelimitsGame(quoting, span));
}

} // namespace
} // namespace pw2
