#include "board_fixture.h"

namespace {

using pw2::test::Message;

const std::string kGameError = "There is an error found in this game.\r\n"
                               "Please open the PGN file in a text editor and fix this error.\r\n"
                               "if you press Enter, Pawnwatch will play the next game.";

class PlayMoveTest : public pw2::test::BoardTest {
protected:
    // The move fails with the error report: one message without icon, then the next game.
    void expectErrorReport(const std::string& move, std::int32_t side) {
        host = {};
        EXPECT_EQ(play(move, side), pgn::MoveOutcome::GameAbandoned) << move;
        EXPECT_EQ(host.messages, (std::vector<Message>{{kGameError, pgn::Icon::None}})) << move;
    }
};

TEST_F(PlayMoveTest, TerminationMarkersShowTheResultWordingAndLeaveTheBoard) {
    const std::pair<const char*, const char*> cases[] = {{"1-0", "White wins"},
                                                         {"0-1", "Black wins"},
                                                         {"1/2-1/2", "Drawn game"},
                                                         {"*", "Game was not completed"}};
    for (const auto& [marker, wording] : cases) {
        host = {};
        play(marker, 2);
        EXPECT_EQ(state.MoveStatus, wording);
        EXPECT_EQ(host.statuses, std::vector<std::string>{wording});
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(placement(), kStart);
    }
}

// The status comes from the position, whatever marks the text carries.
TEST_F(PlayMoveTest, TheStatusNamesMateAndChecksFromThePosition) {
    playLine({"e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6"});
    EXPECT_EQ(host.statuses.back(), "");
    host = {};
    play("Qxf7#", 1);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"", "Checkmate"}));
    EXPECT_EQ(state.MoveStatus, "Checkmate");
    EXPECT_EQ(placement(), "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR");

    // A check mark that the position does not bear out shows nothing; two marks are both removed.
    setPlacement(kStart);
    host = {};
    play("Nf6+", 2);
    play("Nc3+#", 1);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(placement(), "rnbqkb1r/pppppppp/5n2/8/8/2N5/PPPPPPPP/R1BQKBNR");
    // A check without a mark shows the check wording of the side in check.
    setPlacement("r3k3/8/8/8/8/8/8/4K3");
    play("Ra1", 2);
    EXPECT_EQ(state.MoveStatus, "white King Checked");
    setPlacement("4k3/8/8/8/8/8/8/R3K3");
    play("Ra8", 1);
    EXPECT_EQ(state.MoveStatus, "Black King Checked");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PlayMoveTest, PawnPushesCapturesAndEnPassant) {
    play("e4", 1);
    play("e6", 2);
    play("d3", 1);
    play("e5", 2);
    EXPECT_EQ(placement(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/3P4/PPP2PPP/RNBQKBNR");
    EXPECT_EQ(state.FromRow, 3);
    EXPECT_EQ(state.ToRow, 4);

    // White takes en passant right after the double push: the pawn passed by is removed.
    setPlacement("4k3/3p4/8/4P3/8/8/8/4K3");
    play("d5", 2);
    play("exd6", 1);
    EXPECT_EQ(placement(), "4k3/8/3P4/8/8/8/8/4K3");
    // With a piece on the target square it is an ordinary capture.
    setPlacement("4k3/8/3n4/3pP3/8/8/8/4K3");
    play("exd6", 1);
    EXPECT_EQ(placement(), "4k3/8/3P4/3p4/8/8/8/4K3");
    // Black takes en passant.
    setPlacement("4k3/8/8/8/4p3/8/3P4/4K3");
    play("d4", 1);
    play("exd3", 2);
    EXPECT_EQ(placement(), "4k3/8/8/8/8/3p4/8/4K3");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PlayMoveTest, PromotionsPlaceTheNamedPieceOfTheMover) {
    setPlacement("8/4P3/8/8/8/8/8/k6K");
    play("e8=Q", 1);
    EXPECT_EQ(placement(), "4Q3/8/8/8/8/8/8/k6K");
    setPlacement("k6K/8/8/8/8/8/4p3/3R4");
    play("exd1=N+", 2);
    EXPECT_EQ(placement(), "k6K/8/8/8/8/8/8/3n4");
    setPlacement("1r5k/P7/8/8/8/8/8/K7");
    play("axb8=R", 1);
    EXPECT_EQ(placement(), "1R5k/8/8/8/8/8/8/K7");
    EXPECT_TRUE(host.messages.empty());

    // A promotion to a king is illegal; the board stays.
    setPlacement("8/4P3/8/8/8/8/8/k6K");
    EXPECT_EQ(play("e8=K", 1), pgn::MoveOutcome::GameAbandoned);
    EXPECT_EQ(host.messages, (std::vector<Message>{{"Illegal move", pgn::Icon::Critical}}));
    EXPECT_EQ(placement(), "8/4P3/8/8/8/8/8/k6K");
}

TEST_F(PlayMoveTest, CastlingMovesRookThenKingAndKeepsTheResolvedSquares) {
    setPlacement("r3k2r/8/8/8/8/8/8/R3K2R");
    state.FromCol = 3;
    play("O-O", 1);
    play("0-0-0", 2);
    EXPECT_EQ(placement(), "2kr3r/8/8/8/8/8/8/R4RK1");
    setPlacement("r3k2r/8/8/8/8/8/8/R3K2R");
    play("o-o-o", 1);
    play("o-o", 2);
    EXPECT_EQ(placement(), "r4rk1/8/8/8/8/8/8/2KR3R");
    EXPECT_EQ(state.FromCol, 3);

    // Castling with no side to move does nothing; another text starting like castling is an
    // error in the game.
    setPlacement("r3k2r/8/8/8/8/8/8/R3K2R");
    play("0-0", 0);
    EXPECT_TRUE(host.messages.empty());
    expectErrorReport("O-O-O-O", 1);
    EXPECT_EQ(placement(), "r3k2r/8/8/8/8/8/8/R3K2R");
}

TEST_F(PlayMoveTest, PieceMovesFindTheMoverAndFollowTheDisambiguation) {
    // Two knights can reach d7: the file names the one on b8.
    setPlacement("1n3k2/8/5n2/8/8/8/8/4K3");
    play("Nbd7", 2);
    EXPECT_EQ(placement(), "5k2/3n4/5n2/8/8/8/8/4K3");
    // The rank names the rook on the first rank.
    setPlacement("4k3/8/8/R7/8/8/8/R3K3");
    play("R1a3", 1);
    EXPECT_EQ(placement(), "4k3/8/8/R7/8/R7/8/4K3");
    // A full from-square.
    setPlacement("k7/8/8/8/4Q2Q/8/8/7K");
    play("Qh4xe1", 1);
    EXPECT_EQ(placement(), "k7/8/8/8/4Q3/8/8/4Q2K");
    // Without disambiguation the first in search order moves: the a-file first, rank 8 first.
    setPlacement("4k3/8/8/8/8/5N2/8/1N2K3");
    play("Nd2", 1);
    EXPECT_EQ(placement(), "4k3/8/8/8/8/5N2/3N4/4K3");
    setPlacement("4k3/8/8/8/8/1N6/8/1N2K3");
    play("Nd2", 1);
    EXPECT_EQ(placement(), "4k3/8/8/8/8/8/3N4/1N2K3");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PlayMoveTest, UnrecognisedFirstCharacterEndsTheProgram) {
    for (const char* move : {"Pe4", "", "+", "xe4", "Z"}) {
        host = {};
        EXPECT_EQ(play(move, 1), pgn::MoveOutcome::Invalid) << move;
        EXPECT_EQ(host.messages, (std::vector<Message>{{"Invalid Move", pgn::Icon::Critical}}))
            << move;
    }
    EXPECT_EQ(placement(), kStart);
}

TEST_F(PlayMoveTest, FailuresInsideAMoveShowTheErrorReportAndStartTheNextGame) {
    expectErrorReport("exd", 1);  // a pawn capture without a rank
    expectErrorReport("Nf3e", 1); // a piece move without a rank
    expectErrorReport("Ke9", 1);  // a square the board rejects
    expectErrorReport("e9", 1);   // likewise for a pawn push
    EXPECT_EQ(placement(), kStart);
}

// A move no piece can make leaves the board as it is and abandons the game, with one message.
TEST_F(PlayMoveTest, IllegalMoveLeavesTheBoardAndStartsTheNextGame) {
    // The Immortal Game with White's ninth move played a move too early: the knight that goes to
    // f5 still stands on f3.
    playLine({"e4", "e5", "f4", "exf4", "Bc4", "Qh4+", "Kf1", "b5", "Bxb5", "Nf6", "Nf3", "Qh6",
              "d3", "Nh5"});
    const std::string before = placement();
    const pgn::ResolverState stateBefore = state;
    host = {};
    EXPECT_EQ(play("Nf5", 1), pgn::MoveOutcome::GameAbandoned);
    EXPECT_EQ(host.messages, (std::vector<Message>{{"Illegal move", pgn::Icon::Critical}}));
    EXPECT_EQ(placement(), before);
    EXPECT_EQ(state.FromCol, stateBefore.FromCol);
    EXPECT_EQ(state.FromRow, stateBefore.FromRow);
}

// IsLegalMove knows nothing of checks; a candidate that would leave its own king attacked is
// not taken, even when it comes first in search order.
TEST_F(PlayMoveTest, PinnedCandidatesAreNotTaken) {
    // TCEC S29 GUI testing, game 15, 17...Ne7: the knight on c6 is pinned by the rook on c2.
    setPlacement("N1k2b1r/pp4pp/2n5/1B1nP1p1/8/P7/1PR2PPP/4K2R");
    play("Ne7", 2);
    EXPECT_EQ(placement(), "N1k2b1r/pp2n1pp/2n5/1B2P1p1/8/P7/1PR2PPP/4K2R");
    // Game 73, 6.Nf3: the knight on d2 is pinned by the bishop on b4.
    setPlacement("rnbq1rk1/pppp2pp/4pn2/5p2/1bPP4/6P1/PP1NPPBP/R1BQK1NR");
    play("Nf3", 1);
    EXPECT_EQ(placement(), "rnbq1rk1/pppp2pp/4pn2/5p2/1bPP4/5NP1/PP1NPPBP/R1BQK2R");
    // Game 141, 7.Ne2 with the knight on c3 pinned, here with a capture and a check mark.
    setPlacement("rn1qk2r/pbpp2pp/1p2pn2/5p2/1bPP4/2NBPP2/PP2n1PP/R1BQK1NR");
    play("Nxe2+", 1);
    EXPECT_EQ(placement(), "rn1qk2r/pbpp2pp/1p2pn2/5p2/1bPP4/2NBPP2/PP2N1PP/R1BQK2R");
    // A queen pins along a diagonal as well.
    setPlacement("7k/8/8/q5N1/8/8/3N4/4K3");
    play("Ne4", 1);
    EXPECT_EQ(placement(), "7k/8/8/q7/4N3/8/3N4/4K3");
    // A pinned piece may move along the pin line, or take the piece that pins it.
    setPlacement("4r2k/8/8/R7/8/8/4R3/4K3");
    play("Ree5", 1);
    EXPECT_EQ(placement(), "4r2k/8/8/R3R3/8/8/8/4K3");
    setPlacement("R3r2k/8/8/8/8/8/4R3/4K3");
    play("Rexe8", 1);
    EXPECT_EQ(placement(), "R3R2k/8/8/8/8/8/8/4K3");
    // When both can move, the disambiguation decides as usual.
    setPlacement("4k3/8/8/8/8/1N3N2/8/4K3");
    play("Nfd4", 1);
    EXPECT_EQ(placement(), "4k3/8/8/8/3N4/1N6/8/4K3");
    EXPECT_TRUE(host.messages.empty());
}

// The disambiguation chooses among the pieces that can reach the target, not among every piece of
// the kind: after an underpromotion a third rook that cannot reach the square comes first.
TEST_F(PlayMoveTest, DisambiguationChoosesAmongPiecesThatReachTheTarget) {
    setPlacement("2r3k1/5ppp/2p5/8/r7/8/8/2r3K1");
    play("Rcc4", 2);
    EXPECT_EQ(placement(), "2r3k1/5ppp/2p5/8/r1r5/8/8/6K1");
    setPlacement("2r3k1/5ppp/2p5/8/r7/8/8/2r3K1");
    play("R4c4", 2);
    EXPECT_EQ(placement(), "2r3k1/5ppp/2p5/8/2r5/8/8/2r3K1");
    EXPECT_TRUE(host.messages.empty());
}

} // namespace
