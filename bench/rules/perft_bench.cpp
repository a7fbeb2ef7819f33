// The move generator's speed: perft beyond the tests' depth on the standard positions, each count
// checked against the published one, with nodes per second.
//
//   bench_perft
#include "pgn/fen.h"
#include "rules/position.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace {

struct Case {
    const char* name;
    const char* fen;
    int depth;
    std::uint64_t nodes;
};

const Case kCases[] = {
    {"initial", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5, 4865609},
    {"initial", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6, 119060324},
    {"Kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5,
     193690690},
    {"position 3", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 6, 11030083},
    {"position 4", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 5, 15833292},
    {"position 5", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 5, 89941194},
    {"position 6", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 5,
     164075551},
};

} // namespace

int main() {
    int wrong = 0;
    std::uint64_t allNodes = 0;
    double allSeconds = 0;
    std::printf("%-12s %5s %12s %9s %14s  %s\n", "position", "depth", "nodes", "seconds",
                "nodes/second", "count");
    for (const Case& c : kCases) {
        pgn::SetUpPosition setUp;
        if (!pgn::ReadFen(c.fen, setUp).empty())
            return 2;
        const rules::Position position = pgn::RulesPosition(setUp);
        const auto start = std::chrono::steady_clock::now();
        const std::uint64_t nodes = rules::perft(position, c.depth);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        allNodes += nodes;
        allSeconds += seconds;
        const bool right = nodes == c.nodes;
        wrong += right ? 0 : 1;
        std::printf("%-12s %5d %12llu %9.2f %14.0f  %s\n", c.name, c.depth,
                    static_cast<unsigned long long>(nodes), seconds, nodes / seconds,
                    right ? "right" : "WRONG");
    }
    std::printf("%-12s %5s %12llu %9.2f %14.0f\n", "all", "",
                static_cast<unsigned long long>(allNodes), allSeconds, allNodes / allSeconds);
    return wrong == 0 ? 0 : 1;
}
