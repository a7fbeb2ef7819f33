// The board model of Vantrel: the position table, coordinates and square indices, the start
// position, the pattern-legality test and the bookkeeping of a move. Qt-free.
#pragma once

#include <array>
#include <cstdint>
#include <vantrelkit/vantrelkit.h>

namespace vantrelkit {

// The outcome of a member: Ok, or a raised error with its static description.
struct Status {
    std::int32_t number = error::Ok;
    const char* description = nullptr;

    constexpr bool ok() const { return number == error::Ok; }
};

inline constexpr Status kOk{};

constexpr bool isCoordinate(std::int16_t value) {
    return value >= 1 && value <= 8;
}

// Square index 1 (a8, top left) to 64 (h1, bottom right); no range check of its own.
constexpr int SquareIndex(std::int16_t col, std::int16_t row) {
    return (row - 1) * 8 + col;
}

struct Square {
    std::int16_t col;
    std::int16_t row;
};

// The way back from a square index to its column and row.
constexpr Square squareOf(int index) {
    auto row = static_cast<std::int16_t>(index / 8 + 1);
    auto col = static_cast<std::int16_t>(index % 8);
    if (col == 0) {
        col = 8;
        --row;
    }
    return {col, row};
}

constexpr bool isPieceNum(std::int32_t value) {
    return value >= none && value <= wking;
}

struct Placement {
    int index;
    PieceNum piece;
};

// The start position in the order its pieces are placed.
inline constexpr std::array<Placement, 32> kStartPlacement{{
    {1, Brook},    {2, Bknight}, {3, Bbishop}, {4, BQueen},   {5, Bking},    {6, Bbishop},
    {7, Bknight},  {8, Brook},   {9, Bpawn},   {10, Bpawn},   {11, Bpawn},   {12, Bpawn},
    {13, Bpawn},   {14, Bpawn},  {15, Bpawn},  {16, Bpawn},   {64, Wrook},   {63, Wknight},
    {62, Wbishop}, {60, WQueen}, {61, wking},  {59, Wbishop}, {58, Wknight}, {57, Wrook},
    {49, Wpawn},   {50, Wpawn},  {51, Wpawn},  {52, Wpawn},   {53, Wpawn},   {54, Wpawn},
    {55, Wpawn},   {56, Wpawn},
}};

// What MovePiece did to the table: the piece carried from one index to another.
struct Move {
    int from = 0;
    int to = 0;
    PieceNum piece = none;
};

class Position {
public:
    Position();

    // Entry i is the content of square index i; entry 0 is never used.
    std::array<PieceNum, 65> Squares;
    // Per-square selection flags; nothing sets them.
    std::array<bool, 65> Selected{};

    Status Piece(std::int16_t col, std::int16_t row, PieceNum* value) const;
    Status IsSelected(std::int16_t col, std::int16_t row, bool* value) const;
    Status IsLegalMove(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                       std::int16_t toRow, bool* value) const;
    // Writes the destination, then clears the origin. A move onto its own square changes
    // nothing. The caller brings the pictures of both squares in step.
    Status MovePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                     std::int16_t toRow, Move* done);

    // The coordinate check shared by the members: Ok, or `number` with the coordinate text.
    static Status checkSquare(std::int16_t col, std::int16_t row, std::int32_t number);

private:
    bool fits(int fromCol, int fromRow, int toCol, int toRow) const;
    bool pathClear(int fromCol, int fromRow, int toCol, int toRow) const;
};

} // namespace vantrelkit
