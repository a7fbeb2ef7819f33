// Where the games of a file lie: pgn::findGameSpans (against the rule written out plainly here,
// and against pgn::GameStartScanner reading the file in pieces) and pgn::gameText, the game index
// the setup dialog lists them with, and pgn::GameReader, which pawnwatch2-check reads a file with
// one game at a time. The input is a whole file; its last 16 bytes also give one span of any value
// for gameText's clamping.
#include "pgn/game_reader.h"
#include "pgn/game_spans.h"
#include "pgnfile/game_index.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_game_spans: %s\n", what);
        std::abort();
    }
}

constexpr std::size_t npos = std::string_view::npos;

// The game starts of text as the rule states them, one byte after another: an "[Event " where a
// tag may start, not inside a quoted tag value, a comment in braces, a ';' comment or an escape
// line ('%' in the first column); a comment in braces still open at an "[Event " that starts a
// line after an empty line ends there.
std::vector<std::int64_t> ruleStarts(std::string_view t) {
    enum class At { Text, Tag, Quoted, Brace, Line } at = At::Text;
    std::vector<std::int64_t> starts;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        const bool lineEnd = c == '\n' || c == '\r';
        const bool firstColumn = i == 0 || t[i - 1] == '\n' || t[i - 1] == '\r';
        switch (at) {
        case At::Text:
        case At::Tag:
            if (c == '[') {
                if (t.substr(i).starts_with(pgn::kGameStart))
                    starts.push_back(static_cast<std::int64_t>(i));
                at = At::Tag;
            } else if (at == At::Tag) {
                if (c == '"')
                    at = At::Quoted;
                else if (c == ']' || lineEnd)
                    at = At::Text;
            } else if (c == '{') {
                at = At::Brace;
            } else if (c == ';' || (c == '%' && firstColumn)) {
                at = At::Line;
            }
            break;
        case At::Quoted:
            if (c == '\\' && i + 1 < t.size() && (t[i + 1] == '"' || t[i + 1] == '\\'))
                ++i;
            else if (c == '"')
                at = At::Tag;
            else if (lineEnd)
                at = At::Text;
            break;
        case At::Brace:
            if (c == '}') {
                at = At::Text;
            } else if (c == '[' && t.substr(i).starts_with(pgn::kGameStart)) {
                // Two line ends just before it ("\r\n" is one).
                std::size_t j = i;
                int ends = 0;
                while (j > 0 && ends < 2 && (t[j - 1] == '\n' || t[j - 1] == '\r')) {
                    j -= t[j - 1] == '\n' && j > 1 && t[j - 2] == '\r' ? 2 : 1;
                    ++ends;
                }
                if (ends == 2) {
                    starts.push_back(static_cast<std::int64_t>(i));
                    at = At::Tag;
                }
            }
            break;
        case At::Line:
            if (lineEnd)
                at = At::Text;
            break;
        }
    }
    return starts;
}

// The scanner given the text in pieces whose sizes the text's own bytes choose finds the same
// starts as given it whole.
void checkPieces(std::string_view text, const std::vector<std::int64_t>& expected) {
    pgn::GameStartScanner scanner;
    std::vector<std::int64_t> found;
    for (std::size_t at = 0, k = 0; at < text.size(); ++k) {
        const std::size_t piece = std::min<std::size_t>(
            1 + static_cast<unsigned char>(text[k % text.size()]) % 13, text.size() - at);
        scanner.scan(text.substr(at, piece), [&found](std::int64_t s) { found.push_back(s); });
        at += piece;
    }
    require(found == expected, "the scanner finds other starts when given the text in pieces");
}

// gameText on any span stays inside the text: the bytes begin .. end - 1 cut to the text, or
// nothing.
void checkClamp(std::string_view text, pgn::GameSpan span) {
    const std::string_view got = pgn::gameText(text, span);
    const auto size = static_cast<std::int64_t>(text.size());
    if (span.begin < 1 || span.begin > size || span.end <= span.begin) {
        require(got.empty(), "gameText of a span outside the text is not empty");
        return;
    }
    require(got.data() == text.data() + (span.begin - 1), "gameText starts elsewhere");
    require(static_cast<std::int64_t>(got.size()) == std::min(span.end, size + 1) - span.begin,
            "gameText has the wrong length");
}

// The end of the first Black tag that starts at or after from, reading the tags one by one from
// the text's start, a byte at a time: a tag runs from "[" to the first "]" outside its quoted
// values (where \" and \\ stand for a quote and a backslash), or to the line break or the end of
// the text that leaves a quoted value open. npos when there is none, or the text ends inside it.
std::size_t blackTagEnd(std::string_view text, std::size_t from) {
    std::size_t open = npos;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::size_t end = npos;
        if (open == npos) {
            if (c == '[') {
                open = i;
                quoted = false;
            }
            continue;
        }
        if (quoted) {
            if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
                ++i;
            else if (c == '"')
                quoted = false;
            else if (c == '\n' || c == '\r')
                end = i;
        } else if (c == ']') {
            end = i + 1;
        } else if (c == '"') {
            quoted = true;
        }
        if (end == npos)
            continue;
        if (open >= from && text.substr(open).starts_with("[Black "))
            return end;
        open = npos;
    }
    if (open != npos && open >= from && quoted && text.substr(open).starts_with("[Black "))
        return text.size();
    return npos;
}

// The input arrives in pieces of any size: a packet socket hands the reader one packet per read,
// as a slow pipe or a network file system may. The pieces, the size the file is said to have and
// the largest game allowed come from a hash of the text.
void checkReader(std::string_view text, const std::vector<pgn::GameSpan>& spans) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : text)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    auto draw = [&h](std::uint64_t n) {
        h = h * 6364136223846793005ull + 1442695040888963407ull;
        return n == 0 ? 0 : (h >> 33) % n;
    };

    int fds[2];
    require(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) == 0, "no socket pair");
    const int bigBuffer = 1 << 20;
    ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUFFORCE, &bigBuffer, sizeof bigBuffer);
    std::size_t sent = 0;
    for (int piece = 0; sent < text.size(); ++piece) {
        // At most 32 pieces, none empty (an empty packet reads as the end of the input).
        const std::size_t left = text.size() - sent;
        const std::size_t n = piece == 31 ? left : 1 + draw(std::min<std::size_t>(left, 4096));
        require(::send(fds[0], text.data() + sent, n, 0) == static_cast<ssize_t>(n),
                "the socket took less than a piece");
        sent += n;
    }
    ::close(fds[0]);

    const int said = static_cast<int>(draw(4));
    const std::int64_t expected = said == 0   ? -1
                                  : said == 1 ? static_cast<std::int64_t>(text.size()) + 1
                                              : static_cast<std::int64_t>(text.size());
    const std::size_t largest =
        draw(2) == 0 ? pgn::GameReader::kLargestGame : 8 + draw(text.size() + 1);
    pgn::GameReader reader(fds[1], expected, largest);
    std::size_t i = 0;
    std::string_view game;
    while (reader.next(game)) {
        require(i < spans.size(), "the reader found a game the spans do not have");
        require(game == pgn::gameText(text, spans[i]), "the reader's game differs from the span's");
        ++i;
    }
    ::close(fds[1]);
    const pgn::GameReader::Status status = reader.status();
    if (status == pgn::GameReader::Status::TooLarge) {
        // Refused only when the game it was reading, with the few bytes that might begin the
        // next one, is larger than allowed.
        require(i < spans.size() && pgn::gameText(text, spans[i]).size() + 7 > largest,
                "the reader refused a game that is not too large");
        return;
    }
    require(reader.bytesRead() == static_cast<std::int64_t>(text.size()),
            "the reader did not read the whole input");
    if (expected > static_cast<std::int64_t>(text.size())) {
        // A file that ended early: its last game may have been cut, so it is not given.
        require(status == pgn::GameReader::Status::Shrank, "a shrunk file was not noticed");
        require(i + 1 == spans.size() || spans.empty(), "the games before the cut were not given");
        return;
    }
    require(status == pgn::GameReader::Status::Finished, "the reader did not finish");
    require(i == spans.size(), "the reader missed games");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto spans = pgn::findGameSpans(text);

    // One span per game start of the rule, found here byte by byte.
    const std::vector<std::int64_t> starts = ruleStarts(text);
    require(spans.size() == starts.size(), "not one game per game start");
    for (std::size_t i = 0; i < spans.size(); ++i)
        require(spans[i].begin == starts[i] + 1, "a game starts elsewhere than the rule says");
    checkPieces(text, starts);

    const auto textEnd = static_cast<std::int64_t>(size) + 1;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const pgn::GameSpan span = spans[i];
        require(span.begin >= 1 && span.begin < span.end && span.end <= textEnd,
                "a span lies outside the text");
        // A game starts at its "[Event " (and holds all of it, but for a game followed at once by
        // the next one, which takes the byte before it: its space).
        require(text.substr(static_cast<std::size_t>(span.begin - 1)).starts_with(pgn::kGameStart),
                "a game does not start at \"[Event \"");
        const std::string_view game = pgn::gameText(text, span);
        require(game.data() == text.data() + (span.begin - 1) &&
                    game.size() == static_cast<std::size_t>(span.end - span.begin),
                "gameText does not give the span's bytes");
        // In file order, without overlap: one byte between a game and the next, none after the
        // last.
        if (i + 1 < spans.size())
            require(span.end + 1 == spans[i + 1].begin, "games overlap or leave a gap");
        else
            require(span.end == textEnd, "the last game does not run to the end of the text");
    }

    if (size >= 16) {
        pgn::GameSpan any;
        std::memcpy(&any.begin, data + size - 16, 8);
        std::memcpy(&any.end, data + size - 8, 8);
        checkClamp(text, any);
        // Small values reach the interesting edges more often than 64-bit noise.
        checkClamp(text, {any.begin % (textEnd + 2), any.end % (textEnd + 2)});
    }

    checkReader(text, spans);

    // The game index: the same games, each entry a range of the text from the game's start through
    // the end of the first Black tag that starts after it, or to the game's end.
    const pw2::GameIndex index{std::string(text)};
    require(index.spans() == spans, "the game index delimits games differently");
    require(index.size() == spans.size(), "the index lists another number of games");
    // The entries are checked against plain searches for the first and the last games (all of
    // them in a file of few games); each plain search may read the rest of the text.
    for (std::size_t i = 0; i < index.size(); ++i) {
        if (i == 8 && index.size() > 16)
            i = index.size() - 8;
        const auto e = static_cast<std::size_t>(spans[i].begin - 1);
        const std::size_t close = blackTagEnd(text, e + 1);
        const std::string_view expected =
            close != npos ? text.substr(e, close - e)
                          : text.substr(e, static_cast<std::size_t>(spans[i].end - 1) - e);
        require(index.entryBody(i) == expected, "a match list entry holds the wrong bytes");
        require(index.entry(i) == std::to_string(i + 1) + "- " + std::string(expected),
                "a match list entry is not numbered from 1");
    }
    return 0;
}
