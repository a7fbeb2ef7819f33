// CleanGameText on PGN as people write it: tag values holding "]", "[", "{" and escaped quotes,
// ";" comments to the end of a line and "%" escape lines; and pawnwatch2-check on real games
// written that way (tests/data/tags-and-line-comments.pgn).
#include "pgn/engine.h"
#include "recording_host.h"

#include <QProcess>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using pw2::test::Message;
using pw2::test::RecordingHost;

const std::string kBracketError = "- There is an error in this PGN file.\r\n"
                                  "- number of left brackets are not equal to number of right "
                                  "brackets";
const std::string kBraceError = "- There is an error in this PGN file.\r\n"
                                "- number of left braces '{' are not equal to number of right "
                                "braces '}'";

std::string clean(std::string_view text) {
    RecordingHost host;
    std::string result = pgn::CleanGameText(text, host);
    EXPECT_TRUE(host.messages.empty()) << text;
    return result;
}

void expectFailure(std::string_view text, const std::string& message) {
    RecordingHost host;
    EXPECT_EQ(pgn::CleanGameText(text, host), "") << text;
    EXPECT_EQ(host.messages, (std::vector<Message>{{message, pgn::Icon::Critical}})) << text;
}

TEST(TagValues, BracketsBracesAndEscapedQuotesInsideAValueArePartOfIt) {
    // The board written into the event, as match files do.
    EXPECT_EQ(clean("[Event \"USSR-World [board 2]\"]\n[Site \"Belgrade\"]\n\n1.b3 e5 0-1"),
              "   1.b3 e5 0-1");
    EXPECT_EQ(clean("[Event \"URS-WORLD [board 1\"]\n1.b3 e5"), " 1.b3 e5");
    EXPECT_EQ(clean("[Annotator \"{JvR}\"] 1. d4 {a real comment} Nf6"), " 1. d4  Nf6");
    // \" is a quote inside the value, \\ a backslash: the value closes at the next bare quote.
    EXPECT_EQ(clean(R"([White "Bogoljubow,E \"Bogo\""] [Black "A \\"] 1.e4 e6)"), "  1.e4 e6");
    EXPECT_EQ(clean(R"([Event "say \"]\" [now]"] 1.e4)"), " 1.e4");
    // Any other backslash is itself, as in [Site "GER\NLD"].
    EXPECT_EQ(clean(R"([Site "GER\NLD"] [Event "a\]"] 1.e4)"), "  1.e4");
    // A quote outside any tag is plain text.
    EXPECT_EQ(clean("1.e4 {\"} e5 \""), "1.e4  e5 \"");
}

TEST(TagValues, AQuotedValueLeftOpenEndsWithItsLineAndSoDoesItsTag) {
    // An unescaped quote inside the value: the third quote opens a value the line ends.
    EXPECT_EQ(clean("[White \"O\"Kelly\"]\n[Black \"Smith\"]\n1.e4 e5"), "  1.e4 e5");
    EXPECT_EQ(clean("[Event \"no end]\r\n1.e4 e5"), "  1.e4 e5");
    EXPECT_EQ(clean("[Event \"no end\n1.e4 e5"), " 1.e4 e5");
    EXPECT_EQ(clean("1.e4 e5 [Event \"to the end of the text"), "1.e4 e5 ");
    // Outside a quoted value a tag still runs across lines to its "]".
    EXPECT_EQ(clean("[Event \"x\"\n] 1.e4"), " 1.e4");
    expectFailure("[Event \"x\"\n1.e4", kBracketError);
    // The "]" the line ended the tag before is a "]" outside any tag.
    expectFailure("[Event \"no end]\n] [Site \"y\"]", kBracketError);
    expectFailure("[Event \"a\"] ] [Site \"y\"]", kBracketError);
}

TEST(LineComments, SemicolonCommentsRunToTheEndOfTheirLine) {
    // Marks inside the comment are part of it; the line break stays.
    EXPECT_EQ(clean("7. exd4 Ba6 ; the bishops {go} (off) [now]\r\n8. Bxa6"),
              "7. exd4 Ba6   8. Bxa6");
    EXPECT_EQ(clean("1.e4 ; a smiley :} or :)\n e5 {c}"), "1.e4   e5 ");
    EXPECT_EQ(clean("1.e4 e5 ; to the end of the text"), "1.e4 e5 ");
    // Inside braces and inside tags a ";" is text.
    EXPECT_EQ(clean("1.e4 {Threads=2; Hash=1024;} e5"), "1.e4  e5");
    EXPECT_EQ(clean("[Event \"a; b\"]\n1.e4"), " 1.e4");
    // A ";" comment ends inside a variation only with its line.
    EXPECT_EQ(clean("1.e4 (1.d4 ; or 1.c4)\n) e5"), "1.e4  e5");
    // A "}" before a "{" is still an error, even with a comment between them.
    expectFailure("1.e4 } ; x\n e5 {c}", kBraceError);
    expectFailure("1.e4 ; x\n {c", kBraceError);
}

TEST(LineComments, PercentLinesGoWholeWhenTheLineStartsWithThePercentSign) {
    EXPECT_EQ(clean("%first line\n[Event \"x\"]\n1.e4\r\n%8. Qb3 {\r\ne5"), "  1.e4    e5");
    // Only the first character of a line starts one.
    EXPECT_EQ(clean("1.e4 %x\n e5"), "1.e4 %x  e5");
    EXPECT_EQ(clean("1.e4 {a\n%b} e5"), "1.e4  e5");
    // A tag removed before a "%" does not make it a line's first character.
    EXPECT_EQ(clean("[Event \"x\"]%y\n1.e4"), "%y 1.e4");
}

TEST(LineComments, HostileShapesCleanInLinearTime) {
    const auto start = std::chrono::steady_clock::now();
    // A huge tag value, with every mark inside it.
    std::string huge = "[Event \"";
    for (int i = 0; i < 200000; ++i)
        huge += "]{}(;\\\"[";
    huge += "\"]\n1.e4";
    EXPECT_EQ(clean(huge), " 1.e4");
    // Thousands of ";" lines and "%" lines, and many quoted values left open.
    std::string lines;
    for (int i = 0; i < 100000; ++i)
        lines += "1.e4 ; }{)( \n%x [a]\n[a \"]]]]\n";
    RecordingHost host;
    const std::string got = pgn::CleanGameText(lines, host);
    EXPECT_TRUE(host.messages.empty());
    // Each line leaves "1.e4 " and its three line breaks, as spaces.
    EXPECT_EQ(got.size(), 100000u * 8);
    // One line of tags whose values stay open: each one ends with the line.
    std::string open = "[a \"][a \"][a \"]";
    for (int i = 0; i < 18; ++i)
        open += open;
    EXPECT_EQ(clean(open + "\n1.e4"), " 1.e4");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

std::vector<std::string> readLines(std::istream& in) {
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

TEST(LineComments, RealGamesWrittenWithThemReplayToTheirPositions) {
    QProcess process;
    process.start(QStringLiteral(PW2_BIN_DIR "/pawnwatch2-check"),
                  {"--fen", PW2_TEST_DATA "/tags-and-line-comments.pgn"});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0);
    std::istringstream out(process.readAllStandardOutput().toStdString());
    std::ifstream expected(PW2_TEST_DATA "/tags-and-line-comments.fen");
    EXPECT_EQ(readLines(out), readLines(expected));
}

} // namespace
