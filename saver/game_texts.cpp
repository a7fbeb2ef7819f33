#include "saver/game_texts.h"

#include "pgn/engine.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pw2 {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The tags the header shows, by their place in GameHeaderTags.
enum Tag { White, Black, WhiteElo, BlackElo, Event, Round, Date, Opening, Variation, Eco, kTags };
constexpr std::array<std::string_view, kTags> kTagNames = {
    "White", "Black", "WhiteElo", "BlackElo",  "Event",
    "Round", "Date",  "Opening",  "Variation", "ECO"};

// A tag's value as shown: nothing for "?", "-" or blanks.
std::string_view shown(const std::string& value) {
    std::string_view v(value);
    while (!v.empty() && isSpace(v.front()))
        v.remove_prefix(1);
    while (!v.empty() && isSpace(v.back()))
        v.remove_suffix(1);
    if (v == "?" || v == "-" || v == "??")
        return {};
    return v;
}

std::string joined(std::string_view first, std::string_view sep, std::string_view second) {
    std::string out(first);
    if (!first.empty() && !second.empty())
        out += sep;
    out += second;
    return out;
}

// "1928.??.??" gives "1928", "1928.05.??" gives "1928.05", "????.??.??" nothing.
std::string knownDate(std::string_view date) {
    std::string out;
    while (!date.empty()) {
        const std::size_t dot = date.find('.');
        const std::string_view part = date.substr(0, dot);
        if (part.empty() || part.find('?') != std::string_view::npos)
            break;
        out = joined(out, ".", part);
        if (dot == std::string_view::npos)
            break;
        date.remove_prefix(dot + 1);
    }
    return out;
}

} // namespace

GameHeader ReadGameHeader(std::string_view text) {
    std::array<std::string, kTags> values;
    std::array<bool, kTags> seen{};
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && isSpace(text[i]))
            ++i;
        if (i >= text.size() || text[i] != '[')
            break;
        ++i;
        const std::size_t nameStart = i;
        while (i < text.size() && !isSpace(text[i]) && text[i] != '"' && text[i] != ']')
            ++i;
        const std::string_view name = text.substr(nameStart, i - nameStart);
        while (i < text.size() && text[i] == ' ')
            ++i;
        std::string value;
        bool quoted = i < text.size() && text[i] == '"';
        if (quoted)
            ++i;
        // The value, to its closing quote (or the end of its line), then on to the tag's "]".
        for (; quoted && i < text.size(); ++i) {
            char c = text[i];
            if (c == '\n' || c == '\r')
                break;
            if (c == '"') {
                ++i;
                break;
            }
            if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
                c = text[++i];
            if (value.size() < kTagValueLimit)
                value += c;
        }
        while (i < text.size() && text[i] != ']' && text[i] != '\n' && text[i] != '\r')
            ++i;
        if (i < text.size() && text[i] == ']')
            ++i;
        const auto* known = std::find(kTagNames.begin(), kTagNames.end(), name);
        if (known != kTagNames.end()) {
            const auto k = std::size_t(known - kTagNames.begin());
            if (!seen[k]) {
                seen[k] = true;
                values[k] = std::move(value);
            }
        }
    }

    GameHeader h;
    h.white = joined(shown(values[White]), "  ", shown(values[WhiteElo]));
    h.black = joined(shown(values[Black]), "  ", shown(values[BlackElo]));
    const std::string_view round = shown(values[Round]);
    h.event =
        joined(shown(values[Event]), ", ", round.empty() ? "" : "round " + std::string(round));
    h.date = knownDate(shown(values[Date]));
    h.opening = joined(shown(values[Opening]), ", ", shown(values[Variation]));
    if (h.opening.empty())
        h.opening = shown(values[Eco]);
    return h;
}

bool IsTerminationMarker(std::string_view column) {
    return pgn::IsResult(column) || column == "*";
}

std::string MoveWithGlyph(std::string_view move, std::string_view glyph) {
    std::string out(move);
    if (!glyph.empty() && !move.empty() && move.back() != '!' && move.back() != '?')
        out += glyph;
    return out;
}

std::string HalfMoveText(long number, bool white, std::string_view move, std::string_view glyph) {
    std::string out = std::to_string(number) + (white ? ". " : "... ");
    return out + MoveWithGlyph(move, glyph);
}

long EntryNumber(std::string_view entry) {
    long n = 0;
    for (std::size_t i = 0; i < entry.size() && i < 6 && entry[i] >= '0' && entry[i] <= '9'; ++i)
        n = n * 10 + (entry[i] - '0');
    return n;
}

std::string GameSummary(std::string_view result, std::string_view ending, std::size_t moves) {
    std::string text = moves == 1 ? "1 move" : std::to_string(moves) + " moves";
    constexpr std::string_view kDot = " \u00b7 ";
    if (!ending.empty())
        text = std::string(ending) + std::string(kDot) + text;
    if (pgn::IsResult(result))
        text = std::string(result) + std::string(kDot) + text;
    return text;
}

int ReadingTimeMs(std::string_view comment) {
    long words = 0;
    bool inWord = false;
    for (const char c : comment) {
        const bool space = isSpace(c);
        words += !space && !inWord;
        inWord = !space;
        if (words * kReadingPerWordMs >= kLongestReadingMs)
            return kLongestReadingMs;
    }
    return int(words * kReadingPerWordMs);
}

std::string ClockText(std::int64_t ms) {
    ms = std::max<std::int64_t>(ms, 0);
    const std::int64_t seconds = ms / 1000, hours = seconds / 3600;
    // Appended piece by piece: "0" + std::to_string(...) trips GCC 12's -Wrestrict at -O3.
    std::string text;
    const auto appendTwoDigits = [&text](std::int64_t n) {
        if (n < 10)
            text += '0';
        text += std::to_string(n);
    };
    if (hours > 0) {
        text += std::to_string(hours);
        text += ':';
        appendTwoDigits(seconds / 60 % 60);
    } else {
        text += std::to_string(seconds / 60);
    }
    text += ':';
    appendTwoDigits(seconds % 60);
    if (seconds < 10 && ms % 1000 != 0) {
        text += '.';
        text += std::to_string(ms % 1000 / 100);
    }
    return text;
}

double WhiteShare(const pgn::Evaluation& e) {
    if (e.mate)
        return e.value > 0 ? 1.0 : 0.0;
    const double centipawns = std::clamp(double(e.value), -1000.0, 1000.0);
    return 1.0 / (1.0 + std::exp(-0.00368208 * centipawns));
}

} // namespace pw2
