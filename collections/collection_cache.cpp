#include "collections/collection_cache.h"

#include "pgn/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace pw2::collections {
namespace {

constexpr std::size_t kBlock = std::size_t(1) << 20;
// How often the free space is asked for again while a cache is written.
constexpr std::uint64_t kFreeSpaceCheck = std::uint64_t(64) << 20;
constexpr std::size_t kHexDigits = 16;
constexpr std::string_view kCacheEnd = ".pgn";
constexpr std::size_t kTemporaryTail = 7; // "." and mkstemp's six characters

// FNV-1a.
class Hash {
public:
    void add(std::string_view bytes) {
        for (const char c : bytes)
            value_ = (value_ ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    void add(std::uint64_t number) {
        char bytes[8];
        for (int i = 0; i < 8; ++i)
            bytes[i] = char((number >> (8 * i)) & 0xFF);
        add(std::string_view(bytes, 8));
    }
    std::uint64_t value() const { return value_; }

private:
    std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

void addFileStamp(Hash& hash, const struct stat& info) {
    hash.add(std::uint64_t(info.st_size));
    hash.add(std::uint64_t(info.st_mtim.tv_sec));
    hash.add(std::uint64_t(info.st_mtim.tv_nsec));
    hash.add(std::uint64_t(info.st_ino));
    hash.add(std::uint64_t(info.st_dev));
}

std::string hex(std::uint64_t value) {
    char text[kHexDigits + 1];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool isHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Whether name is a cache's ("<16 hex>-<16 hex>.pgn"); with temporary, a cache being written
// (the same and mkstemp's tail).
bool isCacheName(std::string_view name, bool temporary) {
    constexpr std::size_t kSize = 2 * kHexDigits + 1 + kCacheEnd.size();
    if (name.size() != kSize + (temporary ? kTemporaryTail : 0))
        return false;
    if (temporary && name[kSize] != '.')
        return false;
    return isHex(name.substr(0, kHexDigits)) && name[kHexDigits] == '-' &&
           isHex(name.substr(kHexDigits + 1, kHexDigits)) &&
           name.substr(2 * kHexDigits + 1, kCacheEnd.size()) == kCacheEnd;
}

std::optional<std::uint64_t> fileSystemFreeSpace(const std::string& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0)
        return std::nullopt;
    return std::uint64_t(info.f_bavail) * std::uint64_t(info.f_frsize);
}

bool makeFolders(const std::string& folder) {
    for (std::size_t slash = 1; slash != std::string::npos;) {
        slash = folder.find('/', slash + 1);
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + 500'000) / 1'000'000) + " MB";
}

// A file being written under a temporary name, removed unless it is put in place.
class PendingFile {
public:
    ~PendingFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!name_.empty())
            ::unlink(name_.c_str());
    }
    bool create(const std::string& path) {
        std::string name = path + ".XXXXXX";
        fd_ = ::mkstemp(name.data());
        if (fd_ < 0)
            return false;
        name_ = std::move(name);
        // The lock tells a cleaner that the file is being written; it ends with the process.
        ::flock(fd_, LOCK_EX);
        ::fchmod(fd_, 0600);
        return true;
    }
    int fd() const { return fd_; }
    // Writes the file out and gives it the name path.
    bool putInPlace(const std::string& path) {
        const bool synced = ::fsync(fd_) == 0;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!synced || !closed || ::rename(name_.c_str(), path.c_str()) != 0)
            return false;
        name_.clear();
        return true;
    }

private:
    int fd_ = -1;
    std::string name_;
};

} // namespace

bool isPackedCollection(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    if (S_ISDIR(info.st_mode))
        return true;
    if (!S_ISREG(info.st_mode))
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string head(262, '\0');
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    ::close(fd);
    head.resize(got > 0 ? std::size_t(got) : 0);
    return formatOf(head) != Format::Plain;
}

std::string cacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/')
        return std::string(cache) + "/pawnwatch2";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : "/tmp") + "/.cache/pawnwatch2";
}

std::string SourceStamp::cacheName() const {
    return hex(pathHash) + "-" + hex(fingerprint) + std::string(kCacheEnd);
}

std::optional<SourceStamp> stampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    SourceStamp stamp;
    Hash name;
    name.add(path);
    stamp.pathHash = name.value();
    Hash hash;
    addFileStamp(hash, info);
    if (S_ISDIR(info.st_mode)) {
        // The folder's PGN files, in name order, as the reader joins them.
        DIR* dir = ::opendir(path.c_str());
        if (!dir)
            return std::nullopt;
        std::vector<std::string> names;
        while (const dirent* item = ::readdir(dir))
            if (isPgnName(item->d_name))
                names.emplace_back(item->d_name);
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        const std::string prefix = path.ends_with('/') ? path : path + '/';
        for (const std::string& file : names) {
            struct stat member {};
            if (::stat((prefix + file).c_str(), &member) != 0)
                continue;
            hash.add(file);
            hash.add(std::string_view("\0", 1));
            addFileStamp(hash, member);
        }
    }
    stamp.fingerprint = hash.value();
    return stamp;
}

CollectionCache::CollectionCache() : CollectionCache(Options{}) {}

CollectionCache::CollectionCache(Options options) : options_(std::move(options)) {
    if (options_.folder.empty())
        options_.folder = cacheFolder();
    if (!options_.freeSpace)
        options_.freeSpace = fileSystemFreeSpace;
}

std::string CollectionCache::pathFor(const SourceStamp& stamp) const {
    return options_.folder + "/" + stamp.cacheName();
}

CollectionCache::Made CollectionCache::obtain(const std::string& source,
                                              const std::atomic<bool>* stop,
                                              std::atomic<std::uint64_t>* shownWritten) const {
    Made made;
    const std::optional<SourceStamp> stamp = stampOf(source);
    if (!stamp) {
        made.message = "\"" + source + "\" cannot be read: " + std::strerror(errno);
        return made;
    }
    made.stamp = *stamp;
    const std::string path = pathFor(*stamp);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        made.path = path;
        return made;
    }
    PendingFile file;
    if (!makeFolders(options_.folder) || !file.create(path)) {
        made.message = "The cache of \"" + source + "\" cannot be made in \"" + options_.folder +
                       "\": " + std::strerror(errno);
        return made;
    }
    std::string skipped;
    CollectionReader::Options reading;
    reading.unpackLimit = options_.unpackLimit;
    reading.onSkipped = [&skipped](const std::string& member, const std::string& why) {
        if (why == "encrypted")
            skipped += (skipped.empty() ? "" : ", ") + ("\"" + member + "\"");
    };
    std::string error;
    const std::unique_ptr<CollectionReader> reader =
        CollectionReader::open(source, std::move(reading), error);
    if (!reader) {
        made.message = "\"" + source + "\" cannot be read: " + error;
        return made;
    }

    // The text may take the free space there is now, less the reserve; the free space is asked
    // for again now and then, since other programs write to the disk too.
    std::uint64_t written = 0;
    std::uint64_t askedAt = 0;
    std::optional<std::uint64_t> room;
    const auto fits = [&](std::uint64_t more) {
        if (!room || written - askedAt >= kFreeSpaceCheck) {
            const std::optional<std::uint64_t> free = options_.freeSpace(options_.folder);
            room = !free ? UINT64_MAX : *free > options_.reserve ? *free - options_.reserve : 0;
            askedAt = written;
        }
        return *room > 0 && *room - (written - askedAt) >= more;
    };
    const auto refuse = [&] {
        made.refused = true;
        made.message = "The collection \"" + source + "\" is not unpacked: its text would leave " +
                       "less than 1 GB free in \"" + options_.folder + "\" (" +
                       megabytes(options_.freeSpace(options_.folder).value_or(0)) + " free now).";
        return made;
    };
    if (!fits(0))
        return refuse();
    std::string block(kBlock, '\0');
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed))
            return made;
        const std::ptrdiff_t got = reader->read(block.data(), block.size());
        if (got < 0) {
            made.message = reader->failure();
            break;
        }
        if (got == 0)
            break;
        if (!fits(std::uint64_t(got)))
            return refuse();
        if (!pgn::WriteAll(file.fd(), block.data(), std::size_t(got))) {
            made.message = "The cache of \"" + source + "\" cannot be written in \"" +
                           options_.folder + "\": " + std::strerror(errno);
            return made;
        }
        written += std::uint64_t(got);
        if (shownWritten)
            shownWritten->store(written, std::memory_order_relaxed);
    }
    if (!skipped.empty()) {
        if (!made.message.empty())
            made.message += "\n";
        made.message += "Encrypted members are not read: " + skipped + ".";
    }
    // A collection changed while it was read is not the one the stamp names.
    if (stampOf(source) != stamp) {
        made.message = "\"" + source + "\" changed while it was read.";
        return made;
    }
    if (!file.putInPlace(path)) {
        made.message = "The cache of \"" + source + "\" cannot be written in \"" + options_.folder +
                       "\": " + std::strerror(errno);
        return made;
    }
    made.path = path;
    return made;
}

void CollectionCache::removeAllBut(const std::string& keep) const {
    DIR* dir = ::opendir(options_.folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (const dirent* item = ::readdir(dir))
        names.emplace_back(item->d_name);
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string path = options_.folder + "/" + name;
        if (isCacheName(name, false)) {
            if (path != keep)
                ::unlink(path.c_str());
            continue;
        }
        if (!isCacheName(name, true))
            continue;
        pgn::RemoveIfAbandoned(path);
    }
}

std::optional<std::string> readCollectionRange(const std::string& source, std::uint64_t from,
                                               std::uint64_t to) {
    std::string error;
    const std::unique_ptr<CollectionReader> reader = CollectionReader::open(source, {}, error);
    if (!reader || to < from)
        return std::nullopt;
    std::string bytes;
    std::string block(kBlock, '\0');
    for (std::uint64_t at = 0; at < to;) {
        const std::ptrdiff_t got = reader->read(block.data(), block.size());
        if (got <= 0)
            return std::nullopt;
        const std::uint64_t end = at + std::uint64_t(got);
        if (end > from) {
            const std::uint64_t first = std::max(at, from);
            const std::uint64_t last = std::min(end, to);
            bytes.append(block.data() + (first - at), std::size_t(last - first));
        }
        at = end;
    }
    return bytes;
}

} // namespace pw2::collections
