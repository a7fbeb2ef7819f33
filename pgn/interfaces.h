// The two small interfaces through which the PGN engine reaches the outside: the board it plays
// on, and the host that shows its texts. The engine knows nothing else of the program.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace pgn {

// An error raised by the board (a rejected coordinate, a failure inside the control).
class BoardError : public std::runtime_error {
public:
    BoardError(std::int32_t number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    std::int32_t number() const noexcept { return number_; }

private:
    std::int32_t number_;
};

// The contents of every square of a board, at[col - 1][row - 1].
struct Squares {
    std::int32_t at[8][8];
};

// The board: square contents are PieceNum values (none 1, Black 2 to 7, White 8 to 13),
// squares are (col, row) with col 1..8 = files a..h and row 1..8 = ranks 8..1.
// Any member may throw BoardError.
class Board {
public:
    virtual std::int32_t piece(std::int16_t col, std::int16_t row) = 0;
    // Every square, as piece() reads them file by file; a board that holds its squares in
    // memory gives them in one call instead of 64.
    virtual void readSquares(Squares& out) {
        for (std::int16_t col = 1; col <= 8; ++col) {
            for (std::int16_t row = 1; row <= 8; ++row)
                out.at[col - 1][row - 1] = piece(col, row);
        }
    }
    virtual void setPiece(std::int16_t col, std::int16_t row, std::int32_t value) = 0;
    virtual void movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                           std::int16_t toRow) = 0;

protected:
    ~Board() = default;
};

// PieceNum values as the board holds them.
namespace pieces {
inline constexpr std::int32_t none = 1;
inline constexpr std::int32_t Bpawn = 2;
inline constexpr std::int32_t Brook = 3;
inline constexpr std::int32_t Bknight = 4;
inline constexpr std::int32_t Bbishop = 5;
inline constexpr std::int32_t BQueen = 6;
inline constexpr std::int32_t Bking = 7;
inline constexpr std::int32_t Wpawn = 8;
inline constexpr std::int32_t Wrook = 9;
inline constexpr std::int32_t Wknight = 10;
inline constexpr std::int32_t Wbishop = 11;
inline constexpr std::int32_t WQueen = 12;
inline constexpr std::int32_t wking = 13;
} // namespace pieces

enum class Icon { None, Critical, Question };

// The saver as the engine sees it.
class Host {
public:
    // The status line beneath the current move.
    virtual void setStatus(std::string_view text) = 0;
    // A modal message box with one OK button.
    virtual void showMessage(std::string_view text, Icon icon) = 0;

protected:
    ~Host() = default;
};

} // namespace pgn
