// The move generator against the published perft counts, and the positions that decide what is
// legal: castling rights and paths, en passant, pins, promotion, check, mate and stalemate.
#include "pgn/fen.h"
#include "rules/position.h"

#include <gtest/gtest.h>
#include <string>

namespace {

rules::Position fromFen(const std::string& fen) {
    pgn::SetUpPosition setUp;
    const std::string error = pgn::ReadFen(fen, setUp);
    EXPECT_EQ(error, "") << fen;
    return pgn::RulesPosition(setUp);
}

struct PerftCase {
    const char* name;
    const char* fen;
    std::uint64_t nodes[4]; // depth 1 to 4
};

// The usual test positions and their node counts, as published with them.
const PerftCase kPerft[] = {
    {"initial",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
     {20, 400, 8902, 197281}},
    {"Kiwipete",
     "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
     {48, 2039, 97862, 4085603}},
    {"position 3", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", {14, 191, 2812, 43238}},
    {"position 4",
     "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
     {6, 264, 9467, 422333}},
    {"position 4 mirrored",
     "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
     {6, 264, 9467, 422333}},
    {"position 5",
     "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
     {44, 1486, 62379, 2103487}},
    {"position 6",
     "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
     {46, 2079, 89890, 3894594}},
};

TEST(Perft, TheStandardPositionsGiveThePublishedCountsToDepthFour) {
    for (const PerftCase& c : kPerft) {
        const rules::Position position = fromFen(c.fen);
        for (int depth = 1; depth <= 4; ++depth)
            EXPECT_EQ(rules::perft(position, depth), c.nodes[depth - 1])
                << c.name << " at depth " << depth;
    }
}

TEST(Rules, EndingsAndChecksFollowThePosition) {
    const struct {
        const char* fen;
        bool inCheck;
        rules::Ending ending;
    } cases[] = {
        {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", true,
         rules::Ending::Checkmate}, // fool's mate
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", false, rules::Ending::Stalemate},
        {"7k/8/6K1/8/8/8/8/7R b - - 0 1", true, rules::Ending::None},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", false, rules::Ending::None},
    };
    for (const auto& c : cases) {
        const rules::Position position = fromFen(c.fen);
        EXPECT_EQ(position.inCheck(), c.inCheck) << c.fen;
        EXPECT_EQ(position.ending(), c.ending) << c.fen;
    }
}

TEST(Rules, SetUpPositionsDropRightsThatDoNotFitAndRefuseImpossiblePositions) {
    // A right without its rook, and an en passant square that no pawn passed, are dropped.
    const rules::Position position = fromFen("4k2r/8/8/8/8/8/8/4K3 b KQk e3 0 1");
    EXPECT_EQ(position.castlingRights(), unsigned{rules::BlackKingSide});
    EXPECT_EQ(position.enPassantSquare(), rules::kNoSquare);

    const std::pair<const char*, const char*> refused[] = {
        {"8/8/8/8/8/8/8/4K3 w - - 0 1", "Black has no king"},
        {"4k3/8/8/8/8/8/8/3KK3 w - - 0 1", "White has more than one king"},
        {"4k3/8/8/8/8/8/8/P3K3 w - - 0 1", "a pawn stands on rank 1"},
        {"4k2R/8/8/8/8/8/8/4K3 w - - 0 1", "the side not to move is in check"},
    };
    for (const auto& [fen, reason] : refused) {
        pgn::SetUpPosition setUp;
        EXPECT_EQ(pgn::ReadFen(fen, setUp), reason) << fen;
    }
}

} // namespace
