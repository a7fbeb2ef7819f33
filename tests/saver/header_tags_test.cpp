// The saver's header labels on games whose tag values hold "]", "[" and escaped quotes, from
// tests/data/tags-and-line-comments.pgn: each label shows its whole tag as the file writes it.
#include "saver/saver_window.h"
#include "services/file_bytes.h"
#include "support/doubles.h"
#include "support/saver_parts.h"

#include <QFile>
#include <QLabel>
#include <gtest/gtest.h>

namespace pw2 {
namespace {

using test::label;
using test::timer;

TEST(SaverHeader, ShowsWholeTagsWhoseValuesHoldBracketsAndEscapes) {
    test::Sandbox box;
    const std::string text = test::readTestData("tags-and-line-comments.pgn");
    ASSERT_FALSE(text.empty());
    {
        QFile f(box.path("games.pgn"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), qint64(text.size()));
    }
    auto& s = settings();
    s.write("PGNFile", box.path("games.pgn"));
    std::vector<std::int64_t> starts;
    for (auto p = text.find("[Event "); p != std::string::npos; p = text.find("[Event ", p + 1))
        starts.push_back(std::int64_t(p) + 1);
    ASSERT_EQ(starts.size(), 3u);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::int64_t end =
            i + 1 < starts.size() ? starts[i + 1] - 1 : std::int64_t(text.size()) + 1;
        s.write(QString("MatchBegin%1").arg(i + 1), QString::number(starts[i]));
        s.write(QString("MatchEnd%1").arg(i + 1), QString::number(end));
    }
    s.write("NumOfGames", "3");
    s.write("FirstGame", "1");
    std::unique_ptr<Saver> saver(Saver::create(ScreenMetrics{QSize(800, 600), 15, QPoint()}));
    ASSERT_NE(saver, nullptr) << "board control missing";

    struct Header {
        QString event, white, black, date;
    };
    const Header expected[] = {
        {R"([Event "URS-WORLD [board 1]"])", R"([White "Larsen,B"])", R"([Black "Spassky,B"])",
         R"([Date "1970"])"},
        {R"([Event "WCh \"return match\" [game 18]"])", R"([White "Bogoljubow,E \"Bogo\""])",
         R"([Black "Alekhine,A \\ Aljechin,A"])", R"([Date "1929.??.??"])"},
        {R"([Event "Dortmund"])", R"([White "Kamsky, Gata"])", R"([Black "Huebner, Robert"])",
         R"([Date "1992.??.??"])"},
    };
    for (const Header& h : expected) {
        saver->startNextGame();
        SCOPED_TRACE(h.event.toStdString());
        EXPECT_EQ(label(*saver, "eventLabel")->text(), h.event);
        EXPECT_EQ(label(*saver, "whiteLabel")->text(), h.white);
        EXPECT_EQ(label(*saver, "blackLabel")->text(), h.black);
        EXPECT_EQ(label(*saver, "dateLabel")->text(), h.date);
        // The game plays to its end, with no message about its text.
        int ticks = 0;
        while (timer(*saver, "moveTimer")->isEnabled() && ticks < 500) {
            saver->playNextHalfMove();
            ++ticks;
        }
        EXPECT_GT(ticks, 20);
        EXPECT_TRUE(box.messages->shown.empty());
    }
}

} // namespace
} // namespace pw2
