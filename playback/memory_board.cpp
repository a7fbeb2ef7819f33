#include "playback/memory_board.h"

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

} // namespace pw2
