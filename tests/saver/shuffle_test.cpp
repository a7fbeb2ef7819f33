// The fair shuffle's keyed permutation and its stored key (playback/shuffle.h): every game comes
// once per shuffle, keys choose different orders, and a key names the number of games it was
// made for.
#include "playback/shuffle.h"
#include "services/settings_parse.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pw2 {
namespace {

// Walks the whole permutation; true when each of 0 .. n-1 comes exactly once.
bool visitsEachOnce(const KeyedPermutation& p) {
    std::vector<bool> seen(p.size(), false);
    for (std::uint64_t i = 0; i < p.size(); ++i) {
        const std::uint64_t v = p.at(i);
        if (v >= p.size() || seen[v])
            return false;
        seen[v] = true;
    }
    return true;
}

TEST(Shuffle, AFullCycleVisitsEachGameOnce) {
    const std::uint64_t keys[] = {0, 1, 0x123456789ABCull, ~std::uint64_t{0}};
    for (const std::uint64_t n : {1ull, 2ull, 7ull, 10'000ull})
        for (const std::uint64_t key : keys)
            EXPECT_TRUE(visitsEachOnce(KeyedPermutation(n, key))) << n << " " << key;
    // Every size up to 300, and sizes at and around powers of two (the network's domain).
    for (std::uint64_t n = 0; n <= 300; ++n)
        EXPECT_TRUE(visitsEachOnce(KeyedPermutation(n, n * 7919 + 3))) << n;
    for (const std::uint64_t n : {1023ull, 1024ull, 1025ull, 4095ull, 4096ull, 4097ull, 65537ull})
        EXPECT_TRUE(visitsEachOnce(KeyedPermutation(n, 42))) << n;
}

TEST(Shuffle, TheOrderIsTheKeysAndOnlyTheKeys) {
    const KeyedPermutation a(10'000, 11);
    const KeyedPermutation again(10'000, 11);
    const KeyedPermutation b(10'000, 12);
    int same = 0;
    int inPlace = 0;
    for (std::uint64_t i = 0; i < 10'000; ++i) {
        EXPECT_EQ(a.at(i), again.at(i));
        same += a.at(i) == b.at(i);
        inPlace += a.at(i) == i;
    }
    // Two keys agree about as often as two random orders do (once on average), and an order
    // leaves about one game where file order has it.
    EXPECT_LT(same, 10);
    EXPECT_LT(inPlace, 10);
    // Both games of two come first under some keys.
    int firstIsZero = 0;
    for (std::uint64_t key = 0; key < 1000; ++key)
        firstIsZero += KeyedPermutation(2, key).at(0) == 0;
    EXPECT_GT(firstIsZero, 400);
    EXPECT_LT(firstIsZero, 600);
}

TEST(Shuffle, EachGameOpensAShuffleAboutAsOften) {
    // Over 7,000 keys drawn as the scheduler draws them, each of 7 games comes first about 1,000
    // times, and each comes last about as often.
    std::vector<int> first(7, 0);
    std::vector<int> last(7, 0);
    for (int i = 0; i < 7000; ++i) {
        const std::uint64_t key = makeShuffleKey((i + 0.5) / 7000, 7);
        ++first[shuffledGame(key, 7, 0) - 1];
        ++last[shuffledGame(key, 7, 6) - 1];
    }
    for (int g = 0; g < 7; ++g) {
        EXPECT_GT(first[g], 850) << g;
        EXPECT_LT(first[g], 1150) << g;
        EXPECT_GT(last[g], 850) << g;
        EXPECT_LT(last[g], 1150) << g;
    }
}

TEST(Shuffle, AStoredKeyNamesItsNumberOfGames) {
    for (const double r : {0.0, 1e-12, 0.25, 0.5, 0.999999999999, 1.0}) {
        for (const std::uint64_t n : {1ull, 2ull, 7ull, 10'000ull, 2'147'483'647ull}) {
            const std::uint64_t key = makeShuffleKey(r, n);
            EXPECT_GT(key, 0u);
            EXPECT_LT(key, std::uint64_t{1} << 52);
            // Kept in the settings as a decimal number and read back through the lenient
            // number reading, the key is the same.
            const std::int64_t read = roundToInt64(lenientNumber(std::to_string(key)));
            EXPECT_EQ(std::uint64_t(read), key);
            EXPECT_TRUE(shuffleKeyFits(read, n)) << r << " " << n;
            EXPECT_FALSE(shuffleKeyFits(read, n + 1)) << r << " " << n;
        }
    }
    EXPECT_NE(makeShuffleKey(0.25, 7), makeShuffleKey(0.5, 7));
    // "No shuffle", a negative or garbage value, or a key too large is no key.
    for (const std::int64_t bad :
         {std::int64_t{0}, std::int64_t{-5}, std::int64_t{1} << 52, INT64_MAX})
        EXPECT_FALSE(shuffleKeyFits(bad, 7)) << bad;
}

} // namespace
} // namespace pw2
