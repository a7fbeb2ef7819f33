#include "board_fixture.h"
#include "pgn/game_reader.h"
#include "playback/game_player.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace pgn::pieces;

class BoardProxyTest : public pw2::test::BoardTest {
protected:
    // The piece placement of squares, for messages that show where mirror and control differ.
    static std::string text(const pgn::Squares& squares) {
        std::string fen;
        for (int row = 0; row < 8; ++row) {
            for (int col = 0; col < 8; ++col)
                fen += std::string_view(".?prnbqkPRNBQK")
                           .at(static_cast<std::size_t>(std::clamp(squares.at[col][row], 0, 13)));
            fen += row < 7 ? "/" : "";
        }
        return fen;
    }

    // The mirror, as the proxy answers whole-board and single-square reads, against the control.
    void expectMirrorInStep(const std::string& where) {
        pgn::Squares mirror{};
        board().readSquares(mirror);
        const pgn::Squares control = controlSquares();
        ASSERT_EQ(text(mirror), text(control)) << where;
        for (std::int16_t col = 1; col <= 8; ++col) {
            for (std::int16_t row = 1; row <= 8; ++row)
                ASSERT_EQ(board().piece(col, row), control.at[col - 1][row - 1]) << where;
        }
    }
};

TEST_F(BoardProxyTest, CallsEveryMemberByDispatch) {
    EXPECT_EQ(board().piece(5, 8), wking);
    EXPECT_EQ(board().piece(4, 1), BQueen);
    EXPECT_TRUE(board().isLegalMove(7, 8, 6, 6));
    EXPECT_FALSE(board().isLegalMove(5, 7, 5, 5));
    board().movePiece(5, 7, 5, 5);
    board().setPiece(3, 4, WQueen);
    EXPECT_EQ(placement(), "rnbqkbnr/pppppppp/8/2Q5/4P3/8/PPPP1PPP/RNBQKBNR");
    expectMirrorInStep("after a move and a write");
    board().clear();
    EXPECT_EQ(placement(), "8/8/8/8/8/8/8/8");
    expectMirrorInStep("after Clear");
    board().newGame();
    EXPECT_EQ(placement(), kStart);
    expectMirrorInStep("after NewGame");
}

TEST_F(BoardProxyTest, RaisedErrorsBecomeBoardErrorsWithNumberAndDescription) {
    auto expectError = [](auto call, std::int32_t number, const char* text) {
        try {
            call();
            ADD_FAILURE() << "no error for " << number;
        } catch (const pgn::BoardError& e) {
            EXPECT_EQ(e.number(), number);
            EXPECT_STREQ(e.what(), text);
        }
    };
    auto& b = board();
    constexpr const char* kRange = "Invalid column or row";
    // Reads outside the board raise the control's own error, though inside it the mirror answers.
    for (const auto& [col, row] : {std::pair<std::int16_t, std::int16_t>{0, 1},
                                   {9, 1},
                                   {1, 0},
                                   {1, 9},
                                   {-1, -1},
                                   {32767, 4}}) {
        expectError([&] { b.piece(col, row); }, -2147220454, kRange);
    }
    expectError([&] { b.setPiece(1, 9, Wrook); }, -2147221503, kRange);
    expectError([&] { b.movePiece(5, 9, 5, 5); }, -2147221503, kRange);
    expectError([&] { b.movePiece(5, 7, 0, 5); }, -2147221503, kRange);
    expectError([&] { b.isLegalMove(0, 8, 1, 6); }, -2147221503, kRange);
    // A refused value changes nothing, in the control or in the mirror.
    expectError([&] { b.setPiece(1, 1, 14); }, 380, "Invalid property value");
    expectError([&] { b.setPiece(1, 1, 0); }, 380, "Invalid property value");
    EXPECT_EQ(placement(), kStart);
    expectMirrorInStep("after refused calls");
}

TEST_F(BoardProxyTest, MirrorFollowsSpecialMovesAndAFailedMove) {
    // Both castlings, en passant both ways, a promotion with and without capture, an
    // under-promotion, then a move no piece can make: the board stays as it was.
    pw2::GamePlayer player;
    player.load("[Event \"special moves\"]\n"
                "1. e4 d5 2. e5 f5 3. exf6 Nxf6 4. Nf3 e5 5. Be2 Be7 6. O-O a5 7. d3 a4 8. b4 axb3 "
                "9. Nc3 O-O 10. Be3 d4 11. Bxd4 exd4 12. Nb5 bxc2 13. Nbxd4 cxd1=Q 14. Raxd1 c5 "
                "15. Nf5 c4 16. N3d4 Bd7 17. Kh1 Nc6 18. f4 Qa5 19. Nxg7 Qc5 20. Ngf5 Kh8 "
                "21. g4 Qa5 22. g5 Qc5 23. gxf6 Qa5 24. f7 Rg8 25. f8=N Ra6 26. Ng6+ hxg6 "
                "27. Qd8 *\n",
                host);
    board().newGame();
    expectMirrorInStep("at the start");
    int moves = 0;
    const auto replay = player.playToEnd(board(), host, [&](std::string_view move) {
        ++moves;
        expectMirrorInStep("after " + std::string(move));
    });
    EXPECT_EQ(replay.outcome, pgn::MoveOutcome::GameAbandoned);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Illegal move");
    EXPECT_EQ(moves, 53);
    EXPECT_EQ(placement(), "6rk/1p1bb3/r1n3p1/q4N2/2pN1P2/3P4/P3B2P/3R1R1K");
}

TEST_F(BoardProxyTest, MirrorStaysInStepThroughRealGames) {
    const int fd = ::open(PW2_TEST_DATA "/real-games.pgn", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    pgn::GameReader reader(fd, -1);
    pw2::GamePlayer player;
    std::string_view game;
    int games = 0;
    while (reader.next(game)) {
        ++games;
        board().newGame();
        player.load(game, host);
        player.playToEnd(board(), host, [&](std::string_view move) {
            expectMirrorInStep("game " + std::to_string(games) + " after " + std::string(move));
        });
        // A later game starts from the start position, in the mirror as on the control.
        expectMirrorInStep("game " + std::to_string(games) + " at its end");
    }
    ::close(fd);
    EXPECT_EQ(games, 22);
    EXPECT_TRUE(host.messages.empty());
}

} // namespace
