// The match table file: the match's PGN file, its number of games and each game's byte range, kept
// beside the settings file in fixed-size records that a reader seeks to, so that neither reading
// one game's range nor the settings file grows with the number of games. Qt-free.
//
// Layout, little-endian:
//   8 bytes  "PW2MATCH"
//   4 bytes  format version, 2
//   4 bytes  length of the PGN file's path in bytes
//   8 bytes  number of games
//   8 bytes  the PGN file's size in bytes when it was indexed
//   8 bytes  its fingerprint then (PgnFileIdentity)
//   the path's bytes
//   one record of 16 bytes per game: its begin and its end, 8 bytes each, as the match table
//   stores them (1-based byte positions; the game is the bytes from begin up to, not including,
//   end)
// A file of any other size or header is no table. Version 1, written by earlier versions, has no
// size and no fingerprint (its header is 24 bytes): it still reads, as a table of no known file.
#pragma once

#include "pgn/game_spans.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw2 {

inline constexpr std::string_view kMatchTableMagic = "PW2MATCH";
inline constexpr std::uint32_t kMatchTableVersion = 2;
inline constexpr std::size_t kMatchTableHeaderSize = 40;
inline constexpr std::size_t kMatchTableV1HeaderSize = 24;
inline constexpr std::size_t kMatchTableRecordSize = 16;
// A path longer than this is no path of a file.
inline constexpr std::uint32_t kMatchTableLongestPath = 64 * 1024;

// What a PGN file is now, cheaply told: its size and a fingerprint of its first and last 64 KiB
// and of 16 pieces of 4 KiB spread evenly between them. A table is the match of a file only while
// both are the same.
struct PgnFileIdentity {
    std::uint64_t size = 0;
    std::uint64_t fingerprint = 0;

    friend bool operator==(const PgnFileIdentity&, const PgnFileIdentity&) = default;
};

// The identity of the regular file at path; nothing when it cannot be opened or read.
std::optional<PgnFileIdentity> readPgnFileIdentity(const std::string& path);

struct MatchTableHeader {
    std::string pgnFile; // the path's bytes
    std::int64_t count = 0;
    std::uint64_t recordsAt = 0; // where game 1's record starts
    // The PGN file's identity when it was indexed; nothing in a table of version 1.
    std::optional<PgnFileIdentity> identity;
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
    const std::optional<PgnFileIdentity>& identity() const { return header_.identity; }
    // Game n's range (n from 1); nothing when n is outside the table or the read fails.
    std::optional<pgn::GameSpan> range(std::int64_t n) const;

private:
    MatchTableReader(int fd, MatchTableHeader header) : fd_(fd), header_(std::move(header)) {}
    int fd_ = -1;
    MatchTableHeader header_;
};

// Writes the table for pgnFile, whose identity is given, with the first count spans (as many as
// there are, at most) to path: into a new file beside it ("<path>.XXXXXX", locked while it is
// written) that then takes its place, so that a reader sees the old table or the new one and
// never a part of either. Memory does not grow with the number of games. False (with the old file
// left as it was) when the table cannot be written; why is in error. Files that an interrupted
// write left beside path go first.
bool writeMatchTable(const std::string& path, std::string_view pgnFile,
                     const PgnFileIdentity& identity, const std::vector<pgn::GameSpan>& spans,
                     std::int64_t count, std::string* error = nullptr);

// Removes the new files beside path that a write killed before it ended left behind: those no
// writer holds locked any more. A write still going on keeps its file.
void removeAbandonedMatchTables(const std::string& path);

} // namespace pw2
