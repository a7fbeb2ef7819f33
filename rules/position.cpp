#include "rules/position.h"

#include <bit>
#include <cstddef>

namespace rules {
namespace {

constexpr int kKnightSteps[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                    {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
constexpr int kKingSteps[8][2] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                  {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
constexpr int kDiagonals[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
constexpr int kLines[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
constexpr Kind kPromotions[4] = {Kind::Queen, Kind::Rook, Kind::Bishop, Kind::Knight};

constexpr bool onBoard(int file, int rank) {
    return file >= 0 && file < 8 && rank >= 0 && rank < 8;
}

constexpr std::size_t index(int square) {
    return static_cast<std::size_t>(square);
}

// The rank a side's pawns move towards: +1 for White, -1 for Black.
constexpr int forward(Color side) {
    return side == Color::White ? 1 : -1;
}
constexpr int homeRank(Color side) {
    return side == Color::White ? 0 : 7;
}
constexpr int pawnStartRank(Color side) {
    return side == Color::White ? 1 : 6;
}
constexpr int lastRank(Color side) {
    return side == Color::White ? 7 : 0;
}

constexpr unsigned kingSideRight(Color side) {
    return side == Color::White ? WhiteKingSide : BlackKingSide;
}
constexpr unsigned queenSideRight(Color side) {
    return side == Color::White ? WhiteQueenSide : BlackQueenSide;
}

bool isOwn(Piece piece, Color side) {
    return piece != NoPiece && colorOf(piece) == side;
}

using Bitboard = std::uint64_t;

constexpr Bitboard bit(int square) {
    return Bitboard{1} << square;
}

// The eight directions; the first four step to higher squares, the last four to lower ones.
constexpr int kDirections[8][2] = {{0, 1},  {1, 0},  {1, 1},   {-1, 1},
                                   {0, -1}, {-1, 0}, {-1, -1}, {1, -1}};
constexpr bool isDiagonal(int direction) {
    return kDirections[direction][0] != 0 && kDirections[direction][1] != 0;
}

// The squares each piece attacks from each square on an empty board.
struct AttackTables {
    Bitboard knight[64]{};
    Bitboard king[64]{};
    Bitboard pawn[2][64]{}; // what a pawn of each side on the square attacks
    Bitboard ray[8][64]{};  // the squares from the square to the edge in each direction
    Bitboard lines[64]{};   // every square a queen on the square would reach on an empty board
};

constexpr Bitboard steps(int square, const int (&offsets)[8][2]) {
    Bitboard reached = 0;
    for (const auto& step : offsets) {
        const int f = fileOf(square) + step[0];
        const int r = rankOf(square) + step[1];
        if (onBoard(f, r))
            reached |= bit(makeSquare(f, r));
    }
    return reached;
}

constexpr AttackTables makeAttackTables() {
    AttackTables t;
    for (int square = 0; square < 64; ++square) {
        const int file = fileOf(square);
        const int rank = rankOf(square);
        t.knight[square] = steps(square, kKnightSteps);
        t.king[square] = steps(square, kKingSteps);
        for (const int f : {file - 1, file + 1}) {
            if (onBoard(f, rank + 1))
                t.pawn[0][square] |= bit(makeSquare(f, rank + 1));
            if (onBoard(f, rank - 1))
                t.pawn[1][square] |= bit(makeSquare(f, rank - 1));
        }
        for (int d = 0; d < 8; ++d) {
            for (int f = file + kDirections[d][0], r = rank + kDirections[d][1]; onBoard(f, r);
                 f += kDirections[d][0], r += kDirections[d][1])
                t.ray[d][square] |= bit(makeSquare(f, r));
            t.lines[square] |= t.ray[d][square];
        }
    }
    return t;
}

constexpr AttackTables kAttacks = makeAttackTables();

// The squares a slider on square reaches in one direction, up to and with the first piece.
Bitboard rayAttacks(int direction, int square, Bitboard occupied) {
    Bitboard reached = kAttacks.ray[direction][square];
    const Bitboard blockers = reached & occupied;
    if (blockers != 0) {
        const int first =
            direction < 4 ? std::countr_zero(blockers) : 63 - std::countl_zero(blockers);
        reached ^= kAttacks.ray[direction][first];
    }
    return reached;
}

Bitboard bishopAttacks(int square, Bitboard occupied) {
    Bitboard reached = 0;
    for (int d = 0; d < 8; ++d) {
        if (isDiagonal(d))
            reached |= rayAttacks(d, square, occupied);
    }
    return reached;
}

Bitboard rookAttacks(int square, Bitboard occupied) {
    Bitboard reached = 0;
    for (int d = 0; d < 8; ++d) {
        if (!isDiagonal(d))
            reached |= rayAttacks(d, square, occupied);
    }
    return reached;
}

// Takes the lowest square out of a set and gives it.
int popSquare(Bitboard& set) {
    const int square = std::countr_zero(set);
    set &= set - 1;
    return square;
}

// The castling right that a move from or onto a rook's home square takes away.
unsigned rightOfCorner(int square) {
    switch (square) {
    case makeSquare(0, 0):
        return WhiteQueenSide;
    case makeSquare(7, 0):
        return WhiteKingSide;
    case makeSquare(0, 7):
        return BlackQueenSide;
    case makeSquare(7, 7):
        return BlackKingSide;
    default:
        return 0;
    }
}

} // namespace

Position Position::initial() {
    static const Position kInitial = [] {
        Layout layout;
        constexpr Kind kBackRank[8] = {Kind::Rook, Kind::Knight, Kind::Bishop, Kind::Queen,
                                       Kind::King, Kind::Bishop, Kind::Knight, Kind::Rook};
        for (int file = 0; file < 8; ++file) {
            layout.squares[index(makeSquare(file, 0))] = makePiece(Color::White, kBackRank[file]);
            layout.squares[index(makeSquare(file, 1))] = makePiece(Color::White, Kind::Pawn);
            layout.squares[index(makeSquare(file, 6))] = makePiece(Color::Black, Kind::Pawn);
            layout.squares[index(makeSquare(file, 7))] = makePiece(Color::Black, kBackRank[file]);
        }
        layout.castling = WhiteKingSide | WhiteQueenSide | BlackKingSide | BlackQueenSide;
        return fromLayout(layout);
    }();
    return kInitial;
}

Position Position::fromLayout(const Layout& layout) {
    Position position;
    position.squares_ = layout.squares;
    position.setUpBitboards();
    position.toMove_ = layout.toMove;
    position.halfMoveClock_ = layout.halfMoveClock;
    position.fullMoveNumber_ = layout.fullMoveNumber;
    position.findKings();

    for (const Color side : {Color::White, Color::Black}) {
        const int rank = homeRank(side);
        if (position.at(makeSquare(4, rank)) != makePiece(side, Kind::King))
            continue;
        const Piece rook = makePiece(side, Kind::Rook);
        if ((layout.castling & kingSideRight(side)) != 0 &&
            position.at(makeSquare(7, rank)) == rook)
            position.castling_ |= static_cast<std::uint8_t>(kingSideRight(side));
        if ((layout.castling & queenSideRight(side)) != 0 &&
            position.at(makeSquare(0, rank)) == rook)
            position.castling_ |= static_cast<std::uint8_t>(queenSideRight(side));
    }

    // An en passant square stands behind a pawn of the side not to move that has just advanced
    // two squares: the square and the one the pawn came from are empty.
    const int ep = layout.enPassant;
    if (ep >= 0 && ep < 64) {
        const Color passer = opposite(layout.toMove);
        const int passedRank = pawnStartRank(passer) + forward(passer);
        if (rankOf(ep) == passedRank && position.at(ep) == NoPiece &&
            position.at(ep + 8 * forward(passer)) == makePiece(passer, Kind::Pawn) &&
            position.at(ep - 8 * forward(passer)) == NoPiece)
            position.enPassant_ = static_cast<std::int8_t>(ep);
    }
    return position;
}

Position::Layout Position::layout() const {
    return {squares_, toMove_, castling_, enPassant_, halfMoveClock_, fullMoveNumber_};
}

void Position::findKings() {
    kings_ = {kNoSquare, kNoSquare};
    for (int square = 0; square < 64; ++square) {
        const Piece piece = at(square);
        if (kindOf(piece) != Kind::King)
            continue;
        std::int8_t& king = kings_[static_cast<std::size_t>(colorOf(piece))];
        if (king == kNoSquare)
            king = static_cast<std::int8_t>(square);
    }
}

std::string_view Position::problem() const {
    int kings[2] = {0, 0};
    for (int square = 0; square < 64; ++square) {
        const Piece piece = at(square);
        if (kindOf(piece) == Kind::King)
            ++kings[static_cast<int>(colorOf(piece))];
        if (kindOf(piece) == Kind::Pawn && (rankOf(square) == 0 || rankOf(square) == 7))
            return "a pawn stands on the first or last rank";
    }
    if (kings[0] == 0)
        return "White has no king";
    if (kings[1] == 0)
        return "Black has no king";
    if (kings[0] > 1)
        return "White has more than one king";
    if (kings[1] > 1)
        return "Black has more than one king";
    if (attacked(kingSquare(opposite(toMove_)), toMove_))
        return "the side not to move is in check";
    return {};
}

bool Position::attacked(int square, Color by) const {
    if (square < 0 || square >= 64)
        return false;
    const Bitboard occupied = this->occupied();
    const Bitboard queens = pieces(by, Kind::Queen);
    return (kAttacks.pawn[static_cast<std::size_t>(opposite(by))][square] &
            pieces(by, Kind::Pawn)) != 0 ||
           (kAttacks.knight[square] & pieces(by, Kind::Knight)) != 0 ||
           (kAttacks.king[square] & pieces(by, Kind::King)) != 0 ||
           (bishopAttacks(square, occupied) & (pieces(by, Kind::Bishop) | queens)) != 0 ||
           (rookAttacks(square, occupied) & (pieces(by, Kind::Rook) | queens)) != 0;
}

void Position::put(int square, Piece piece) {
    const Bitboard b = bit(square);
    const Piece old = squares_[index(square)];
    if (old != NoPiece) {
        bitboards_[old & 15] &= ~b;
        byColor_[static_cast<std::size_t>(colorOf(old))] &= ~b;
    }
    squares_[index(square)] = piece;
    if (piece != NoPiece) {
        bitboards_[piece & 15] |= b;
        byColor_[static_cast<std::size_t>(colorOf(piece))] |= b;
    }
}

void Position::setUpBitboards() {
    bitboards_ = {};
    byColor_ = {};
    for (int square = 0; square < 64; ++square) {
        const Piece piece = squares_[index(square)];
        if (piece == NoPiece)
            continue;
        bitboards_[piece & 15] |= bit(square);
        byColor_[static_cast<std::size_t>(colorOf(piece))] |= bit(square);
    }
}

void Position::movePieces(const Move& move) {
    const Piece mover = at(move.from);
    put(move.from, NoPiece);
    if (move.special == Move::Special::EnPassant)
        put(makeSquare(fileOf(move.to), rankOf(move.from)), NoPiece);
    put(move.to, move.promotion != Kind::None ? makePiece(colorOf(mover), move.promotion) : mover);
    const int rank = rankOf(move.from);
    if (move.special == Move::Special::CastleKingSide) {
        put(makeSquare(5, rank), at(makeSquare(7, rank)));
        put(makeSquare(7, rank), NoPiece);
    } else if (move.special == Move::Special::CastleQueenSide) {
        put(makeSquare(3, rank), at(makeSquare(0, rank)));
        put(makeSquare(0, rank), NoPiece);
    }
}

bool Position::inCheck() const {
    if (inCheck_ < 0) {
        const int king = kingSquare(toMove_);
        inCheck_ = king != kNoSquare && attacked(king, opposite(toMove_)) ? 1 : 0;
    }
    return inCheck_ == 1;
}

void Position::pseudoMovesTo(Kind kind, int to, MovesTo& out) const {
    const Color us = toMove_;
    const Piece target = at(to);
    if (isOwn(target, us))
        return;
    const int file = fileOf(to);
    const int rank = rankOf(to);
    const Piece mover = makePiece(us, kind);
    auto add = [&](int from, Move::Special special = Move::Special::None) {
        out.push(
            {static_cast<std::int8_t>(from), static_cast<std::int8_t>(to), Kind::None, special});
    };
    auto addEach = [&](Bitboard from) {
        while (from != 0)
            add(popSquare(from));
    };
    const Bitboard movers = bitboards_[mover];

    switch (kind) {
    case Kind::Knight:
        addEach(kAttacks.knight[to] & movers);
        break;
    case Kind::King:
        addEach(kAttacks.king[to] & movers);
        break;
    case Kind::Bishop:
        addEach(bishopAttacks(to, occupied()) & movers);
        break;
    case Kind::Rook:
        addEach(rookAttacks(to, occupied()) & movers);
        break;
    case Kind::Queen:
        addEach((bishopAttacks(to, occupied()) | rookAttacks(to, occupied())) & movers);
        break;
    case Kind::Pawn: {
        const int back = rank - forward(us);
        if (!onBoard(file, back))
            break;
        if (target == NoPiece) {
            const int behind = makeSquare(file, back);
            if (at(behind) == mover)
                add(behind);
            else if (at(behind) == NoPiece && back == pawnStartRank(us) + forward(us) &&
                     at(makeSquare(file, back - forward(us))) == mover)
                add(makeSquare(file, back - forward(us)), Move::Special::DoublePush);
        }
        const bool capture = target != NoPiece;
        const bool enPassant = target == NoPiece && to == enPassant_;
        if (!capture && !enPassant)
            break;
        for (const int f : {file - 1, file + 1}) {
            if (onBoard(f, back) && at(makeSquare(f, back)) == mover)
                add(makeSquare(f, back),
                    enPassant ? Move::Special::EnPassant : Move::Special::None);
        }
        break;
    }
    case Kind::None:
        break;
    }
}

bool Position::leavesKingInCheck(const Move& move) const {
    // A king that is not in check is exposed only along the line from it through the square
    // the mover leaves (unless the king moves itself, or en passant takes a second piece away).
    const int ownKing = kingSquare(toMove_);
    if (ownKing != kNoSquare && kindOf(at(move.from)) != Kind::King &&
        move.special != Move::Special::EnPassant && !inCheck())
        return opensLineToKing(ownKing, move);
    const int king = kindOf(at(move.from)) == Kind::King ? move.to : ownKing;
    if (king == kNoSquare)
        return false;
    Position after = *this;
    after.movePieces(move);
    return after.attacked(king, opposite(toMove_));
}

bool Position::opensLineToKing(int king, const Move& move) const {
    const int files = fileOf(move.from) - fileOf(king);
    const int ranks = rankOf(move.from) - rankOf(king);
    if (files != 0 && ranks != 0 && files != ranks && files != -ranks)
        return false;
    const int df = (files > 0) - (files < 0);
    const int dr = (ranks > 0) - (ranks < 0);
    const bool diagonal = df != 0 && dr != 0;
    const Color them = opposite(toMove_);
    for (int f = fileOf(king) + df, r = rankOf(king) + dr; onBoard(f, r); f += df, r += dr) {
        const int square = makeSquare(f, r);
        if (square == move.to)
            return false; // the mover stays on the line
        const Piece hit = square == move.from ? NoPiece : at(square);
        if (hit == NoPiece)
            continue;
        const Kind kind = kindOf(hit);
        return colorOf(hit) == them &&
               (kind == Kind::Queen || kind == (diagonal ? Kind::Bishop : Kind::Rook));
    }
    return false;
}

CastlingBlock Position::castling(bool kingSide, Move& move) const {
    const Color us = toMove_;
    const Color them = opposite(us);
    const int rank = homeRank(us);
    const int king = makeSquare(4, rank);
    const int rook = makeSquare(kingSide ? 7 : 0, rank);
    if ((castling_ & (kingSide ? kingSideRight(us) : queenSideRight(us))) == 0 ||
        at(king) != makePiece(us, Kind::King) || at(rook) != makePiece(us, Kind::Rook))
        return CastlingBlock::NoRight;
    for (int file = kingSide ? 5 : 1; file <= (kingSide ? 6 : 3); ++file) {
        if (at(makeSquare(file, rank)) != NoPiece)
            return CastlingBlock::SquareOccupied;
    }
    if (attacked(king, them))
        return CastlingBlock::KingInCheck;
    if (attacked(makeSquare(kingSide ? 5 : 3, rank), them))
        return CastlingBlock::PassesAttacked;
    const int target = makeSquare(kingSide ? 6 : 2, rank);
    if (attacked(target, them))
        return CastlingBlock::LandsAttacked;
    move = {static_cast<std::int8_t>(king), static_cast<std::int8_t>(target), Kind::None,
            kingSide ? Move::Special::CastleKingSide : Move::Special::CastleQueenSide};
    return CastlingBlock::None;
}

template <class Visit>
bool Position::anyPseudoMove(Visit&& visit) const {
    const Color us = toMove_;
    auto emit = [&](int from, int to, Move::Special special = Move::Special::None) {
        return visit(Move{static_cast<std::int8_t>(from), static_cast<std::int8_t>(to), Kind::None,
                          special});
    };
    for (int from = 0; from < 64; ++from) {
        const Piece piece = at(from);
        if (!isOwn(piece, us))
            continue;
        const int file = fileOf(from);
        const int rank = rankOf(from);
        auto steps = [&](const int(&offsets)[8][2]) {
            for (const auto& step : offsets) {
                const int f = file + step[0];
                const int r = rank + step[1];
                if (onBoard(f, r) && !isOwn(at(makeSquare(f, r)), us) &&
                    emit(from, makeSquare(f, r)))
                    return true;
            }
            return false;
        };
        auto slides = [&](const int(&directions)[4][2]) {
            for (const auto& d : directions) {
                int f = file + d[0];
                int r = rank + d[1];
                while (onBoard(f, r)) {
                    const Piece hit = at(makeSquare(f, r));
                    if (isOwn(hit, us))
                        break;
                    if (emit(from, makeSquare(f, r)))
                        return true;
                    if (hit != NoPiece)
                        break;
                    f += d[0];
                    r += d[1];
                }
            }
            return false;
        };
        switch (kindOf(piece)) {
        case Kind::Pawn: {
            const int ahead = rank + forward(us);
            if (!onBoard(file, ahead))
                break;
            auto pawnMove = [&](int to, Move::Special special) {
                if (rankOf(to) != lastRank(us))
                    return emit(from, to, special);
                for (const Kind promotion : kPromotions) {
                    if (visit(Move{static_cast<std::int8_t>(from), static_cast<std::int8_t>(to),
                                   promotion, special}))
                        return true;
                }
                return false;
            };
            const int push = makeSquare(file, ahead);
            if (at(push) == NoPiece) {
                if (pawnMove(push, Move::Special::None))
                    return true;
                const int twoAhead = makeSquare(file, ahead + forward(us));
                if (rank == pawnStartRank(us) && at(twoAhead) == NoPiece &&
                    emit(from, twoAhead, Move::Special::DoublePush))
                    return true;
            }
            for (const int f : {file - 1, file + 1}) {
                if (!onBoard(f, ahead))
                    continue;
                const int to = makeSquare(f, ahead);
                const Piece target = at(to);
                if (target != NoPiece && !isOwn(target, us) && pawnMove(to, Move::Special::None))
                    return true;
                if (target == NoPiece && to == enPassant_ &&
                    emit(from, to, Move::Special::EnPassant))
                    return true;
            }
            break;
        }
        case Kind::Knight:
            if (steps(kKnightSteps))
                return true;
            break;
        case Kind::Bishop:
            if (slides(kDiagonals))
                return true;
            break;
        case Kind::Rook:
            if (slides(kLines))
                return true;
            break;
        case Kind::Queen:
            if (slides(kDiagonals) || slides(kLines))
                return true;
            break;
        case Kind::King: {
            if (steps(kKingSteps))
                return true;
            for (const bool kingSide : {true, false}) {
                Move castle;
                if (castling(kingSide, castle) == CastlingBlock::None && visit(castle))
                    return true;
            }
            break;
        }
        case Kind::None:
            break;
        }
    }
    return false;
}

void Position::legalMoves(MoveList& out) const {
    out.clear();
    anyPseudoMove([&](const Move& move) {
        if (!leavesKingInCheck(move))
            out.push(move);
        return false;
    });
}

bool Position::hasLegalMove() const {
    // Most positions show a legal move at once: while the king is not in check, any move of a
    // piece off its king's lines is legal.
    const int king = kingSquare(toMove_);
    if (king != kNoSquare && !inCheck()) {
        const Color us = toMove_;
        const Bitboard own = byColor_[static_cast<std::size_t>(us)];
        const Bitboard enemy = byColor_[static_cast<std::size_t>(opposite(us))];
        const Bitboard free = own & ~kAttacks.lines[king] & ~bit(king);
        const Bitboard pawns = free & pieces(us, Kind::Pawn);
        const Bitboard pushed = us == Color::White ? pawns << 8 : pawns >> 8;
        if ((pushed & ~occupied()) != 0)
            return true;
        for (Bitboard set = pawns; set != 0;) {
            if ((kAttacks.pawn[static_cast<std::size_t>(us)][popSquare(set)] & enemy) != 0)
                return true;
        }
        for (Bitboard set = free & pieces(us, Kind::Knight); set != 0;) {
            if ((kAttacks.knight[popSquare(set)] & ~own) != 0)
                return true;
        }
        const Bitboard queens = pieces(us, Kind::Queen);
        for (Bitboard set = free & (pieces(us, Kind::Bishop) | queens); set != 0;) {
            const int from = popSquare(set);
            if ((kAttacks.king[from] & ~own & bishopAttacks(from, 0)) != 0)
                return true;
        }
        for (Bitboard set = free & (pieces(us, Kind::Rook) | queens); set != 0;) {
            const int from = popSquare(set);
            if ((kAttacks.king[from] & ~own & rookAttacks(from, 0)) != 0)
                return true;
        }
    }
    return anyPseudoMove([this](const Move& move) { return !leavesKingInCheck(move); });
}

Ending Position::ending() const {
    if (hasLegalMove())
        return Ending::None;
    return inCheck() ? Ending::Checkmate : Ending::Stalemate;
}

void Position::play(const Move& move) {
    const Color us = toMove_;
    const Piece mover = at(move.from);
    const bool capture = at(move.to) != NoPiece || move.special == Move::Special::EnPassant;
    movePieces(move);

    if (kindOf(mover) == Kind::King) {
        kings_[static_cast<std::size_t>(us)] = move.to;
        castling_ &= static_cast<std::uint8_t>(~(kingSideRight(us) | queenSideRight(us)));
    }
    castling_ &= static_cast<std::uint8_t>(~(rightOfCorner(move.from) | rightOfCorner(move.to)));
    enPassant_ = move.special == Move::Special::DoublePush
                     ? static_cast<std::int8_t>((move.from + move.to) / 2)
                     : static_cast<std::int8_t>(kNoSquare);
    halfMoveClock_ = kindOf(mover) == Kind::Pawn || capture ? 0 : halfMoveClock_ + 1;
    inCheck_ = -1;
    if (us == Color::Black)
        ++fullMoveNumber_;
    toMove_ = opposite(us);
}

std::uint64_t perft(const Position& position, int depth) {
    if (depth <= 0)
        return 1;
    MoveList moves;
    position.legalMoves(moves);
    if (depth == 1)
        return moves.size();
    std::uint64_t nodes = 0;
    for (const Move& move : moves) {
        Position next = position;
        next.play(move);
        nodes += perft(next, depth - 1);
    }
    return nodes;
}

} // namespace rules
