// The match list's rows and filter on real games whose tag values hold "]", "[" and escaped quotes
// and backslashes (tests/data/tags-and-line-comments.pgn).
#include "pgnfile/game_index.h"
#include "setup/match_catalog.h"
#include "support/doubles.h"

#include <QFile>
#include <gtest/gtest.h>

namespace pw2 {
namespace {

TEST(TagValues, RowsRunThroughTheWholeBlackTagAndTheFilterFindsValuesUnescaped) {
    const std::string text = test::readTestData("tags-and-line-comments.pgn");
    ASSERT_FALSE(text.empty());
    const GameIndex index(text);
    ASSERT_EQ(index.size(), 3u);
    // A row shows the tags as the file writes them, through the Black tag's closing "]".
    EXPECT_EQ(index.entry(0), "1- [Event \"URS-WORLD [board 1]\"]\n[Site \"Belgrade\"]\n"
                              "[Date \"1970\"]\n[Round \"?\"]\n[White \"Larsen,B\"]\n"
                              "[Black \"Spassky,B\"]");
    EXPECT_TRUE(index.entryBody(1).ends_with("[Black \"Alekhine,A \\\\ Aljechin,A\"]"));
    EXPECT_TRUE(index.entryBody(2).ends_with("[Black \"Huebner, Robert\"]"));

    for (const std::size_t piece : {std::size_t(1), std::size_t(5), text.size()}) {
        MatchCatalogBuilder builder;
        for (std::size_t at = 0; at < text.size(); at += piece)
            builder.add(std::string_view(text).substr(at, piece));
        const auto catalog = builder.finish();
        ASSERT_EQ(catalog->size(), 3u);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(catalog->entryBody(i), index.entryBody(i)) << i;
        // White, Black, Event, Site, Date, folded and unescaped.
        EXPECT_EQ(catalog->findText(1), "bogoljubow,e \"bogo\"\nalekhine,a \\ aljechin,a\n"
                                        "wch \"return match\" [game 18]\nger\\nld\n1929.??.??\n");
        using Found = std::vector<std::uint32_t>;
        EXPECT_EQ(catalog->find({"[board", "1]"}), Found{0});
        EXPECT_EQ(catalog->find({"\"bogo\""}), Found{1});
        EXPECT_EQ(catalog->find({"a \\ a"}), Found{1});
        EXPECT_EQ(catalog->find({"\\\\"}), Found{}); // the escape itself is not in any value
        EXPECT_EQ(catalog->find({"huebner"}), Found{2});
    }
}

} // namespace
} // namespace pw2
