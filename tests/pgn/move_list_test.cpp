#include "pgn/engine.h"

#include <gtest/gtest.h>

namespace {

using List = std::vector<std::string>;

List fill(std::string_view text, std::string& result) {
    List list{"left over"};
    pgn::FillMoveList(text, list, result);
    return list;
}

TEST(FillMoveList, BuildsOneFixedColumnEntryPerMoveAndTakesTheLastTokenAsResult) {
    std::string result;
    EXPECT_EQ(fill("1. e4 e5 2. Nf3 Nc6 1-0", result),
              (List{"1. e4            e5", "2. Nf3          Nc6"}));
    EXPECT_EQ(result, "1-0");

    // However many spaces follow the period, the entry is the same.
    for (const char* text : {"1.e4 e5 *", "1.   e4 e5 *", "1.    e4 e5 *", "1.         e4 e5 *"})
        EXPECT_EQ(fill(text, result), List{"1. e4            e5"}) << text;

    // A move number far on is found the same way; 12 is never taken for 2.
    std::string text;
    for (int i = 1; i <= 39; ++i)
        text += std::to_string(i) + ". W" + std::to_string(i) + " B" + std::to_string(i) + " ";
    text += "40. Qh7# 1-0 ";
    const List list = fill(text, result);
    ASSERT_EQ(list.size(), 40u);
    EXPECT_EQ(list[1], "2. W2            B2");
    EXPECT_EQ(list[11], "12. W12          B12");
    EXPECT_EQ(list[39], "40. Qh7#         1-0");
    EXPECT_EQ(result, "1-0");
}

TEST(FillMoveList, ReadsABlackMoveResumingAfterARemovedCommentAsThatMovesBlackMove) {
    std::string result;
    EXPECT_EQ(fill("1. e4 e5 2. d4  2... d5 3. c4  3...c6 4. Nc3 *", result),
              (List{"1. e4            e5", "2. d4            d5", "3. c4            c6",
                    "4. Nc3            *"}));
    EXPECT_EQ(result, "*");
}

TEST(FillMoveList, StopsAtAMissingMoveNumber) {
    std::string result;
    // The list must start at move 1.
    EXPECT_EQ(fill("5. e4 e5 6. Nf3 Nc6 *", result), List{});
    EXPECT_EQ(result, "*");
    // Move 3 is missing: the list ends after move 2, the result is still the last token.
    EXPECT_EQ(fill("1. e4 e5 2. d4 d5 4. c4 c6 1/2-1/2", result),
              (List{"1. e4            e5", "2. d4            d5"}));
    EXPECT_EQ(result, "1/2-1/2");
}

TEST(FillMoveList, EndsQuietlyWhenTheTextEndsAfterAWhiteMove) {
    std::string result = "0-1";
    EXPECT_EQ(fill("1. e4 e5 2. d4", result), List{"1. e4            e5"});
    EXPECT_EQ(result, "0-1"); // unchanged
    EXPECT_EQ(fill("1. e4", result), List{});
    EXPECT_EQ(result, "0-1");

    // A text without any space, or an empty one, holds no result.
    EXPECT_EQ(fill("1-0", result), List{});
    EXPECT_EQ(result, "");
    result = "1-0";
    EXPECT_EQ(fill("", result), List{});
    EXPECT_EQ(result, "");
}

TEST(FillMoveList, KeepsALongMoveWholeInItsColumn) {
    std::string result;
    EXPECT_EQ(fill("1. Nbd7xe5+? Qh4xe1+!! *", result), List{"1. Nbd7xe5+?Qh4xe1+!!"});
    EXPECT_EQ(fill("1. e4 Qh4xe1+!! *", result), List{"1. e4      Qh4xe1+!!"});
}

TEST(FindLastBefore, SearchesBackwardsFromStart) {
    EXPECT_EQ(pgn::FindLastBefore("a.b.c", ".", 5), 4u);
    EXPECT_EQ(pgn::FindLastBefore("a.b.c", ".", 4), 4u);
    EXPECT_EQ(pgn::FindLastBefore("a.b.c", ".", 3), 2u);
    EXPECT_EQ(pgn::FindLastBefore("a.b.c", ".", 1), 0u);
    EXPECT_EQ(pgn::FindLastBefore("a.b.c", ".", 0), 0u);
    EXPECT_EQ(pgn::FindLastBefore("abcabc", "bc", 4), 2u);
    EXPECT_EQ(pgn::FindLastBefore("abcabc", "bc", 100), 5u);
    EXPECT_EQ(pgn::FindLastBefore("abcab", "abc", 5), 1u);
}

} // namespace
