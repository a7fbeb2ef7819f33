// Where the games of a PGN file lie. This is the one rule every part of the program uses to
// delimit games: a game begins at each "[Event " (with the space) that stands where a tag may
// start; it ends just before the byte that precedes the next game's "[Event " (normally that
// game's line feed, which belongs to no game); the last game keeps every byte up to the end of
// the text.
//
// An "[Event " starts no game when it stands inside a tag's quoted value (from its '"' to the
// closing '"', \" and \\ standing for themselves, or to the end of the line when the value is left
// open), inside a comment in braces (from '{' to the next '}', across lines), inside a comment
// from ';' to the end of its line, or on an escape line (a line that starts with '%'). A tag
// outside its quoted value ends at its ']' or with its line; a '[' inside it starts a tag again.
// A comment in braces still open where an "[Event " starts a line after an empty line ends there,
// and the game starts: a brace left open never hides the games after it. ("\r\n", "\n" and "\r"
// each end a line.) The scan reads each byte once.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pgn {

// 1-based byte positions: the game's text is the bytes from begin to end - 1.
struct GameSpan {
    std::int64_t begin = 0;
    std::int64_t end = 0;

    friend bool operator==(const GameSpan&, const GameSpan&) = default;
};

inline constexpr std::string_view kGameStart = "[Event ";

namespace detail {
constexpr std::array<bool, 256> marks(std::string_view bytes) {
    std::array<bool, 256> table{};
    for (const char c : bytes)
        table[static_cast<unsigned char>(c)] = true;
    return table;
}
} // namespace detail

// Finds the game starts of a text given in order, in pieces of any size.
class GameStartScanner {
public:
    // Reads the next piece; found(offset) is called for each game start, with the 0-based offset
    // of its '[' in the whole text, in order. A start is reported once its "[Event " is read
    // whole, so one may be reported during a later piece than the one holding its '['.
    template <typename Found>
    void scan(std::string_view piece, Found&& found);

    // Bytes read so far.
    std::int64_t scanned() const { return offset_; }
    // The offset of a '[' whose "[Event " is read in part: it may still start a game; -1 when
    // none is.
    std::int64_t pendingStart() const { return matched_ > 0 ? candidate_ : -1; }

private:
    enum class State : std::uint8_t { Text, Tag, Quoted, Escaped, Brace, LineComment };
    // The bytes that end a run of bytes without meaning, in each place.
    static constexpr std::array<bool, 256> kTextMarks = detail::marks("[{;%\n\r");
    static constexpr std::array<bool, 256> kTagMarks = detail::marks("[]\"\n\r");
    static constexpr std::array<bool, 256> kQuotedMarks = detail::marks("\"\\\n\r");
    static constexpr std::array<bool, 256> kBraceMarks = detail::marks("}[\n\r");
    static constexpr std::array<bool, 256> kLineMarks = detail::marks("\n\r");

    State state_ = State::Text;
    int lineEnds_ = 1;        // line ends just read (two or more: after an empty line), at most 2
    bool afterCR_ = false;    // the last byte was '\r' (a '\n' after it ends no further line)
    std::size_t matched_ = 0; // bytes of "[Event " read from candidate_ on
    std::int64_t candidate_ = -1;
    std::int64_t offset_ = 0;
};

template <typename Found>
void GameStartScanner::scan(std::string_view piece, Found&& found) {
    const char* data = piece.data();
    const std::size_t size = piece.size();
    std::size_t i = 0;
    const auto skip = [&](const std::array<bool, 256>& table) {
        const std::size_t from = i;
        while (i < size && !table[static_cast<unsigned char>(data[i])])
            ++i;
        if (i > from) {
            lineEnds_ = 0;
            afterCR_ = false;
        }
    };
    while (i < size) {
        if (matched_ > 0) {
            // Inside a tag's name: the rest of "[Event ", byte by byte.
            if (data[i] == kGameStart[matched_]) {
                ++i;
                lineEnds_ = 0;
                afterCR_ = false;
                if (++matched_ == kGameStart.size()) {
                    matched_ = 0;
                    state_ = State::Tag;
                    found(candidate_);
                }
                continue;
            }
            matched_ = 0;
        }
        switch (state_) {
        case State::Text:
            skip(kTextMarks);
            break;
        case State::Tag:
            skip(kTagMarks);
            break;
        case State::Quoted:
            skip(kQuotedMarks);
            break;
        case State::Brace:
            skip(kBraceMarks);
            break;
        case State::LineComment:
            skip(kLineMarks);
            break;
        case State::Escaped:
            break;
        }
        if (i == size)
            break;
        const char c = data[i++];
        const bool lineEnd = c == '\n' || c == '\r';
        const bool firstColumn = lineEnds_ > 0;
        const bool afterEmptyLine = lineEnds_ > 1;
        if (!lineEnd)
            lineEnds_ = 0;
        else if (c == '\r' || !afterCR_)
            lineEnds_ = lineEnds_ > 1 ? 2 : lineEnds_ + 1;
        afterCR_ = c == '\r';
        switch (state_) {
        case State::Text:
            if (c == '[') {
                state_ = State::Tag;
                candidate_ = offset_ + std::int64_t(i - 1);
                matched_ = 1;
            } else if (c == '{') {
                state_ = State::Brace;
            } else if (c == ';' || (c == '%' && firstColumn)) {
                state_ = State::LineComment;
            }
            break;
        case State::Tag:
            if (c == '[') {
                candidate_ = offset_ + std::int64_t(i - 1);
                matched_ = 1;
            } else if (c == '"') {
                state_ = State::Quoted;
            } else if (c == ']' || lineEnd) {
                state_ = State::Text;
            }
            break;
        case State::Escaped:
            state_ = State::Quoted;
            if (c == '"' || c == '\\')
                break;
            [[fallthrough]];
        case State::Quoted:
            if (c == '"')
                state_ = State::Tag;
            else if (c == '\\')
                state_ = State::Escaped;
            else if (lineEnd)
                state_ = State::Text;
            break;
        case State::Brace:
            if (c == '}') {
                state_ = State::Text;
            } else if (c == '[' && afterEmptyLine) {
                // Still in the comment unless "Event " follows.
                candidate_ = offset_ + std::int64_t(i - 1);
                matched_ = 1;
            }
            break;
        case State::LineComment:
            if (lineEnd)
                state_ = State::Text;
            break;
        }
    }
    offset_ += std::int64_t(size);
}

// The spans of every game of text, in file order.
std::vector<GameSpan> findGameSpans(std::string_view text);

// Turns game starts, given in order, into spans: the one before a start ends just before it.
class GameSpanCollector {
public:
    void start(std::int64_t offset);
    // The spans, the last one ending at the end of a text of size bytes.
    std::vector<GameSpan> finish(std::int64_t size);

private:
    std::vector<GameSpan> spans_;
};

// The bytes from span.begin to span.end - 1, clamped to text: a begin below 1 or beyond the text,
// or an end at or before the begin, gives the empty text.
std::string_view gameText(std::string_view text, GameSpan span);

} // namespace pgn
