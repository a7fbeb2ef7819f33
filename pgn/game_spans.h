// Where the games of a PGN file lie. This is the one rule every part of the program uses to
// delimit games: a game begins at each "[Event " (with the space); it ends just before the byte
// that precedes the next game's "[Event " (normally that game's line feed, which belongs to no
// game); the last game keeps every byte up to the end of the text.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace pgn {

// 1-based byte positions: the game's text is the bytes from begin to end - 1.
struct GameSpan {
    std::int64_t begin = 0;
    std::int64_t end = 0;

    friend bool operator==(const GameSpan&, const GameSpan&) = default;
};

inline constexpr std::string_view kGameStart = "[Event ";

// The spans of every game of text, in file order.
std::vector<GameSpan> findGameSpans(std::string_view text);

// The bytes from span.begin to span.end - 1, clamped to text: a begin below 1 or beyond the text,
// or an end at or before the begin, gives the empty text.
std::string_view gameText(std::string_view text, GameSpan span);

} // namespace pgn
