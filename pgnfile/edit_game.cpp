#include "pgnfile/edit_game.h"

#include "pgn/engine.h"
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
    // The next game is looked for from the byte after this game's "[", as findGameSpans does.
    const std::size_t next = text.find(pgn::kGameStart, static_cast<std::size_t>(span.begin));
    const std::int64_t end = next == std::string_view::npos
                                 ? static_cast<std::int64_t>(text.size()) + 1
                                 : static_cast<std::int64_t>(next);
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

EditorMoves editorMoves(std::string_view game, pgn::Host& host, std::string& GameResult) {
    EditorMoves moves;
    const std::string cleaned = pgn::CleanGameText(game, host);
    pgn::FillMoveList(cleaned, moves.lines, GameResult);
    for (const std::string& line : moves.lines) {
        moves.MoveList += line;
        moves.MoveList += "\r\n";
    }
    moves.CurrentEdMove = static_cast<std::int32_t>(moves.lines.size()) + 1;
    return moves;
}

} // namespace pw2
