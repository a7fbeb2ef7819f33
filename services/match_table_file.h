// The match table file: the match's PGN file, its number of games and each game's byte range, kept
// beside the settings file in fixed-size records that a reader seeks to, so that neither reading
// one game's range nor the settings file grows with the number of games. Qt-free.
//
// Layout, little-endian:
//   8 bytes  "PW2MATCH"
//   4 bytes  format version, 1
//   4 bytes  length of the PGN file's path in bytes
//   8 bytes  number of games
//   the path's bytes
//   one record of 16 bytes per game: its begin and its end, 8 bytes each, as the match table
//   stores them (1-based byte positions; the game is the bytes from begin up to, not including,
//   end)
// A file of any other size or header is no table.
#pragma once

#include "pgn/game_spans.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw2 {

inline constexpr std::string_view kMatchTableMagic = "PW2MATCH";
inline constexpr std::uint32_t kMatchTableVersion = 1;
inline constexpr std::size_t kMatchTableHeaderSize = 24;
inline constexpr std::size_t kMatchTableRecordSize = 16;
// A path longer than this is no path of a file.
inline constexpr std::uint32_t kMatchTableLongestPath = 64 * 1024;

struct MatchTableHeader {
    std::string pgnFile; // the path's bytes
    std::int64_t count = 0;
    std::uint64_t recordsAt = 0; // where game 1's record starts
};

// The header at the start of a table file of fileSize bytes, or nothing when the bytes are no
// table of that size. start holds at least the file's first kMatchTableHeaderSize bytes and the
// path's bytes after them when the file has that many.
std::optional<MatchTableHeader> parseMatchTableHeader(std::string_view start,
                                                      std::uint64_t fileSize);

// An open table file, read a record at a time. The file stays the one opened, so a table that
// another process replaces meanwhile is still read whole from the old file.
class MatchTableReader {
public:
    // Nothing when there is no such file or it is no table.
    static std::optional<MatchTableReader> open(const std::string& path);
    MatchTableReader(MatchTableReader&& other) noexcept;
    MatchTableReader& operator=(MatchTableReader&& other) noexcept;
    MatchTableReader(const MatchTableReader&) = delete;
    MatchTableReader& operator=(const MatchTableReader&) = delete;
    ~MatchTableReader();

    const std::string& pgnFile() const { return header_.pgnFile; }
    std::int64_t count() const { return header_.count; }
    // Game n's range (n from 1); nothing when n is outside the table or the read fails.
    std::optional<pgn::GameSpan> range(std::int64_t n) const;

private:
    MatchTableReader(int fd, MatchTableHeader header) : fd_(fd), header_(std::move(header)) {}
    int fd_ = -1;
    MatchTableHeader header_;
};

// Writes the table for pgnFile with the first count spans (as many as there are, at most) to
// path: into a new file beside it that then takes its place, so that a reader sees the old table
// or the new one and never a part of either. Memory does not grow with the number of games.
// False (with the old file left as it was) when the table cannot be written; why is in error.
bool writeMatchTable(const std::string& path, std::string_view pgnFile,
                     const std::vector<pgn::GameSpan>& spans, std::int64_t count,
                     std::string* error = nullptr);

} // namespace pw2
