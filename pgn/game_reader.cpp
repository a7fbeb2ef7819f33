#include "pgn/game_reader.h"

#include <cerrno>
#include <unistd.h>

namespace pgn {
namespace {

constexpr std::size_t kBlock = std::size_t(1) << 16;

} // namespace

std::ptrdiff_t FdSource::read(char* to, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd_, to, size);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

GameReader::GameReader(int fd, std::int64_t expectedSize, std::size_t largestGame)
    : fdSource_(fd), source_(&fdSource_), expectedSize_(expectedSize), largestGame_(largestGame) {}

GameReader::GameReader(ByteSource& source, std::int64_t expectedSize, std::size_t largestGame)
    : source_(&source), expectedSize_(expectedSize), largestGame_(largestGame) {}

bool GameReader::readMore() {
    if (ended_)
        return false;
    // The bytes before the current game (or, before the first game, every byte scanned but a
    // game start read in part) are no longer needed: drop them before the buffer grows.
    const std::int64_t pending = scanner_.pendingStart();
    const std::size_t keep = start_ >= 0    ? std::size_t(start_ - bufferAt_)
                             : pending >= 0 ? std::size_t(pending - bufferAt_)
                                            : scanned_;
    if (keep > 0) {
        buffer_.erase(0, keep);
        bufferAt_ += std::int64_t(keep);
        scanned_ -= keep;
    }
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kBlock);
    {
        const std::ptrdiff_t got = source_->read(buffer_.data() + old, kBlock);
        if (got < 0) {
            buffer_.resize(old);
            ended_ = true;
            error_ = errno;
            endStatus_ = Status::Failed;
            return false;
        }
        buffer_.resize(old + std::size_t(got));
        bytesRead_ += got;
        if (got == 0) {
            ended_ = true;
            endStatus_ = expectedSize_ >= 0 && bytesRead_ < expectedSize_ ? Status::Shrank
                                                                          : Status::Finished;
            return false;
        }
        return true;
    }
}

bool GameReader::next(std::string_view& game) {
    if (status_ != Status::Reading)
        return false;
    for (;;) {
        if (start_ < 0 && !starts_.empty()) {
            start_ = starts_.front();
            starts_.pop_front();
        }
        if (start_ >= 0 && !starts_.empty()) {
            // The byte before the next game's tag belongs to no game.
            const std::int64_t next = starts_.front();
            starts_.pop_front();
            game = std::string_view(buffer_).substr(std::size_t(start_ - bufferAt_),
                                                    std::size_t(next - 1 - start_));
            start_ = next;
            return true;
        }
        if (start_ >= 0 && buffer_.size() - std::size_t(start_ - bufferAt_) > largestGame_) {
            status_ = Status::TooLarge;
            return false;
        }
        if (!readMore()) {
            // The last game keeps every byte to the end, unless the input was cut short.
            if (endStatus_ == Status::Finished && start_ >= 0) {
                game = std::string_view(buffer_).substr(std::size_t(start_ - bufferAt_));
                start_ = -1;
                return true;
            }
            status_ = endStatus_;
            return false;
        }
        scanner_.scan(std::string_view(buffer_).substr(scanned_),
                      [this](std::int64_t offset) { starts_.push_back(offset); });
        scanned_ = buffer_.size();
    }
}

} // namespace pgn
