// The rules of chess: a position with everything that decides which moves are legal (the side to
// move, the castling rights, the en passant square and the move counters), its legal moves, and
// check, checkmate and stalemate. Qt-free; nothing here throws.
//
// Squares are numbered from a1 = 0 to h8 = 63, file by file within a rank: square = rank * 8 +
// file, with file and rank counted from 0.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace rules {

enum class Color : std::uint8_t { White = 0, Black = 1 };

constexpr Color opposite(Color c) {
    return c == Color::White ? Color::Black : Color::White;
}

enum class Kind : std::uint8_t { None = 0, Pawn, Knight, Bishop, Rook, Queen, King };

// A square's content: a kind and its colour in one byte (Black's pieces carry 8), 0 when empty.
enum Piece : std::uint8_t { NoPiece = 0 };

constexpr Piece makePiece(Color color, Kind kind) {
    return static_cast<Piece>(static_cast<int>(kind) | (color == Color::Black ? 8 : 0));
}
constexpr Kind kindOf(Piece piece) {
    return static_cast<Kind>(piece & 7);
}
// The colour of a piece; NoPiece has none, and asking for it is a mistake.
constexpr Color colorOf(Piece piece) {
    return (piece & 8) != 0 ? Color::Black : Color::White;
}

inline constexpr int kNoSquare = -1;

constexpr int makeSquare(int file, int rank) {
    return rank * 8 + file;
}
constexpr int fileOf(int square) {
    return square & 7;
}
constexpr int rankOf(int square) {
    return square >> 3;
}

// Castling rights, one bit each.
enum Castling : std::uint8_t {
    WhiteKingSide = 1,
    WhiteQueenSide = 2,
    BlackKingSide = 4,
    BlackQueenSide = 8,
};

struct Move {
    enum class Special : std::uint8_t {
        None,
        DoublePush, // a pawn's two-square advance from its start rank
        EnPassant,  // the captured pawn stands beside the mover, not on the target
        CastleKingSide,
        CastleQueenSide, // from and to are the king's squares; the rook moves with it
    };
    std::int8_t from = kNoSquare;
    std::int8_t to = kNoSquare;
    Kind promotion = Kind::None;
    Special special = Special::None;

    friend bool operator==(const Move&, const Move&) = default;
};

// Room for up to N moves; a move beyond that is dropped.
template <std::size_t N>
class MoveBuffer {
public:
    void push(const Move& move) {
        if (size_ < N)
            moves_[size_++] = move;
    }
    void clear() { size_ = 0; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const Move& operator[](std::size_t i) const { return moves_[i]; }
    const Move* begin() const { return moves_.data(); }
    const Move* end() const { return moves_.data() + size_; }

private:
    std::array<Move, N> moves_;
    std::size_t size_ = 0;
};

// Room for every move of any position: no position has more than 218 legal moves.
using MoveList = MoveBuffer<256>;
// Room for the moves of one kind of piece onto one square: no more than eight pieces of a kind
// reach a square (a queen from each direction, a knight from each step).
using MovesTo = MoveBuffer<16>;

// Why a castling cannot be played.
enum class CastlingBlock : std::uint8_t {
    None,           // it is legal
    NoRight,        // the king or that rook has moved (or the set-up position gave no right)
    SquareOccupied, // a square between king and rook holds a piece
    KingInCheck,    // the king may not castle out of check
    PassesAttacked, // the square the king crosses is attacked
    LandsAttacked,  // the king's target square is attacked
};

enum class Ending : std::uint8_t { None, Checkmate, Stalemate };

class Position {
public:
    // An empty board, White to move, no rights.
    Position() = default;
    // The initial position of a game.
    static Position initial();

    // What a set-up position gives: the squares, the side to move, the castling rights (Castling
    // bits), the en passant target square or kNoSquare, and the move counters.
    struct Layout {
        std::array<Piece, 64> squares{};
        Color toMove = Color::White;
        unsigned castling = 0;
        int enPassant = kNoSquare;
        int halfMoveClock = 0;
        long fullMoveNumber = 1;
    };
    // Sets a position up. A castling right whose king and rook do not stand on their home
    // squares is dropped, and so is an en passant square that no pawn has just passed.
    static Position fromLayout(const Layout& layout);
    Layout layout() const;

    // Why the position cannot arise in a game, or empty: a side without a king or with two,
    // a pawn on the first or last rank, or the side not to move in check.
    std::string_view problem() const;

    Piece at(int square) const { return squares_[static_cast<std::size_t>(square)]; }
    Color sideToMove() const { return toMove_; }
    unsigned castlingRights() const { return castling_; }
    int enPassantSquare() const { return enPassant_; }
    int halfMoveClock() const { return halfMoveClock_; }
    long fullMoveNumber() const { return fullMoveNumber_; }
    // The square of a side's king, or kNoSquare when it has none.
    int kingSquare(Color side) const { return kings_[static_cast<std::size_t>(side)]; }

    // Whether a piece of side by attacks square.
    bool attacked(int square, Color by) const;
    // Whether the side to move stands in check.
    bool inCheck() const;

    // The moves of the side to move that put a piece of this kind on square to, by the pieces'
    // movement alone: they may leave the own king in check. Castling is not among them.
    void pseudoMovesTo(Kind kind, int to, MovesTo& out) const;
    // Whether a move the pieces' movement allows leaves the mover's own king in check.
    bool leavesKingInCheck(const Move& move) const;

    // Whether the side to move may castle on that side, and why not; fills move when it may.
    CastlingBlock castling(bool kingSide, Move& move) const;

    // Every legal move of the side to move.
    void legalMoves(MoveList& out) const;
    bool hasLegalMove() const;
    Ending ending() const;

    // Plays a legal move (one that legalMoves gives).
    void play(const Move& move);

private:
    // Calls visit(move) for each move the side to move's pieces allow, castling only where it is
    // legal; stops as soon as visit returns true, and returns whether it did.
    template <class Visit>
    bool anyPseudoMove(Visit&& visit) const;
    // Whether a move of a piece other than the king, which is not in check, opens the line from
    // the king through the square it leaves to an enemy piece that moves along that line.
    bool opensLineToKing(int king, const Move& move) const;
    // Plays a move on the squares alone: the mover on its target (promoted where it promotes),
    // the pawn taken en passant gone, and the rook of a castling beside the king.
    void movePieces(const Move& move);
    void put(int square, Piece piece);
    void setUpBitboards();
    std::uint64_t pieces(Color side, Kind kind) const {
        return bitboards_[static_cast<std::size_t>(makePiece(side, kind))];
    }
    std::uint64_t occupied() const { return byColor_[0] | byColor_[1]; }
    void findKings();

    std::array<Piece, 64> squares_{};
    // The squares of each piece (indexed by Piece) and of each side, one bit a square.
    std::array<std::uint64_t, 16> bitboards_{};
    std::array<std::uint64_t, 2> byColor_{};
    Color toMove_ = Color::White;
    std::uint8_t castling_ = 0;
    std::int8_t enPassant_ = kNoSquare;
    std::array<std::int8_t, 2> kings_{kNoSquare, kNoSquare};
    // Whether the side to move stands in check: -1 until asked, then 0 or 1 until the next move.
    mutable std::int8_t inCheck_ = -1;
    int halfMoveClock_ = 0;
    long fullMoveNumber_ = 1;
};

// The number of move sequences of the given depth from a position (the standard test of a move
// generator).
std::uint64_t perft(const Position& position, int depth);

} // namespace rules
