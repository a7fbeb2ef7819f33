#include "board_fixture.h"

namespace {

using namespace pgn::pieces;

class BoardProxyTest : public pw2::test::BoardTest {};

TEST_F(BoardProxyTest, CallsEveryMemberByDispatch) {
    EXPECT_EQ(board().piece(5, 8), wking);
    EXPECT_EQ(board().piece(4, 1), BQueen);
    EXPECT_TRUE(board().isLegalMove(7, 8, 6, 6));
    EXPECT_FALSE(board().isLegalMove(5, 7, 5, 5));
    board().movePiece(5, 7, 5, 5);
    board().setPiece(3, 4, WQueen);
    EXPECT_EQ(placement(), "rnbqkbnr/pppppppp/8/2Q5/4P3/8/PPPP1PPP/RNBQKBNR");
    board().clear();
    EXPECT_EQ(placement(), "8/8/8/8/8/8/8/8");
    board().newGame();
    EXPECT_EQ(placement(), kStart);
}

TEST_F(BoardProxyTest, RaisedErrorsBecomeBoardErrorsWithNumberAndDescription) {
    auto expectError = [](auto call, std::int32_t number) {
        try {
            call();
            ADD_FAILURE() << "no error for " << number;
        } catch (const pgn::BoardError& e) {
            EXPECT_EQ(e.number(), number);
            EXPECT_STREQ(e.what(), "Invalid column or row");
        }
    };
    auto& b = board();
    expectError([&] { b.piece(0, 1); }, -2147220454);
    expectError([&] { b.setPiece(1, 9, Wrook); }, -2147221503);
    expectError([&] { b.movePiece(5, 9, 5, 5); }, -2147221503);
    expectError([&] { b.isLegalMove(0, 8, 1, 6); }, -2147221503);
    EXPECT_EQ(placement(), kStart);
}

} // namespace
