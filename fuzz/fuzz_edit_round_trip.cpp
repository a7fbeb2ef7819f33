// Edit Game and Save: the file split around a game, the game's tag section and moves read as the
// editor reads them, and the game written again by the game writer. The input is a whole file;
// up to four of its games (the first two, the middle one and the last) are taken through.
//
// What must hold, for every game and every entry:
// - the split loses no byte;
// - saved with nothing changed, the game is the same bytes;
// - saved with one tag changed, its tag pair reads back with the new value and every other byte
//   of the game is the same (a tag the game lacks is added after its last tag pair);
// - its moves written anew (with "\n" and with "\r\n") leave the tag section as it was, use only
//   that line break, keep lines under 80 bytes unless one token is longer, keep the FEN tag, and,
//   when the moves were read token by token, read back as the same pairs and result: moves of
//   any length stay apart, and a result follows the last move in either column.
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
    void showMessage(std::string_view, pgn::Icon) override {}
};

constexpr std::array<std::string_view, 5> kTagNames = {"Event", "Site", "Date", "White", "Black"};

// The tag pairs' bytes, in order, leaving out the one at skip.
std::vector<std::string_view> otherPairs(std::string_view game, const pw2::GameLayout& layout,
                                         const pw2::TagPair* skip) {
    std::vector<std::string_view> pairs;
    for (const pw2::TagPair& tag : layout.tags)
        if (&tag != skip)
            pairs.push_back(game.substr(tag.begin, tag.end - tag.begin));
    return pairs;
}

void editTag(std::string_view game, const pw2::GameLayout& layout, std::string_view name,
             std::string_view eol) {
    // A value with what must be escaped in it, and one of the game's own values.
    const pw2::TagPair* own = pw2::findTagPair(layout, "White");
    std::string mine = own ? own->value : std::string();
    std::erase_if(mine, [](char c) { return c == '\r' || c == '\n'; });
    for (const std::string& value : {std::string("a \"b\" \\ [c]"), mine}) {
        const std::string written = pw2::rewriteGame(game, {{name, value}}, nullptr, eol);
        const pw2::GameLayout now = pw2::readLayout(written);
        const pw2::TagPair* was = pw2::findTagPair(layout, name);
        const pw2::TagPair* is = pw2::findTagPair(now, name);
        require(is && is->value == value, "a changed tag does not read back as typed");
        require(now.tags.size() == layout.tags.size() + (was ? 0 : 1),
                "changing a tag changed the number of tag pairs");
        require(otherPairs(written, now, is) == otherPairs(game, layout, was),
                "changing a tag changed another tag pair");
        require(written.substr(now.tagsEnd) == game.substr(layout.tagsEnd),
                "changing a tag changed the movetext");
        if (was)
            require(written.substr(0, is->begin) == game.substr(0, was->begin),
                    "changing a tag changed the bytes before it");
    }
}

void checkLines(std::string_view movetext, std::string_view eol) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= movetext.size(); ++i) {
        if (i < movetext.size() && movetext[i] != '\n' && movetext[i] != '\r')
            continue;
        if (i < movetext.size()) {
            require(eol == "\r\n"
                        ? movetext[i] == '\r' && i + 1 < movetext.size() && movetext[i + 1] == '\n'
                        : movetext[i] == '\n',
                    "the movetext has a line break that is not the file's");
        }
        const std::string_view line = movetext.substr(start, i - start);
        require(line.size() <= 79 || line.find(' ') == std::string_view::npos ||
                    line.find(" %") != std::string_view::npos,
                "a movetext line is longer than 79 bytes");
        i += i < movetext.size() && movetext[i] == '\r' ? 1 : 0;
        start = i + 1;
    }
}

void rewriteMoves(std::string_view game, const pw2::GameLayout& layout,
                  const pw2::EditorMoves& read, std::string_view eol) {
    const std::string movetext = pw2::writeMovetext(read.moves, eol);
    checkLines(movetext, eol);
    const std::string written = pw2::rewriteGame(game, {}, &movetext, eol);
    require(written.substr(0, layout.headEnd) == game.substr(0, layout.headEnd),
            "new moves changed the tag section");
    // Read back the same when the moves were read token by token and the tag pairs end where
    // the saver's FEN reading ends them (where the two readings differ, what lies between them
    // is kept as it was, and may hold moves of its own).
    // A game without moves is never written.
    if (!read.exact || layout.headEnd != layout.tagsEnd || read.moves.pairs.empty())
        return;
    QuietHost host;
    const pw2::EditorMoves again = pw2::editorMoves(written, host);
    require(again.exact, "moves written by the editor are not read back token by token");
    require(again.moves == read.moves, "moves written by the editor read back differently");
}

void roundTrip(std::string_view text, const std::vector<pgn::GameSpan>& spans, std::size_t i) {
    const pw2::GameSplit split = pw2::splitAtGame(text, spans[i]);
    require(split.TextBefore + split.game + split.TextAfter == text, "the split lost bytes");
    require(pw2::spanStartsGame(text, spans[i]), "a listed span does not start a game");
    const std::string_view game = split.game;
    const std::string_view eol = pw2::lineEnding(game, split.TextBefore, split.TextAfter);
    require(pw2::rewriteGame(game, {}, nullptr, eol) == game,
            "a game saved unchanged is not the same bytes");

    const pw2::GameLayout layout = pw2::readLayout(game);
    for (const std::string_view name : kTagNames)
        editTag(game, layout, name, eol);

    QuietHost host;
    const pw2::EditorMoves read = pw2::editorMoves(game, host);
    for (const std::string_view lineBreak : {std::string_view("\n"), std::string_view("\r\n")})
        rewriteMoves(game, layout, read, lineBreak);
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
