// The saver tints the squares of the half-move just played (the king's two squares for castling,
// the pawn's origin and the promotion square for a promotion), a new game or a set-up position
// starts without a tint, and with HighlightMove off no square is ever tinted.
#include "saver/saver_window.h"
#include "services/settings_store.h"
#include "support/doubles.h"
#include "support/saver_parts.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <utility>

namespace pw2 {
namespace {

using Squares = std::set<std::pair<int, int>>; // column 1 to 8 is a to h, row 1 to 8 is rank 8 to 1

const char kGames[] =
    "[Event \"Castles\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O Nf6 *\n\n"
    "[Event \"Long and short\"]\n[SetUp \"1\"]\n[FEN \"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1\"]\n\n"
    "1. O-O-O O-O *\n\n"
    "[Event \"Promotion\"]\n[SetUp \"1\"]\n[FEN \"8/P6k/8/8/8/8/8/K7 w - - 0 1\"]\n\n"
    "1. a8=Q Kg6 *\n";

class Highlight : public ::testing::Test {
protected:
    void SetUp() override {
        // With no match stored the saver plays the bundled games' file, in order.
        QFile games(box.path("default.pgn"));
        ASSERT_TRUE(games.open(QIODevice::WriteOnly));
        games.write(kGames);
        games.close();
        reload();
    }

    void reload() {
        saver.reset(Saver::create(ScreenMetrics{QSize(800, 600), 15, QPoint()}));
        ASSERT_NE(saver, nullptr);
    }

    // The squares of the saver's board that show the tint over a light or a dark square, read
    // from a pixel near each square's top left corner, clear of the piece.
    Squares tinted() const {
        auto* control = saver->findChild<QWidget*>(QStringLiteral("Vantrel"));
        EXPECT_NE(control, nullptr);
        if (!control)
            return {};
        const QImage image = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const double scale = control->width() / 296.0;
        const auto near = [](QRgb a, QRgb b) {
            return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
                   std::abs(qBlue(a) - qBlue(b)) <= 2;
        };
        Squares found;
        for (int row = 1; row <= 8; ++row) {
            for (int col = 1; col <= 8; ++col) {
                const QRgb pixel = image.pixel(int((3 + 37 * (col - 1)) * scale),
                                               int((3 + 37 * (row - 1)) * scale));
                if (near(pixel, qRgb(221, 213, 115)) || near(pixel, qRgb(194, 177, 78)))
                    found.insert({col, row});
            }
        }
        return found;
    }

    test::Sandbox box;
    std::unique_ptr<Saver> saver;
};

TEST_F(Highlight, EachHalfMoveTintsItsSquaresAndANewGameStartsWithout) {
    saver->startNextGame();
    EXPECT_EQ(tinted(), Squares{});
    saver->playNextHalfMove(); // 1. e4
    EXPECT_EQ(tinted(), (Squares{{5, 7}, {5, 5}}));
    saver->playNextHalfMove(); // 1... e5
    EXPECT_EQ(tinted(), (Squares{{5, 2}, {5, 4}}));
    for (int i = 0; i < 4; ++i) // to 3... Bc5
        saver->playNextHalfMove();
    EXPECT_EQ(tinted(), (Squares{{6, 1}, {3, 4}}));
    saver->playNextHalfMove(); // 4. O-O: the king's squares, not the rook's
    EXPECT_EQ(saver->board().piece(7, 8), vantrelkit::wking);
    EXPECT_EQ(tinted(), (Squares{{5, 8}, {7, 8}}));

    // The next game starts from a set-up position, with no tint, and castles both ways.
    saver->startNextGame();
    ASSERT_EQ(saver->gameNumber(), 2);
    EXPECT_EQ(tinted(), Squares{});
    saver->playNextHalfMove(); // 1. O-O-O
    EXPECT_EQ(tinted(), (Squares{{5, 8}, {3, 8}}));
    saver->playNextHalfMove(); // 1... O-O
    EXPECT_EQ(tinted(), (Squares{{5, 1}, {7, 1}}));
    // The game's end, "*", moves nothing: the last move stays tinted.
    while (test::timer(*saver, "moveTimer")->isEnabled())
        saver->playNextHalfMove();
    EXPECT_EQ(tinted(), (Squares{{5, 1}, {7, 1}}));

    saver->startNextGame();
    EXPECT_EQ(tinted(), Squares{});
    saver->playNextHalfMove(); // 1. a8=Q
    EXPECT_EQ(saver->board().piece(1, 1), vantrelkit::WQueen);
    EXPECT_EQ(tinted(), (Squares{{1, 2}, {1, 1}}));
    EXPECT_TRUE(box.messages->shown.empty());
}

TEST_F(Highlight, TheSettingOffTintsNothing) {
    settings().write("HighlightMove", "0");
    reload();
    saver->startNextGame();
    for (int i = 0; i < 8; ++i) {
        saver->playNextHalfMove();
        EXPECT_EQ(tinted(), Squares{}) << i;
    }
    EXPECT_EQ(saver->board().piece(7, 8), vantrelkit::wking);
}

} // namespace
} // namespace pw2
