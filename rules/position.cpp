#include "rules/position.h"

#include <cstddef>

namespace rules {
namespace {

using Squares = std::array<Piece, 64>;

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

bool attackedOn(const Squares& squares, int square, Color by) {
    const int file = fileOf(square);
    const int rank = rankOf(square);
    auto pieceAt = [&squares](int f, int r) {
        return onBoard(f, r) ? squares[index(makeSquare(f, r))] : NoPiece;
    };
    // A pawn attacks the two squares diagonally ahead of it.
    const Piece pawn = makePiece(by, Kind::Pawn);
    const int pawnRank = rank - forward(by);
    if (pieceAt(file - 1, pawnRank) == pawn || pieceAt(file + 1, pawnRank) == pawn)
        return true;
    const Piece knight = makePiece(by, Kind::Knight);
    for (const auto& step : kKnightSteps) {
        if (pieceAt(file + step[0], rank + step[1]) == knight)
            return true;
    }
    const Piece king = makePiece(by, Kind::King);
    for (const auto& step : kKingSteps) {
        if (pieceAt(file + step[0], rank + step[1]) == king)
            return true;
    }
    const Piece queen = makePiece(by, Kind::Queen);
    auto slides = [&](const int(&directions)[4][2], Piece slider) {
        for (const auto& d : directions) {
            int f = file + d[0];
            int r = rank + d[1];
            while (onBoard(f, r)) {
                const Piece hit = squares[index(makeSquare(f, r))];
                if (hit != NoPiece) {
                    if (hit == slider || hit == queen)
                        return true;
                    break;
                }
                f += d[0];
                r += d[1];
            }
        }
        return false;
    };
    return slides(kDiagonals, makePiece(by, Kind::Bishop)) ||
           slides(kLines, makePiece(by, Kind::Rook));
}

// The squares after move: the mover on its target (promoted where it promotes), the pawn taken
// en passant gone, and the rook of a castling beside the king.
void applyMove(Squares& squares, const Move& move) {
    const Piece mover = squares[index(move.from)];
    squares[index(move.from)] = NoPiece;
    if (move.special == Move::Special::EnPassant)
        squares[index(makeSquare(fileOf(move.to), rankOf(move.from)))] = NoPiece;
    squares[index(move.to)] =
        move.promotion != Kind::None ? makePiece(colorOf(mover), move.promotion) : mover;
    const int rank = rankOf(move.from);
    if (move.special == Move::Special::CastleKingSide) {
        squares[index(makeSquare(5, rank))] = squares[index(makeSquare(7, rank))];
        squares[index(makeSquare(7, rank))] = NoPiece;
    } else if (move.special == Move::Special::CastleQueenSide) {
        squares[index(makeSquare(3, rank))] = squares[index(makeSquare(0, rank))];
        squares[index(makeSquare(0, rank))] = NoPiece;
    }
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
}

Position Position::fromLayout(const Layout& layout) {
    Position position;
    position.squares_ = layout.squares;
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
    return attackedOn(squares_, square, by);
}

bool Position::inCheck() const {
    if (inCheck_ < 0) {
        const int king = kingSquare(toMove_);
        inCheck_ = king != kNoSquare && attacked(king, opposite(toMove_)) ? 1 : 0;
    }
    return inCheck_ == 1;
}

void Position::pseudoMovesTo(Kind kind, int to, MoveList& out) const {
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
    auto steps = [&](const int(&offsets)[8][2]) {
        for (const auto& step : offsets) {
            const int f = file + step[0];
            const int r = rank + step[1];
            if (onBoard(f, r) && at(makeSquare(f, r)) == mover)
                add(makeSquare(f, r));
        }
    };
    auto slides = [&](const int(&directions)[4][2]) {
        for (const auto& d : directions) {
            int f = file + d[0];
            int r = rank + d[1];
            while (onBoard(f, r)) {
                const Piece hit = at(makeSquare(f, r));
                if (hit != NoPiece) {
                    if (hit == mover)
                        add(makeSquare(f, r));
                    break;
                }
                f += d[0];
                r += d[1];
            }
        }
    };

    switch (kind) {
    case Kind::Knight:
        steps(kKnightSteps);
        break;
    case Kind::King:
        steps(kKingSteps);
        break;
    case Kind::Bishop:
        slides(kDiagonals);
        break;
    case Kind::Rook:
        slides(kLines);
        break;
    case Kind::Queen:
        slides(kDiagonals);
        slides(kLines);
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
    // A king that is not in check is exposed only by a move of a piece on one of its lines (or
    // by the king's own move, or en passant, which takes a second piece off the board).
    const int ownKing = kingSquare(toMove_);
    if (ownKing != kNoSquare && kindOf(at(move.from)) != Kind::King &&
        move.special != Move::Special::EnPassant && !inCheck()) {
        const int files = fileOf(move.from) - fileOf(ownKing);
        const int ranks = rankOf(move.from) - rankOf(ownKing);
        if (files != 0 && ranks != 0 && files != ranks && files != -ranks)
            return false;
    }
    Squares after = squares_;
    applyMove(after, move);
    const int king = kindOf(at(move.from)) == Kind::King ? move.to : kingSquare(toMove_);
    return king != kNoSquare && attackedOn(after, king, opposite(toMove_));
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
    applyMove(squares_, move);

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
