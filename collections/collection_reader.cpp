#include "collections/collection_reader.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pw2::collections {
namespace {

// Enough to tell every format: a tar header says "ustar" at byte 257.
constexpr std::size_t kHead = 262;
constexpr std::size_t kBlock = std::size_t(1) << 16;

std::ptrdiff_t readFd(int fd, char* to, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd, to, size);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

bool readable(const struct stat& info) {
    return S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode);
}

// The first bytes of gzip, bzip2, xz, zstd and zip.
constexpr char kMagicStarts[] = {'\x1f', 'B', '\xfd', '\x28', 'P'};

bool plainText(std::string_view head) {
    if (head.empty() ||
        std::string_view(kMagicStarts, sizeof kMagicStarts).find(head[0]) != std::string_view::npos)
        return false;
    const std::size_t feed = head.find('\n');
    return feed != std::string_view::npos && head.find('\0') > feed;
}

} // namespace

Format formatOf(std::string_view head) {
    const auto at = [&](std::size_t offset, std::string_view magic) {
        return head.size() >= offset + magic.size() && head.substr(offset, magic.size()) == magic;
    };
    if (at(0, "\x1f\x8b"))
        return Format::Gzip;
    // "BZh", the block size 1 to 9, and the magic of a first block or of the end of the stream.
    if (at(0, "BZh") && head.size() >= 10 && head[3] >= '1' && head[3] <= '9' &&
        (at(4, "\x31\x41\x59\x26\x53\x59") || at(4, "\x17\x72\x45\x38\x50\x90")))
        return Format::Bzip2;
    if (at(0, std::string_view("\xfd"
                               "7zXZ\0",
                               6)))
        return Format::Xz;
    if (at(0, "\x28\xb5\x2f\xfd"))
        return Format::Zstd;
    if (at(0, "PK\x03\x04") || at(0, "PK\x05\x06") || at(0, "PK\x07\x08"))
        return Format::Zip;
    if (at(257, "ustar"))
        return Format::Tar;
    return Format::Plain;
}

const char* formatName(Format format) {
    switch (format) {
    case Format::Plain:
        return "plain text";
    case Format::Gzip:
        return "gzip";
    case Format::Bzip2:
        return "bzip2";
    case Format::Xz:
        return "xz";
    case Format::Zstd:
        return "zstd";
    case Format::Zip:
        return "zip archive";
    case Format::Tar:
        return "tar archive";
    case Format::Folder:
        return "folder";
    }
    return "?";
}

bool isPgnName(std::string_view name) {
    const std::size_t slash = name.find_last_of('/');
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (name.size() <= 4)
        return false;
    const std::string_view ending = name.substr(name.size() - 4);
    static constexpr std::string_view kPgn = ".pgn";
    return std::equal(ending.begin(), ending.end(), kPgn.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b;
    });
}

// The members of a compressed file or an archive, through libarchive. A regular file is listed
// first, so that its PGN members are read in the order of their names; a stream is read once, in
// the order it stores them. A compressed file that holds no archive is one member: its text.
struct CollectionReader::Archive {
    struct Member {
        la_int64_t index;
        std::string name;
    };

    explicit Archive(CollectionReader& owner) : owner(owner), block(kBlock) {}
    ~Archive() {
        if (handle)
            archive_read_free(handle);
    }

    static la_ssize_t readBlock(archive* handle, void* data, const void** buffer) {
        auto& self = *static_cast<Archive*>(data);
        CollectionReader& owner = self.owner;
        if (owner.headGiven_ < owner.head_.size()) {
            *buffer = owner.head_.data() + owner.headGiven_;
            const std::size_t n = owner.head_.size() - owner.headGiven_;
            owner.headGiven_ = owner.head_.size();
            self.fileBytes += static_cast<std::int64_t>(n);
            return static_cast<la_ssize_t>(n);
        }
        const std::ptrdiff_t got = readFd(owner.fd_, self.block.data(), self.block.size());
        if (got < 0) {
            archive_set_error(handle, errno, "%s", std::strerror(errno));
            return -1;
        }
        *buffer = self.block.data();
        self.fileBytes += got;
        return got;
    }

    static la_int64_t seekTo(archive*, void* data, la_int64_t offset, int whence) {
        auto& self = *static_cast<Archive*>(data);
        const off_t at = ::lseek(self.owner.fd_, offset, whence);
        if (at < 0)
            return ARCHIVE_FATAL;
        self.fileBytes = at;
        return at;
    }

    static la_int64_t skipOver(archive*, void* data, la_int64_t request) {
        auto& self = *static_cast<Archive*>(data);
        const off_t at = ::lseek(self.owner.fd_, request, SEEK_CUR);
        if (at < 0)
            return 0;
        self.fileBytes = at;
        return request;
    }

    // Opens the archive from its first byte; false with the failure set.
    bool start() {
        if (handle)
            archive_read_free(handle);
        handle = archive_read_new();
        position = -1;
        fileBytes = 0;
        inMember = false;
        // Each compression named, rather than every one libarchive knows: nothing hostile is
        // handed to an outside program.
        archive_read_support_filter_gzip(handle);
        archive_read_support_filter_bzip2(handle);
        archive_read_support_filter_xz(handle);
        archive_read_support_filter_zstd(handle);
        archive_read_support_format_zip(handle);
        archive_read_support_format_tar(handle);
        archive_read_support_format_raw(handle);
        if (regularFile) {
            if (::lseek(owner.fd_, 0, SEEK_SET) < 0) {
                failHere(std::strerror(errno));
                return false;
            }
        }
        if (seekable) {
            archive_read_set_seek_callback(handle, &Archive::seekTo);
            archive_read_set_skip_callback(handle, &Archive::skipOver);
        }
        archive_read_set_read_callback(handle, &Archive::readBlock);
        archive_read_set_callback_data(handle, this);
        if (archive_read_open1(handle) != ARCHIVE_OK) {
            failHere(errorText());
            return false;
        }
        return true;
    }

    std::string errorText() const {
        const char* text = handle ? archive_error_string(handle) : nullptr;
        return text && *text ? text : "the data is damaged";
    }

    // The next header; false at the end (failed stays false) or on a failure.
    bool nextHeader(archive_entry*& entry) {
        const int status = archive_read_next_header(handle, &entry);
        if (status == ARCHIVE_EOF)
            return false;
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN) {
            failHere(errorText());
            return false;
        }
        ++position;
        raw = archive_format(handle) == ARCHIVE_FORMAT_RAW;
        return !overLimit();
    }

    static std::string nameOf(archive_entry* entry) {
        const char* name = archive_entry_pathname(entry);
        return name ? name : "";
    }

    // Whether the member of this header is read; tells owner of one that is not.
    bool wanted(archive_entry* entry, const std::string& name) {
        const auto type = archive_entry_filetype(entry);
        if (type == AE_IFDIR)
            return false;
        if (type != AE_IFREG || !isPgnName(name)) {
            owner.skipped(name, "not a PGN file, skipped");
            return false;
        }
        if (archive_entry_is_encrypted(entry)) {
            owner.skipped(name, "encrypted, refused");
            owner.incomplete_ = true;
            return false;
        }
        return true;
    }

    // Lists a regular file's PGN members in the order of their names. A zip whose directory at
    // its end is missing (a download cut short) is read as a stream instead, in the order it
    // stores its members, up to where it was cut.
    void list() {
        if (!start()) {
            if (owner.format_ != Format::Zip)
                return;
            owner.failed_ = false;
            owner.failure_.clear();
            seekable = false;
            if (!start())
                return;
            listed = false;
            return;
        }
        archive_entry* entry = nullptr;
        while (nextHeader(entry)) {
            if (raw) {
                members.push_back({position, ""});
                break;
            }
            std::string name = nameOf(entry);
            if (wanted(entry, name))
                members.push_back({position, std::move(name)});
        }
        if (owner.failed_) {
            listFailure = std::move(owner.failure_);
            owner.failure_.clear();
            owner.failed_ = false;
        }
        std::stable_sort(members.begin(), members.end(),
                         [](const Member& a, const Member& b) { return a.name < b.name; });
        listed = true;
    }

    // Moves to the next member to read; false at the end or on a failure.
    bool nextMember() {
        archive_entry* entry = nullptr;
        if (listed) {
            if (next == members.size()) {
                if (!listFailure.empty()) {
                    owner.failed_ = true;
                    owner.failure_ = std::move(listFailure);
                }
                return false;
            }
            const Member& wantedMember = members[next++];
            if (position >= wantedMember.index && !start())
                return false;
            while (position < wantedMember.index) {
                if (!nextHeader(entry)) {
                    if (!owner.failed_)
                        failHere("it changed while it was read");
                    return false;
                }
            }
            member = wantedMember.name;
            return true;
        }
        while (nextHeader(entry)) {
            if (raw) {
                member.clear();
                return true;
            }
            member = nameOf(entry);
            if (wanted(entry, member))
                return true;
        }
        return false;
    }

    bool overLimit() {
        const la_int64_t filtered = handle ? archive_filter_bytes(handle, 0) : 0;
        const std::uint64_t out =
            std::max<std::uint64_t>(unpacked, filtered > 0 ? std::uint64_t(filtered) : 0);
        if (out <= owner.options_.unpackLimit)
            return false;
        owner.failed_ = true;
        owner.failure_ = owner.path_ + ": it unpacks to more than " +
                         std::to_string(owner.options_.unpackLimit) +
                         " bytes, the most a collection may unpack to; reading stopped there";
        return true;
    }

    // A failure while reading: the file, the member and where.
    void failHere(const std::string& what) {
        if (owner.failed_)
            return;
        std::string message = owner.path_ + ": ";
        if (inMember && !member.empty())
            message += member + ": ";
        message += what;
        if (inMember)
            message += std::string(" at byte ") + std::to_string(memberBytes) + " of " +
                       (member.empty() ? "the unpacked text" : "its text");
        message += " (byte " + std::to_string(fileBytes) + " of the file)";
        owner.failed_ = true;
        owner.failure_ = std::move(message);
    }

    std::ptrdiff_t read(char* to, std::size_t size) {
        for (;;) {
            if (owner.failed_)
                return -1;
            if (!inMember) {
                if (!nextMember())
                    return owner.failed_ ? -1 : 0;
                inMember = true;
                memberBytes = 0;
                lastByte = '\n';
                if (newlineDue) {
                    newlineDue = false;
                    *to = '\n';
                    return 1;
                }
            }
            const la_ssize_t got = archive_read_data(handle, to, size);
            if (got < 0) {
                failHere(errorText());
                return -1;
            }
            if (got == 0) {
                inMember = false;
                newlineDue = lastByte != '\n';
                continue;
            }
            memberBytes += std::uint64_t(got);
            unpacked += std::uint64_t(got);
            lastByte = to[got - 1];
            if (overLimit())
                return -1;
            return got;
        }
    }

    CollectionReader& owner;
    std::vector<char> block;
    archive* handle = nullptr;
    bool seekable = false;
    bool regularFile = false;
    bool listed = false;
    std::string
        listFailure; // a failure met while listing, raised once the members before it are read
    bool raw = false;
    std::vector<Member> members;
    std::size_t next = 0;
    std::int64_t fileBytes = 0; // bytes of the file read (or sought past) since it was opened
    std::int64_t fileSize = -1; // a regular file's size when opened
    la_int64_t position = -1;   // the index of the last header read since the archive was opened
    bool inMember = false;
    std::string member;
    std::uint64_t memberBytes = 0;
    std::uint64_t unpacked = 0;
    char lastByte = '\n';
    bool newlineDue = false;
};

// The PGN files of a folder, in the order of their names; the folders and other files in it are
// passed over.
struct CollectionReader::Folder {
    explicit Folder(CollectionReader& owner) : owner(owner) {}
    ~Folder() {
        if (fd >= 0)
            ::close(fd);
    }

    bool list(std::string& error) {
        DIR* dir = ::opendir(owner.path_.c_str());
        if (!dir) {
            error = std::strerror(errno);
            return false;
        }
        const std::string prefix = owner.path_.ends_with('/') ? owner.path_ : owner.path_ + '/';
        std::vector<std::string> others;
        while (const dirent* item = ::readdir(dir)) {
            const std::string name = item->d_name;
            if (name == "." || name == "..")
                continue;
            struct stat info {};
            const bool known = ::stat((prefix + name).c_str(), &info) == 0;
            if (known && S_ISDIR(info.st_mode))
                others.push_back(name + ": a folder, skipped");
            else if (!known || !S_ISREG(info.st_mode) || !isPgnName(name))
                others.push_back(name + ": not a PGN file, skipped");
            else
                files.push_back(prefix + name);
        }
        ::closedir(dir);
        std::sort(files.begin(), files.end());
        std::sort(others.begin(), others.end());
        for (const std::string& other : others) {
            const std::size_t colon = other.find(": ");
            owner.skipped(prefix + other.substr(0, colon), other.substr(colon + 2));
        }
        return true;
    }

    std::ptrdiff_t read(char* to, std::size_t size) {
        for (;;) {
            if (owner.failed_)
                return -1;
            if (fd < 0) {
                if (next == files.size())
                    return 0;
                fd = ::open(files[next].c_str(), O_RDONLY | O_CLOEXEC);
                memberBytes = 0;
                lastByte = '\n';
                if (fd < 0)
                    return fail(std::strerror(errno));
                if (newlineDue) {
                    newlineDue = false;
                    *to = '\n';
                    return 1;
                }
            }
            const std::ptrdiff_t got = readFd(fd, to, size);
            if (got < 0)
                return fail(std::strerror(errno));
            if (got == 0) {
                ::close(fd);
                fd = -1;
                ++next;
                newlineDue = lastByte != '\n';
                continue;
            }
            memberBytes += std::uint64_t(got);
            lastByte = to[got - 1];
            return got;
        }
    }

    std::ptrdiff_t fail(const char* what) {
        owner.failed_ = true;
        owner.failure_ =
            files[next] + ": cannot be read at byte " + std::to_string(memberBytes) + ": " + what;
        return -1;
    }

    CollectionReader& owner;
    std::vector<std::string> files;
    std::size_t next = 0;
    int fd = -1;
    std::uint64_t memberBytes = 0;
    char lastByte = '\n';
    bool newlineDue = false;
};

std::unique_ptr<CollectionReader> CollectionReader::open(const std::string& path, Options options,
                                                         std::string& error) {
    std::unique_ptr<CollectionReader> reader(new CollectionReader);
    reader->options_ = std::move(options);
    reader->path_ = path;
    if (path == "-") {
        reader->fd_ = STDIN_FILENO;
    } else {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            reader->format_ = Format::Folder;
            reader->folder_ = std::make_unique<Folder>(*reader);
            if (!reader->folder_->list(error))
                return nullptr;
            return reader;
        }
        if (::stat(path.c_str(), &info) == 0 && !readable(info)) {
            error = "it is not a regular file";
            return nullptr;
        }
        reader->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (reader->fd_ < 0 || ::fstat(reader->fd_, &info) != 0) {
            error = std::strerror(errno);
            return nullptr;
        }
        reader->ownsFd_ = true;
        if (!readable(info)) {
            error = "it is not a regular file";
            return nullptr;
        }
        if (S_ISREG(info.st_mode)) {
            std::string head(kHead, '\0');
            const ssize_t got = ::pread(reader->fd_, head.data(), head.size(), 0);
            if (got < 0) {
                error = std::strerror(errno);
                return nullptr;
            }
            head.resize(std::size_t(got));
            reader->format_ = formatOf(head);
            if (reader->format_ == Format::Plain) {
                reader->plainSize_ = info.st_size;
                return reader;
            }
            reader->archive_ = std::make_unique<Archive>(*reader);
            reader->archive_->seekable = true;
            reader->archive_->regularFile = true;
            reader->archive_->fileSize = info.st_size;
            reader->archive_->list();
            return reader;
        }
    }
    // A stream: its first bytes tell its format, and are given back first. Text is told before
    // all of them arrive, so that a short game typed or piped in is not held back: a line feed
    // before any NUL byte, and a first byte that begins no compressed format, is no archive (a
    // tar header holds the member's name, NUL-padded, in its first 100 bytes).
    reader->head_.resize(kHead);
    std::size_t have = 0;
    while (have < kHead && !plainText(std::string_view(reader->head_.data(), have))) {
        const std::ptrdiff_t got = readFd(reader->fd_, reader->head_.data() + have, kHead - have);
        if (got < 0) {
            error = std::strerror(errno);
            return nullptr;
        }
        if (got == 0)
            break;
        have += std::size_t(got);
    }
    reader->head_.resize(have);
    reader->format_ = formatOf(reader->head_);
    if (reader->format_ != Format::Plain) {
        reader->archive_ = std::make_unique<Archive>(*reader);
        if (!reader->archive_->start())
            reader->archive_.reset();
    }
    return reader;
}

CollectionReader::~CollectionReader() {
    archive_.reset();
    folder_.reset();
    if (ownsFd_)
        ::close(fd_);
}

void CollectionReader::skipped(const std::string& member, const std::string& why) {
    if (options_.onSkipped)
        options_.onSkipped(format_ == Format::Folder ? member : path_ + ": " + member, why);
}

std::optional<double> CollectionReader::readShare() const {
    if (!archive_ || !archive_->raw || archive_->fileSize <= 0)
        return std::nullopt;
    return std::clamp(double(archive_->fileBytes) / double(archive_->fileSize), 0.0, 1.0);
}

std::ptrdiff_t CollectionReader::read(char* to, std::size_t size) {
    if (size == 0)
        return 0;
    if (failed_)
        return -1;
    if (folder_)
        return folder_->read(to, size);
    if (archive_)
        return archive_->read(to, size);
    if (format_ != Format::Plain)
        return -1; // the archive could not be opened: failure_ says why
    return readPlain(to, size);
}

std::ptrdiff_t CollectionReader::readPlain(char* to, std::size_t size) {
    if (headGiven_ < head_.size()) {
        const std::size_t n = std::min(size, head_.size() - headGiven_);
        std::memcpy(to, head_.data() + headGiven_, n);
        headGiven_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    const std::ptrdiff_t got = readFd(fd_, to, size);
    if (got < 0) {
        failed_ = true;
        failure_ = path_ + ": " + std::strerror(errno);
    }
    return got;
}

} // namespace pw2::collections
