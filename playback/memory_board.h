// A board held in memory that answers the engine as the board control does, for replays that need
// no display: pawnwatch2-check's worker threads each replay on one of their own (the control is a
// widget and lives on the program's main thread). Qt-free.
//
// Each member behaves as the control's member of the same name: Piece reads and writes one
// square; MovePiece carries the piece on the origin to the target, replacing what stood there
// (a move onto its own square changes nothing). NewGame sets the start position. A coordinate
// outside 1 to 8 raises pgn::BoardError with the control's number (PieceReadRange for a read of
// Piece, CoordinateRange for every other member) and text "Invalid column or row"; a Piece value
// outside 1 to 13 raises InvalidPropertyValue, "Invalid property value".
#pragma once

#include "pgn/interfaces.h"

#include <cstdint>

namespace pw2 {

class MemoryBoard final : public pgn::Board {
public:
    MemoryBoard();

    std::int32_t piece(std::int16_t col, std::int16_t row) override;
    void readSquares(pgn::Squares& out) override { out = squares_; }
    void setPiece(std::int16_t col, std::int16_t row, std::int32_t value) override;
    void movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                   std::int16_t toRow) override;
    // The start position.
    void newGame();

private:
    std::int32_t& at(int col, int row) { return squares_.at[col - 1][row - 1]; }

    pgn::Squares squares_{};
};

} // namespace pw2
