// Games played as the saver plays them, on the real board control: a move the rules of chess do
// not allow ends the game with its reason and leaves the board as it was before it; legal moves
// that look like illegal ones replay; mate and stalemate are named from the position.
#include "board_fixture.h"
#include "playback/game_player.h"

namespace {

class LegalityTest : public pw2::test::BoardTest {
protected:
    struct Played {
        pw2::GamePlayer::Replay replay;
        std::string failure;
        std::string ending;
        std::string status; // the last status shown
    };

    // Plays a game's movetext from the initial position, or from fen when given.
    Played playGame(const std::string& movetext, const std::string& fen = {}) {
        board().newGame();
        host = {};
        std::string text = "[Event \"t\"]\n";
        if (!fen.empty())
            text += "[SetUp \"1\"]\n[FEN \"" + fen + "\"]\n";
        text += "\n" + movetext + "\n";
        pw2::GamePlayer player;
        player.load(text, host);
        Played played;
        played.replay = player.playToEnd(board(), host);
        played.failure = player.failure();
        played.ending = player.ending();
        played.status = host.statuses.empty() ? "" : host.statuses.back();
        return played;
    }
};

struct IllegalGame {
    const char* fen; // "" for the initial position
    const char* movetext;
    const char* failure;   // the game's failure: the move and the reason
    const char* placement; // the board as it stood before the illegal move
};

// Illegal games of every kind, each with the reason the checker gives for it.
const IllegalGame kIllegal[] = {
    // Pawn moves to squares the pawn cannot reach.
    {"", "1. e4 d5 2. e3", "2. e3: the pawn cannot move to e3",
     "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR"},
    {"", "1. e7", "1. e7: the pawn cannot move to e7",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"},
    {"", "1. e5", "1. e5: the pawn cannot move to e5",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"},
    {"", "1. e4 e5 2. e5", "2. e5: the pawn cannot move to e5",
     "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR"},
    {"", "1. exd3", "1. exd3: the pawn cannot move to d3",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"},
    {"", "1. e4 e5 2. exe5", "2. exe5: the pawn cannot move to e5",
     "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR"},
    // Moves that leave the own king in check: a pinned piece, a king walking into check, a
    // check ignored.
    {"", "1. d4 e5 2. Nc3 Bb4 3. Nb5", "3. Nb5: the move leaves the white king in check",
     "rnbqk1nr/pppp1ppp/8/4p3/1b1P4/2N5/PPP1PPPP/R1BQKBNR"},
    {"", "1. e4 f5 2. Qh5+ Kf7", "2... Kf7: the move leaves the black king in check",
     "rnbqkbnr/ppppp1pp/8/5p1Q/4P3/8/PPPP1PPP/RNB1KBNR"},
    {"", "1. e4 f5 2. Qh5+ a6", "2... a6: the move leaves the black king in check",
     "rnbqkbnr/ppppp1pp/8/5p1Q/4P3/8/PPPP1PPP/RNB1KBNR"},
    // Castling without the right, or with a piece between.
    {"", "1. O-O", "1. O-O: a square between king and rook is occupied",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "1. Kf1 Kf8 2. Ke1 Ke8 3. O-O",
     "3. O-O: White has no right to castle king side", "r3k2r/8/8/8/8/8/8/R3K2R"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "1. Rb1 Rb8 2. Ra1 Ra8 3. O-O O-O-O",
     "3... O-O-O: Black has no right to castle queen side", "r3k2r/8/8/8/8/8/8/R4RK1"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", "1. O-O",
     "1. O-O: White has no right to castle king side", "r3k2r/8/8/8/8/8/8/R3K2R"},
    // Castling out of, through or into check.
    {"4k3/8/8/8/8/8/8/r3K2R w K - 0 1", "1. O-O", "1. O-O: the king may not castle out of check",
     "4k3/8/8/8/8/8/8/r3K2R"},
    {"4kr2/8/8/8/8/8/8/4K2R w K - 0 1", "1. O-O",
     "1. O-O: the king would pass through an attacked square", "4kr2/8/8/8/8/8/8/4K2R"},
    {"4k1r1/8/8/8/8/8/8/4K2R w K - 0 1", "1. O-O", "1. O-O: the king would castle into check",
     "4k1r1/8/8/8/8/8/8/4K2R"},
    // En passant when it is not allowed: a move later, after a single step, or onto a square
    // no pawn passed.
    {"", "1. e4 a6 2. e5 d5 3. Nf3 a5 4. exd6", "4. exd6: en passant is not possible",
     "rnbqkbnr/1pp1pppp/8/p2pP3/8/5N2/PPPP1PPP/RNBQKB1R"},
    {"", "1. e4 d6 2. e5 d5 3. exd6", "3. exd6: en passant is not possible",
     "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR"},
    // Promotions to a king or away from the last rank.
    {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "1. a8=K", "1. a8=K: a pawn cannot promote to that piece",
     "4k3/P7/8/8/8/8/8/4K3"},
    {"", "1. e4=Q", "1. e4=Q: a pawn promotes only on the last rank",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"},
    // A piece that cannot reach the square, and a disambiguation that names no such piece.
    {"", "1. Nd4", "1. Nd4: no white knight can reach d4",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"},
    {"", "1. Ngc3", "1. Ngc3: no white knight on the g-file can reach c3",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"},
};

TEST_F(LegalityTest, IllegalMovesEndTheGameWithTheirReasonAndNeverReachTheBoard) {
    for (const IllegalGame& game : kIllegal) {
        const Played played = playGame(game.movetext, game.fen);
        EXPECT_EQ(played.replay.outcome, pgn::MoveOutcome::GameAbandoned) << game.movetext;
        EXPECT_EQ(played.failure, game.failure) << game.movetext;
        EXPECT_EQ(host.messages,
                  (std::vector<pw2::test::Message>{{"Illegal move", pgn::Icon::Critical}}))
            << game.movetext;
        EXPECT_EQ(placement(), game.placement) << game.movetext;
    }
}

struct LegalGame {
    const char* fen;
    const char* movetext;
    const char* placement; // as chess.js places the pieces after the moves
    const char* status;    // the status after the last move
    const char* ending;
};

// Legal moves that look like illegal ones, and games that end in mate or stalemate.
const LegalGame kLegal[] = {
    {"", "1. e4 a6 2. e5 d5 3. exd6", "rnbqkbnr/1pp1pppp/p2P4/8/8/8/PPPP1PPP/RNBQKBNR", "", ""},
    // Castling while the rook, not the king's path, is attacked.
    {"1r2k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "1. O-O-O", "1r2k3/8/8/8/8/8/8/2KR4", "", ""},
    {"4k2r/8/8/8/8/8/8/4K2R w K - 0 1", "1. O-O", "4k2r/8/8/8/8/8/8/5RK1", "", ""},
    // A pinned piece moves along its pin line.
    {"4k3/4r3/8/8/8/8/4R3/4K3 w - - 0 1", "1. Re5", "4k3/4r3/8/4R3/8/8/8/4K3", "", ""},
    // Under-promotions, with and without "=", and a promotion that names no piece: a queen.
    {"8/P6k/8/8/8/8/6Kp/8 w - - 0 1", "1. a8=N h1R", "N7/7k/8/8/8/8/6K1/7r", "", ""},
    {"8/P6k/8/8/8/8/8/K7 w - - 0 1", "1. a8", "Q7/7k/8/8/8/8/8/K7", "", ""},
    // A capture that gives a discovered check.
    {"4k3/8/8/8/4N3/8/3p4/4R1K1 w - - 0 1", "1. Nxd2", "4k3/8/8/8/8/8/3N4/4R1K1",
     "Black King Checked", ""},
    // Mate by castling, with and without its mark.
    {"2rkr3/2p1p3/8/8/8/8/8/R3K3 w Q - 0 1", "1. O-O-O#", "2rkr3/2p1p3/8/8/8/8/8/2KR4", "Checkmate",
     "Checkmate"},
    {"", "1. f3 e5 2. g4 Qh4 0-1", "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR", "Black wins",
     "Checkmate"},
    // The shortest stalemate.
    {"",
     "1. e3 a5 2. Qh5 Ra6 3. Qxa5 h5 4. h4 Rah6 5. Qxc7 f6 6. Qxd7+ Kf7 7. Qxb7 Qd3 8. Qxb8 Qh7 "
     "9. Qxc8 Kg6 10. Qe6",
     "5bnr/4p1pq/4Qpkr/7p/7P/4P3/PPPP1PP1/RNB1KBNR", "Stalemate", "Stalemate"},
};

TEST_F(LegalityTest, LegalLookAlikesReplayAndEndingsAreNamedFromThePosition) {
    for (const LegalGame& game : kLegal) {
        const Played played = playGame(game.movetext, game.fen);
        EXPECT_EQ(played.replay.outcome, pgn::MoveOutcome::Played) << game.movetext;
        EXPECT_EQ(played.failure, "") << game.movetext;
        EXPECT_TRUE(host.messages.empty()) << game.movetext;
        EXPECT_EQ(placement(), game.placement) << game.movetext;
        EXPECT_EQ(played.status, game.status) << game.movetext;
        EXPECT_EQ(played.ending, game.ending) << game.movetext;
    }
}

} // namespace
