// CleanGameText: the check that brackets, braces and parentheses pair up, and the removal of
// everything in a game's text that is not movetext.
//
// The steps, in order: tag pairs and comments in the order they stand (tags read with their quoted
// values, pgn::TagCloser; comments in braces, from ";" to the end of a line, and lines starting
// with "%"), variations, then white space and glyphs. Each step gives the same text as removing
// the first pair over and over again, but in one pass: a removed pair leaves nothing of its kind
// before the place where the search goes on, so the next "first" mark is always the next one after
// the last pair removed.
#include "pgn/engine.h"
#include "pgn/text.h"

#include <array>
#include <cstring>

namespace pgn {
namespace {

constexpr std::string_view kFirstLine = "- There is an error in this PGN file.\r\n";
constexpr std::string_view kBracketLine =
    "- number of left brackets are not equal to number of right brackets";
constexpr std::string_view kBraceLine =
    "- number of left braces '{' are not equal to number of right braces '}'";
constexpr std::string_view kParenthesisLine =
    "- number of left parenthesis are not equal to number of right parenthesis";

// Appends text[from, to) at write position w (w <= from), returning the new write position.
std::size_t keep(std::string& text, std::size_t w, std::size_t from, std::size_t to) {
    if (w != from && to > from)
        std::memmove(&text[w], &text[from], to - from);
    return w + (to - from);
}

// Finds a mark forwards only: a position found earlier is reused while it still lies at or after
// the place asked for, so that a pass reads the text once however often it asks.
class ForwardFind {
public:
    ForwardFind(const std::string& text, char mark) : text_(text), mark_(mark) {}
    std::size_t from(std::size_t at) {
        if (!known_ || (hit_ != std::string::npos && hit_ < at)) {
            hit_ = text_.find(mark_, at);
            known_ = true;
        }
        return hit_;
    }

private:
    const std::string& text_;
    char mark_;
    std::size_t hit_ = std::string::npos;
    bool known_ = false;
};

// The first of the marks that start or end a tag or a comment at or after from. One table look
// per character: find_first_of asks the set of marks anew for every character.
std::size_t findMark(const std::string& text, std::size_t from) {
    static constexpr auto kMarks = [] {
        std::array<bool, 256> marks{};
        for (const unsigned char c : std::string_view("[]{};%"))
            marks[c] = true;
        return marks;
    }();
    for (std::size_t i = from; i < text.size(); ++i) {
        if (kMarks[static_cast<unsigned char>(text[i])])
            return i;
    }
    return std::string::npos;
}

bool isLineBreak(char c) {
    return c == '\n' || c == '\r';
}

enum class Unpaired { None, Bracket, Brace };

// Removes every tag pair and every comment, in the order they stand: a tag from its "[" to its
// end as pgn::tagEnd reads it (a "]" inside its quoted value is part of the value), a comment from
// "{" through the first "}" after it (no nesting), from a ";" to the end of its line, and every
// line whose first character is "%" (the line break stays). Whatever a tag or a comment holds is
// no mark of its own: a "[" in a comment starts no tag, and a "{" in a tag's value no comment.
// A "]" outside tags and comments is an error once a tag follows it, as a "}" is once a comment
// follows it; so is a tag or a "{" comment that the text ends inside.
Unpaired removeTagsAndComments(std::string& text) {
    const std::size_t n = text.size();
    std::size_t w = 0;
    std::size_t r = 0;
    std::size_t from = 0; // where the next tag or comment is looked for
    bool strayBracket = false;
    bool strayBrace = false;
    ForwardFind close(text, '}');
    for (;;) {
        const std::size_t a = findMark(text, from);
        if (a == std::string::npos)
            break;
        const char mark = text[a];
        std::size_t end = 0;
        if (mark == ']' || mark == '}') {
            (mark == ']' ? strayBracket : strayBrace) = true;
            from = a + 1;
            continue;
        }
        if (mark == '%' && a > 0 && !isLineBreak(text[a - 1])) {
            from = a + 1;
            continue;
        }
        if (mark == '[') {
            end = tagEnd(text, a);
            if (strayBracket || end == std::string::npos)
                return Unpaired::Bracket;
        } else if (mark == '{') {
            const std::size_t b = close.from(a);
            if (strayBrace || b == std::string::npos)
                return Unpaired::Brace;
            end = b + 1;
        } else {
            end = a;
            while (end < n && !isLineBreak(text[end]))
                ++end;
        }
        w = keep(text, w, r, a);
        r = from = end;
    }
    w = keep(text, w, r, n);
    text.resize(w);
    return Unpaired::None;
}

// Removes every variation with everything inside it. A ")" that closes nothing stays in the
// text when no "(" follows it anywhere; otherwise it is an error. So is a "(" never closed.
bool removeVariations(std::string& text) {
    const std::size_t n = text.size();
    std::size_t w = 0;
    std::size_t depth = 0;
    std::size_t r = 0;
    while (r < n && text[r] != '(' && text[r] != ')')
        ++r;
    if (r == n)
        return true;
    w = r;
    for (; r < n; ++r) {
        const char c = text[r];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth == 0) {
                if (text.find('(', r + 1) != std::string::npos)
                    return false;
                w = keep(text, w, r, n);
                break;
            }
            --depth;
        } else if (depth == 0) {
            text[w++] = c;
        }
    }
    if (depth != 0)
        return false;
    text.resize(w);
    return true;
}

// Line breaks, tabs, form feeds and vertical tabs become spaces; each glyph "$..." is blanked up
// to the next space (or to the end).
void blankBreaksAndGlyphs(std::string& text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\v')
            c = ' ';
    }
    std::size_t p = text.find('$');
    while (p != std::string::npos) {
        std::size_t q = text.find(' ', p);
        if (q == std::string::npos)
            q = text.size();
        std::memset(&text[p], ' ', q - p);
        p = text.find('$', q);
    }
}

std::string fail(Host& host, std::string_view secondLine) {
    std::string message;
    message.reserve(kFirstLine.size() + secondLine.size());
    message.append(kFirstLine).append(secondLine);
    host.showMessage(message, Icon::Critical);
    return {};
}

} // namespace

std::string CleanGameText(std::string_view text, Host& host) {
    std::string_view failure;
    std::string result(text);
    const Unpaired unpaired = removeTagsAndComments(result);
    if (unpaired == Unpaired::Bracket)
        failure = kBracketLine;
    else if (unpaired == Unpaired::Brace)
        failure = kBraceLine;
    else if (!removeVariations(result))
        failure = kParenthesisLine;
    else
        blankBreaksAndGlyphs(result);
    if (!failure.empty())
        return fail(host, failure);
    return result;
}

} // namespace pgn
