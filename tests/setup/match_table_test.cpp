#include "services/match_table.h"
#include "services/settings_store.h"
#include "support/doubles.h"

#include <gtest/gtest.h>

namespace pw2 {
namespace {

std::vector<pgn::GameSpan> spans(int count) {
    std::vector<pgn::GameSpan> all;
    for (int i = 0; i < count; ++i)
        all.push_back({std::int64_t(i) * 100 + 1, std::int64_t(i) * 100 + 100});
    return all;
}

bool hasKey(const QString& key) {
    return settings().read(key, "missing") != "missing";
}

TEST(MatchTable, ReplacingWritesEveryGameAndLeavesNoOldKeyBehind) {
    test::Sandbox box;
    auto& s = settings();
    replaceMatchTable(s, "/games/a.pgn", spans(10), 10, 0);
    EXPECT_EQ(s.read("NumOfGames", ""), "10");
    EXPECT_EQ(s.read("MatchBegin10", ""), "901");
    EXPECT_EQ(s.read("MatchEnd10", ""), "1000");

    // Shrinking from 10 to 4.
    replaceMatchTable(s, "/games/b.pgn", spans(4), 4, 2);
    EXPECT_EQ(s.read("PGNFile", ""), "/games/b.pgn");
    EXPECT_EQ(s.read("NumOfGames", ""), "4");
    EXPECT_EQ(s.read("FirstGame", ""), "3");
    EXPECT_EQ(s.read("MatchEnd4", ""), "400");
    for (int n = 5; n <= 10; ++n) {
        EXPECT_FALSE(hasKey(QString("MatchBegin%1").arg(n))) << n;
        EXPECT_FALSE(hasKey(QString("MatchEnd%1").arg(n))) << n;
    }

    // Growing again, with positions beyond single precision kept exact.
    std::vector<pgn::GameSpan> big = spans(6);
    big[5] = {123456789012, 123456789999};
    replaceMatchTable(s, "/games/c.pgn", big, 6, 5);
    EXPECT_EQ(s.read("NumOfGames", ""), "6");
    EXPECT_EQ(s.read("FirstGame", ""), "6");
    EXPECT_EQ(s.read("MatchBegin1", ""), "1");
    EXPECT_EQ(s.count(setting::MatchBegin, 6), 123456789012);
    EXPECT_EQ(s.count(setting::MatchEnd, 6), 123456789999);
}

TEST(MatchTable, WithoutAStoredCountTheKeysOfMatchOneGoFirst) {
    test::Sandbox box;
    auto& s = settings();
    s.write("MatchBegin1", "7");
    s.write("MatchEnd1", "8");
    s.write("MatchBegin2", "9"); // beyond the assumed count of 1: untouched
    replaceMatchTable(s, "/games/none.pgn", {}, 0, -1);
    EXPECT_FALSE(hasKey("MatchBegin1"));
    EXPECT_FALSE(hasKey("MatchEnd1"));
    EXPECT_EQ(s.read("MatchBegin2", ""), "9");
    EXPECT_EQ(s.read("NumOfGames", ""), "0");
    EXPECT_EQ(s.read("FirstGame", ""), "0");
}

} // namespace
} // namespace pw2
