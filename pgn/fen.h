// Games from a set-up position: a game's FEN tag, and the position its Forsyth-Edwards Notation
// describes.
#pragma once

#include "pgn/interfaces.h"
#include "rules/position.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pgn {

struct SetUpPosition {
    Squares squares{};       // PieceNum values, at[col - 1][row - 1] as the Board holds them
    bool whiteToMove = true; // the side to move
    bool castling[4]{};      // K, Q, k, q: the castling rights the FEN gives
    std::int16_t epCol = 0;  // the en passant target square; 0 when there is none
    std::int16_t epRow = 0;
    int halfMoveClock = 0;
    int fullMoveNumber = 1; // 1 to 32767; a FEN's 0 counts as 1
};

// The value of the first FEN tag in the tag pairs at the start of a game's text. False when the
// tag pairs hold none. Reads each byte at most once.
// When end is given, it is set to where that tag ends: just after its "]" (or at the end of the
// text).
bool FindFenTag(std::string_view gameText, std::string& value, std::size_t* end = nullptr);

// Reads a position in Forsyth-Edwards Notation: placement, side to move, castling rights, en
// passant square, and optionally the half-move clock and full-move number. Returns "" and fills
// position, or says what is wrong with the text or why the position cannot arise in a game (no
// king, two kings of a side, a pawn on the first or last rank, the side not to move in check);
// position is then unspecified. Reads each byte once.
std::string ReadFen(std::string_view fen, SetUpPosition& position);

// The position as the rules of chess hold it. Castling rights whose king and rook are not on their
// home squares are dropped, and so is an en passant square that no pawn has just passed.
rules::Position RulesPosition(const SetUpPosition& position);

// Shows position on board: every square that differs from it is written with setPiece. May throw
// BoardError.
void SetUpBoard(const SetUpPosition& position, Board& board);

} // namespace pgn
