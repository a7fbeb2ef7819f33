#include "position.h"

#include <algorithm>
#include <cstdlib>

namespace vantrelkit {
namespace {

constexpr bool isBlack(int value) {
    return value >= Bpawn && value <= Bking;
}

constexpr bool isWhite(int value) {
    return value >= Wpawn;
}

// A piece never lands on its own side: White may end on anything below Wpawn, Black on an empty
// square or a White piece.
constexpr bool destinationAllows(int mover, int target) {
    return isWhite(mover) ? target < Wpawn : target == none || isWhite(target);
}

constexpr int sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

Position::Position() {
    Squares.fill(none);
}

Status Position::checkSquare(std::int16_t col, std::int16_t row, std::int32_t number) {
    if (isCoordinate(col) && isCoordinate(row))
        return kOk;
    return {number, kInvalidCoordinateText};
}

Status Position::Piece(std::int16_t col, std::int16_t row, PieceNum* value) const {
    const Status status = checkSquare(col, row, error::PieceReadRange);
    if (status.ok())
        *value = Squares[SquareIndex(col, row)];
    return status;
}

Status Position::IsSelected(std::int16_t col, std::int16_t row, bool* value) const {
    const Status status = checkSquare(col, row, error::CoordinateRange);
    if (status.ok())
        *value = Selected[SquareIndex(col, row)];
    return status;
}

Status Position::IsLegalMove(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                             std::int16_t toRow, bool* value) const {
    if (!isCoordinate(fromCol) || !isCoordinate(fromRow) || !isCoordinate(toCol) ||
        !isCoordinate(toRow))
        return {error::CoordinateRange, kInvalidCoordinateText};
    *value = fits(fromCol, fromRow, toCol, toRow);
    return kOk;
}

Status Position::MovePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                           std::int16_t toRow, Move* done) {
    Status status = checkSquare(fromCol, fromRow, error::CoordinateRange);
    if (status.ok())
        status = checkSquare(toCol, toRow, error::CoordinateRange);
    if (!status.ok())
        return status;
    done->from = SquareIndex(fromCol, fromRow);
    done->to = SquareIndex(toCol, toRow);
    done->piece = Squares[done->from];
    if (done->from != done->to) {
        Squares[done->to] = done->piece;
        Squares[done->from] = none;
    }
    return kOk;
}

bool Position::fits(int fromCol, int fromRow, int toCol, int toRow) const {
    const int dCol = toCol - fromCol;
    const int dRow = toRow - fromRow;
    if (dCol == 0 && dRow == 0)
        return false;
    const int mover = Squares[SquareIndex(fromCol, fromRow)];
    const int target = Squares[SquareIndex(toCol, toRow)];
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

// The squares strictly between origin and destination of a straight or diagonal move, walked
// from the origin outward; the first occupied one blocks.
bool Position::pathClear(int fromCol, int fromRow, int toCol, int toRow) const {
    const int sc = sign(toCol - fromCol);
    const int sr = sign(toRow - fromRow);
    const int distance = std::max(std::abs(toCol - fromCol), std::abs(toRow - fromRow));
    for (int k = 1; k < distance; ++k) {
        const auto col = static_cast<std::int16_t>(fromCol + k * sc);
        const auto row = static_cast<std::int16_t>(fromRow + k * sr);
        if (Squares[SquareIndex(col, row)] != none)
            return false;
    }
    return true;
}

} // namespace vantrelkit
