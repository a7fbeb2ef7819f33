// CleanGameText: the check that brackets, braces and parentheses pair up, and the removal of
// everything in a game's text that is not movetext.
//
// The steps, in order: tag pairs (read with their quoted values, pgn::TagCloser), comments (in
// braces, from ";" to the end of a line, and lines starting with "%"), variations, then line
// breaks and glyphs. Each step gives the same text as removing the first pair over and over
// again, but in one pass: a removed pair leaves nothing of its kind before the place where the
// search goes on, so the next "first" mark is always the next one after the last pair removed.
// For a text without quotes in its tags, ";" or "%", that is the text the pairs alone give.
#include "pgn/engine.h"
#include "pgn/text.h"

#include <cstring>
#include <vector>

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

// Removes every tag pair, from its "[" to its end as pgn::TagCloser reads it: a "]" inside its
// quoted value is part of the value. False when a "]" stands outside a tag before a "[", or a tag
// is not closed before the text ends. A "%" that a removed tag leaves at the start of a line did
// not start one: its place in the new text goes to notLineStart.
bool removeTags(std::string& text, std::vector<std::size_t>& notLineStart) {
    std::size_t w = 0;
    std::size_t r = 0;
    ForwardFind close(text, ']');
    for (;;) {
        const std::size_t a = text.find('[', r);
        if (a == std::string::npos)
            break;
        const std::size_t b = close.from(r);
        if (b < a)
            return false;
        const std::size_t end = tagEnd(text, a);
        if (end == std::string::npos)
            return false;
        w = keep(text, w, r, a);
        r = end;
        if (r < text.size() && text[r] == '%')
            notLineStart.push_back(w);
    }
    w = keep(text, w, r, text.size());
    text.resize(w);
    return true;
}

bool isLineBreak(char c) {
    return c == '\n' || c == '\r';
}

// Removes every comment: from "{" through the first "}" after it (no nesting), from a ";" to the
// end of its line, and every line whose first character is "%" (the line break stays). False when
// a "}" stands outside a comment before a "{", or a "{" has no "}" after it.
bool removeComments(std::string& text, const std::vector<std::size_t>& notLineStart) {
    const std::size_t n = text.size();
    std::size_t w = 0;
    std::size_t r = 0;
    std::size_t from = 0; // where the next comment is looked for
    auto skipped = notLineStart.begin();
    bool strayClose = false;
    ForwardFind close(text, '}');
    for (;;) {
        std::size_t a = text.find_first_of("{;%", from);
        if (a == std::string::npos)
            break;
        if (text[a] == '%') {
            while (skipped != notLineStart.end() && *skipped < a)
                ++skipped;
            const bool lineStart = (a == 0 || isLineBreak(text[a - 1])) &&
                                   (skipped == notLineStart.end() || *skipped != a);
            if (!lineStart) {
                from = a + 1;
                continue;
            }
        }
        const std::size_t b = close.from(r);
        if (b != std::string::npos && b < a)
            strayClose = true;
        std::size_t end = 0;
        if (text[a] == '{') {
            if (strayClose || b == std::string::npos)
                return false;
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
    std::vector<std::size_t> notLineStart;
    if (!removeTags(result, notLineStart))
        failure = kBracketLine;
    else if (!removeComments(result, notLineStart))
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
