// Between the board's squares and piece values and those of the rules of chess: the board counts
// columns 1 to 8 for files a to h and rows 1 to 8 for ranks 8 down to 1, with PieceNum values;
// the rules count squares from a1 = 0 with their own pieces.
#pragma once

#include "pgn/interfaces.h"
#include "rules/position.h"

#include <cstdint>

namespace pgn {

constexpr int RulesSquare(int col, int row) {
    return rules::makeSquare(col - 1, 8 - row);
}
constexpr std::int16_t ColOf(int square) {
    return static_cast<std::int16_t>(rules::fileOf(square) + 1);
}
constexpr std::int16_t RowOf(int square) {
    return static_cast<std::int16_t>(8 - rules::rankOf(square));
}

// PieceNum 2 to 7 are Black's pawn, rook, knight, bishop, queen and king, 8 to 13 White's.
constexpr rules::Piece RulesPiece(std::int32_t value) {
    constexpr rules::Kind kKinds[6] = {rules::Kind::Pawn,   rules::Kind::Rook,  rules::Kind::Knight,
                                       rules::Kind::Bishop, rules::Kind::Queen, rules::Kind::King};
    if (value >= pieces::Bpawn && value <= pieces::Bking)
        return rules::makePiece(rules::Color::Black, kKinds[value - pieces::Bpawn]);
    if (value >= pieces::Wpawn && value <= pieces::wking)
        return rules::makePiece(rules::Color::White, kKinds[value - pieces::Wpawn]);
    return rules::NoPiece;
}
constexpr std::int32_t PieceValue(rules::Piece piece) {
    constexpr std::int32_t kOffsets[7] = {0, 0, 2, 3, 1, 4, 5}; // by Kind
    if (piece == rules::NoPiece)
        return pieces::none;
    const std::int32_t first =
        rules::colorOf(piece) == rules::Color::White ? pieces::Wpawn : pieces::Bpawn;
    return first + kOffsets[static_cast<int>(rules::kindOf(piece))];
}

// The squares of a board as the rules hold them.
inline std::array<rules::Piece, 64> RulesSquares(const Squares& squares) {
    std::array<rules::Piece, 64> out{};
    for (int col = 1; col <= 8; ++col) {
        for (int row = 1; row <= 8; ++row)
            out[static_cast<std::size_t>(RulesSquare(col, row))] =
                RulesPiece(squares.at[col - 1][row - 1]);
    }
    return out;
}

} // namespace pgn
