// The bytes the game editor writes: the whole PGN file around one game, and the move list entries
// the editor keeps. Qt-free; text is bytes in the file's own encoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw2 {

// The five tags the editor writes, in the file's encoding, unescaped.
struct GameTags {
    std::string Event;
    std::string Site;
    std::string Date;
    std::string White;
    std::string Black;
};

// A tag value as it stands between the quotes of a tag line: a backslash or a double quote gets
// a backslash before it. A line break would end the tag line early, so each carriage return or
// line feed becomes a space.
std::string escapeTagValue(std::string_view value);

// The whole file: TextBefore, a line break, the tag lines Event, Site, Date, White and Black,
// MoveList (its lines end with their own line breaks), one more line break, TextAfter and a last
// line break. Line breaks are "\r\n"; TextBefore, MoveList and TextAfter are copied unchanged.
std::string composeGameFile(std::string_view TextBefore, const GameTags& tags,
                            std::string_view MoveList, std::string_view TextAfter);

// A move list entry: the move number caption (such as "3."), one space, white left-aligned in 8
// bytes and black right-aligned in 8 bytes. A move longer than 8 bytes keeps its whole text.
std::string composeEntry(std::string_view caption, std::string_view white, std::string_view black);

// The movetext written for the entries: each one followed by "\r\n".
std::string joinMoveList(const std::vector<std::string>& entries);

// An entry read back: its caption is the text up to and including its first "." (all of it when
// there is none); its move number is the decimal number at its start, after any spaces (0 when
// there is none; at most 2,147,483,647).
std::string_view entryCaption(std::string_view entry);
std::int32_t entryMoveNumber(std::string_view entry);

} // namespace pw2
