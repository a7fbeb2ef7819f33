#include "pgn/game_reader.h"

#include "pgn/game_spans.h"

#include <algorithm>
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
    // The bytes before the current game (or, before the first game, all but the few that may
    // begin a game start) are no longer needed: drop them before the buffer grows.
    const std::size_t keep = start_ != std::string::npos ? start_
                             : buffer_.size() > kGameStart.size()
                                 ? buffer_.size() - kGameStart.size()
                                 : 0;
    if (keep > 0) {
        buffer_.erase(0, keep);
        searched_ = searched_ > keep ? searched_ - keep : 0;
        if (start_ != std::string::npos)
            start_ = 0;
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
    if (ended_ && start_ == std::string::npos) {
        status_ = endStatus_;
        return false;
    }
    for (;;) {
        // A game start may straddle two blocks: search again over the last few bytes.
        const std::size_t from = searched_ > kGameStart.size() ? searched_ - kGameStart.size() : 0;
        if (start_ == std::string::npos) {
            const std::size_t at = buffer_.find(kGameStart, from);
            if (at != std::string::npos) {
                start_ = at;
                searched_ = at + 1;
                continue;
            }
        } else {
            const std::size_t at = buffer_.find(kGameStart, std::max(from, start_ + 1));
            if (at != std::string::npos) {
                // The byte before the next game's tag belongs to no game.
                game = std::string_view(buffer_).substr(start_, at - 1 - start_);
                start_ = at;
                searched_ = at + 1;
                return true;
            }
            if (buffer_.size() - start_ > largestGame_) {
                status_ = Status::TooLarge;
                return false;
            }
        }
        searched_ = buffer_.size();
        if (!readMore()) {
            // The last game keeps every byte to the end, unless the input was cut short.
            if (endStatus_ == Status::Finished && start_ != std::string::npos) {
                game = std::string_view(buffer_).substr(start_);
                start_ = std::string::npos;
                return true;
            }
            status_ = endStatus_;
            return false;
        }
    }
}

} // namespace pgn
