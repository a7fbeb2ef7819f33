// Reads the games of a PGN file one at a time from a file descriptor, so that a file of any size
// is checked in memory bounded by its largest game. Games are delimited by the same rule as
// findGameSpans (GameStartScanner): a game begins at each "[Event " that stands where a tag may
// start; it ends just before the byte that precedes the next game's start; the last game keeps
// every byte up to the end of the input.
#pragma once

#include "pgn/game_spans.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace pgn {

// Where a GameReader's bytes come from: a file descriptor, or anything that unpacks bytes.
class ByteSource {
public:
    // Up to size bytes into to; 0 at the end of the input, -1 on a failure with errno set.
    virtual std::ptrdiff_t read(char* to, std::size_t size) = 0;

protected:
    ~ByteSource() = default;
};

// A file descriptor read as it is (a read interrupted by a signal is tried again).
class FdSource final : public ByteSource {
public:
    explicit FdSource(int fd) : fd_(fd) {}
    std::ptrdiff_t read(char* to, std::size_t size) override;

private:
    int fd_;
};

class GameReader {
public:
    enum class Status {
        Reading,  // more games may follow
        Finished, // the input ended where it was expected to
        Shrank,   // a regular file ended before the size it had when reading began
        TooLarge, // a game grew past the largest size a game may have
        Failed,   // the system refused a read; error() says why
    };

    // expectedSize: the size of a regular file when it was opened, or -1 for a stream.
    GameReader(int fd, std::int64_t expectedSize, std::size_t largestGame = kLargestGame);
    // The games of any source of bytes, which outlives the reader.
    explicit GameReader(ByteSource& source, std::int64_t expectedSize = -1,
                        std::size_t largestGame = kLargestGame);
    GameReader(const GameReader&) = delete;
    GameReader& operator=(const GameReader&) = delete;

    // The next game's text, valid until the next call; false when there is none, with status()
    // saying why.
    bool next(std::string_view& game);

    Status status() const { return status_; }
    int error() const { return error_; }
    std::int64_t bytesRead() const { return bytesRead_; }

    static constexpr std::size_t kLargestGame = std::size_t(256) << 20;

private:
    // Appends the next block of input; false at the end of the input or on a failure.
    bool readMore();

    FdSource fdSource_{-1};
    ByteSource* source_;
    std::int64_t expectedSize_;
    std::size_t largestGame_;
    std::string buffer_;
    std::int64_t bufferAt_ = 0; // the input's offset of buffer_[0]
    std::int64_t start_ = -1;   // the input's offset where the current game begins
    std::size_t scanned_ = 0;   // buffer_ is scanned for game starts up to here
    GameStartScanner scanner_;
    std::deque<std::int64_t> starts_; // game starts found after start_, in order
    std::int64_t bytesRead_ = 0;
    bool ended_ = false;
    Status endStatus_ = Status::Finished; // what the end of the input means, once it is reached
    Status status_ = Status::Reading;
    int error_ = 0;
};

} // namespace pgn
