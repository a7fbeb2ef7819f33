// IsLegalMove: movement pattern, path walked from the origin and destination rule; no check,
// castling, en passant or pawn double step.
#include "host.h"

#include <gtest/gtest.h>

using namespace testhost;

namespace {

struct Placed {
    std::int16_t col;
    std::int16_t row;
    std::int32_t piece;
};

struct LegalityCase {
    const char* what;
    std::vector<Placed> position; // empty: the start position
    std::int16_t fromCol, fromRow, toCol, toRow;
    bool legal;
};

void setUp(Board& board, const std::vector<Placed>& position) {
    if (position.empty()) {
        board.newGame();
        return;
    }
    board.clear();
    for (const Placed& placed : position)
        ASSERT_EQ(board.setPiece(placed.col, placed.row, placed.piece), 0);
}

void runTable(const std::vector<LegalityCase>& table) {
    Board board;
    for (const LegalityCase& c : table) {
        setUp(board, c.position);
        const auto before = board.squares();
        EXPECT_EQ(board.isLegalMove(c.fromCol, c.fromRow, c.toCol, c.toRow), c.legal) << c.what;
        EXPECT_EQ(board.squares(), before) << c.what << ": IsLegalMove changed the position";
    }
}

} // namespace

TEST(Legality, OnTheStartPosition) {
    runTable({
        {"knight g1-f3", {}, 7, 8, 6, 6, true},
        {"knight b8-c6", {}, 2, 1, 3, 3, true},
        {"knight g1-e2 onto its own pawn", {}, 7, 8, 5, 7, false},
        {"knight g1-g3 is no knight move", {}, 7, 8, 7, 6, false},
        {"pawn e2-e3", {}, 5, 7, 5, 6, true},
        {"pawn e2-e4, two steps", {}, 5, 7, 5, 5, false},
        {"pawn e7-e6", {}, 5, 2, 5, 3, true},
        {"pawn e7-e5, two steps", {}, 5, 2, 5, 4, false},
        {"pawn e2-d3 onto an empty square diagonally", {}, 5, 7, 4, 6, false},
        {"pawn e2-e1 backwards", {}, 5, 7, 5, 8, false},
        {"pawn e7 backwards", {}, 5, 2, 5, 1, false},
        {"rook a1-a3 blocked by the a2 pawn", {}, 1, 8, 1, 6, false},
        {"bishop c1-e3 blocked by the d2 pawn", {}, 3, 8, 5, 6, false},
        {"queen d1-d3 blocked", {}, 4, 8, 4, 6, false},
        {"queen d8 onto its own pawn", {}, 4, 1, 4, 2, false},
        {"king e1-g1, castling", {}, 5, 8, 7, 8, false},
        {"king e1 onto its own pawn", {}, 5, 8, 5, 7, false},
        {"from an empty square", {}, 4, 4, 4, 5, false},
    });
}

TEST(Legality, NoPieceMayStayOnItsOwnSquare) {
    Board board;
    board.newGame();
    for (std::int16_t row : {1, 2, 7, 8}) {
        for (std::int16_t col = 1; col <= 8; ++col)
            EXPECT_FALSE(board.isLegalMove(col, row, col, row)) << col << "," << row;
    }
    // Every value, on an otherwise empty board.
    for (std::int32_t value = Bpawn; value <= wking; ++value) {
        board.clear();
        ASSERT_EQ(board.setPiece(4, 4, value), 0);
        EXPECT_FALSE(board.isLegalMove(4, 4, 4, 4)) << value;
    }
}

TEST(Legality, Pawns) {
    const Placed wPawn{5, 4, Wpawn};
    const Placed bPawn{4, 4, Bpawn};
    runTable({
        {"white pawn one step up", {wPawn}, 5, 4, 5, 3, true},
        {"white pawn: no en passant", {wPawn, {4, 4, Bpawn}}, 5, 4, 4, 3, false},
        {"white pawn captures up-left", {wPawn, {4, 3, Bknight}}, 5, 4, 4, 3, true},
        {"white pawn captures up-right", {wPawn, {6, 3, Bking}}, 5, 4, 6, 3, true},
        {"white pawn onto its own side diagonally", {wPawn, {4, 3, Wknight}}, 5, 4, 4, 3, false},
        {"white pawn blocked straight ahead by Black", {wPawn, {5, 3, Bpawn}}, 5, 4, 5, 3, false},
        {"white pawn captures backwards", {wPawn, {4, 5, Bpawn}}, 5, 4, 4, 5, false},
        {"white pawn sideways", {wPawn, {4, 4, Bpawn}}, 5, 4, 4, 4, false},
        {"white pawn two steps from its start row", {{5, 7, Wpawn}}, 5, 7, 5, 5, false},
        {"black pawn one step down", {bPawn}, 4, 4, 4, 5, true},
        {"black pawn captures down-right", {bPawn, {5, 5, Wpawn}}, 4, 4, 5, 5, true},
        {"black pawn captures down-left", {bPawn, {3, 5, wking}}, 4, 4, 3, 5, true},
        {"black pawn onto its own side", {bPawn, {3, 5, Bknight}}, 4, 4, 3, 5, false},
        {"black pawn diagonally onto an empty square", {bPawn}, 4, 4, 5, 5, false},
        {"black pawn blocked straight ahead", {bPawn, {4, 5, Wrook}}, 4, 4, 4, 5, false},
        {"black pawn up the board", {bPawn}, 4, 4, 4, 3, false},
        {"black pawn two steps from its start row", {{4, 2, Bpawn}}, 4, 2, 4, 4, false},
    });
}

TEST(Legality, SlidingPiecesWalkThePathFromTheOrigin) {
    const Placed wRook{1, 8, Wrook};
    const Placed bRook{1, 1, Brook};
    const Placed wQueen{4, 5, WQueen};
    runTable({
        {"white rook takes black rook up the open a-file", {wRook, bRook}, 1, 8, 1, 1, true},
        {"black rook takes white rook down the a-file", {wRook, bRook}, 1, 1, 1, 8, true},
        {"a-file blocked in the middle", {wRook, bRook, {1, 5, Bpawn}}, 1, 8, 1, 1, false},
        {"capture of the blocker itself", {wRook, bRook, {1, 5, Bpawn}}, 1, 8, 1, 5, true},
        {"blocked on the first square", {wRook, bRook, {1, 7, Bpawn}}, 1, 8, 1, 1, false},
        {"blocked on the last square before", {wRook, bRook, {1, 2, Wpawn}}, 1, 8, 1, 1, false},
        {"rook along the open first rank", {wRook}, 1, 8, 8, 8, true},
        {"rook diagonally", {wRook}, 1, 8, 3, 6, false},
        {"black rook onto its own side", {bRook, {8, 1, Bknight}}, 1, 1, 8, 1, false},
        {"black rook onto an empty square", {bRook}, 1, 1, 5, 1, true},
        {"pinned bishop still moves",
         {{5, 8, wking}, {4, 7, Wbishop}, {1, 4, Bbishop}},
         4,
         7,
         5,
         6,
         true},
        {"bishop takes the pinning bishop",
         {{5, 8, wking}, {4, 7, Wbishop}, {1, 4, Bbishop}},
         4,
         7,
         1,
         4,
         true},
        {"bishop blocked by its own pawn", {{1, 8, Wbishop}, {3, 6, Wpawn}}, 1, 8, 4, 5, false},
        {"bishop straight ahead", {{1, 8, Wbishop}}, 1, 8, 1, 5, false},
        {"black bishop onto a white queen", {{8, 1, Bbishop}, {1, 8, WQueen}}, 8, 1, 1, 8, true},
        {"black bishop onto its own side", {{8, 1, Bbishop}, {1, 8, Bpawn}}, 8, 1, 1, 8, false},
        {"queen on the diagonal", {wQueen}, 4, 5, 7, 2, true},
        {"queen on the row", {wQueen}, 4, 5, 8, 5, true},
        {"queen on the column", {wQueen}, 4, 5, 4, 1, true},
        {"queen in a knight's jump", {wQueen}, 4, 5, 5, 3, false},
        {"queen off every line", {wQueen}, 4, 5, 6, 4, false},
        {"queen's diagonal blocked", {wQueen, {5, 4, Bpawn}}, 4, 5, 7, 2, false},
        {"a blocker off the line does not matter", {wQueen, {5, 4, Bpawn}}, 4, 5, 4, 1, true},
        {"queen's column blocked", {wQueen, {4, 3, Wpawn}}, 4, 5, 4, 1, false},
        {"black queen takes the white king", {{4, 1, BQueen}, {4, 8, wking}}, 4, 1, 4, 8, true},
    });
}

TEST(Legality, KnightsAndKings) {
    runTable({
        {"knight jumps over a crowd",
         {{2, 8, Wknight}, {1, 7, Wpawn}, {2, 7, Wpawn}, {3, 7, Wpawn}, {1, 6, Bpawn}},
         2,
         8,
         1,
         6,
         true},
        {"knight, two across and one up", {{4, 4, Wknight}}, 4, 4, 6, 3, true},
        {"knight, diagonal step", {{4, 4, Wknight}}, 4, 4, 5, 5, false},
        {"black knight takes White", {{4, 4, Bknight}, {3, 6, Wrook}}, 4, 4, 3, 6, true},
        {"black knight onto Black", {{4, 4, Bknight}, {3, 6, Brook}}, 4, 4, 3, 6, false},
        {"king takes a black pawn", {{5, 5, wking}, {5, 4, Bpawn}}, 5, 5, 5, 4, true},
        {"king diagonally onto an empty square", {{5, 5, wking}}, 5, 5, 4, 6, true},
        {"king onto its own side", {{5, 5, wking}, {6, 6, Wbishop}}, 5, 5, 6, 6, false},
        {"king two columns", {{5, 5, wking}}, 5, 5, 7, 5, false},
        {"black king takes White", {{5, 1, Bking}, {4, 2, WQueen}}, 5, 1, 4, 2, true},
        {"black king onto Black", {{5, 1, Bking}, {4, 2, BQueen}}, 5, 1, 4, 2, false},
        {"kings side by side", {{5, 1, Bking}, {5, 2, wking}}, 5, 2, 5, 1, true},
    });
}
