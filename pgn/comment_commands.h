// What the tools that wrote a game put in its comments about the clock and the engine's view:
// "[%clk 0:07:31]" and "[%eval 0.17]" or "[%eval #-3]" of online play, and the engine tournaments'
// "tl=1813635" (time left in milliseconds) and "wv=1.22" or "wv=-M5" (the evaluation from
// White's side, a mate counted in half-moves). Qt-free; nothing here throws, and each comment is
// read in one pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgn {

// An engine's evaluation of the position after a half-move, from White's side.
struct Evaluation {
    bool mate = false;
    // Hundredths of a pawn; for a mate, the mating side's moves to it, positive when White mates
    // (never 0).
    std::int32_t value = 0;
    bool operator==(const Evaluation&) const = default;
};

// The values one comment carries; each is absent when the comment does not give it.
struct CommentCommands {
    // The half-moves of the movetext played before the comment (set by ReadAnnotations).
    std::size_t afterHalfMoves = 0;
    // The time left on the clock of the side that has just moved, in milliseconds.
    std::optional<std::int64_t> clockMs;
    std::optional<Evaluation> evaluation;
    // The comment holds only commands (of online play, or an engine tournament's "name=value"
    // fields such as "book, mb=+0+0+0+0+0,"): nothing in it is for a reader.
    bool onlyCommands = false;
    // When the comment holds an engine tournament's fields: its other fields, the words for a
    // reader ("White mates"), joined by ", " (at most kReaderTextLimit bytes of them); empty when
    // there are none. Absent for any other comment, whose text stands as written (less its
    // "[%...]" commands).
    std::optional<std::string> readerText;
};

// The largest values kept: a clock of 10,000 hours and an evaluation of 10,000 pawns; a larger
// one, like any value that does not read as one, counts as absent.
inline constexpr std::int64_t kLongestClockMs = std::int64_t(10'000) * 3'600'000;
inline constexpr std::int32_t kLargestEvaluation = 1'000'000;
inline constexpr std::size_t kReaderTextLimit = 1024;

// Reads the text between a comment's braces (or after its ";"). Of several values of one kind
// the last counts. "[%clk]" takes H:MM:SS, M:SS or SS with an optional fraction of a second;
// "[%eval]" a number of pawns, or "#" and a signed number of moves, each optionally followed by
// ",depth".
CommentCommands ReadCommentCommands(std::string_view comment);

// The entry of commands (in the order of their places) standing after that many half-moves, or
// nullptr.
const CommentCommands* CommandsAfter(const std::vector<CommentCommands>& commands,
                                     std::size_t halfMoves);

// The evaluation as a viewer writes it: "+1.37", "-0.50", "0.00", "#3" (White mates), "#-3".
std::string EvaluationText(const Evaluation& evaluation);

} // namespace pgn
