#include "playback/memory_board.h"

#include <algorithm>
#include <cstdlib>
#include <vantrelkit/vantrelkit.h>

namespace pw2 {
namespace {

using namespace pgn::pieces;

bool onBoard(int value) {
    return value >= 1 && value <= 8;
}

void checkSquare(int col, int row, std::int32_t number) {
    if (!onBoard(col) || !onBoard(row))
        throw pgn::BoardError(number, vantrelkit::kInvalidCoordinateText);
}

bool isBlack(int value) {
    return value >= Bpawn && value <= Bking;
}

bool isWhite(int value) {
    return value >= Wpawn;
}

// A piece never lands on its own side: White may end on anything below Wpawn, Black on an empty
// square or a White piece.
bool destinationAllows(int mover, int target) {
    return isWhite(mover) ? target < Wpawn : target == none || isWhite(target);
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

MemoryBoard::MemoryBoard() {
    newGame();
}

void MemoryBoard::newGame() {
    // Rows run from the eighth rank (row 1) to the first (row 8).
    static constexpr std::int32_t kBack[2][8] = {
        {Brook, Bknight, Bbishop, BQueen, Bking, Bbishop, Bknight, Brook},
        {Wrook, Wknight, Wbishop, WQueen, wking, Wbishop, Wknight, Wrook}};
    for (int col = 1; col <= 8; ++col) {
        for (int row = 1; row <= 8; ++row)
            at(col, row) = none;
        at(col, 1) = kBack[0][col - 1];
        at(col, 2) = Bpawn;
        at(col, 7) = Wpawn;
        at(col, 8) = kBack[1][col - 1];
    }
}

std::int32_t MemoryBoard::piece(std::int16_t col, std::int16_t row) {
    checkSquare(col, row, vantrelkit::error::PieceReadRange);
    return at(col, row);
}

void MemoryBoard::setPiece(std::int16_t col, std::int16_t row, std::int32_t value) {
    checkSquare(col, row, vantrelkit::error::CoordinateRange);
    if (value < none || value > wking)
        throw pgn::BoardError(vantrelkit::error::InvalidPropertyValue, "Invalid property value");
    at(col, row) = value;
}

void MemoryBoard::movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                            std::int16_t toRow) {
    checkSquare(fromCol, fromRow, vantrelkit::error::CoordinateRange);
    checkSquare(toCol, toRow, vantrelkit::error::CoordinateRange);
    if (fromCol == toCol && fromRow == toRow)
        return;
    at(toCol, toRow) = at(fromCol, fromRow);
    at(fromCol, fromRow) = none;
}

bool MemoryBoard::isLegalMove(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                              std::int16_t toRow) {
    if (!onBoard(fromCol) || !onBoard(fromRow) || !onBoard(toCol) || !onBoard(toRow))
        throw pgn::BoardError(vantrelkit::error::CoordinateRange,
                              vantrelkit::kInvalidCoordinateText);
    const int dCol = toCol - fromCol;
    const int dRow = toRow - fromRow;
    if (dCol == 0 && dRow == 0)
        return false;
    const int mover = at(fromCol, fromRow);
    const int target = at(toCol, toRow);
    const int aCol = std::abs(dCol);
    const int aRow = std::abs(dRow);
    switch (mover) {
    case Wpawn:
        if (dRow == -1 && dCol == 0)
            return target == none;
        return dRow == -1 && aCol == 1 && isBlack(target);
    case Bpawn:
        if (dRow == 1 && dCol == 0)
            return target == none;
        return dRow == 1 && aCol == 1 && isWhite(target);
    case Wknight:
    case Bknight:
        return ((aRow == 2 && aCol == 1) || (aRow == 1 && aCol == 2)) &&
               destinationAllows(mover, target);
    case Wbishop:
    case Bbishop:
        return aRow == aCol && pathClear(fromCol, fromRow, toCol, toRow) &&
               destinationAllows(mover, target);
    case Wrook:
    case Brook:
        return (dRow == 0 || dCol == 0) && pathClear(fromCol, fromRow, toCol, toRow) &&
               destinationAllows(mover, target);
    case WQueen:
    case BQueen:
        return (aRow == aCol || dRow == 0 || dCol == 0) &&
               pathClear(fromCol, fromRow, toCol, toRow) && destinationAllows(mover, target);
    case wking:
    case Bking:
        return aRow <= 1 && aCol <= 1 && destinationAllows(mover, target);
    default:
        return false;
    }
}

// The squares strictly between origin and destination, walked from the origin outward.
bool MemoryBoard::pathClear(int fromCol, int fromRow, int toCol, int toRow) const {
    const int sc = sign(toCol - fromCol);
    const int sr = sign(toRow - fromRow);
    const int distance = std::max(std::abs(toCol - fromCol), std::abs(toRow - fromRow));
    for (int k = 1; k < distance; ++k) {
        if (squares_.at[fromCol + k * sc - 1][fromRow + k * sr - 1] != none)
            return false;
    }
    return true;
}

} // namespace pw2
