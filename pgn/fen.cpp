// The FEN tag and its reader. Both walk their text once from the front.
#include "pgn/fen.h"

#include "pgn/rules_squares.h"

#include <array>

namespace pgn {
namespace {

using namespace pieces;

constexpr int kLastMoveNumber = 32767; // the move counter is 16-bit
constexpr std::size_t kFields = 6;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::int32_t pieceFromLetter(char c) {
    switch (c) {
    case 'p':
        return Bpawn;
    case 'r':
        return Brook;
    case 'n':
        return Bknight;
    case 'b':
        return Bbishop;
    case 'q':
        return BQueen;
    case 'k':
        return Bking;
    case 'P':
        return Wpawn;
    case 'R':
        return Wrook;
    case 'N':
        return Wknight;
    case 'B':
        return Wbishop;
    case 'Q':
        return WQueen;
    case 'K':
        return wking;
    default:
        return 0;
    }
}

std::string quoted(char c) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
        return "a character that is no piece";
    return std::string("'") + c + "' is no piece";
}

std::string readPlacement(std::string_view field, Squares& squares) {
    for (auto& file : squares.at) {
        for (std::int32_t& value : file)
            value = none;
    }
    int row = 1;
    int col = 1;
    bool afterDigit = false;
    std::array<int, 2> kings{}; // White's, Black's
    for (const char c : field) {
        if (c == '/') {
            if (col != 9)
                return "rank " + std::to_string(9 - row) + " does not have 8 squares";
            if (++row > 8)
                return "the placement has more than 8 ranks";
            col = 1;
            afterDigit = false;
            continue;
        }
        if (c >= '1' && c <= '8') {
            if (afterDigit)
                return "rank " + std::to_string(9 - row) + " has two numbers in a row";
            col += c - '0';
            afterDigit = true;
        } else {
            const std::int32_t piece = pieceFromLetter(c);
            if (piece == 0)
                return "in rank " + std::to_string(9 - row) + ", " + quoted(c);
            if (col <= 8) {
                if ((piece == Wpawn || piece == Bpawn) && (row == 1 || row == 8))
                    return "a pawn stands on rank " + std::to_string(9 - row);
                squares.at[col - 1][row - 1] = piece;
            }
            kings[0] += piece == wking;
            kings[1] += piece == Bking;
            ++col;
            afterDigit = false;
        }
        if (col > 9)
            return "rank " + std::to_string(9 - row) + " has more than 8 squares";
    }
    if (col != 9 || row != 8)
        return row != 8 ? "the placement has " + std::to_string(row) + " ranks, not 8"
                        : "rank 1 does not have 8 squares";
    if (kings[0] != 1)
        return kings[0] == 0 ? "White has no king" : "White has more than one king";
    if (kings[1] != 1)
        return kings[1] == 0 ? "Black has no king" : "Black has more than one king";
    return {};
}

std::string readCastling(std::string_view field, bool (&castling)[4]) {
    if (field == "-")
        return {};
    for (const char c : field) {
        const std::size_t at = std::string_view("KQkq").find(c);
        if (at == std::string_view::npos || castling[at])
            return "the castling rights are not \"-\" or some of \"KQkq\" once each";
        castling[at] = true;
    }
    return {};
}

// A count of at most 9 digits; -1 for anything else.
int readCount(std::string_view field) {
    if (field.empty() || field.size() > 9)
        return -1;
    int n = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

bool FindFenTag(std::string_view text, std::string& value, std::size_t* end) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (;;) {
        while (i < n && isSpace(text[i]))
            ++i;
        if (i == n)
            return false;
        if (text[i] == '%' || text[i] == ';') { // an escape line or a line comment
            while (i < n && text[i] != '\n')
                ++i;
            continue;
        }
        if (text[i] != '[')
            return false; // the movetext begins
        ++i;
        while (i < n && isSpace(text[i]))
            ++i;
        const std::size_t name = i;
        while (i < n && isNameChar(text[i]))
            ++i;
        const bool fen = text.substr(name, i - name) == "FEN";
        while (i < n && isSpace(text[i]))
            ++i;
        std::string tagValue;
        if (i < n && text[i] == '"') {
            for (++i; i < n && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < n)
                    ++i;
                if (fen)
                    tagValue += text[i];
            }
            if (i < n)
                ++i; // the closing quote
        }
        // Whatever stands before the closing bracket is not the value; a FEN tag without a
        // quoted value has its text there instead.
        const std::size_t rest = i;
        while (i < n && text[i] != ']')
            ++i;
        if (fen) {
            value = tagValue.empty() ? std::string(text.substr(rest, i - rest)) : tagValue;
            if (end)
                *end = i < n ? i + 1 : i;
            return true;
        }
        if (i < n)
            ++i;
    }
}

std::string ReadFen(std::string_view fen, SetUpPosition& position) {
    position = SetUpPosition{};
    std::array<std::string_view, kFields> fields{};
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < fen.size()) {
        while (i < fen.size() && isSpace(fen[i]))
            ++i;
        if (i == fen.size())
            break;
        const std::size_t start = i;
        while (i < fen.size() && !isSpace(fen[i]))
            ++i;
        if (count == kFields)
            return "it has more than six fields";
        fields[count++] = fen.substr(start, i - start);
    }
    if (count == 0)
        return "it is empty";
    if (count < 4)
        return "it has " + std::to_string(count) + (count == 1 ? " field" : " fields") +
               ", not the placement, side to move, castling rights and en passant square";

    if (std::string error = readPlacement(fields[0], position.squares); !error.empty())
        return error;

    if (fields[1] != "w" && fields[1] != "b")
        return "the side to move is not \"w\" or \"b\"";
    position.whiteToMove = fields[1] == "w";

    if (std::string error = readCastling(fields[2], position.castling); !error.empty())
        return error;

    const std::string_view ep = fields[3];
    if (ep != "-") {
        const char rank = position.whiteToMove ? '6' : '3';
        if (ep.size() != 2 || ep[0] < 'a' || ep[0] > 'h' || ep[1] != rank)
            return std::string("the en passant square is not \"-\" or a square of rank ") + rank;
        position.epCol = static_cast<std::int16_t>(ep[0] - 'a' + 1);
        position.epRow = static_cast<std::int16_t>(9 - (ep[1] - '0'));
    }

    if (count > 4) {
        position.halfMoveClock = readCount(fields[4]);
        if (position.halfMoveClock < 0)
            return "the half-move clock is not a number";
    }
    if (count > 5) {
        const int number = readCount(fields[5]);
        if (number < 0 || number > kLastMoveNumber)
            return "the move number is not a number from 0 to " + std::to_string(kLastMoveNumber);
        position.fullMoveNumber = number == 0 ? 1 : number;
    }
    return std::string(RulesPosition(position).problem());
}

rules::Position RulesPosition(const SetUpPosition& position) {
    rules::Position::Layout layout;
    layout.squares = RulesSquares(position.squares);
    layout.toMove = position.whiteToMove ? rules::Color::White : rules::Color::Black;
    constexpr unsigned kRights[4] = {rules::WhiteKingSide, rules::WhiteQueenSide,
                                     rules::BlackKingSide, rules::BlackQueenSide};
    for (int i = 0; i < 4; ++i) {
        if (position.castling[i])
            layout.castling |= kRights[i];
    }
    if (position.epCol != 0)
        layout.enPassant = RulesSquare(position.epCol, position.epRow);
    layout.halfMoveClock = position.halfMoveClock;
    layout.fullMoveNumber = position.fullMoveNumber;
    return rules::Position::fromLayout(layout);
}

void SetUpBoard(const SetUpPosition& position, Board& board) {
    Squares now;
    board.readSquares(now);
    for (std::int16_t col = 1; col <= 8; ++col) {
        for (std::int16_t row = 1; row <= 8; ++row) {
            const std::int32_t want = position.squares.at[col - 1][row - 1];
            if (now.at[col - 1][row - 1] != want)
                board.setPiece(col, row, want);
        }
    }
}

} // namespace pgn
