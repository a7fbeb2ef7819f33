#include "pgn/engine.h"

#include <gtest/gtest.h>
#include <random>

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

    // Move numbers past 16 bits are kept, every one.
    text.clear();
    for (int i = 1; i <= 40000; ++i)
        text += std::to_string(i) + ". Nf3 Nf6 ";
    const List longGame = fill(text + "1/2-1/2", result);
    ASSERT_EQ(longGame.size(), 40000u);
    EXPECT_EQ(longGame.back(), "40000. Nf3          Nf6");
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

TEST(FillMoveList, KeepsAWhiteMoveThatEndsTheText) {
    // A game cut off after White's move, with or without a space after it: the move is played
    // and the last token is no result, so no earlier game's result can linger.
    std::string result = "0-1";
    const List cut{"1. e4            e5", "2. d4              "};
    EXPECT_EQ(fill("1. e4 e5 2. d4", result), cut);
    EXPECT_EQ(result, "d4");
    result = "0-1";
    EXPECT_EQ(fill("1. e4 e5 2. d4   ", result), cut);
    EXPECT_EQ(result, "d4");
    EXPECT_EQ(fill("1. e4", result), List{"1. e4              "});
    EXPECT_EQ(result, "e4");
    EXPECT_EQ(fill("1. e4 e5 2.  ", result), List{"1. e4            e5"});
    EXPECT_EQ(result, "2.");

    // A text without any space, or an empty one, holds no result.
    EXPECT_EQ(fill("1-0", result), List{});
    EXPECT_EQ(result, "");
    result = "1-0";
    EXPECT_EQ(fill("", result), List{});
    EXPECT_EQ(result, "");
}

TEST(FillMoveList, StaysLinearOnHostileShapes) {
    // A long run of spaces after a move number: one entry, found without searching back over
    // the run for every space in it (that took minutes; the test timeout catches it).
    std::string result;
    const std::string text = "1." + std::string(2'000'000, ' ') + "e4 e5 1-0";
    EXPECT_EQ(fill(text, result), List{"1. e4            e5"});
    EXPECT_EQ(result, "1-0");

    // A chain of Black continuations with no White moves: each White column holds only what
    // follows the previous move number, never the whole text before it.
    std::string chain;
    for (int n = 1; n <= 30000; ++n) {
        // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) on " " + std::string.
        chain += ' ';
        chain += std::to_string(n);
        chain += "... a";
        chain += std::to_string(n % 8 + 1);
        chain += ' ';
    }
    const List list = fill(chain, result);
    ASSERT_EQ(list.size(), 30000u);
    std::size_t bytes = 0;
    for (const std::string& entry : list)
        bytes += entry.size();
    EXPECT_LT(bytes, 40 * list.size());
    EXPECT_EQ(list[0], "1. a2          2...");
}

TEST(FillMoveList, KeepsALongMoveWholeInItsColumn) {
    std::string result;
    EXPECT_EQ(fill("1. Nbd7xe5+? Qh4xe1+!! *", result), List{"1. Nbd7xe5+?Qh4xe1+!!"});
    EXPECT_EQ(fill("1. e4 Qh4xe1+!! *", result), List{"1. e4      Qh4xe1+!!"});
}

// The tokenizer as it is defined, with 1-based positions: the Black continuation is searched
// from the start of the text for every move. A run of spaces after a period is searched past.
// The tokenizer as it is defined, with 1-based positions: the Black continuation is searched
// from the start of the text for every move. A run of spaces after a period is searched past.
// White's move starts after the last period before it, but never before the place where the
// previous move number's period stood. A text that ends right after White's move still gives that
// move's entry.
void referenceFill(std::string t, List& list, std::string& result) {
    auto find = [&t](const std::string& what, std::size_t from) -> std::size_t {
        const std::size_t p = from >= 1 && from <= t.size() ? t.find(what, from - 1) : t.npos;
        return p == t.npos ? 0 : p + 1;
    };
    auto trim = [](std::string s) {
        s.erase(0, s.find_first_not_of(' '));
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    };
    list.clear();
    std::size_t pos = 0;
    std::size_t markPeriod = 0;
    for (int n = 1;; ++n) {
        const std::string digits = std::to_string(n);
        const std::size_t floor = std::max(pos, markPeriod);
        pos = find(digits + ".", pos + 1);
        if (pos == 0)
            break;
        markPeriod = pos + digits.size();
        if (const std::size_t c = find(" " + digits + "...", 1))
            t.replace(c - 1, digits.size() + 4, digits.size() + 4, ' ');
        const std::size_t width = digits.size() + 2;
        std::size_t from = pos + width;
        std::size_t s;
        std::string white;
        for (;;) {
            s = find(" ", from);
            const std::size_t stop = s == 0 ? t.size() + 1 : s;
            pos = std::max(pgn::FindLastBefore(t, ".", stop), floor);
            white = trim(t.substr(pos, stop - pos - 1));
            if (!white.empty() || s == 0)
                break;
            from = std::max(pos + 1 + width, s + 1);
        }
        if (white.empty())
            break;
        std::size_t b = s == 0 ? t.size() + 1 : s;
        while (b <= t.size() && t[b - 1] == ' ')
            ++b;
        const std::size_t e = find(" ", b);
        const std::string black = b > t.size() ? "" : trim(t.substr(b - 1, e ? e - b : t.npos));
        std::string entry = digits + ". " + white;
        entry.resize(std::max(entry.size(), digits.size() + 10), ' ');
        list.push_back(entry + std::string(black.size() < 8 ? 8 - black.size() : 0, ' ') + black);
        if (s == 0)
            break;
    }
    const std::string trimmed = trim(t);
    const std::size_t g = pgn::FindLastBefore(trimmed, " ", trimmed.size());
    result = g == 0 ? "" : trim(trimmed.substr(g - 1));
}

TEST(FillMoveList, GivesTheResultsOfTheDefinedSearchesOnGeneratedTexts) {
    // Move numbers, Black continuations (some written right after another), stray periods and
    // runs of spaces, so that blanked continuations, overlapping dots and long gaps all occur.
    const char* tokens[] = {"1.", "2.", "3.", "12.", "1...", "2...", "3...", "2....", ".", "...",
                            " ",  " ",  " ",  "  ",  "e4",   "d5",   "Nf3",  "exd5",  "*", "1-0"};
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> count(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(tokens) - 1);
    std::size_t entries = 0;
    for (int i = 0; i < 30000; ++i) {
        std::string text;
        for (std::size_t k = count(random); k > 0; --k)
            text += tokens[pick(random)];
        List expected;
        std::string expectedResult = "prev";
        referenceFill(text, expected, expectedResult);
        std::string result = "prev";
        List got;
        pgn::FillMoveList(text, got, result);
        ASSERT_EQ(got, expected) << '"' << text << '"';
        ASSERT_EQ(result, expectedResult) << '"' << text << '"';
        entries += got.size();
    }
    EXPECT_GT(entries, 5000u);
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
