// The game index: the games of one PGN file as the match panel lists them. Qt-free.
#pragma once

#include "pgn/game_spans.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pw2 {

// Counts and list positions are 32-bit; a file is listed whole up to this many games.
inline constexpr std::size_t kMaxListedGames = 2147483647;

// The games of one file text. The match list entries and GameSpans describe the same games in the
// same order. An entry's bytes are kept as a range of the file text rather than a copy, so that a
// file whose entries run on into later games costs no more memory than the file itself.
class GameIndex {
public:
    GameIndex() = default;
    // Scans text: one game per game start, delimited by pgn::findGameSpans.
    explicit GameIndex(std::string text);

    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }

    // Where each game lies (1-based byte positions, as pgn::GameSpan describes).
    const std::vector<pgn::GameSpan>& spans() const { return spans_; }

    // Entry i (0-based) as the match list holds it: the number from 1, "- ", then the file's bytes
    // from the game's "[Event " through the end of the first Black tag after it. The tags are read
    // one after another from the text's first "[" as pgn::tagEnd reads them: a tag ends at its "]"
    // outside its quoted value, or with the line of a quoted value left open. When the rest of the
    // text has no such tag, or ends inside it, the bytes run to the end of the game itself.
    std::string entry(std::size_t i) const;
    // The bytes of entry i after its "<n>- " prefix.
    std::string_view entryBody(std::size_t i) const;
    // The bytes of game i (0-based) as they were when the text was listed.
    std::string_view gameText(std::size_t i) const;

private:
    struct Range {
        std::size_t first = 0; // 0-based, inclusive
        std::size_t last = 0;  // 0-based, exclusive
    };

    std::shared_ptr<const std::string> text_;
    std::vector<pgn::GameSpan> spans_;
    std::vector<Range> entries_;
};

} // namespace pw2
