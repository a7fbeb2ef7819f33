// What Edit Game hands the editor: the file split around one game, the game's tag values and its
// move list. Qt-free; text is bytes.
#pragma once

#include "pgn/game_spans.h"
#include "pgn/interfaces.h"
#include "pgnfile/game_writer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw2 {

struct GameSplit {
    std::string TextBefore; // the bytes before the game
    std::string game;       // the game's own bytes
    std::string TextAfter;  // the bytes from the span's end position to the end of the text
};

GameSplit splitAtGame(std::string_view text, pgn::GameSpan span);

// True when span still starts a game of text: "[Event " stands at its begin.
bool spanStartsGame(std::string_view text, pgn::GameSpan span);

// True when span is still exactly one game of text, as pgn::findGameSpans delimits it: it starts
// at "[Event " and ends just before the byte that precedes the next "[Event ", or, for the last
// game, at the end of the text. A file changed since it was indexed in a way that moved, grew or
// shrank the game fails this. Reads the text once from the game's start.
bool spanDelimitsGame(std::string_view text, pgn::GameSpan span);

// The value of the first tag name in the game text, e.g. tagValue(game, "White"): the text after
// `[White "` up to the closing quote, with PGN's escapes decoded (\" is a quote, \\ a backslash).
// The tags are read one after another as pgn::findTag reads them, so that a tag quoted inside
// another tag's value is not taken for one. A missing tag, or one whose value is not closed by a
// quote on its own line, gives "".
std::string tagValue(std::string_view game, std::string_view name);

// The moves of a game as the editor keeps them, read as the saver reads them: the text cleaned with
// CleanGameText (a failure is shown through host and leaves no moves), numbered from the position
// of its FEN tag when it has one, and split as FillMoveList splits it, into lines the same as the
// saver's move list.
struct EditorMoves {
    GameMoves moves;
    // True when the pairs were read token by token and give FillMoveList's lines; false when
    // the movetext is too irregular for that and they were cut from those lines' columns.
    bool exact = true;
};
EditorMoves editorMoves(std::string_view game, pgn::Host& host);

} // namespace pw2
