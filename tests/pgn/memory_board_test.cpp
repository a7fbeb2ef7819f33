// The in-memory board against the board control: the same answers and the same errors.
#include "board_fixture.h"
#include "playback/memory_board.h"

#include <gtest/gtest.h>

namespace {

using MemoryBoardTest = pw2::test::BoardTest;

// Every square of both boards, as the engine reads them.
void expectSameSquares(pgn::Board& control, pgn::Board& memory) {
    pgn::Squares a{};
    pgn::Squares b{};
    control.readSquares(a);
    memory.readSquares(b);
    for (int col = 0; col < 8; ++col) {
        for (int row = 0; row < 8; ++row)
            EXPECT_EQ(a.at[col][row], b.at[col][row]) << "col " << col + 1 << " row " << row + 1;
    }
}

// The error number and text a call raises, or {0, ""}.
template <class Call>
std::pair<std::int32_t, std::string> errorOf(Call call) {
    try {
        call();
    } catch (const pgn::BoardError& error) {
        return {error.number(), error.what()};
    }
    return {0, ""};
}

TEST_F(MemoryBoardTest, AnswersAndFailsAsTheControlDoes) {
    pw2::MemoryBoard memory;
    expectSameSquares(board(), memory);

    // A crowded middle game, a capture and a move onto its own square.
    const char* placement = "r1bqk2r/pp1n1ppp/2pbpn2/3p4/2PP4/2NBPN2/PP3PPP/R1BQK2R";
    setPlacement(placement);
    pgn::Squares squares{};
    board().readSquares(squares);
    for (std::int16_t col = 1; col <= 8; ++col) {
        for (std::int16_t row = 1; row <= 8; ++row)
            memory.setPiece(col, row, squares.at[col - 1][row - 1]);
    }
    board().movePiece(4, 5, 3, 4); // a capture
    memory.movePiece(4, 5, 3, 4);
    board().movePiece(2, 2, 2, 2); // onto its own square
    memory.movePiece(2, 2, 2, 2);
    expectSameSquares(board(), memory);

    // Out of range: the control's numbers and texts, member by member.
    using Member = std::function<void(pgn::Board&)>;
    const Member members[] = {
        [](pgn::Board& b) { b.piece(0, 1); },
        [](pgn::Board& b) { b.piece(1, 9); },
        [](pgn::Board& b) { b.setPiece(9, 1, pgn::pieces::none); },
        [](pgn::Board& b) { b.setPiece(1, 1, 14); },
        [](pgn::Board& b) { b.setPiece(1, 1, 0); },
        [](pgn::Board& b) { b.movePiece(1, 1, 1, 0); },
    };
    for (const Member& member : members) {
        const auto expected = errorOf([&] { member(board()); });
        EXPECT_NE(expected.first, 0);
        EXPECT_EQ(errorOf([&] { member(memory); }), expected);
    }
    board().newGame();
    memory.newGame();
    expectSameSquares(board(), memory);
}

} // namespace
