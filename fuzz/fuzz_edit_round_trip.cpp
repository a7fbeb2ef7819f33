// Edit Game and Save without a change: the file split around a game, the game's tags and move
// list read as the editor reads them, and the file composed again by the game writer. The input
// is a whole file; up to four of its games (the first two, the middle one and the last) are
// taken through the round trip.
//
// What must hold: the split loses no byte; the composed file keeps the bytes before and after the
// game, and its number of games, with the game written where the game was; the editor's entries
// read back into the same entries; and, where the tags and moves are plain enough for the
// writer's layout to be read back (no bracket in a tag value, entries in their two 8-byte
// columns with a space between them, moves without periods), the written game gives back the
// same tags and entries.
#include "pgn/engine.h"
#include "pgn/game_spans.h"
#include "pgnfile/edit_game.h"
#include "pgnfile/game_writer.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_edit_round_trip: %s\n", what);
        std::abort();
    }
}

class QuietHost final : public pgn::Host {
public:
    void setStatus(std::string_view) override {}
    void showMessage(std::string_view, pgn::Icon) override { ++messages; }
    int messages = 0;
};

constexpr std::array<std::string_view, 5> kTagNames = {"Event", "Site", "Date", "White", "Black"};

std::array<std::string, 5> readTags(std::string_view game) {
    std::array<std::string, 5> values;
    for (std::size_t t = 0; t < kTagNames.size(); ++t)
        values[t] = pw2::tagValue(game, kTagNames[t]);
    return values;
}

// Checks the editor's reading of each entry (its caption, number and two columns) and tells
// whether every entry is plain: both moves in their 8-byte columns with a space between them,
// without spaces or periods.
bool checkEntries(const std::vector<std::string>& lines) {
    bool plain = true;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::string& line = lines[k];
        const std::string caption = std::to_string(k + 1) + ".";
        require(pw2::entryCaption(line) == caption, "an entry's caption is not its number");
        require(pw2::entryMoveNumber(line) == static_cast<std::int32_t>(k + 1),
                "an entry's move number is not its place in the list");
        if (line.size() != caption.size() + 1 + 16) {
            plain = false; // a move longer than its column
            continue;
        }
        const std::string_view white = pgn::WhiteColumn(line);
        const std::string_view black = pgn::BlackColumn(line);
        require(pw2::composeEntry(pw2::entryCaption(line), white, black) == line,
                "an entry read by the editor is written back differently");
        // Two moves of 8 bytes fill both columns with no space between them: they would be
        // read back as one word.
        if (white.find_first_of(". ") != std::string_view::npos ||
            black.find_first_of(". ") != std::string_view::npos ||
            (white.size() == 8 && black.size() == 8))
            plain = false;
    }
    return plain;
}

void roundTrip(std::string_view text, const std::vector<pgn::GameSpan>& spans, std::size_t i) {
    const pw2::GameSplit split = pw2::splitAtGame(text, spans[i]);
    require(split.TextBefore + split.game + split.TextAfter == text, "the split lost bytes");
    require(split.game == pgn::gameText(text, spans[i]), "the split's game is not the span's");
    require(pw2::spanStartsGame(text, spans[i]), "a listed span does not start a game");

    const std::array<std::string, 5> values = readTags(split.game);
    QuietHost host;
    std::string result;
    const pw2::EditorMoves moves = pw2::editorMoves(split.game, host, result);
    require(moves.MoveList == pw2::joinMoveList(moves.lines),
            "the editor's move list and the writer's disagree");
    require(moves.CurrentEdMove == static_cast<std::int64_t>(moves.lines.size()) + 1,
            "the editor does not continue after the last entry");
    const bool plainEntries = checkEntries(moves.lines);

    const pw2::GameTags tags{values[0], values[1], values[2], values[3], values[4]};
    const std::string file =
        pw2::composeGameFile(split.TextBefore, tags, moves.MoveList, split.TextAfter);
    require(file.starts_with(split.TextBefore + "\r\n[Event \""),
            "the bytes before the game were not kept");
    require(file.ends_with("\r\n" + split.TextAfter + "\r\n"),
            "the bytes after the game were not kept");

    const std::vector<pgn::GameSpan> now = pgn::findGameSpans(file);
    require(now.size() == spans.size(), "writing a game changed the file's number of games");
    require(now[i].begin == static_cast<std::int64_t>(split.TextBefore.size()) + 3,
            "the game written is not where the game was");

    bool plainTags = true;
    for (const std::string& value : values)
        plainTags = plainTags && value.find_first_of("[]") == std::string::npos;
    if (!plainTags)
        return;
    const std::string_view written = pgn::gameText(file, now[i]);
    require(readTags(written) == values, "a tag value does not read back as it was written");
    if (!plainEntries)
        return;
    QuietHost again;
    std::string resultAgain;
    const pw2::EditorMoves reread = pw2::editorMoves(written, again, resultAgain);
    require(again.messages == 0, "the game written cannot be read back");
    require(reread.lines == moves.lines, "the moves written read back differently");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
    if (spans.empty())
        return 0;
    const std::size_t last = spans.size() - 1;
    const std::array<std::size_t, 4> chosen = {0, 1, spans.size() / 2, last};
    std::size_t previous = SIZE_MAX;
    for (const std::size_t i : chosen) {
        if (i > last || i == previous)
            continue;
        roundTrip(text, spans, i);
        previous = i;
    }
    return 0;
}
