// CleanGameText: the check that brackets, braces and parentheses pair up, and the removal of
// everything in a game's text that is not movetext.
//
// Each step gives the same text as removing the first pair over and over again, but in one pass:
// a removed pair leaves nothing of its kind before the place where the search goes on, so the
// next "first" mark is always the next one after the last pair removed.
#include "pgn/engine.h"

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

// Removes every span from an open mark through the first close mark after it (no nesting).
// False when a close mark stands before the first open mark, or an open mark has no close mark
// after it.
bool removePairs(std::string& text, char open, char close) {
    std::size_t w = 0;
    std::size_t r = 0;
    for (;;) {
        const std::size_t a = text.find(open, r);
        if (a == std::string::npos)
            break;
        const std::size_t b = text.find(close, r);
        if (b == std::string::npos || b < a)
            return false;
        w = keep(text, w, r, a);
        r = b + 1;
    }
    w = keep(text, w, r, text.size());
    text.resize(w);
    return true;
}

// Removes every variation with everything inside it. A ")" that closes nothing stays in the
// text when no "(" follows it anywhere; otherwise it is an error. So is a "(" never closed.
bool removeVariations(std::string& text) {
    const std::size_t n = text.size();
    std::size_t w = 0;
    std::size_t depth = 0;
    std::size_t r = text.find_first_of("()");
    if (r == std::string::npos)
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

// Line breaks become spaces; each glyph "$..." is blanked up to the next space (or to the end).
void blankBreaksAndGlyphs(std::string& text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r')
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
    if (!removePairs(result, '[', ']'))
        failure = kBracketLine;
    else if (!removePairs(result, '{', '}'))
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
