// Reads a collection of PGN games as one stream of text, whatever it is kept in: a plain PGN file,
// one compressed with gzip, bzip2, xz or zstd, a zip or tar archive (a tar compressed or not)
// holding PGN files, or a folder of PGN files. Qt-free; archives and compression go through
// libarchive.
//
// The text of a collection is the text of its PGN members joined in the order of their names
// (bytewise), with a line feed added between a member that does not end in one and the next, so
// that no game runs into the next member's first tag. A member is taken for PGN by its name alone
// (it ends in
// ".pgn", in any letter case); the others are passed over and reported through onSkipped, and so
// is a member that is encrypted. Memory stays bounded by the reader's block whatever the size:
// nothing is unpacked ahead of what read() is asked for.
//
// A plain, a compressed and an archived collection read from a pipe or standard input are read
// the same way, except that an archive's members come in the order it stores them (a stream
// cannot be read twice to learn the names first).
//
// Unpacking stops with a failure once the text of a compressed file or an archive (its skipped
// members included) passes unpackLimit bytes: a small archive that unpacks without end (a zip
// bomb) costs the time to unpack the limit, and nothing else.
#pragma once

#include "pgn/game_reader.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pw2::collections {

// 64 GiB: beyond the largest monthly game collections published (a few tens of GiB unpacked),
// and 10^5 times and more the size of any archive that reaches it in a second.
inline constexpr std::uint64_t kDefaultUnpackLimit = std::uint64_t(64) << 30;

// What a path holds, told from its first bytes (a folder by what it is).
enum class Format { Plain, Gzip, Bzip2, Xz, Zstd, Zip, Tar, Folder };

// The format that head, the first bytes of a file (262, or all of a shorter one), shows.
Format formatOf(std::string_view head);
// The format's name as messages give it ("gzip", "zip archive", ...).
const char* formatName(Format format);

// Whether a member's name is a PGN file's: its last part ends in ".pgn", in any letter case.
bool isPgnName(std::string_view name);

// The name patterns of files the reader opens, for a file chooser's filter.
inline constexpr const char* kNamePatterns[] = {
    "*.pgn",    "*.pgn.gz", "*.pgn.bz2", "*.pgn.xz", "*.pgn.zst", "*.zip", "*.tar",
    "*.tar.gz", "*.tgz",    "*.tar.bz2", "*.tar.xz", "*.tar.zst", "*.PGN", "*.ZIP"};

class CollectionReader final : public pgn::ByteSource {
public:
    struct Options {
        std::uint64_t unpackLimit = kDefaultUnpackLimit;
        // Each member passed over, with why ("not a PGN file", "encrypted", "a folder", ...), in
        // the order met; its name is the source's name and the member's path inside it.
        std::function<void(const std::string& member, const std::string& why)> onSkipped;
    };

    // Opens path ("-": standard input). A device or a socket is refused, since reading it might
    // never end. Returns nullptr with error set (a sentence without the path) when the path
    // cannot be read.
    static std::unique_ptr<CollectionReader> open(const std::string& path, Options options,
                                                  std::string& error);
    ~CollectionReader();
    CollectionReader(const CollectionReader&) = delete;
    CollectionReader& operator=(const CollectionReader&) = delete;

    // The next bytes of the joined text: 0 at its end, -1 on a failure (failure() says what).
    std::ptrdiff_t read(char* to, std::size_t size) override;

    Format format() const { return format_; }
    // For a compressed file that holds no archive, the share of the file read so far, from 0 to
    // 1; nothing for an archive (read in the order of its names), a folder, a stream or plain
    // text.
    std::optional<double> readShare() const;
    // After read() returned -1: what went wrong, naming the file, the member and the offset.
    const std::string& failure() const { return failure_; }
    // Whether a PGN member was refused (encrypted): the text lacks its games.
    bool incomplete() const { return incomplete_; }
    // For a plain regular file, its descriptor and its size when opened (read it directly, as
    // pgn::GameReader(fd, size) does, to be told when it shrinks); -1 otherwise.
    int plainFd() const { return format_ == Format::Plain && plainSize_ >= 0 ? fd_ : -1; }
    std::int64_t plainSize() const { return plainSize_; }

    struct Archive;
    struct Folder;

private:
    CollectionReader() = default;
    std::ptrdiff_t readPlain(char* to, std::size_t size);
    void skipped(const std::string& member, const std::string& why);

    Options options_;
    std::string path_;
    Format format_ = Format::Plain;
    int fd_ = -1;
    bool ownsFd_ = false;
    std::int64_t plainSize_ = -1;
    std::string head_; // bytes read from a stream to tell its format, given back first
    std::size_t headGiven_ = 0;
    std::unique_ptr<Archive> archive_;
    std::unique_ptr<Folder> folder_;
    std::string failure_;
    bool failed_ = false;
    bool incomplete_ = false;
};

} // namespace pw2::collections
