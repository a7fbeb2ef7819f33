// The comments of a game's main line, for the saver to show beneath the board as the game is
// played: the comment before the first move, and the comment after each half-move.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pgn {

// The longest comment shown, in bytes; a longer one is cut at a word.
inline constexpr std::size_t kCommentLimit = 300;

struct Comment {
    // The half-moves of the movetext played before it: 0 for a comment before the first move.
    std::size_t afterHalfMoves = 0;
    // Runs of spaces and line breaks made one space, commands of other tools ("[%clk 0:03:00]")
    // left out, never empty, at most kCommentLimit bytes.
    std::string text;
    bool cut = false; // the comment went on: the text ends where it was cut
};

// The main line's comments, in the order of their places; comments standing at the same place
// are joined with a space. The game's text is read as CleanGameText reads it: tag pairs (with
// their quoted values) anywhere, then comments in braces, from ";" to the end of a line and "%"
// lines (never shown), then variations, whose comments are not the main line's. Half-moves are
// counted as the move list reads them: after a move number "n." White's move and Black's, after
// "n..." Black's; glyphs, results and other words are not moves. One pass over the text.
std::vector<Comment> ReadCommentary(std::string_view gameText);

// The comment standing after that many half-moves, or nullptr.
const Comment* CommentAfter(const std::vector<Comment>& comments, std::size_t halfMoves);

} // namespace pgn
