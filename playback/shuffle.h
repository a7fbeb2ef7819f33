// The fair shuffle of random game order: a keyed permutation of the games 0 .. n-1, so that a
// shuffle is kept as a key and a position in it, whatever the number of games (Qt-free).
//
// The permutation is a Feistel network on the next power of two at or above n, whose rounds mix
// the key with a 64-bit hash; a value that falls outside 0 .. n-1 goes through the network again
// until it falls inside ("cycle walking"). The network's domain is less than twice n, so a step
// takes fewer than two passes on average, and the object holds a few words for any n.
#pragma once

#include <array>
#include <cstdint>

namespace pw2 {

class KeyedPermutation {
public:
    // A permutation of 0 .. n-1 chosen by key; n of 0 permutes nothing.
    KeyedPermutation(std::uint64_t n, std::uint64_t key);

    std::uint64_t size() const { return n_; }
    // The value at position index (index < size()); each value comes at exactly one position.
    std::uint64_t at(std::uint64_t index) const;

private:
    static constexpr int kRounds = 6; // even, so that the halves end as they began
    // One pass of the network over the whole domain of bits_ bits.
    std::uint64_t encrypt(std::uint64_t x) const;

    std::uint64_t n_;
    int bits_ = 0;     // the domain is 2^bits_ values
    int highBits_ = 0; // the halves' widths at the start: high + low = bits_
    std::array<std::uint64_t, kRounds> roundKeys_{};
};

// The stored shuffle key of the random game order: a key drawn from a random number in [0, 1)
// joined with a check of the match's number of games, so that a key stored for another number
// of games is never taken for this match's. Keys are whole numbers below 2^52, exact in the
// settings' number reading, and never 0 (0 stores "no shuffle").
std::uint64_t makeShuffleKey(double random, std::uint64_t games);
// Whether a stored key is one that makeShuffleKey gives for this number of games.
bool shuffleKeyFits(std::int64_t key, std::uint64_t games);

// The game (1-based) at a step (0-based) of the shuffle of a stored key over a match of games
// (step < games).
std::uint64_t shuffledGame(std::uint64_t key, std::uint64_t games, std::uint64_t step);

} // namespace pw2
