// Small text helpers of the PGN engine. Only the space character counts as a space.
#pragma once

#include <string>
#include <string_view>

namespace pgn {

inline std::string_view trimSpaces(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Tag pairs as people write them: [Name "value"]. Inside the quoted value "]", "[" and "{" are
// part of the value, \" stands for a quote and \\ for a backslash (any other backslash is itself).
// A quoted value still open at the end of its line ends there, and so does its tag: the line break
// is not part of it. Outside a quoted value a tag runs on, across lines, to its "]".
//
// TagCloser reads a tag in pieces: find goes on from where the last piece left off.
class TagCloser {
public:
    // Reads on from text[from], inside a tag whose "[" came before: the position just after the
    // tag's end, or npos when the text ends first (quoted() then tells whether it ended inside a
    // quoted value).
    std::size_t find(std::string_view text, std::size_t from) {
        for (std::size_t i = from; i < text.size(); ++i) {
            const char c = text[i];
            if (escaped_) {
                escaped_ = false;
                if (c == '"' || c == '\\')
                    continue;
            }
            if (quoted_) {
                if (c == '"') {
                    quoted_ = false;
                } else if (c == '\\') {
                    escaped_ = true;
                } else if (c == '\n' || c == '\r') {
                    quoted_ = false;
                    return i;
                }
            } else if (c == ']') {
                return i + 1;
            } else if (c == '"') {
                quoted_ = true;
            }
        }
        return std::string_view::npos;
    }
    bool quoted() const { return quoted_; }

private:
    bool quoted_ = false;
    bool escaped_ = false;
};

// The end of the tag whose "[" is text[open]: just after its "]", at the line break that ends a
// quoted value left open, or at the end of the text inside such a value; npos when the text ends
// outside a quoted value before the tag's "]".
inline std::size_t tagEnd(std::string_view text, std::size_t open) {
    TagCloser closer;
    const std::size_t end = closer.find(text, open + 1);
    if (end == std::string_view::npos && closer.quoted())
        return text.size();
    return end;
}

// The "[" of the first tag of text that starts with prefix (such as "[White \""), reading the tags
// one after another from the first "[", so that a "[" inside a quoted value starts no tag; npos
// when there is none.
inline std::size_t findTag(std::string_view text, std::string_view prefix) {
    for (std::size_t at = text.find('['); at != std::string_view::npos;) {
        if (text.substr(at).starts_with(prefix))
            return at;
        const std::size_t end = tagEnd(text, at);
        if (end == std::string_view::npos)
            break;
        at = text.find('[', end);
    }
    return std::string_view::npos;
}

// The quoted value that starts at text[from] (just after its opening quote) as it stands for
// itself: up to its closing quote, \" and \\ unescaped. False, with value empty, when the line or
// the text ends before the closing quote.
inline bool readQuotedValue(std::string_view text, std::size_t from, std::string& value) {
    value.clear();
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            return true;
        if (c == '\n' || c == '\r')
            break;
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
            value += text[++i];
            continue;
        }
        value += c;
    }
    value.clear();
    return false;
}

} // namespace pgn
