#include "pgnfile/edit_game.h"

#include "pgn/engine.h"
#include "pgn/fen.h"
#include "pgn/text.h"

#include <algorithm>

namespace pw2 {

GameSplit splitAtGame(std::string_view text, pgn::GameSpan span) {
    GameSplit split;
    const auto size = static_cast<std::int64_t>(text.size());
    const std::int64_t before = std::clamp<std::int64_t>(span.begin - 1, 0, size);
    const std::int64_t after = std::clamp<std::int64_t>(span.end - 1, 0, size);
    split.TextBefore.assign(text.substr(0, static_cast<std::size_t>(before)));
    split.game.assign(pgn::gameText(text, span));
    split.TextAfter.assign(text.substr(static_cast<std::size_t>(after)));
    return split;
}

bool spanStartsGame(std::string_view text, pgn::GameSpan span) {
    if (span.begin < 1 || span.end <= span.begin ||
        span.end - 1 > static_cast<std::int64_t>(text.size()))
        return false;
    return text.substr(static_cast<std::size_t>(span.begin - 1)).starts_with(pgn::kGameStart);
}

bool spanDelimitsGame(std::string_view text, pgn::GameSpan span) {
    if (!spanStartsGame(text, span))
        return false;
    // The next game starts where findGameSpans would start it: an "[Event " inside a quoted tag
    // value or a comment of this game starts none. The scan stops at the first start it finds.
    const std::size_t first = static_cast<std::size_t>(span.begin - 1);
    constexpr std::size_t kPiece = 64 * 1024;
    pgn::GameStartScanner scanner;
    std::int64_t next = -1;
    for (std::size_t at = first; at < text.size() && next < 0; at += kPiece) {
        scanner.scan(text.substr(at, kPiece), [&](std::int64_t offset) {
            if (offset > 0 && next < 0)
                next = offset;
        });
    }
    const std::int64_t end = next < 0 ? static_cast<std::int64_t>(text.size()) + 1
                                      : static_cast<std::int64_t>(first) + next;
    return span.end == end;
}

std::string tagValue(std::string_view game, std::string_view name) {
    std::string opener = "[";
    opener += name;
    opener += " \"";
    const std::size_t p = pgn::findTag(game, opener);
    std::string value;
    if (p != std::string_view::npos)
        pgn::readQuotedValue(game, p + opener.size(), value);
    return value;
}

namespace {

// A line of the saver's move list, as FillMoveList makes it.
std::string listEntry(std::int64_t number, std::string_view white, std::string_view black) {
    std::string entry = std::to_string(number);
    entry += ". ";
    entry += white;
    if (white.size() < 8)
        entry.append(8 - white.size(), ' ');
    if (black.size() < 8)
        entry.append(8 - black.size(), ' ');
    entry += black;
    return entry;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the cleaned movetext token by token into pairs numbered from start: "12." opens move 12
// (its move may follow the periods at once, as in "12.e4"), "12..." goes on with Black's move of
// move 12 (or opens a game where Black moves first), a termination marker after Black's move is
// the result, unless Black's move is one. False when the text does not read that way.
bool readPairs(std::string_view text, pgn::MoveListStart start, GameMoves& moves) {
    enum class Next { Number, White, Black };
    Next next = Next::Number;
    moves.first = start.number;
    std::int64_t number = start.number - 1; // the number of the last pair
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ') {
            ++at;
            continue;
        }
        std::size_t end = text.find(' ', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view token = text.substr(at, end - at);
        at = end;
        std::size_t digits = 0;
        while (digits < token.size() && isDigit(token[digits]))
            ++digits;
        std::size_t periods = digits;
        while (periods < token.size() && token[periods] == '.')
            ++periods;
        if (digits > 0 && digits <= 5 && periods > digits && token[0] != '0') {
            std::int64_t n = 0;
            for (std::size_t i = 0; i < digits; ++i)
                n = n * 10 + (token[i] - '0');
            if (periods - digits >= 3) {
                // Black's move of move n, after White's or opening the game.
                if (moves.pairs.empty() && start.blackFirst && n == start.number) {
                    moves.pairs.push_back({"...", ""});
                    number = n;
                } else if (moves.pairs.empty() || n != number || next != Next::Black) {
                    return false;
                }
                next = Next::Black;
            } else {
                if (n != number + 1 || next == Next::White ||
                    (moves.pairs.empty() && start.blackFirst))
                    return false;
                moves.pairs.push_back({});
                number = n;
                next = Next::White;
            }
            token.remove_prefix(periods);
            if (token.empty())
                continue;
        }
        if (next == Next::White) {
            moves.pairs.back().white.assign(token);
            next = Next::Black;
        } else if (next == Next::Black) {
            moves.pairs.back().black.assign(token);
            next = Next::Number;
        } else if (text.find_first_not_of(' ', at) == std::string_view::npos &&
                   isTerminationMarker(token) && !moves.pairs.empty() &&
                   !isTerminationMarker(moves.pairs.back().black)) {
            // A second marker after one in Black's column is irregular: written again, only
            // the first would stand.
            moves.result.assign(token);
        } else {
            return false;
        }
    }
    return next != Next::White;
}

// The pairs cut from the lines' columns, for a movetext too irregular to be read token by token.
GameMoves pairsFromLines(const std::vector<std::string>& lines, std::int32_t first,
                         std::string_view GameResult) {
    GameMoves moves;
    moves.first = first;
    for (const std::string& line : lines) {
        std::string_view columns = line;
        const std::size_t dot = columns.find(". ");
        columns.remove_prefix(dot == std::string_view::npos ? 0 : dot + 2);
        // Two moves apart by spaces: the first is White's; one word of 16 bytes or more is the two
        // moves glued, cut where the columns are.
        const std::size_t gap = columns.find(' ');
        MovePair pair;
        if (gap != std::string_view::npos && gap > 0) {
            pair.white.assign(columns.substr(0, gap));
            pair.black.assign(pgn::trimSpaces(columns.substr(gap)));
        } else {
            pair.white.assign(pgn::WhiteColumn(line));
            pair.black.assign(pgn::BlackColumn(line));
        }
        moves.pairs.push_back(std::move(pair));
    }
    if (isTerminationMarker(GameResult) && !moves.pairs.empty() &&
        moves.pairs.back().black != GameResult)
        moves.result.assign(GameResult);
    return moves;
}

} // namespace

EditorMoves editorMoves(std::string_view game, pgn::Host& host) {
    EditorMoves read;
    const std::string cleaned = pgn::CleanGameText(game, host);
    pgn::MoveListStart start;
    std::string fen;
    pgn::SetUpPosition position;
    if (pgn::FindFenTag(game, fen) && pgn::ReadFen(fen, position).empty())
        start = {position.fullMoveNumber, !position.whiteToMove};
    std::vector<std::string> lines;
    std::string GameResult;
    pgn::FillMoveList(cleaned, lines, GameResult, start);

    GameMoves pairs;
    if (readPairs(cleaned, start, pairs) && pairs.pairs.size() == lines.size()) {
        bool same = true;
        for (std::size_t i = 0; i < lines.size() && same; ++i)
            same = lines[i] == listEntry(pairs.first + std::int64_t(i), pairs.pairs[i].white,
                                         pairs.pairs[i].black);
        if (same) {
            read.moves = std::move(pairs);
            return read;
        }
    }
    read.exact = false;
    read.moves = pairsFromLines(lines, start.number, GameResult);
    return read;
}

} // namespace pw2
