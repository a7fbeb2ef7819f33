#include "pgn/comment_commands.h"

#include <algorithm>

namespace pgn {
namespace {

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == 0x7F;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Takes a run of 1 to maxDigits digits from the front of s; nothing when there is none or it is
// longer.
std::optional<std::int64_t> takeDigits(std::string_view& s, std::size_t maxDigits) {
    std::size_t n = 0;
    std::int64_t value = 0;
    while (n < s.size() && isDigit(s[n])) {
        if (n == maxDigits)
            return std::nullopt;
        value = value * 10 + (s[n] - '0');
        ++n;
    }
    if (n == 0)
        return std::nullopt;
    s.remove_prefix(n);
    return value;
}

// "-" gives -1, "+" or nothing 1.
int takeSign(std::string_view& s) {
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        const int sign = s.front() == '-' ? -1 : 1;
        s.remove_prefix(1);
        return sign;
    }
    return 1;
}

// H:MM:SS, M:SS or SS, each with an optional fraction of a second.
std::optional<std::int64_t> readClock(std::string_view s) {
    s = trimmed(s);
    std::int64_t seconds = 0;
    for (int part = 0; part < 3; ++part) {
        const auto n = takeDigits(s, part == 0 ? 7 : 2);
        if (!n)
            return std::nullopt;
        seconds = seconds * 60 + *n;
        if (s.empty() || s.front() != ':')
            break;
        s.remove_prefix(1);
    }
    std::int64_t ms = seconds * 1000;
    if (!s.empty() && s.front() == '.') {
        s.remove_prefix(1);
        std::int64_t scale = 100;
        for (; !s.empty() && isDigit(s.front()); s.remove_prefix(1)) {
            ms += (s.front() - '0') * scale;
            scale /= 10;
        }
    }
    if (!s.empty() || ms > kLongestClockMs)
        return std::nullopt;
    return ms;
}

// The whole milliseconds of "tl=".
std::optional<std::int64_t> readMilliseconds(std::string_view s) {
    s = trimmed(s);
    const auto ms = takeDigits(s, 12);
    if (!ms || !s.empty() || *ms > kLongestClockMs)
        return std::nullopt;
    return ms;
}

// A signed number of pawns, as hundredths rounded half away from zero.
std::optional<Evaluation> readPawns(std::string_view s) {
    const int sign = takeSign(s);
    std::int64_t thousandths = 0;
    bool digits = false;
    if (const auto whole = takeDigits(s, 7)) {
        thousandths = *whole * 1000;
        digits = true;
    }
    if (!s.empty() && s.front() == '.') {
        s.remove_prefix(1);
        std::int64_t scale = 100;
        for (; !s.empty() && isDigit(s.front()); s.remove_prefix(1)) {
            thousandths += (s.front() - '0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    const std::int64_t hundredths = (thousandths + 5) / 10;
    if (!digits || !s.empty() || hundredths > kLargestEvaluation)
        return std::nullopt;
    return Evaluation{false, static_cast<std::int32_t>(sign * hundredths)};
}

std::optional<Evaluation> readMate(std::string_view s, bool halfMoves) {
    const int sign = takeSign(s);
    const auto n = takeDigits(s, 6);
    if (!n || *n == 0 || !s.empty())
        return std::nullopt;
    // A mate in n half-moves, counted from the side to move, is the mating side's (n + 1) / 2nd
    // move.
    const std::int64_t moves = halfMoves ? (*n + 1) / 2 : *n;
    return Evaluation{true, static_cast<std::int32_t>(sign * moves)};
}

// "[%eval 0.17]", "[%eval -1.05,23]", "[%eval #-3]".
std::optional<Evaluation> readEval(std::string_view s) {
    s = trimmed(s);
    s = trimmed(s.substr(0, s.find(',')));
    if (!s.empty() && s.front() == '#')
        return readMate(s.substr(1), false);
    return readPawns(s);
}

// "wv=1.22", "wv=-M5", "wv=M13".
std::optional<Evaluation> readWhiteView(std::string_view s) {
    s = trimmed(s);
    std::string_view rest = s;
    const int sign = takeSign(rest);
    if (!rest.empty() && rest.front() == 'M') {
        auto mate = readMate(rest.substr(1), true);
        if (mate)
            mate->value *= sign;
        return mate;
    }
    return readPawns(s);
}

class Reader {
public:
    CommentCommands read(std::string_view text) {
        std::size_t fieldStart = 0;
        for (std::size_t i = 0; i <= text.size();) {
            if (i == text.size() || text[i] == ',') {
                field(text.substr(fieldStart, i - fieldStart));
                fieldStart = ++i;
                continue;
            }
            if (text[i] == '[' && i + 1 < text.size() && text[i + 1] == '%') {
                field(text.substr(fieldStart, i - fieldStart));
                std::size_t end = text.find(']', i);
                if (end == std::string_view::npos)
                    end = text.size();
                command(text.substr(i + 2, end - i - 2));
                i = fieldStart = std::min(end + 1, text.size());
                if (end == text.size())
                    break;
                continue;
            }
            ++i;
        }
        // "book" alone is a word for a reader; beside an engine's fields it is one of them.
        out_.onlyCommands = !forReader_ && (commands_ || fields_);
        if (fields_)
            out_.readerText = std::move(readerText_);
        return out_;
    }

private:
    // "[%name args]": the name up to the first blank.
    void command(std::string_view body) {
        commands_ = true;
        std::size_t n = 0;
        while (n < body.size() && !isBlank(body[n]))
            ++n;
        const std::string_view name = body.substr(0, n), args = body.substr(n);
        if (name == "clk") {
            if (const auto ms = readClock(args))
                out_.clockMs = ms;
        } else if (name == "eval") {
            if (const auto e = readEval(args))
                out_.evaluation = e;
        }
    }

    // A comma-separated field outside commands: "name=value", "book", or words for a reader.
    void field(std::string_view f) {
        f = trimmed(f);
        if (f.empty())
            return;
        if (f == "book")
            return;
        std::size_t n = 0;
        while (n < f.size() && (isLetter(f[n]) || (n > 0 && isDigit(f[n]))))
            ++n;
        if (n == 0 || n == f.size() || f[n] != '=') {
            forReader_ = true;
            if (readerText_.size() < kReaderTextLimit) {
                if (!readerText_.empty())
                    readerText_ += ", ";
                readerText_ +=
                    f.substr(0, kReaderTextLimit - std::min(readerText_.size(), kReaderTextLimit));
            }
            return;
        }
        fields_ = true;
        const std::string_view name = f.substr(0, n), value = f.substr(n + 1);
        if (name == "tl") {
            if (const auto ms = readMilliseconds(value))
                out_.clockMs = ms;
        } else if (name == "wv") {
            if (const auto e = readWhiteView(value))
                out_.evaluation = e;
        }
    }

    CommentCommands out_;
    bool commands_ = false;  // a "[%...]" command
    bool fields_ = false;    // a "name=value" field
    bool forReader_ = false; // anything else that is not blank
    std::string readerText_; // the fields for a reader
};

} // namespace

CommentCommands ReadCommentCommands(std::string_view comment) {
    return Reader().read(comment);
}

const CommentCommands* CommandsAfter(const std::vector<CommentCommands>& commands,
                                     std::size_t halfMoves) {
    const auto it = std::lower_bound(
        commands.begin(), commands.end(), halfMoves,
        [](const CommentCommands& c, std::size_t n) { return c.afterHalfMoves < n; });
    return it != commands.end() && it->afterHalfMoves == halfMoves ? &*it : nullptr;
}

std::string EvaluationText(const Evaluation& e) {
    // Appended piece by piece: "#" + std::to_string(...) trips GCC 12's -Wrestrict at -O3.
    std::string text;
    if (e.mate) {
        text += '#';
        text += std::to_string(e.value);
        return text;
    }
    const std::int64_t v = e.value;
    const std::int64_t magnitude = v < 0 ? -v : v;
    if (v != 0)
        text += v > 0 ? '+' : '-';
    const std::int64_t cents = magnitude % 100;
    text += std::to_string(magnitude / 100);
    text += cents < 10 ? ".0" : ".";
    text += std::to_string(cents);
    return text;
}

} // namespace pgn
