#include "services/match_table_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pw2 {
namespace {

std::uint64_t readLittle(const char* bytes, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

void appendLittle(std::string& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Reads size bytes at offset; false on a short read or an error.
bool readAt(int fd, char* into, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t got = ::pread(fd, into, size, off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        size -= std::size_t(got);
        offset += std::uint64_t(got);
    }
    return true;
}

bool writeAll(int fd, const char* from, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, from, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        from += put;
        size -= std::size_t(put);
    }
    return true;
}

void setError(std::string* error, const std::string& what) {
    if (error)
        *error = what + ": " + std::strerror(errno);
}

} // namespace

std::optional<MatchTableHeader> parseMatchTableHeader(std::string_view start,
                                                      std::uint64_t fileSize) {
    if (start.size() < kMatchTableHeaderSize || start.substr(0, 8) != kMatchTableMagic)
        return std::nullopt;
    if (readLittle(start.data() + 8, 4) != kMatchTableVersion)
        return std::nullopt;
    const std::uint64_t pathSize = readLittle(start.data() + 12, 4);
    const std::uint64_t count = readLittle(start.data() + 16, 8);
    if (pathSize > kMatchTableLongestPath || count > std::uint64_t(INT64_MAX) / 32)
        return std::nullopt;
    const std::uint64_t recordsAt = kMatchTableHeaderSize + pathSize;
    if (fileSize != recordsAt + count * kMatchTableRecordSize || start.size() < recordsAt)
        return std::nullopt;
    MatchTableHeader header;
    header.pgnFile.assign(start.substr(kMatchTableHeaderSize, pathSize));
    header.count = std::int64_t(count);
    header.recordsAt = recordsAt;
    return header;
}

std::optional<MatchTableReader> MatchTableReader::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<MatchTableHeader> header;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        std::array<char, kMatchTableHeaderSize> fixed{};
        if (readAt(fd, fixed.data(), fixed.size(), 0)) {
            const std::uint64_t pathSize =
                std::min<std::uint64_t>(readLittle(fixed.data() + 12, 4), kMatchTableLongestPath);
            const std::uint64_t available = std::uint64_t(info.st_size);
            std::string start(fixed.data(), fixed.size());
            start.resize(std::size_t(std::min(kMatchTableHeaderSize + pathSize,
                                              std::max<std::uint64_t>(available, fixed.size()))));
            if (start.size() == fixed.size() ||
                readAt(fd, start.data() + fixed.size(), start.size() - fixed.size(), fixed.size()))
                header = parseMatchTableHeader(start, available);
        }
    }
    if (!header) {
        ::close(fd);
        return std::nullopt;
    }
    return MatchTableReader(fd, std::move(*header));
}

MatchTableReader::MatchTableReader(MatchTableReader&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), header_(std::move(other.header_)) {}

MatchTableReader& MatchTableReader::operator=(MatchTableReader&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        header_ = std::move(other.header_);
    }
    return *this;
}

MatchTableReader::~MatchTableReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<pgn::GameSpan> MatchTableReader::range(std::int64_t n) const {
    if (n < 1 || n > header_.count)
        return std::nullopt;
    std::array<char, kMatchTableRecordSize> record{};
    if (!readAt(fd_, record.data(), record.size(),
                header_.recordsAt + std::uint64_t(n - 1) * kMatchTableRecordSize))
        return std::nullopt;
    return pgn::GameSpan{std::int64_t(readLittle(record.data(), 8)),
                         std::int64_t(readLittle(record.data() + 8, 8))};
}

bool writeMatchTable(const std::string& path, std::string_view pgnFile,
                     const std::vector<pgn::GameSpan>& spans, std::int64_t count,
                     std::string* error) {
    if (pgnFile.size() > kMatchTableLongestPath) {
        if (error)
            *error = "the PGN file's path is too long";
        return false;
    }
    count = std::clamp<std::int64_t>(count, 0, std::int64_t(spans.size()));
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        setError(error, "cannot create a file beside " + path);
        return false;
    }
    ::fchmod(fd, 0644);
    // Header and path, then the records a block at a time.
    std::string block;
    block.append(kMatchTableMagic);
    appendLittle(block, kMatchTableVersion, 4);
    appendLittle(block, pgnFile.size(), 4);
    appendLittle(block, std::uint64_t(count), 8);
    block.append(pgnFile);
    constexpr std::size_t kBlockSize = 64 * 1024;
    bool written = true;
    for (std::int64_t n = 0; n < count && written; ++n) {
        appendLittle(block, std::uint64_t(spans[std::size_t(n)].begin), 8);
        appendLittle(block, std::uint64_t(spans[std::size_t(n)].end), 8);
        if (block.size() >= kBlockSize) {
            written = writeAll(fd, block.data(), block.size());
            block.clear();
        }
    }
    written = written && writeAll(fd, block.data(), block.size()) && ::fsync(fd) == 0;
    if (!written)
        setError(error, "cannot write " + temporary);
    if (::close(fd) != 0 && written) {
        setError(error, "cannot write " + temporary);
        written = false;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
        setError(error, "cannot replace " + path);
        written = false;
    }
    if (!written)
        ::unlink(temporary.c_str());
    return written;
}

} // namespace pw2
