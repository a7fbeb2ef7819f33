// The players' clocks and the evaluation bar follow a game that carries them, in the forms of
// online play and of engine tournaments; a game without them shows none and keeps the layout, as
// does the setting off. The board takes its theme and piece set from the settings.
#include "saver/clocks_and_evaluation.h"
#include "saver/game_texts.h"
#include "saver/saver_layout.h"
#include "saver/saver_window.h"
#include "support/doubles.h"
#include "support/saver_parts.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace pw2 {
namespace {

// Moves of real games; the comments are written as the exports write them.
const char kGames[] =
    "[Event \"Rated blitz game\"]\n[White \"Alpha\"]\n[Black \"Beta\"]\n\n"
    "1. e4 { [%eval 0.18] [%clk 0:03:00] } 1... e5 { [%eval 0.22] [%clk 0:02:58] }\n"
    "2. Nf3 { [%clk 0:02:57] } 2... Nc6 { [%eval #-3] [%clk 0:02:50] } 3. Bb5 1-0\n\n"
    "[Event \"Plain\"]\n[White \"Gamma\"]\n[Black \"Delta\"]\n\n1. d4 d5 2. c4 *\n\n"
    "[Event \"TCEC\"]\n[White \"Engine A\"]\n[Black \"Engine B\"]\n\n"
    "1. e4 {book, mb=+0+0+0+0+0,} b6 {book, mb=+0+0+0+0+0,}\n"
    "2. d4 {d=31, sd=35, mt=4365, tl=1813635, pv=d4, wv=1.22, R50=50, mb=+0+0+0+0+0,}\n"
    "Bb7 {d=4, sd=4, mt=1, tl=1817999, pv=Bb7 Bd3, wv=-M5, R50=49, mb=+0+0+0+0+0,} *\n";

struct Shown {
    QString white, black, evaluation;
    bool operator==(const Shown&) const = default;
    friend void PrintTo(const Shown& s, std::ostream* os) {
        *os << '{' << s.white.toStdString() << ", " << s.black.toStdString() << ", "
            << s.evaluation.toStdString() << '}';
    }
};

class ClocksAndEvaluationTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings().write("Continue", "0");
        QFile f(box.path("default.pgn"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kGames);
    }

    std::unique_ptr<Saver> saverOn(QSize size) {
        auto saver = std::unique_ptr<Saver>(Saver::create(ScreenMetrics{size, 15, QPoint()}));
        EXPECT_NE(saver, nullptr);
        saver->show();
        return saver;
    }

    template <class Panel>
    static Panel* part(const Saver& saver, const char* name) {
        auto* p = saver.findChild<Panel*>(QLatin1String(name));
        EXPECT_NE(p, nullptr) << name;
        return p;
    }

    static Shown shown(const Saver& saver) {
        return {part<ClockPanel>(saver, "whiteClock")->text(),
                part<ClockPanel>(saver, "blackClock")->text(),
                part<EvaluationBar>(saver, "evaluationBar")->text()};
    }

    static bool anyShown(const Saver& saver) {
        for (const char* name : {"whiteClock", "blackClock", "evaluationBar"})
            if (part<QWidget>(saver, name)->isVisible())
                return true;
        return false;
    }

    // What the panels show at the game's start and after each half-move.
    static std::vector<Shown> follow(Saver& saver) {
        std::vector<Shown> seen{shown(saver)};
        while (!saver.player().atEnd()) {
            saver.playNextHalfMove();
            seen.push_back(shown(saver));
        }
        return seen;
    }

    test::Sandbox box;
};

TEST_F(ClocksAndEvaluationTest, FollowTheGameThatCarriesThemAndShowNoneForOneWithout) {
    for (const QSize size : {QSize(1920, 1080), QSize(1280, 1024), QSize(3840, 2160)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        const auto saver = saverOn(size);
        saver->startNextGame();
        EXPECT_EQ(follow(*saver), (std::vector<Shown>{
                                      {"", "", ""},
                                      {"3:00", "", "+0.18"},
                                      {"3:00", "2:58", "+0.22"},
                                      {"2:57", "2:58", "+0.22"}, // no evaluation: the last stays
                                      {"2:57", "2:50", "#-3"},
                                      {"2:57", "2:50", "#-3"}, // 3. Bb5
                                      {"2:57", "2:50", "#-3"}, // 1-0 in Black's column
                                  }));
        const auto* bar = part<EvaluationBar>(*saver, "evaluationBar");
        EXPECT_EQ(bar->whiteShare(), 0.0);                               // Black mates: all Black's
        EXPECT_FALSE(part<ClockPanel>(*saver, "whiteClock")->running()); // White moved last
        EXPECT_TRUE(part<ClockPanel>(*saver, "blackClock")->running());

        // Each panel on the screen, clear of the board and of every text.
        const auto at = [&](const QWidget* w) {
            return QRect(w->mapTo(saver.get(), QPoint(0, 0)), w->size());
        };
        for (const char* name : {"whiteClock", "blackClock", "evaluationBar"}) {
            const auto* panel = part<QWidget>(*saver, name);
            ASSERT_TRUE(panel->isVisible()) << name;
            EXPECT_TRUE(QRect(QPoint(), size).contains(at(panel))) << name;
            for (const char* other :
                 {"Vantrel", "whiteLabel", "blackLabel", "eventLabel", "dateLabel", "openingLabel",
                  "currentMoveLabel", "statusLabel", "captionLabel", "moveList", "rankLabel_1",
                  "fileLabel_a", "whiteClock", "blackClock", "evaluationBar"}) {
                const auto* w = saver->findChild<QWidget*>(QLatin1String(other));
                if (w && w != panel && w->isVisible()) {
                    EXPECT_FALSE(at(panel).intersects(at(w))) << name << " and " << other;
                }
            }
        }
        // The bar stands beside the board, as high as it.
        const QRect board = at(saver->findChild<QWidget*>(QStringLiteral("Vantrel")));
        EXPECT_EQ(bar->barRect().translated(at(bar).topLeft()).top(), board.top());
        EXPECT_EQ(bar->barRect().height(), board.height());
        EXPECT_LT(at(bar).right(), board.left());

        // The next game carries none: nothing shows, and the board stands as without the setting.
        saver->startNextGame();
        for (const Shown& s : follow(*saver))
            EXPECT_EQ(s, (Shown{"", "", ""}));
        EXPECT_FALSE(anyShown(*saver));
        const FilledLayout plain =
            computeFilledLayout(size.width(), size.height(), burnInDrift(1), LayoutParts{});
        EXPECT_EQ(at(saver->findChild<QWidget*>(QStringLiteral("Vantrel"))).left(),
                  int(std::lround(plain.board.left)));

        // An engine tournament's game: book moves carry no values.
        saver->startNextGame();
        EXPECT_EQ(follow(*saver), (std::vector<Shown>{{"", "", ""},
                                                      {"", "", ""},
                                                      {"", "", ""},
                                                      {"30:13", "", "+1.22"},
                                                      {"30:13", "30:17", "#-3"}}));
        EXPECT_TRUE(anyShown(*saver));
    }
}

TEST_F(ClocksAndEvaluationTest, TheClockOfTheSideToMoveFirstRuns) {
    const struct {
        const char *fen, *moves;
        bool whiteRuns;
    } cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "1. Kd2 { [%clk 0:01:00] } Kd7 { [%clk 0:01:00] } *",
         true},
        {"4k3/8/8/8/8/8/8/4K3 b - - 0 11", "11... Kd7 { [%clk 0:01:00] } 12. Kd2 *", false},
    };
    for (const auto& c : cases) {
        QFile f(box.path("default.pgn"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("[Event \"E\"]\n[SetUp \"1\"]\n[FEN \"") + c.fen + "\"]\n\n" + c.moves +
                "\n");
        f.close();
        const auto saver = saverOn(QSize(1920, 1080));
        saver->startNextGame();
        EXPECT_EQ(part<ClockPanel>(*saver, "whiteClock")->running(), c.whiteRuns) << c.fen;
        EXPECT_EQ(part<ClockPanel>(*saver, "blackClock")->running(), !c.whiteRuns) << c.fen;
    }
}

TEST_F(ClocksAndEvaluationTest, TheSettingOffOrADesignedScreenShowsNone) {
    for (const auto& [setting, size] :
         {std::pair{"0", QSize(1920, 1080)}, std::pair{"1", QSize(1024, 768)}}) {
        settings().write("ClocksAndEvaluation", setting);
        const auto saver = saverOn(size);
        saver->startNextGame();
        follow(*saver);
        EXPECT_FALSE(anyShown(*saver)) << setting;
    }
}

TEST_F(ClocksAndEvaluationTest, ClocksAndSharesReadAsAViewerShowsThem) {
    const std::pair<std::int64_t, const char*> clocks[] = {
        {451'000, "7:31"}, {5'400'000, "1:30:00"}, {3'599'999, "59:59"},
        {7'300, "0:07.3"}, {7'000, "0:07"},        {10'500, "0:10"},
        {0, "0:00"},       {-5, "0:00"},           {36'000'000'000, "10000:00:00"}};
    for (const auto& [ms, text] : clocks)
        EXPECT_EQ(ClockText(ms), text) << ms;
    const std::pair<pgn::Evaluation, double> shares[] = {
        {{false, 0}, 0.5},      {{false, 100}, 0.591},  {{false, -300}, 0.249},
        {{false, 1000}, 0.975}, {{false, 5000}, 0.975}, {{true, 2}, 1.0},
        {{true, -1}, 0.0}};
    for (const auto& [evaluation, share] : shares)
        EXPECT_NEAR(WhiteShare(evaluation), share, 0.001) << evaluation.value;
}

// The board's squares and pieces as the settings choose them; a value the board does not know
// shows the designed board.
TEST_F(ClocksAndEvaluationTest, TheBoardTakesItsThemeAndPiecesFromTheSettings) {
    const struct {
        const char *theme, *pieces;
        QRgb lightSquare;
        bool redPieces;
    } cases[] = {
        {"0", "0", qRgb(0xF0, 0xD9, 0xB5), true},  {"1", "1", qRgb(0xEE, 0xEE, 0xD2), false},
        {"2", "0", qRgb(0xDE, 0xE3, 0xE6), true},  {"3", "1", qRgb(0xDC, 0xDC, 0xDC), false},
        {"9", "-1", qRgb(0xF0, 0xD9, 0xB5), true},
    };
    for (const auto& c : cases) {
        settings().write("BoardTheme", c.theme);
        settings().write("PieceSet", c.pieces);
        const auto saver = saverOn(QSize(1024, 768));
        saver->startNextGame();
        auto* control = saver->findChild<QWidget*>(QStringLiteral("Vantrel"));
        ASSERT_NE(control, nullptr);
        const QImage image = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const double pitch = 37 * control->width() / 296.0;
        // a6, a light square, empty; the black pawns' row counts its red pixels.
        EXPECT_EQ(image.pixel(int(pitch * 0.5), int(pitch * 2.5)), c.lightSquare) << c.theme;
        int red = 0;
        for (int y = int(pitch * 1.1); y < int(pitch * 1.9); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                red += qRed(p) > qGreen(p) + 80 && qRed(p) > qBlue(p) + 80;
            }
        EXPECT_EQ(red > 100, c.redPieces) << c.theme << " " << c.pieces << " " << red;
    }
}

} // namespace
} // namespace pw2
