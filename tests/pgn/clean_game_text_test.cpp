#include "pgn/engine.h"
#include "recording_host.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using pw2::test::Message;
using pw2::test::RecordingHost;

const std::string kBracketError = "- There is an error in this PGN file.\r\n"
                                  "- number of left brackets are not equal to number of right "
                                  "brackets";
const std::string kBraceError = "- There is an error in this PGN file.\r\n"
                                "- number of left braces '{' are not equal to number of right "
                                "braces '}'";
const std::string kParenthesisError = "- There is an error in this PGN file.\r\n"
                                      "- number of left parenthesis are not equal to number of "
                                      "right parenthesis";

// The check as it is defined: remove the first pair again and again, with 1-based positions and
// 0 for "not found". Quadratic, and the yardstick for the one-pass version.
namespace reference {

std::size_t instr(const std::string& s, char c, std::size_t from = 1) {
    const std::size_t p = s.find(c, from - 1);
    return p == std::string::npos ? 0 : p + 1;
}

// 0: fine; 1, 2, 3: the failing step. Tags and comments go in the order they stand, so that
// what one holds is no mark of the other.
int clean(std::string& t) {
    for (;;) {
        const std::size_t tag = instr(t, '[');
        const std::size_t comment = instr(t, '{');
        if (tag == 0 && comment == 0)
            break;
        const bool isTag = comment == 0 || (tag != 0 && tag < comment);
        const char open = isTag ? '[' : '{';
        const char close = isTag ? ']' : '}';
        const std::size_t a = instr(t, open);
        const std::size_t stray = instr(t, close);
        const std::size_t b = instr(t, close, a + 1);
        if (stray < a || b == 0)
            return isTag ? 1 : 2;
        t.erase(a - 1, b - a + 1);
    }
    for (;;) {
        std::size_t a = instr(t, '(');
        const std::size_t b = instr(t, ')');
        std::size_t c = a ? instr(t, '(', a + 1) : 0;
        while (c != 0 && b > c) {
            a = c;
            c = instr(t, '(', a + 1);
        }
        if (b < a)
            return 3;
        if (a == 0)
            break;
        t.erase(a - 1, b - a + 1);
    }
    for (char& ch : t)
        if (ch == '\n')
            ch = ' ';
    for (char& ch : t)
        if (ch == '\r')
            ch = ' ';
    for (;;) {
        const std::size_t p = instr(t, '$');
        if (p == 0)
            break;
        std::size_t q = instr(t, ' ', p);
        if (q == 0)
            q = t.size() + 1;
        for (std::size_t i = p; i < q; ++i)
            t[i - 1] = ' ';
    }
    return 0;
}

} // namespace reference

TEST(CleanGameText, RemovesTagsCommentsVariationsAndGlyphsKeepingEverySpace) {
    RecordingHost host;
    EXPECT_EQ(pgn::CleanGameText("[Event \"x\"] [Site \"y\"] 1. e4 e5 1-0", host),
              "  1. e4 e5 1-0");
    EXPECT_EQ(pgn::CleanGameText("1. e4 {best} e5 {a} b} 2. Nf3", host), "1. e4  e5  b} 2. Nf3");
    EXPECT_EQ(pgn::CleanGameText("1. e4 (1. d4 (1. c4) d5) e5", host), "1. e4  e5");
    EXPECT_EQ(pgn::CleanGameText("1. e4 $1 e5", host), "1. e4    e5");
    EXPECT_EQ(pgn::CleanGameText("1. e4\r\ne5\n2. d4\r", host), "1. e4  e5 2. d4 ");
    EXPECT_EQ(pgn::CleanGameText("", host), "");
    // A comment may hold parentheses; a tag-like text inside a comment goes with step one.
    EXPECT_EQ(pgn::CleanGameText("1. e4 {see (2. d4) [%clk 0:01]} e5", host), "1. e4  e5");
    // A glyph with nothing after it is blanked to the end; a glyph ends only at a space.
    EXPECT_EQ(pgn::CleanGameText("1. e4 $14", host), "1. e4    ");
    // Tabs, form feeds and vertical tabs are spaces.
    EXPECT_EQ(pgn::CleanGameText("e4 $1\te5\f\vf4", host), "e4    e5  f4");
    // Brackets inside comments are no tags, and tags inside comments start nothing.
    EXPECT_EQ(pgn::CleanGameText("1. e4 {[%clk 0:59:59} e5 ; [x\n2. d4", host), "1. e4  e5  2. d4");
    EXPECT_EQ(pgn::CleanGameText("1. e4 {a [Event \"x\"] b} e5", host), "1. e4  e5");
    // A "]" inside a tag's quoted value is part of the value.
    EXPECT_EQ(pgn::CleanGameText("[Event \"a]b\"] [Site \"y\"] 1. e4", host), "  1. e4");
    // A ")" closing nothing stays when no "(" follows it.
    EXPECT_EQ(pgn::CleanGameText("1. e4 (e5) ) d5 )", host), "1. e4  ) d5 )");
    EXPECT_TRUE(host.messages.empty());
}

TEST(CleanGameText, UnpairedMarksShowOneCriticalMessageAndGiveEmptyText) {
    const std::pair<std::string, std::string> cases[] = {
        {"1. e4 ] [x]", kBracketError},
        {"[Event \"x\"] [Site \"y\"", kBracketError},
        {"[Event \"a\"] ] [Site \"y\"] 1. e4", kBracketError},
        {"1. e4 } e5 {x}", kBraceError},
        {"1. e4 {x", kBraceError},
        {"1. e4 ( e5", kParenthesisError},
        {"1. e4 ) (e5)", kParenthesisError},
        {"1. (e4 (e5) d4", kParenthesisError},
        // The first failing step wins.
        {"1. e4 ( } ] [", kBracketError},
        {"1. e4 ( } {", kBraceError},
    };
    for (const auto& [text, message] : cases) {
        RecordingHost host;
        EXPECT_EQ(pgn::CleanGameText(text, host), "") << text;
        EXPECT_EQ(host.messages, (std::vector<Message>{{message, pgn::Icon::Critical}})) << text;
    }
}

TEST(CleanGameText, GivesTheResultsOfRepeatedRemovalOnGeneratedTexts) {
    // Texts rich in the marks the check looks at, so that pairs, nesting, strays and glyphs all
    // meet often.
    static constexpr char kAlphabet[] = "[]{}()()$  \r\nae4.";
    std::mt19937 random(20240607);
    std::uniform_int_distribution<std::size_t> length(0, 40);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    int failures[4] = {};
    for (int i = 0; i < 40000; ++i) {
        std::string text(length(random), ' ');
        for (char& c : text)
            c = kAlphabet[pick(random)];
        std::string expected = text;
        const int step = reference::clean(expected);
        ++failures[step];
        RecordingHost host;
        const std::string got = pgn::CleanGameText(text, host);
        if (step == 0) {
            ASSERT_EQ(got, expected) << '"' << text << '"';
            ASSERT_TRUE(host.messages.empty()) << '"' << text << '"';
        } else {
            const std::string& message = step == 1   ? kBracketError
                                         : step == 2 ? kBraceError
                                                     : kParenthesisError;
            ASSERT_EQ(got, "") << '"' << text << '"';
            ASSERT_EQ(host.messages, (std::vector<Message>{{message, pgn::Icon::Critical}}))
                << '"' << text << '"';
        }
    }
    // Every outcome was met many times.
    for (int count : failures)
        EXPECT_GT(count, 1000);
}

TEST(CleanGameText, HandlesALargeGameInLinearTime) {
    // A comment after each of 100,000 moves: repeated erasing would take minutes here.
    std::string text = "[Event \"long\"]\n";
    for (int i = 1; i <= 100000; ++i)
        text += std::to_string(i) + ". e4 {d=30, pv=e4 e5 (x)} $1 e5 (2. d4) {c}\n";
    std::string expected = " ";
    for (int i = 1; i <= 100000; ++i)
        expected += std::to_string(i) + ". e4     e5   ";
    RecordingHost host;
    EXPECT_EQ(pgn::CleanGameText(text, host), expected);
    EXPECT_TRUE(host.messages.empty());
}

} // namespace
