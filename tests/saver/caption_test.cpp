// The caption beneath the board: a game's comments as its moves are played, and the result and
// moves between games; visible, whole and apart from the other parts on designed and filled
// screens, and with its settings off, nothing shown and the layout as it was.
#include "saver/saver_layout.h"
#include "saver/saver_window.h"
#include "support/doubles.h"
#include "support/saver_parts.h"

#include <QFile>
#include <QFontMetrics>
#include <gtest/gtest.h>
#include <memory>

namespace pw2 {
namespace {

constexpr double kTwipsPerPixel = 15;
constexpr char kLongComment[] =
    "The knight comes out to its best square at once, guarding the centre and making ready "
    "to castle; a move that every opening book of the last two centuries recommends.";

class Caption : public ::testing::Test {
protected:
    void SetUp() override {
        settings().write("Continue", "0"); // every saver starts at the first game
        QFile f(box.path("default.pgn"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Event \"Annotated\"]\n[White \"Alpha\"]\n[Black \"Beta\"]\n\n"
                "{An opening\n   for beginners.} 1. e4 e5 (1... c5 {The Sicilian.}) 2. Nf3 {");
        f.write(kLongComment);
        f.write("} Nc6 {[%clk 0:01:00]} 3. Bb5 {[%eval 0.3] Spanish.} 1-0\n\n"
                "[Event \"Second\"]\n[White \"Gamma\"]\n[Black \"Delta\"]\n\n1. d4 d5 2. c4 *\n");
    }

    std::unique_ptr<Saver> saverOn(int width, int height) {
        return std::unique_ptr<Saver>(
            Saver::create(ScreenMetrics{QSize(width, height), kTwipsPerPixel, QPoint()}));
    }

    static QRect inWindow(const Saver& saver, const char* name) {
        const auto* w = saver.findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w ? QRect(w->mapTo(&saver, QPoint(0, 0)), w->size()) : QRect();
    }

    test::Sandbox box;
};

// The caption's text as it follows a game, one entry per step: the game's start, each half-move,
// the pause after the last.
std::vector<QString> followGame(Saver& saver, const QLabel* caption) {
    std::vector<QString> seen;
    saver.startNextGame();
    seen.push_back(caption->isHidden() ? QString() : caption->text());
    while (!saver.player().atEnd()) {
        saver.playNextHalfMove();
        seen.push_back(caption->isHidden() ? QString() : caption->text());
    }
    saver.playNextHalfMove(); // the result; the game timer takes over
    seen.push_back(caption->isHidden() ? QString() : caption->text());
    return seen;
}

TEST_F(Caption, CommentsFollowTheMainLineAndTheSummaryEndsTheGameOnEveryScreen) {
    for (const QSize size : {QSize(640, 480), QSize(800, 600), QSize(1024, 768), QSize(1920, 1080),
                             QSize(1280, 1024), QSize(3840, 2160)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        const auto saver = saverOn(size.width(), size.height());
        ASSERT_NE(saver, nullptr);
        saver->show();
        const QLabel* caption = test::label(*saver, "captionLabel");
        const std::vector<QString> seen = followGame(*saver, caption);
        const QString opening = QStringLiteral("An opening for beginners.");
        const QString knight = QString::fromLatin1(kLongComment);
        // The start, 5 half-moves, the result in Black's column of the last entry, the pause.
        ASSERT_EQ(seen.size(), 8u);
        // A caption belongs to its half-move: the next one takes it away or replaces it.
        EXPECT_EQ(seen[0], opening);
        EXPECT_EQ(seen[1], QString()); // 1. e4: no comment of its own
        EXPECT_EQ(seen[2], QString()); // 1... e5: the variation's comment is not shown
        // The long comment, wrapped (whole, or cut at a word where the place is narrow).
        const QString third = QString(seen[3]).remove(QChar(0x200B));
        if (third.endsWith(QChar(0x2026))) {
            EXPECT_TRUE(knight.startsWith(third.chopped(1))) << third.toStdString();
        } else {
            EXPECT_EQ(third, knight);
        }
        EXPECT_EQ(seen[4], QString()); // 2... Nc6: a clock alone is no comment
        EXPECT_EQ(seen[5], QStringLiteral("Spanish."));
        EXPECT_EQ(seen[6], QStringLiteral("Spanish.")); // the result is no half-move
        EXPECT_EQ(seen[7], QString::fromUtf8("1-0 \u00b7 3 moves"));

        // Where the long comment stood: inside the screen, apart from every other part.
        saver->startNextGame();
        saver->startNextGame(); // the first game again: the match has two
        for (int i = 0; i < 3; ++i)
            saver->playNextHalfMove();
        ASSERT_TRUE(caption->isVisible());
        const QRect at = inWindow(*saver, "captionLabel");
        EXPECT_TRUE(QRect(QPoint(), size).contains(at));
        for (const char* other :
             {"boardPanel", "currentMovePanel", "moveList", "moveListTitle", "Vantrel",
              "statusLabel", "whiteLabel", "blackLabel", "currentMoveLabel", "eventLabel"}) {
            const auto* w = saver->findChild<QWidget*>(QLatin1String(other));
            if (w && w->isVisible()) {
                EXPECT_FALSE(at.intersects(inWindow(*saver, other))) << other;
            }
        }
        const QFontMetrics metrics(caption->font());
        EXPECT_GT(metrics.horizontalAdvance(caption->text()), at.width()) << "one line would do";
        const QRect needed = metrics.boundingRect(
            QRect(0, 0, at.width(), 1 << 20), Qt::AlignHCenter | Qt::TextWordWrap, caption->text());
        EXPECT_LE(needed.height(), at.height());
        EXPECT_LE(needed.width(), at.width());
        if (size.width() == 1024) { // beneath the board panel, as wide as it
            EXPECT_EQ(at.width(), inWindow(*saver, "boardPanel").width());
        }
    }
}

TEST_F(Caption, AGameWithoutResultOrCommentsShowsTheMovesOnly) {
    const auto saver = saverOn(1024, 768);
    const QLabel* caption = test::label(*saver, "captionLabel");
    followGame(*saver, caption);
    const std::vector<QString> second = followGame(*saver, caption);
    ASSERT_EQ(second.size(), 6u); // the start, 1. d4 d5 2. c4 and Black's empty half, the pause
    for (std::size_t i = 0; i + 1 < second.size(); ++i)
        EXPECT_EQ(second[i], QString()) << i;
    EXPECT_EQ(second.back(), QStringLiteral("2 moves"));
}

// With both settings off nothing is shown and every part stands where it stood before captions
// existed.
TEST_F(Caption, SettingsOffShowNothingAndKeepTheLayout) {
    settings().write("Commentary", "0");
    settings().write("GameSummary", "0");
    for (const QSize size : {QSize(800, 600), QSize(1920, 1080)}) {
        const auto saver = saverOn(size.width(), size.height());
        const QLabel* caption = test::label(*saver, "captionLabel");
        for (const QString& text : followGame(*saver, caption))
            EXPECT_EQ(text, QString());
        EXPECT_TRUE(caption->isHidden());
    }
    const SaverLayout plain = computeSaverLayout(800 * 15, 600 * 15, kTwipsPerPixel);
    const auto px = [&](double twips) { return int(std::lround(twips / 15)); };
    EXPECT_EQ(inWindow(*saverOn(800, 600), "boardPanel"),
              QRect(px(plain.boardPanelLeft), px(plain.boardPanelTop), px(design::BoardPanelWidth),
                    px(design::BoardPanelHeight)));
    // The summary alone: one line, and the comments stay unread.
    settings().write("GameSummary", "1");
    const auto saver = saverOn(1920, 1080);
    const std::vector<QString> seen = followGame(*saver, test::label(*saver, "captionLabel"));
    EXPECT_EQ(seen.front(), QString());
    EXPECT_EQ(seen.back(), QString::fromUtf8("1-0 \u00b7 3 moves"));
}

} // namespace
} // namespace pw2
