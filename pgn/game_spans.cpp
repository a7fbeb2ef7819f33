#include "pgn/game_spans.h"

#include <utility>

namespace pgn {

void GameSpanCollector::start(std::int64_t offset) {
    // The byte before the next game's tag belongs to no game.
    if (!spans_.empty())
        spans_.back().end = offset;
    spans_.push_back({offset + 1, offset + 1});
}

std::vector<GameSpan> GameSpanCollector::finish(std::int64_t size) {
    // The last game keeps its bytes.
    if (!spans_.empty())
        spans_.back().end = size + 1;
    return std::move(spans_);
}

std::vector<GameSpan> findGameSpans(std::string_view text) {
    GameStartScanner scanner;
    GameSpanCollector spans;
    scanner.scan(text, [&spans](std::int64_t offset) { spans.start(offset); });
    return spans.finish(static_cast<std::int64_t>(text.size()));
}

std::string_view gameText(std::string_view text, GameSpan span) {
    const auto size = static_cast<std::int64_t>(text.size());
    if (span.begin < 1 || span.begin > size || span.end <= span.begin)
        return {};
    const std::int64_t end = span.end - 1 > size ? size + 1 : span.end;
    return text.substr(static_cast<std::size_t>(span.begin - 1),
                       static_cast<std::size_t>(end - span.begin));
}

} // namespace pgn
