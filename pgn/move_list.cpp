// FillMoveList: the movetext tokenizer. Positions below are 1-based, as in FindLastBefore.
#include "pgn/engine.h"
#include "pgn/text.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace pgn {
namespace {

constexpr std::size_t kColumn = 8;
constexpr int kLastStartNumber = 32767; // a set-up position's move number is 16-bit
// Move numbers themselves have no limit of their own: a game of any length keeps every number.
constexpr std::size_t kLongestNumber = 18;

// Position of the first occurrence of pattern at or after position from; 0 when none.
std::size_t findFrom(std::string_view text, std::string_view pattern, std::size_t from) {
    if (from < 1 || from > text.size())
        return 0;
    const std::size_t at = text.find(pattern, from - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::size_t findSpaceFrom(std::string_view text, std::size_t from) {
    if (from < 1 || from > text.size())
        return 0;
    const void* hit = std::memchr(text.data() + from - 1, ' ', text.size() - from + 1);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) + 1 : 0;
}

// The places where a Black continuation " <n>..." may stand, found once per text and consulted
// for each move number, so that the search "from the start of the text" costs nothing per move.
//
// Blanking writes only spaces, so no new "..." ever appears, and the digits right before a
// "..." change only when that very continuation is blanked. What can change is the character
// before the digits, which a neighbouring blanked continuation may turn into a space; that is
// tested on the live text.
class Continuations {
public:
    explicit Continuations(std::string_view text) {
        for (std::size_t d = text.find("..."); d != std::string_view::npos;
             d = text.find("...", d + 1)) {
            std::size_t first = d;
            while (first > 0 && text[first - 1] >= '0' && text[first - 1] <= '9')
                --first;
            const std::size_t length = d - first;
            if (first == 0 || length == 0 || length > kLongestNumber || text[first] == '0')
                continue;
            long long n = 0;
            for (std::size_t i = first; i < d; ++i)
                n = n * 10 + (text[i] - '0');
            places_.push_back({n, d});
        }
        std::sort(places_.begin(), places_.end());
    }

    // Blanks the first " <n>..." of text, so that a Black move resuming after a removed comment
    // or variation is read as Black's move of move n.
    void blank(std::string& text, long long n, std::size_t digits) const {
        const auto first = std::lower_bound(places_.begin(), places_.end(), Place{n, 0});
        for (auto it = first; it != places_.end() && it->n == n; ++it) {
            const std::size_t start = it->dots - digits - 1;
            if (text[start] != ' ' || text.compare(it->dots, 3, "...") != 0)
                continue;
            std::memset(&text[start], ' ', it->dots + 3 - start);
            return;
        }
    }

    bool empty() const { return places_.empty(); }

private:
    struct Place {
        long long n;
        std::size_t dots; // 0-based position of the "..."
        friend auto operator<=>(const Place&, const Place&) = default;
    };
    std::vector<Place> places_;
};

std::string makeEntry(std::string_view digits, std::string_view white, std::string_view black) {
    std::string entry;
    entry.reserve(digits.size() + 2 + std::max(kColumn, white.size()) +
                  std::max(kColumn, black.size()));
    entry.append(digits).append(". ").append(white);
    if (white.size() < kColumn)
        entry.append(kColumn - white.size(), ' ');
    if (black.size() < kColumn)
        entry.append(kColumn - black.size(), ' ');
    entry.append(black);
    return entry;
}

// The last period before position s, searching back no further than scanned, where the previous
// search stopped; period when there is none there. Each byte is therefore looked at once however
// many spaces follow a move number.
std::size_t periodBefore(std::string_view text, std::size_t s, std::size_t& scanned,
                         std::size_t period) {
    for (std::size_t i = s - 1; i > scanned; --i) {
        if (text[i - 1] == '.') {
            period = i;
            break;
        }
    }
    scanned = std::max(scanned, s - 1);
    return period;
}

// The first entry of a game where Black moves first: Black's move is the first word after the
// move number and the periods and spaces that follow it. Returns where the word ends (0-based),
// or 0 when the number or the move is missing.
std::size_t blackFirstEntry(std::string_view text, int n, std::vector<std::string>& list) {
    char digitBuffer[8];
    const auto converted = std::to_chars(digitBuffer, digitBuffer + sizeof digitBuffer, n);
    const std::string_view digits(digitBuffer,
                                  static_cast<std::size_t>(converted.ptr - digitBuffer));
    std::string mark(digits);
    mark += '.';
    const std::size_t markAt = text.find(mark);
    if (markAt == std::string_view::npos)
        return 0;
    std::size_t b = markAt + mark.size();
    while (b < text.size() && (text[b] == '.' || text[b] == ' '))
        ++b;
    if (b == text.size())
        return 0;
    std::size_t e = text.find(' ', b);
    if (e == std::string_view::npos)
        e = text.size();
    list.push_back(makeEntry(digits, "...", text.substr(b, e - b)));
    return e;
}

void fill(std::string_view source, std::vector<std::string>& list, std::string& GameResult,
          MoveListStart start) {
    list.clear();
    std::string text(source);
    const std::string_view view(text);

    const Continuations continuations(view);

    std::size_t pos = 0;
    std::size_t markPeriod = 0;
    long long first = std::clamp(start.number, 1, kLastStartNumber);
    if (start.blackFirst) {
        pos = blackFirstEntry(view, static_cast<int>(first), list);
        if (pos == 0)
            first = 0; // nothing follows a missing first move
        else
            ++first;
    }
    char digitBuffer[24];
    for (long long n = first; n > 0; ++n) {
        const auto converted = std::to_chars(digitBuffer, digitBuffer + sizeof digitBuffer, n);
        const std::string_view digits(digitBuffer,
                                      static_cast<std::size_t>(converted.ptr - digitBuffer));
        char markBuffer[sizeof digitBuffer + 1];
        std::memcpy(markBuffer, digits.data(), digits.size());
        markBuffer[digits.size()] = '.';
        const std::string_view mark(markBuffer, digits.size() + 1);

        // White's move never reaches back past where the previous move number's period stood:
        // when a blanked continuation took periods with it, the move starts after that place.
        const std::size_t floor = std::max(pos, markPeriod);
        const std::size_t markAt = findFrom(view, mark, floor + 1);
        if (markAt == 0)
            break;
        markPeriod = markAt + digits.size();
        pos = floor;
        if (!continuations.empty())
            continuations.blank(text, n, digits.size());
        const std::size_t width = digits.size() + 2;

        // White's move: the text between the last period before the next space and that space.
        // Extra spaces after the period are skipped by searching again one place further on.
        std::size_t from = markAt + width;
        std::size_t scanned = floor;
        std::size_t blankTo = 0; // the bytes after pos up to here are all spaces
        std::size_t s = 0;
        std::string_view white;
        for (;;) {
            s = findSpaceFrom(view, from);
            // A text that ends right after White's move: the move still counts, with no
            // Black move after it.
            const std::size_t stop = s == 0 ? view.size() + 1 : s;
            pos = periodBefore(view, stop, scanned, pos);
            blankTo = std::max(blankTo, pos);
            while (blankTo + 1 < stop && view[blankTo] == ' ')
                ++blankTo;
            if (blankTo + 1 < stop) {
                white = trimSpaces(view.substr(pos, stop - pos - 1));
                break;
            }
            if (s == 0)
                break;
            // Searching again one place further on finds only spaces until the run of spaces
            // ends, so the search goes on where it ends.
            std::size_t next = s + 1;
            while (next <= view.size() && view[next - 1] == ' ')
                ++next;
            from = std::max(pos + 1 + width, next);
        }
        if (white.empty())
            break;

        // Black's move: the next word after the spaces that follow White's move; may be empty.
        std::size_t b = s == 0 ? view.size() + 1 : s;
        while (b <= view.size() && view[b - 1] == ' ')
            ++b;
        std::string_view black;
        if (b <= view.size()) {
            const std::size_t e = findSpaceFrom(view, b);
            black = e == 0 ? view.substr(b - 1) : view.substr(b - 1, e - b);
        }
        list.push_back(makeEntry(digits, white, black));
        if (s == 0)
            break;
    }

    // The last space-separated token: a termination marker when the game has one.
    const std::string_view trimmed = trimSpaces(view);
    const std::size_t g = FindLastBefore(trimmed, " ", trimmed.size());
    if (g == 0) {
        GameResult.clear(); // one token or none: no termination marker
        return;
    }
    GameResult.assign(trimSpaces(trimmed.substr(g - 1)));
}

} // namespace

std::size_t FindLastBefore(std::string_view text, std::string_view pattern, std::size_t start) {
    if (start < 1)
        return 0;
    const std::size_t at = text.rfind(pattern, start - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

void FillMoveList(std::string_view text, std::vector<std::string>& list, std::string& GameResult) {
    fill(text, list, GameResult, MoveListStart{});
}

void FillMoveList(std::string_view text, std::vector<std::string>& list, std::string& GameResult,
                  MoveListStart start) {
    fill(text, list, GameResult, start);
}

std::string_view EntryColumns(std::string_view entry) {
    return entry.size() > 16 ? entry.substr(entry.size() - 16) : entry;
}

std::string_view WhiteColumn(std::string_view entry) {
    return trimSpaces(EntryColumns(entry).substr(0, 8));
}

std::string_view BlackColumn(std::string_view entry) {
    return trimSpaces(entry.size() > 8 ? entry.substr(entry.size() - 8) : entry);
}

bool IsResult(std::string_view token) {
    return token == "1-0" || token == "0-1" || token == "1/2-1/2";
}

} // namespace pgn
