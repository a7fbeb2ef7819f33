// What the saver writes about a game as it is watched, from the game's own bytes: the header's
// values, a half-move as the move list and the current move show it, the summary between games,
// and how long a comment takes to read. Qt-free; every text here is bytes of the file, decoded
// only where it is shown.
#pragma once

#include "pgn/comment_commands.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pw2 {

// The header of a filled layout: values, not tag syntax. An absent tag, an empty value or "?"
// gives nothing.
struct GameHeader {
    std::string white; // "Kasparov, Garry  2805": the name, and the rating when WhiteElo has one
    std::string black;
    std::string event;   // "Linares, round 3"
    std::string date;    // "1928": the known parts of the date before the first unknown one
    std::string opening; // "Sicilian, Najdorf" from Opening and Variation, else the ECO code
};

// Reads the tag pairs at the start of a game's text (up to the first thing that is not a tag);
// values are unescaped (\" and \\). One pass over the tags, each value kept to kTagValueLimit
// bytes.
GameHeader ReadGameHeader(std::string_view gameText);
inline constexpr std::size_t kTagValueLimit = 200;

// Whether a move column holds the game's termination marker rather than a move.
bool IsTerminationMarker(std::string_view column);

// A played half-move as the current move shows it: "17. Rfd1" for White's, "17... Rac8" for
// Black's, with the annotator's glyph after the move ("17. Rfd1!") unless the move already ends
// with one.
std::string HalfMoveText(long number, bool white, std::string_view move, std::string_view glyph);
// The move with its glyph, as the move list's column shows it.
std::string MoveWithGlyph(std::string_view move, std::string_view glyph);
// The move number that an entry of the move list starts with ("17" of "17. Rfd1 ..."); 0 when
// it has none.
long EntryNumber(std::string_view entry);

// The line shown between games: "1-0 · Checkmate · 41 moves"; the result and the way the game
// ended are left out when the game has none. UTF-8.
std::string GameSummary(std::string_view result, std::string_view ending, std::size_t moves);

// How long beyond the time between moves a comment holds the next move back so that it can be
// read: kReadingPerWord a word, at most kLongestReading.
inline constexpr int kReadingPerWordMs = 300;
inline constexpr int kLongestReadingMs = 15000;
int ReadingTimeMs(std::string_view comment);

// A clock as it is shown: "1:23:45" from an hour up, "7:31" below it, and with tenths below ten
// seconds when it has them ("0:07.3").
std::string ClockText(std::int64_t ms);

// The share of the evaluation bar that is White's, from 0 to 1: a mate fills it for the mating
// side, and pawns count as the chances of winning that they give, as the online viewers read
// them: 1 / (1 + exp(-0.00368208 * centipawns)), the pawns capped at 10 either way (+1.00 gives
// 0.59, +3.00 0.75, +10.00 0.98).
double WhiteShare(const pgn::Evaluation& evaluation);

} // namespace pw2
