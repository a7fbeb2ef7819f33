// The PGN engine: checks and cleans one game's text, splits its movetext into move list entries,
// and resolves each move in Standard Algebraic Notation to board coordinates and plays it.
//
// Text is bytes; positions count bytes from 1, with 0 meaning "none". Failures are reported
// through the Host or in the result, as each function describes; nothing here throws but
// std::bad_alloc when memory runs out.
#pragma once

#include "pgn/interfaces.h"
#include "rules/position.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pgn {

// Removes tag pairs, comments and variations (innermost first), turns line breaks into spaces and
// blanks numeric annotation glyphs. A bracket, brace or parenthesis that does not pair up shows
// one critical message and gives the empty text. A glyph with no space after it is blanked to the
// end of the text.
std::string CleanGameText(std::string_view text, Host& host);

// Clears list and adds one entry per move number: the number, ". ", White's move left-aligned in
// 8 characters and Black's move right-aligned in 8 (a longer move keeps its full text). Sets
// GameResult to the last space-separated token of the text ("" when the text has no space).
void FillMoveList(std::string_view text, std::vector<std::string>& list, std::string& GameResult);

// Where the moves of a game from a set-up position begin: its first move number, and whether
// Black moves first.
struct MoveListStart {
    int number = 1; // 1 to 32767
    bool blackFirst = false;
};
// FillMoveList for a game whose moves begin at start.number. When Black moves first, the first
// entry is that number's, with "..." in White's column and Black's move the first word after the
// number and the periods after it ("12... Nf6" gives "12. ...          Nf6").
void FillMoveList(std::string_view text, std::vector<std::string>& list, std::string& GameResult,
                  MoveListStart start);

// The largest position i from start down to 1 at which text continues with pattern; 0 when there
// is none or start is below 1.
std::size_t FindLastBefore(std::string_view text, std::string_view pattern, std::size_t start);

// The two move columns of a move list entry: its last 16 characters (all of it when shorter).
std::string_view EntryColumns(std::string_view entry);
// White's move of an entry, as the move player reads it: the first 8 of the last 16 characters,
// spaces removed.
std::string_view WhiteColumn(std::string_view entry);
// Black's move (or a termination marker): the last 8 characters, spaces removed.
std::string_view BlackColumn(std::string_view entry);
// True for the three results "1-0", "0-1" and "1/2-1/2".
bool IsResult(std::string_view token);

// The move resolver's values. They live for the whole run and carry over from move to move.
struct ResolverState {
    // The last move resolved, in board coordinates (castling leaves them as they were).
    std::int16_t FromCol = 0;
    std::int16_t FromRow = 0;
    std::int16_t ToCol = 0;
    std::int16_t ToRow = 0;
    // The result wording, or what the last move did to the other side: "Checkmate",
    // "Stalemate", the check wording, or empty.
    std::string MoveStatus;
    // Why the last move could not be played, in plain words ("no white knight can reach d7");
    // empty when it was played.
    std::string FailureReason;

    // The position the moves are played in, with what the squares alone do not tell: the
    // castling rights, the en passant square and the move counters.
    rules::Position position;
    // The board's squares as they stood after the last move played here. A board that no longer
    // shows them (its pieces were placed by hand) is read again, with the castling rights its
    // kings and rooks on their home squares allow and no en passant square.
    Squares boardSeen{};
    bool positionKnown = false;
};

// Starts a game in position: the board is expected to show it when the first move is played.
void StartPosition(ResolverState& state, const rules::Position& position);
// StartPosition from the initial position of a game.
void StartInitialPosition(ResolverState& state);

enum class MoveOutcome {
    Played,        // the half-move was played, or a termination marker's wording was shown
    GameAbandoned, // the move could not be played: its message was shown, the next game follows
    Invalid,       // the move's first character is no piece or file: "Invalid Move" was shown,
                   // and the program ends
};

// Plays one half-move (or shows the result wording of a termination marker) on board.
// SideToMove is 1 for White, 2 for Black. What follows a move that cannot be played is the
// caller's to do, as the outcome says.
MoveOutcome PlayMove(std::string move, std::int32_t SideToMove, ResolverState& state, Board& board,
                     Host& host);

} // namespace pgn
