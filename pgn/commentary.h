// The comments of a game's main line, for the saver to show beneath the board as the game is
// played: the comment before the first move, and the comment after each half-move.
#pragma once

#include "pgn/comment_commands.h"

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
    // left out, never empty, at most kCommentLimit bytes. An engine tournament's "name=value"
    // fields ("tl=..., wv=...") are left out too; a comment of nothing else is not kept.
    std::string text;
    bool cut = false; // the comment went on: the text ends where it was cut
};

// An annotator's glyph on a half-move of the main line: one of the numeric annotation glyphs $1
// to $6 ("!", "?", "!!", "??", "!?", "?!"); the others are not kept.
struct MoveGlyph {
    std::size_t halfMove = 0; // the half-move it follows, counted from 1
    unsigned nag = 0;         // 1 to 6
};

// What the annotator wrote beside the main line's moves.
struct Annotations {
    std::vector<Comment> comments;
    // In the order of their half-moves, at most one a half-move (the first of $1 to $6 there).
    std::vector<MoveGlyph> glyphs;
    // The clocks and evaluations of the main line's comments, in the order of their places, one
    // entry a place (of several comments there, the last value of each kind counts). Their
    // onlyCommands is false.
    std::vector<CommentCommands> commands;
};

// The main line's comments and glyphs, read as ReadCommentary reads the comments.
Annotations ReadAnnotations(std::string_view gameText);

// The glyph's text: "!", "?", "!!", "??", "!?" or "?!"; empty for any other number.
std::string_view GlyphText(unsigned nag);

// The glyph's text after that many half-moves, or empty.
std::string_view GlyphAfter(const std::vector<MoveGlyph>& glyphs, std::size_t halfMoves);

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
