#include "pgn/game_spans.h"

namespace pgn {

std::vector<GameSpan> findGameSpans(std::string_view text) {
    std::vector<GameSpan> spans;
    std::size_t at = text.find(kGameStart);
    while (at != std::string_view::npos) {
        const std::size_t next = text.find(kGameStart, at + 1);
        const auto begin = static_cast<std::int64_t>(at) + 1;
        // The byte before the next game's tag belongs to no game; the last game keeps its bytes.
        const auto end = next == std::string_view::npos ? static_cast<std::int64_t>(text.size()) + 1
                                                        : static_cast<std::int64_t>(next);
        spans.push_back({begin, end});
        at = next;
    }
    return spans;
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
