#include "services/match_table_file.h"

#include "pgn/fd_io.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

void setError(std::string* error, const std::string& what) {
    if (error)
        *error = what + ": " + std::strerror(errno);
}

} // namespace

std::optional<PgnFileIdentity> readPgnFileIdentity(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<PgnFileIdentity> identity;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const auto size = std::uint64_t(info.st_size);
        // FNV-1a over the size and the pieces.
        std::uint64_t hash = 0xcbf29ce484222325ULL;
        const auto add = [&hash](const char* bytes, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i)
                hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ULL;
        };
        char sizeBytes[8];
        for (int i = 0; i < 8; ++i)
            sizeBytes[i] = char((size >> (8 * i)) & 0xFF);
        add(sizeBytes, 8);
        constexpr std::uint64_t kEnds = 64 * 1024, kPiece = 4 * 1024, kPieces = 16;
        std::string piece;
        bool read = true;
        const auto addRange = [&](std::uint64_t from, std::uint64_t n) {
            n = std::min(n, size - std::min(from, size));
            piece.resize(std::size_t(n));
            read = read && (n == 0 || readAt(fd, piece.data(), piece.size(), from));
            add(piece.data(), piece.size());
        };
        addRange(0, kEnds);
        if (size > kEnds) {
            for (std::uint64_t k = 1; k <= kPieces; ++k)
                addRange(size / (kPieces + 1) * k, kPiece);
            addRange(size > 2 * kEnds ? size - kEnds : kEnds, kEnds);
        }
        if (read)
            identity = PgnFileIdentity{size, hash};
    }
    ::close(fd);
    return identity;
}

std::optional<MatchTableHeader> parseMatchTableHeader(std::string_view start,
                                                      std::uint64_t fileSize) {
    if (start.size() < kMatchTableV1HeaderSize || start.substr(0, 8) != kMatchTableMagic)
        return std::nullopt;
    const std::uint64_t version = readLittle(start.data() + 8, 4);
    if (version != 1 && version != kMatchTableVersion)
        return std::nullopt;
    const std::size_t headerSize = version == 1 ? kMatchTableV1HeaderSize : kMatchTableHeaderSize;
    if (start.size() < headerSize)
        return std::nullopt;
    const std::uint64_t pathSize = readLittle(start.data() + 12, 4);
    const std::uint64_t count = readLittle(start.data() + 16, 8);
    if (pathSize > kMatchTableLongestPath || count > std::uint64_t(INT64_MAX) / 32)
        return std::nullopt;
    const std::uint64_t recordsAt = headerSize + pathSize;
    if (fileSize != recordsAt + count * kMatchTableRecordSize || start.size() < recordsAt)
        return std::nullopt;
    MatchTableHeader header;
    header.pgnFile.assign(start.substr(headerSize, pathSize));
    header.count = std::int64_t(count);
    header.recordsAt = recordsAt;
    if (version != 1)
        header.identity =
            PgnFileIdentity{readLittle(start.data() + 24, 8), readLittle(start.data() + 32, 8)};
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
            const std::size_t headerSize = readLittle(fixed.data() + 8, 4) == 1
                                               ? kMatchTableV1HeaderSize
                                               : kMatchTableHeaderSize;
            std::string start(fixed.data(), fixed.size());
            start.resize(std::size_t(
                std::min(headerSize + pathSize, std::max<std::uint64_t>(available, fixed.size()))));
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

namespace {

// The folder and the name of path.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// One attempt: false with retry set when a cleaner took the new file away before it was locked.
bool writeOnce(const std::string& path, std::string_view pgnFile, const PgnFileIdentity& identity,
               const std::vector<pgn::GameSpan>& spans, std::int64_t count, std::string* error,
               bool& retry) {
    retry = false;
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        setError(error, "cannot create a file beside " + path);
        return false;
    }
    // The lock tells a cleaner that this file is being written; it ends with the process. (Where
    // the file system has no locks, the file is written unlocked.)
    struct stat info {};
    if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &info) == 0 && info.st_nlink == 0) {
        ::close(fd);
        retry = true;
        return false;
    }
    ::fchmod(fd, 0644);
    // Header and path, then the records a block at a time.
    std::string block;
    block.append(kMatchTableMagic);
    appendLittle(block, kMatchTableVersion, 4);
    appendLittle(block, pgnFile.size(), 4);
    appendLittle(block, std::uint64_t(count), 8);
    appendLittle(block, identity.size, 8);
    appendLittle(block, identity.fingerprint, 8);
    block.append(pgnFile);
    constexpr std::size_t kBlockSize = 64 * 1024;
    bool written = true;
    for (std::int64_t n = 0; n < count && written; ++n) {
        appendLittle(block, std::uint64_t(spans[std::size_t(n)].begin), 8);
        appendLittle(block, std::uint64_t(spans[std::size_t(n)].end), 8);
        if (block.size() >= kBlockSize) {
            written = pgn::WriteAll(fd, block.data(), block.size());
            block.clear();
        }
    }
    written = written && pgn::WriteAll(fd, block.data(), block.size()) && ::fsync(fd) == 0;
    if (!written)
        setError(error, "cannot write " + temporary);
    if (::close(fd) != 0 && written) {
        setError(error, "cannot write " + temporary);
        written = false;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
        retry = errno == ENOENT;
        setError(error, "cannot replace " + path);
        written = false;
    }
    if (!written)
        ::unlink(temporary.c_str());
    return written;
}

} // namespace

void removeAbandonedMatchTables(const std::string& path) {
    const auto [folder, name] = splitPath(path);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = name + ".";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view found(entry->d_name);
        // mkstemp's six characters after the table's name and a dot.
        if (found.size() != prefix.size() + 6 || !found.starts_with(prefix))
            continue;
        pgn::RemoveIfAbandoned(folder + "/" + std::string(found));
    }
    ::closedir(dir);
}

bool writeMatchTable(const std::string& path, std::string_view pgnFile,
                     const PgnFileIdentity& identity, const std::vector<pgn::GameSpan>& spans,
                     std::int64_t count, std::string* error) {
    if (pgnFile.size() > kMatchTableLongestPath) {
        if (error)
            *error = "the PGN file's path is too long";
        return false;
    }
    removeAbandonedMatchTables(path);
    count = std::clamp<std::int64_t>(count, 0, std::int64_t(spans.size()));
    bool retry = false;
    // A cleaner in another process may take the new file away before it is locked: once more.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (writeOnce(path, pgnFile, identity, spans, count, error, retry))
            return true;
        if (!retry)
            return false;
    }
    return false;
}

} // namespace pw2
