// The rules of chess under random legal play. The input's first line, when it is a position in
// Forsyth-Edwards Notation that the reader accepts, is where play starts (else the initial
// position); each later byte picks one of the legal moves. After every move: each side has one
// king, the side that moved is not in check, every legal move is one the pieces' movement allows
// and that keeps the king safe, the ending agrees with the moves left, and the position set up
// again from its own layout is the same.
#include "pgn/fen.h"
#include "rules/position.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_rules: %s\n", what);
        std::abort();
    }
}

bool sameLayout(const rules::Position& a, const rules::Position& b) {
    const rules::Position::Layout x = a.layout();
    const rules::Position::Layout y = b.layout();
    return x.squares == y.squares && x.toMove == y.toMove && x.castling == y.castling &&
           x.enPassant == y.enPassant;
}

void checkPosition(const rules::Position& position) {
    int kings[2] = {0, 0};
    for (int square = 0; square < 64; ++square) {
        const rules::Piece piece = position.at(square);
        if (rules::kindOf(piece) == rules::Kind::King)
            ++kings[static_cast<int>(rules::colorOf(piece))];
    }
    require(kings[0] == 1 && kings[1] == 1, "a side has no king or more than one");
    const rules::Color mover = rules::opposite(position.sideToMove());
    require(!position.attacked(position.kingSquare(mover), position.sideToMove()),
            "the side that moved is in check");
    require(sameLayout(rules::Position::fromLayout(position.layout()), position),
            "the position set up from its layout differs");

    rules::MoveList moves;
    position.legalMoves(moves);
    require(moves.empty() == !position.hasLegalMove(), "legalMoves and hasLegalMove disagree");
    const rules::Ending ending = position.ending();
    require((ending != rules::Ending::None) == moves.empty(),
            "the ending disagrees with the moves");
    require((ending == rules::Ending::Checkmate) == (moves.empty() && position.inCheck()),
            "checkmate without check");
    for (const rules::Move& move : moves) {
        require(!position.leavesKingInCheck(move), "a legal move leaves the king in check");
        rules::Position after = position;
        after.play(move);
        require(!after.attacked(after.kingSquare(position.sideToMove()), after.sideToMove()),
                "a move given as legal leaves the king attacked");
        if (move.special == rules::Move::Special::CastleKingSide ||
            move.special == rules::Move::Special::CastleQueenSide)
            continue;
        rules::MovesTo reaching;
        position.pseudoMovesTo(rules::kindOf(position.at(move.from)), move.to, reaching);
        bool found = false;
        for (const rules::Move& m : reaching)
            found = found || (m.from == move.from && m.special == move.special);
        require(found, "a legal move is not among the moves that reach its square");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t next = 0;
    rules::Position position = rules::Position::initial();
    const std::size_t lineEnd = input.find('\n');
    if (lineEnd != std::string_view::npos && lineEnd < 120) {
        pgn::SetUpPosition setUp;
        if (pgn::ReadFen(input.substr(0, lineEnd), setUp).empty()) {
            position = pgn::RulesPosition(setUp);
            next = lineEnd + 1;
        }
    }
    checkPosition(position);
    // A game of random moves seldom ends; a hundred half-moves reach every kind of position.
    constexpr std::size_t kLongestGame = 100;
    for (std::size_t played = 0; next < input.size() && played < kLongestGame; ++next, ++played) {
        rules::MoveList moves;
        position.legalMoves(moves);
        if (moves.empty())
            break;
        position.play(moves[static_cast<std::uint8_t>(input[next]) % moves.size()]);
        checkPosition(position);
    }
    return 0;
}
