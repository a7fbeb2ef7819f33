#include "setup/match_catalog.h"

#include "pgn/fd_io.h"
#include "pgn/text.h"
#include "services/text_codec.h"

#include <QString>
#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pw2 {
namespace {

constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
constexpr std::string_view kBlackTag = "[Black ";
constexpr std::size_t kTagStart = 7; // the length of "[Event " and of "[Black "

std::uint64_t load(const unsigned char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

// The tags a user finds games by, in the order their values are kept.
constexpr std::array<std::string_view, 5> kFindTags = {"White", "Black", "Event", "Site", "Date"};

// Appends value case-folded, as UTF-8: ASCII letters are lowered in place; any other text is
// decoded as the match list decodes it and folded by Qt.
void appendFolded(std::string& out, std::string_view value) {
    const bool ascii = std::all_of(value.begin(), value.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        for (const char c : value)
            out += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        return;
    }
    const QByteArray folded = decodeFileText(value).toCaseFolded().toUtf8();
    out.append(folded.constData(), std::size_t(folded.size()));
}

// The find text of a game's first bytes: the five values, each folded and followed by "\n".
std::string findTextOf(std::string_view game) {
    std::array<std::string, kFindTags.size()> values;
    std::array<bool, kFindTags.size()> seen{};
    std::size_t missing = kFindTags.size();
    std::string value;
    // The tags one after another, as the editor reads them (pw2::tagValue): the first tag of each
    // name, its value up to the closing quote on its line, \" and \\ unescaped.
    for (std::size_t at = game.find('['); at != std::string_view::npos && missing > 0;) {
        const std::string_view rest = game.substr(at + 1);
        for (std::size_t t = 0; t < kFindTags.size(); ++t) {
            const std::string_view name = kFindTags[t];
            if (seen[t] || !rest.starts_with(name) || rest.size() < name.size() + 2 ||
                rest[name.size()] != ' ' || rest[name.size() + 1] != '"')
                continue;
            seen[t] = true;
            --missing;
            pgn::readQuotedValue(game, at + 1 + name.size() + 2, value);
            appendFolded(values[t], value);
            break;
        }
        const std::size_t end = pgn::tagEnd(game, at);
        if (end == std::string_view::npos)
            break;
        at = game.find('[', end);
    }
    std::string text;
    for (const std::string& v : values) {
        text += v;
        text += '\n';
    }
    return text;
}

} // namespace

// ByteBlocks

void UnmapBytes::operator()(char* data) const {
    ::munmap(data, bytes);
}

bool ByteBlocks::fitsAfterLast(std::size_t n) const {
    return !blocks_.empty() && blocks_.back().capacity - blocks_.back().size >= n;
}

ByteBlocks::Address ByteBlocks::extend(std::string_view bytes) {
    Block& block = blocks_.back();
    const Address address = (Address(blocks_.size() - 1) << 32) | Address(block.size);
    if (!bytes.empty())
        std::memcpy(block.data.get() + block.size, bytes.data(), bytes.size());
    block.size += bytes.size();
    held_ += bytes.size();
    return address;
}

ByteBlocks::Address ByteBlocks::add(std::string_view bytes) {
    if (!fitsAfterLast(bytes.size())) {
        Block block;
        block.capacity = std::max(kBlockBytes, bytes.size());
        // The system lends the pages only as they are written.
        void* data = ::mmap(nullptr, block.capacity, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED)
            throw std::bad_alloc();
        block.data =
            std::unique_ptr<char[], UnmapBytes>(static_cast<char*>(data), {block.capacity});
        blocks_.push_back(std::move(block));
    }
    return extend(bytes);
}

std::string_view ByteBlocks::at(Address address, std::size_t size) const {
    const Block& block = blocks_[std::size_t(address >> 32)];
    return {block.data.get() + (address & 0xFFFFFFFFu), size};
}

namespace {

template <class T>
bool writeVector(int fd, const std::vector<T>& items) {
    const std::uint64_t n = items.size();
    return pgn::WriteAll(fd, &n, sizeof n) &&
           pgn::WriteAll(fd, items.data(), items.size() * sizeof(T));
}

template <class T>
bool readVector(int fd, std::vector<T>& items) {
    std::uint64_t n = 0;
    if (!pgn::ReadAll(fd, &n, sizeof n) || n > (std::uint64_t(1) << 40) / sizeof(T))
        return false;
    items.resize(std::size_t(n));
    return pgn::ReadAll(fd, items.data(), items.size() * sizeof(T));
}

} // namespace

bool ByteBlocks::writeTo(int fd) const {
    const std::uint64_t count = blocks_.size();
    if (!pgn::WriteAll(fd, &count, sizeof count))
        return false;
    for (const Block& block : blocks_) {
        const std::uint64_t sizes[2] = {block.capacity, block.size};
        if (!pgn::WriteAll(fd, sizes, sizeof sizes) ||
            !pgn::WriteAll(fd, block.data.get(), block.size))
            return false;
    }
    return true;
}

bool ByteBlocks::readFrom(int fd) {
    std::uint64_t count = 0;
    if (!pgn::ReadAll(fd, &count, sizeof count) || count > (std::uint64_t(1) << 32))
        return false;
    blocks_.clear();
    held_ = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t sizes[2] = {0, 0};
        if (!pgn::ReadAll(fd, sizes, sizeof sizes) || sizes[1] > sizes[0] ||
            sizes[0] > (std::uint64_t(1) << 40))
            return false;
        void* data = ::mmap(nullptr, std::size_t(sizes[0]), PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED)
            return false;
        Block block;
        block.data =
            std::unique_ptr<char[], UnmapBytes>(static_cast<char*>(data), {std::size_t(sizes[0])});
        block.capacity = std::size_t(sizes[0]);
        block.size = std::size_t(sizes[1]);
        if (!pgn::ReadAll(fd, block.data.get(), block.size))
            return false;
        held_ += block.size;
        blocks_.push_back(std::move(block));
    }
    return true;
}

// Fingerprint: eight bytes at a time, in the order they come, whatever the pieces.

void Fingerprint::mix(std::uint64_t word) {
    state_ = (state_ ^ word) * 0x9E3779B97F4A7C15ull;
    state_ ^= state_ >> 29;
}

void Fingerprint::add(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    length_ += n;
    while (tailBytes_ != 0 && n > 0) {
        tail_ |= std::uint64_t(*p++) << (8 * tailBytes_);
        --n;
        if (++tailBytes_ == 8) {
            mix(tail_);
            tail_ = 0;
            tailBytes_ = 0;
        }
    }
    for (; n >= 8; p += 8, n -= 8)
        mix(load(p));
    for (; n > 0; --n)
        tail_ |= std::uint64_t(*p++) << (8 * tailBytes_++);
}

std::uint64_t Fingerprint::value() const {
    Fingerprint end = *this;
    end.mix(end.tail_ ^ 0xA5);
    end.mix(end.length_);
    std::uint64_t h = end.state_;
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
    return h ^ (h >> 31);
}

std::uint64_t Fingerprint::of(std::string_view bytes) {
    Fingerprint f;
    f.add(bytes);
    return f.value();
}

// MatchCatalog

std::string_view MatchCatalog::entryBody(std::size_t i) const {
    const Piece& piece = entry_.at(i);
    return entries_.at(piece.at, piece.size);
}

std::string_view MatchCatalog::findText(std::size_t i) const {
    const Piece& piece = find_.at(i);
    return finds_.at(piece.at, piece.size);
}

bool MatchCatalog::isListedGame(std::size_t i, std::string_view text) const {
    const pgn::GameSpan& span = spans_.at(i);
    return std::int64_t(text.size()) == span.end - span.begin &&
           Fingerprint::of(text) == fingerprint_[i];
}

std::vector<std::uint32_t> MatchCatalog::find(const std::vector<std::string>& words,
                                              const std::vector<std::uint32_t>* within) const {
    std::vector<std::uint32_t> found;
    const auto holdsEvery = [&](std::uint32_t game) {
        const std::string_view text = findText(game);
        return std::all_of(words.begin(), words.end(), [text](const std::string& word) {
            return ::memmem(text.data(), text.size(), word.data(), word.size()) != nullptr;
        });
    };
    if (within) {
        for (const std::uint32_t game : *within)
            if (game < size() && holdsEvery(game))
                found.push_back(game);
    } else {
        for (std::uint32_t game = 0; game < size(); ++game)
            if (holdsEvery(game))
                found.push_back(game);
    }
    return found;
}

// SetAsideCatalog

std::unique_ptr<SetAsideCatalog> SetAsideCatalog::put(const MatchCatalog& catalog,
                                                      const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
        if (slash == std::string::npos)
            break;
    }
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // A file system without unnamed files: a named one, removed at once.
        std::string name = folder + "/set-aside-XXXXXX";
        fd = ::mkstemp(name.data());
        if (fd < 0)
            return nullptr;
        ::unlink(name.c_str());
    }
    std::unique_ptr<SetAsideCatalog> aside(new SetAsideCatalog(fd));
    const bool written = writeVector(fd, catalog.spans_) && writeVector(fd, catalog.entry_) &&
                         writeVector(fd, catalog.find_) && writeVector(fd, catalog.fingerprint_) &&
                         catalog.entries_.writeTo(fd) && catalog.finds_.writeTo(fd);
    if (!written)
        return nullptr;
    return aside;
}

SetAsideCatalog::~SetAsideCatalog() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::shared_ptr<const MatchCatalog> SetAsideCatalog::take() const {
    auto catalog = std::make_shared<MatchCatalog>();
    if (::lseek(fd_, 0, SEEK_SET) != 0)
        return nullptr;
    const bool read = readVector(fd_, catalog->spans_) && readVector(fd_, catalog->entry_) &&
                      readVector(fd_, catalog->find_) && readVector(fd_, catalog->fingerprint_) &&
                      catalog->entries_.readFrom(fd_) && catalog->finds_.readFrom(fd_);
    const std::size_t n = catalog->spans_.size();
    if (!read || catalog->entry_.size() != n || catalog->find_.size() != n ||
        catalog->fingerprint_.size() != n)
        return nullptr;
    return catalog;
}

// MatchCatalogBuilder

MatchCatalogBuilder::MatchCatalogBuilder() : catalog_(std::make_unique<MatchCatalog>()) {}

MatchCatalogBuilder::~MatchCatalogBuilder() = default;

void MatchCatalogBuilder::expectGames(std::size_t games) {
    games = std::min(games, MatchCatalog::kMaxGames);
    catalog_->spans_.reserve(games);
    catalog_->entry_.reserve(games);
    catalog_->find_.reserve(games);
    catalog_->fingerprint_.reserve(games);
}

std::string_view MatchCatalogBuilder::bytes(std::uint64_t from, std::uint64_t to) const {
    return std::string_view(window_).substr(std::size_t(from - windowStart_),
                                            std::size_t(to - from));
}

void MatchCatalogBuilder::add(std::string_view more) {
    // Forget the bytes nothing needs any more: those before the first game whose entry or tags
    // are still to be kept, before the open game's bytes not yet fingerprinted, and before the
    // first byte not yet scanned.
    std::uint64_t keepFrom = std::min(scanned_, tagScanned_);
    if (open_)
        keepFrom = std::min(keepFrom, hashed_);
    const auto& spans = catalog_->spans_;
    if (kept_ < spans.size())
        keepFrom = std::min(keepFrom, std::uint64_t(spans[kept_].begin - 1));
    if (tagsRead_ < spans.size())
        keepFrom = std::min(keepFrom, std::uint64_t(spans[tagsRead_].begin - 1));
    window_.erase(0, std::size_t(keepFrom - windowStart_));
    windowStart_ = keepFrom;
    window_.append(more);
    end_ += more.size();
    scan(false);
    settle(false);
}

void MatchCatalogBuilder::scan(bool atEnd) {
    // The games' starts, as pgn::findGameSpans finds them.
    scanner_.scan(std::string_view(window_).substr(std::size_t(fed_ - windowStart_)),
                  [this](std::int64_t at) { startGame(std::uint64_t(at)); });
    fed_ = end_;
    // A '[' whose "[Event " is read in part may still start a game: no game start from it on is
    // known.
    const std::int64_t pending = scanner_.pendingStart();
    const std::uint64_t found = atEnd || pending < 0 ? end_ : std::uint64_t(pending);
    // A tag's name must be in the window before the tag is read.
    std::uint64_t tagLimit = found;
    if (!atEnd)
        tagLimit = std::min<std::uint64_t>(tagLimit, end_ >= kTagStart ? end_ - kTagStart : 0);
    scanTags(std::size_t(std::max(tagLimit, tagScanned_) - windowStart_));
    scanned_ = tagScanned_;
    // The open game's bytes up to the one before the first byte whose game start is not known,
    // which is the byte before the next game should one start there.
    if (open_ && found > hashed_ + 1) {
        fingerprint_.add(bytes(hashed_, found - 1));
        hashed_ = found - 1;
    }
}

// The tags one after another, as pw2::GameIndex reads them, up to limit (a window position that
// every "[" before it is scanned).
void MatchCatalogBuilder::scanTags(std::size_t limit) {
    const std::string_view window = std::string_view(window_).substr(0, limit);
    std::size_t i = std::size_t(tagScanned_ - windowStart_);
    while (i < limit) {
        if (inTag_) {
            const std::size_t end = closer_.find(window, i);
            if (end == std::string_view::npos) {
                i = limit;
                break;
            }
            inTag_ = false;
            if (inBlackTag_)
                blackTagEnd(windowStart_ + end);
            inBlackTag_ = false;
            i = end;
            continue;
        }
        const std::size_t open = window.find('[', i);
        if (open == std::string_view::npos) {
            i = limit;
            break;
        }
        inTag_ = true;
        closer_ = pgn::TagCloser();
        // The bytes of the tag's name are in the window: the scan for games waited for them.
        inBlackTag_ = std::string_view(window_).substr(open).starts_with(kBlackTag);
        if (inBlackTag_)
            blackTag(windowStart_ + open);
        i = open + 1;
    }
    tagScanned_ = windowStart_ + i;
}

void MatchCatalogBuilder::startGame(std::uint64_t at) {
    if (open_)
        endGame(at - 1); // the byte before a game's tag belongs to no game
    if (full_)
        return;
    MatchCatalog& c = *catalog_;
    if (c.size() == MatchCatalog::kMaxGames) {
        full_ = true;
        return;
    }
    c.spans_.push_back({std::int64_t(at) + 1, std::int64_t(at) + 1});
    c.entry_.emplace_back();
    c.find_.emplace_back();
    c.fingerprint_.push_back(0);
    open_ = true;
    fingerprint_ = Fingerprint();
    hashed_ = at;
}

void MatchCatalogBuilder::endGame(std::uint64_t end) {
    MatchCatalog& c = *catalog_;
    c.spans_.back().end = std::int64_t(end) + 1;
    fingerprint_.add(bytes(hashed_, end));
    hashed_ = end;
    c.fingerprint_.back() = fingerprint_.value();
    open_ = false;
}

// A Black tag starts at at: the games that started before it wait for its end.
void MatchCatalogBuilder::blackTag(std::uint64_t at) {
    const auto& spans = catalog_->spans_;
    while (waitingBlack_ < spans.size() && std::uint64_t(spans[waitingBlack_].begin - 1) < at)
        ++waitingBlack_;
}

// The Black tag ends just before end: the entries waiting for it end there.
void MatchCatalogBuilder::blackTagEnd(std::uint64_t end) {
    keepEntries(waitingBlack_, end);
    unresolved_ = waitingBlack_;
}

void MatchCatalogBuilder::keepEntries(std::size_t upTo, std::uint64_t end) {
    for (; kept_ < upTo; ++kept_)
        keepEntry(kept_, end);
}

void MatchCatalogBuilder::keepEntry(std::size_t game, std::uint64_t end) {
    MatchCatalog& c = *catalog_;
    const auto first = std::uint64_t(c.spans_[game].begin - 1);
    const std::uint64_t last = std::min(end, first + MatchCatalog::kEntryKeep);
    if (rangeOpen_ && first <= rangeEnd_ &&
        (last <= rangeEnd_ || c.entries_.fitsAfterLast(std::size_t(last - rangeEnd_)))) {
        if (last > rangeEnd_) {
            c.entries_.extend(bytes(rangeEnd_, last));
            rangeEnd_ = last;
        }
    } else {
        rangeAddress_ = c.entries_.add(bytes(first, last));
        rangeStart_ = first;
        rangeEnd_ = last;
        rangeOpen_ = true;
    }
    c.entry_[game] = {rangeAddress_ + (first - rangeStart_), std::uint32_t(last - first)};
}

void MatchCatalogBuilder::readTags(std::size_t game, std::uint64_t end) {
    MatchCatalog& c = *catalog_;
    const auto first = std::uint64_t(c.spans_[game].begin - 1);
    const std::string text =
        findTextOf(bytes(first, std::min(end, first + MatchCatalog::kTagBytes)));
    c.find_[game] = {c.finds_.add(text), std::uint32_t(text.size())};
}

// Keeps what can be kept now: the entries still waiting whose kept bytes are all scanned (they
// are cut there, unless the file ends without the "]" they wait for), and the tags of the games
// that ended or whose first kTagBytes are scanned.
void MatchCatalogBuilder::settle(bool atEnd) {
    const auto& spans = catalog_->spans_;
    for (; kept_ < spans.size(); ++kept_) {
        const auto first = std::uint64_t(spans[kept_].begin - 1);
        if (first + MatchCatalog::kEntryKeep > scanned_)
            break;
        keepEntry(kept_, first + MatchCatalog::kEntryKeep);
    }
    for (; tagsRead_ < spans.size(); ++tagsRead_) {
        const bool ended = atEnd || !open_ || tagsRead_ + 1 < spans.size();
        const auto first = std::uint64_t(spans[tagsRead_].begin - 1);
        if (ended)
            readTags(tagsRead_, std::uint64_t(spans[tagsRead_].end - 1));
        else if (first + MatchCatalog::kTagBytes <= scanned_)
            readTags(tagsRead_, first + MatchCatalog::kTagBytes);
        else
            break;
    }
}

std::shared_ptr<const MatchCatalog> MatchCatalogBuilder::finish() {
    scan(true);
    // A Black tag whose quoted value the file ends in ends with the file.
    if (inTag_ && inBlackTag_ && closer_.quoted())
        blackTagEnd(end_);
    inTag_ = inBlackTag_ = false;
    if (open_)
        endGame(end_);
    // The entries still waiting for a Black tag or its end run to the end of their games.
    MatchCatalog& c = *catalog_;
    for (std::size_t game = unresolved_; game < c.size(); ++game) {
        const auto first = std::uint64_t(c.spans_[game].begin - 1);
        const auto end = std::uint64_t(c.spans_[game].end - 1);
        if (game < kept_) {
            auto& size = c.entry_[game].size;
            size = std::uint32_t(std::min<std::uint64_t>(size, end - first));
        } else {
            keepEntry(game, end);
            kept_ = game + 1;
        }
    }
    unresolved_ = waitingBlack_ = c.size();
    settle(true);
    window_ = std::string();
    std::shared_ptr<const MatchCatalog> done = std::move(catalog_);
    catalog_ = std::make_unique<MatchCatalog>();
    return done;
}

} // namespace pw2
