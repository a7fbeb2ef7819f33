// The saver on games from a set-up position (tests/data/set-up-games.pgn, real games with FEN
// tags): the position shows as the game starts, before the first tick, and the game plays on from
// it; a game where Black moves first prints its first line with "..." for White.
#include "saver/saver_window.h"
#include "support/doubles.h"
#include "support/saver_parts.h"

#include <QFile>
#include <gtest/gtest.h>
#include <vantrelkit/vantrelkit.h>

namespace pw2 {
namespace {

class SetUpGames : public ::testing::Test {
protected:
    void SetUp() override {
        // The bundled games' place holds the set-up games: with no match stored, the saver plays
        // them in file order.
        QFile source(PW2_TEST_DATA "/set-up-games.pgn");
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        QFile games(box.path("default.pgn"));
        ASSERT_TRUE(games.open(QIODevice::WriteOnly));
        games.write(source.readAll());
        games.close();
        saver.reset(Saver::create(ScreenMetrics{QSize(800, 600), 15, QPoint()}));
        ASSERT_NE(saver, nullptr);
    }

    // Column 1 to 8 is a to h, row 1 to 8 is rank 8 to 1.
    std::int32_t piece(int col, int row) {
        return saver->board().piece(std::int16_t(col), std::int16_t(row));
    }

    test::Sandbox box;
    std::unique_ptr<Saver> saver;
};

TEST_F(SetUpGames, ThePositionShowsAsTheGameStartsAndThePlayGoesOnFromIt) {
    // 8/2K5/8/2k2N2/4P3/8/1PP1p3/8 w: White to move.
    saver->startNextGame();
    EXPECT_EQ(piece(3, 2), vantrelkit::wking); // c7
    EXPECT_EQ(piece(5, 7), vantrelkit::Bpawn); // e2
    EXPECT_EQ(piece(5, 2), vantrelkit::none);  // e7, full in the initial position
    EXPECT_EQ(piece(1, 1), vantrelkit::none);  // a8
    EXPECT_TRUE(test::timer(*saver, "moveTimer")->isEnabled());
    EXPECT_TRUE(box.messages->shown.empty());
    saver->playNextHalfMove(); // 1. c3!
    EXPECT_EQ(piece(3, 6), vantrelkit::Wpawn);
    EXPECT_EQ(saver->player().moveList()[0], "1. c3!         e1=Q");
    saver->playNextHalfMove(); // 1... e1=Q
    EXPECT_EQ(piece(5, 8), vantrelkit::BQueen);
}

TEST_F(SetUpGames, AGameWhereBlackMovesFirstShowsItsPositionAtOnceAndBlacksMoveWhenPlayed) {
    saver->startNextGame();
    saver->startNextGame();
    saver->startNextGame(); // the third game: ... b kq - 0 11
    ASSERT_EQ(saver->gameNumber(), 3);
    // r1b1k2r/ppqnbppp/4p3/8/3PB3/5N2/PP3PPP/R1BQ1RK1: White has castled, Black has not.
    EXPECT_EQ(piece(7, 8), vantrelkit::wking); // g1
    EXPECT_EQ(piece(5, 1), vantrelkit::Bking); // e8
    EXPECT_EQ(test::moveList(*saver)->rowCount(), 0);
    saver->playNextHalfMove(); // 11... Nf6
    EXPECT_EQ(piece(6, 3), vantrelkit::Bknight);
    EXPECT_EQ(test::moveList(*saver)->rowText(0), "11. ... Nf6");
    EXPECT_EQ(test::label(*saver, "currentMoveLabel")->text(), "11... Nf6");
    EXPECT_TRUE(box.messages->shown.empty());
}

} // namespace
} // namespace pw2
