// The bytes the game editor writes: one game's text, rewritten where the user changed it and kept
// byte for byte elsewhere, and the whole PGN file around it. Qt-free; text is bytes in the file's
// own encoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw2 {

// A tag pair of a game's tag section, as it stands in the game's text.
struct TagPair {
    std::string_view name;
    std::size_t begin = 0; // its "["
    std::size_t end = 0;   // just after its "]", or where the line of a value left open ends
    std::string value;     // escapes undone; empty when no quote closes it on its line
};

// Where the parts of one game's text lie: the tag section (the tag pairs at its start, with the
// white space between them) and the movetext after it.
struct GameLayout {
    std::vector<TagPair> tags;
    std::size_t tagsEnd = 0; // just after the last tag pair; 0 when there is none
    // Where the tags end for the saver's reading of a FEN tag, which may find one further on
    // (after an escape line, or a value running on across lines): the later of the two.
    std::size_t headEnd = 0;
    std::size_t movesBegin = 0; // the movetext's first byte that is not white space
    std::size_t movesEnd = 0;   // just after its last such byte (movesBegin when it is empty)
};

// Reads the tag section of game and finds its movetext. Linear in the game's size.
GameLayout readLayout(std::string_view game);

// The first tag pair named name, or nullptr.
const TagPair* findTagPair(const GameLayout& layout, std::string_view name);

// The line break of the file's lines: that of the first line of game, else of before, else of
// after; "\n" when none of them has a line.
std::string_view lineEnding(std::string_view game, std::string_view before, std::string_view after);

// A tag value as it stands between the quotes of a tag line: a backslash or a double quote gets
// a backslash before it. A line break would end the tag line early, so each carriage return or
// line feed becomes a space.
std::string escapeTagValue(std::string_view value);

// A tag the user changed: the value typed, unescaped.
struct TagEdit {
    std::string_view name;
    std::string value;
};

// One move number's moves. White's move "..." stands for the first move of a game from a set-up
// position where Black moves first. A termination marker typed or read in Black's column ends
// the game after White's move.
struct MovePair {
    std::string white;
    std::string black;
    friend bool operator==(const MovePair&, const MovePair&) = default;
};

struct GameMoves {
    std::int32_t first = 1; // the first pair's move number
    std::vector<MovePair> pairs;
    // The termination marker after Black's last move ("" when there is none). Not written when the
    // last pair already ends with a marker.
    std::string result;
    friend bool operator==(const GameMoves&, const GameMoves&) = default;
};

// True for "1-0", "0-1", "1/2-1/2" and "*".
bool isTerminationMarker(std::string_view token);

// The movetext of moves as PGN exports it: "1. e4 e5 2. Nf3", "11... Nf6" for Black's move
// opening a game, the result last, every two tokens apart by one space or one line break (eol)
// and lines no longer than 79 bytes unless a single token is. No line break at its end.
std::string writeMovetext(const GameMoves& moves, std::string_view eol);

// The game's text written again: each edited tag's pair rewritten in its place ([Name "value"])
// and an edited tag that the game lacks added on a line of its own after the last tag pair;
// every other byte of the tag section kept. With movetext null the rest of the game is kept byte
// for byte; otherwise it becomes one empty line, movetext, and the white space that followed the
// game's old movetext.
std::string rewriteGame(std::string_view game, const std::vector<TagEdit>& edits,
                        const std::string* movetext, std::string_view eol);

// A new game's text: the tag lines in the order given, an empty line, movetext and a line break.
std::string newGameText(const std::vector<TagEdit>& tags, std::string_view movetext,
                        std::string_view eol);

// What a new game needs before it when it follows text: nothing after an empty text or one that
// ends with an empty line, else the line breaks that end its last line and leave one empty line.
std::string newGameSeparator(std::string_view text, std::string_view eol);

// A move list entry: the move number caption (such as "3."), one space, white left-aligned in 8
// bytes and black right-aligned in 8 bytes. A move longer than 8 bytes keeps its whole text, and
// two such moves keep one space between them.
std::string composeEntry(std::string_view caption, std::string_view white, std::string_view black);

} // namespace pw2
