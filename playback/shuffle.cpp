#include "playback/shuffle.h"

#include <algorithm>
#include <cmath>

namespace pw2 {
namespace {

constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ull;
// A stored key: the drawn part above the check of the number of games.
constexpr int kCheckBits = 20;
constexpr std::uint64_t kCheckMask = (std::uint64_t{1} << kCheckBits) - 1;
constexpr double kDrawnKeys = 4294967295.0; // 2^32 - 1 drawn parts, from 1

// SplitMix64's finalizer: a bijection of 64 bits in which every input bit reaches every output
// bit.
std::uint64_t mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t lowMask(int bits) {
    return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

std::uint64_t gamesCheck(std::uint64_t games) {
    return mix(games ^ 0x5A17C0FFEEull) & kCheckMask;
}

} // namespace

KeyedPermutation::KeyedPermutation(std::uint64_t n, std::uint64_t key)
    : n_(std::min(n, std::uint64_t{1} << 62)) {
    while ((std::uint64_t{1} << bits_) < n_)
        ++bits_;
    highBits_ = bits_ - bits_ / 2;
    std::uint64_t state = key;
    for (std::uint64_t& k : roundKeys_) {
        state += kGolden;
        k = mix(state);
    }
}

std::uint64_t KeyedPermutation::encrypt(std::uint64_t x) const {
    int highWidth = highBits_;
    int lowWidth = bits_ - highBits_;
    std::uint64_t high = x >> lowWidth;
    std::uint64_t low = x & lowMask(lowWidth);
    for (const std::uint64_t k : roundKeys_) {
        // (high, low) becomes (low, high ^ F(low)): the halves trade places and widths.
        const std::uint64_t f = mix(k ^ (low * kGolden)) & lowMask(highWidth);
        const std::uint64_t newLow = high ^ f;
        high = low;
        low = newLow;
        std::swap(highWidth, lowWidth);
    }
    return (high << lowWidth) | low;
}

std::uint64_t KeyedPermutation::at(std::uint64_t index) const {
    if (n_ == 0)
        return 0;
    // The network permutes the whole domain, so the walk from a value below n comes back below
    // n before it could come back to where it started.
    std::uint64_t x = index;
    do
        x = encrypt(x);
    while (x >= n_);
    return x;
}

std::uint64_t makeShuffleKey(double random, std::uint64_t games) {
    const double r = std::isnan(random) ? 0.0 : std::clamp(random, 0.0, 1.0);
    const auto drawn = std::uint64_t(std::min(std::floor(r * kDrawnKeys), kDrawnKeys - 1)) + 1;
    return (drawn << kCheckBits) | gamesCheck(games);
}

bool shuffleKeyFits(std::int64_t key, std::uint64_t games) {
    if (key <= 0 || key >= (std::int64_t{1} << (32 + kCheckBits)))
        return false;
    const auto k = std::uint64_t(key);
    return (k >> kCheckBits) != 0 && (k & kCheckMask) == gamesCheck(games);
}

std::uint64_t shuffledGame(std::uint64_t key, std::uint64_t games, std::uint64_t step) {
    return KeyedPermutation(games, key).at(step) + 1;
}

} // namespace pw2
