// Watching a game as a chess fan does: the header's values, a game that starts clean, the
// annotator's glyphs after their moves, and a comment's reading time on the move timer; on the
// real saver window, with the texts' Qt-free rules checked from tables.
#include "saver/game_texts.h"
#include "saver/saver_window.h"
#include "support/doubles.h"
#include "support/saver_parts.h"

#include <QFile>
#include <QLabel>
#include <gtest/gtest.h>

namespace pw2 {
namespace {

using test::label;

TEST(GameTexts, TheHeaderShowsValuesWithRatingRoundKnownDateAndOpening) {
    struct Case {
        const char* tags;
        GameHeader expected;
    };
    const Case cases[] = {
        {R"([Event "Linares"] [Site "?"] [Date "1994.02.??"] [Round "3"] [White "Kasparov, Garry"])"
         R"( [Black "Kramnik, Vladimir"] [WhiteElo "2805"] [BlackElo "2710"] [ECO "B90"])"
         R"( [Opening "Sicilian"] [Variation "Najdorf"] 1. e4)",
         {"Kasparov, Garry  2805", "Kramnik, Vladimir  2710", "Linares, round 3", "1994.02",
          "Sicilian, Najdorf"}},
        // No ratings, round "?", a date known to the year, the opening from its ECO code.
        {"[Event \"Dortmund\"]\n[Date \"1928.??.??\"]\n[Round \"?\"]\n[White \"Colle, Edgar\"]\n"
         "[Black \"Van Nüss, Alfred\"]\n[ECO \"D05\"]\n\n1. d4",
         {"Colle, Edgar", "Van Nüss, Alfred", "Dortmund", "1928", "D05"}},
        // Unknown everything, escaped quotes, a tag after the movetext not read.
        {R"([Event "WCh \"return\" \\ match"] [Date "????.??.??"] [White "?"] [Black ""])"
         R"( [WhiteElo "-"] 1. e4 [Opening "late"])",
         {"", "", R"(WCh "return" \ match)", "", ""}},
        // A rating alone, a first tag kept over a second, a tag left open at the line's end.
        {"[WhiteElo \"2600\"]\n[Event \"A\"]\n[Event \"B\"]\n[Black \"Open\n",
         {"2600", "Open", "A", "", ""}},
        {"", {}},
    };
    for (const Case& c : cases) {
        const GameHeader h = ReadGameHeader(c.tags);
        EXPECT_EQ(h.white, c.expected.white) << c.tags;
        EXPECT_EQ(h.black, c.expected.black) << c.tags;
        EXPECT_EQ(h.event, c.expected.event) << c.tags;
        EXPECT_EQ(h.date, c.expected.date) << c.tags;
        EXPECT_EQ(h.opening, c.expected.opening) << c.tags;
    }
    // A hostile value is kept short.
    EXPECT_EQ(ReadGameHeader("[White \"" + std::string(100000, 'x') + "\"]").white.size(),
              kTagValueLimit);
}

TEST(GameTexts, HalfMovesGlyphsSummaryAndReadingTime) {
    EXPECT_EQ(HalfMoveText(17, true, "Rfd1", ""), "17. Rfd1");
    EXPECT_EQ(HalfMoveText(17, false, "Rac8", "?!"), "17... Rac8?!");
    EXPECT_EQ(MoveWithGlyph("exd8=Q+", "!?"), "exd8=Q+!?");
    EXPECT_EQ(MoveWithGlyph("Nf3!", "!!"), "Nf3!") << "the move's own glyph stays alone";
    for (const char* marker : {"1-0", "0-1", "1/2-1/2", "*"})
        EXPECT_TRUE(IsTerminationMarker(marker));
    EXPECT_FALSE(IsTerminationMarker("e4"));
    EXPECT_EQ(EntryNumber("117. Kxb4     Kxa5"), 117);
    EXPECT_EQ(GameSummary("1-0", "Checkmate", 41), "1-0 \u00b7 Checkmate \u00b7 41 moves");
    EXPECT_EQ(GameSummary("*", "", 1), "1 move");
    EXPECT_EQ(ReadingTimeMs(""), 0);
    EXPECT_EQ(ReadingTimeMs("  Colle plays an aggressive\nversion. "), 5 * 300);
    EXPECT_EQ(ReadingTimeMs(std::string(1000, 'w') + std::string(400, ' ')), 300);
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "word ";
    EXPECT_EQ(ReadingTimeMs(many), 15000);
}

class Watching : public ::testing::Test {
protected:
    void SetUp() override {
        settings().write("Continue", "0");
        settings().write("Timer", "2");
        QFile f(box.path("default.pgn"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Event \"Annotated\"]\n[Round \"2\"]\n[White \"Alpha\"]\n[WhiteElo \"2500\"]\n"
                "[Black \"Beta\"]\n\n1. e4 $1 e5 $6 {Black answers in kind, as the books of the "
                "day all advise.} 2. Nf3 $146 Nc6 $2 3. Bb5 1-0\n\n"
                "[Event \"Second\"]\n[White \"Gamma\"]\n[Black \"Delta\"]\n\n1. d4 d5 *\n");
    }
    std::unique_ptr<Saver> saverOn(int width, int height) {
        return std::unique_ptr<Saver>(
            Saver::create(ScreenMetrics{QSize(width, height), 15, QPoint()}));
    }
    test::Sandbox box;
};

TEST_F(Watching, GlyphsFollowTheirMovesAndACommentHoldsTheNextMoveBackToBeRead) {
    for (const bool reading : {true, false}) {
        settings().write("CommentReadingTime", reading ? "1" : "0");
        const auto saver = saverOn(800, 600);
        const SaverTimer* moves = test::timer(*saver, "moveTimer");
        const MoveListPanel* list = test::moveList(*saver);
        saver->startNextGame();
        EXPECT_EQ(moves->interval(), 2000);
        saver->playNextHalfMove();
        EXPECT_EQ(label(*saver, "currentMoveLabel")->text(), "1. e4!");
        EXPECT_EQ(moves->interval(), 2000);
        saver->playNextHalfMove();
        EXPECT_EQ(label(*saver, "currentMoveLabel")->text(), "1... e5?!");
        EXPECT_EQ(list->rowText(0), "1. e4! e5?!");
        // Twelve words: 3.6 seconds beyond the two between moves.
        EXPECT_EQ(moves->interval(), reading ? 2000 + 12 * 300 : 2000);
        saver->playNextHalfMove(); // $146 is no glyph of these
        EXPECT_EQ(label(*saver, "currentMoveLabel")->text(), "2. Nf3");
        EXPECT_EQ(moves->interval(), 2000);
        saver->playNextHalfMove();
        EXPECT_EQ(list->rowText(1), "2. Nf3 Nc6?");
    }
}

// When a game starts, nothing of the last one stays: its move, its status, its caption.
TEST_F(Watching, AGameStartsClean) {
    for (const QSize size : {QSize(800, 600), QSize(1920, 1080)}) {
        const auto saver = saverOn(size.width(), size.height());
        saver->startNextGame();
        while (!saver->player().atEnd())
            saver->playNextHalfMove();
        saver->playNextHalfMove();
        EXPECT_EQ(label(*saver, "statusLabel")->text(), "White wins");
        EXPECT_EQ(label(*saver, "currentMoveLabel")->text(), "3. Bb5");
        EXPECT_FALSE(label(*saver, "captionLabel")->isHidden()); // the summary
        saver->startNextGame();
        EXPECT_EQ(label(*saver, "statusLabel")->text(), "");
        EXPECT_EQ(label(*saver, "currentMoveLabel")->text(), "");
        EXPECT_TRUE(label(*saver, "captionLabel")->isHidden());
        EXPECT_EQ(test::moveList(*saver)->rowCount(), 0);
    }
}

// The filled layout's header reads as values: Black above, White below, the event with its
// round; the designed one keeps the tags as written.
TEST_F(Watching, TheFilledHeaderShowsValuesAndTheDesignedOneTheTags) {
    const auto filled = saverOn(1920, 1080);
    filled->startNextGame();
    EXPECT_EQ(label(*filled, "whiteLabel")->text(), "Alpha  2500");
    EXPECT_EQ(label(*filled, "blackLabel")->text(), "Beta");
    EXPECT_EQ(label(*filled, "eventLabel")->text(), "Annotated, round 2");
    EXPECT_LT(label(*filled, "blackLabel")->y(), label(*filled, "whiteLabel")->y());
    const auto designed = saverOn(1024, 768);
    designed->startNextGame();
    EXPECT_EQ(label(*designed, "whiteLabel")->text(), "[White \"Alpha\"]");
    EXPECT_EQ(label(*designed, "eventLabel")->text(), "[Event \"Annotated\"]");
    EXPECT_TRUE(label(*designed, "openingLabel")->isHidden());
}

} // namespace
} // namespace pw2
