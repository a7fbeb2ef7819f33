// The match list's catalogue of a PGN file: for each game, where it lies, the bytes of its match
// list entry, a fingerprint of its text, and the lower-cased values of the tags a user finds games
// by. It is built from the file read in pieces of any size, so that a file of any length is listed
// in memory that grows with its games' headers, never with its moves. Qt-free.
#pragma once

#include "pgn/game_spans.h"
#include "pgn/text.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pw2 {

// Gives mapped memory back to the system.
struct UnmapBytes {
    std::size_t bytes = 0;
    void operator()(char* data) const;
};

// Bytes appended in blocks, mapped from the system and given back to it whole when they go, each
// piece kept whole in one block: growing never copies what is already held, so the memory held
// while listing is the memory the bytes need.
class ByteBlocks {
public:
    using Address = std::uint64_t; // block << 32 | offset

    // Room for n more bytes right after the last piece, when the last block has it.
    bool fitsAfterLast(std::size_t n) const;
    // Appends bytes after the last piece (fitsAfterLast must hold); its address.
    Address extend(std::string_view bytes);
    // Appends bytes as a piece of its own, in a new block when the last one is too full.
    Address add(std::string_view bytes);
    std::string_view at(Address address, std::size_t size) const;
    std::size_t bytes() const { return held_; }

    // Writes the blocks to fd; reads blocks so written back, each at its old address.
    bool writeTo(int fd) const;
    bool readFrom(int fd);

private:
    struct Block {
        std::unique_ptr<char[], UnmapBytes> data;
        std::size_t capacity = 0;
        std::size_t size = 0;
    };
    std::vector<Block> blocks_;
    std::size_t held_ = 0;
};

// A fingerprint of bytes that does not depend on how they are cut into pieces.
class Fingerprint {
public:
    void add(std::string_view bytes);
    std::uint64_t value() const;
    static std::uint64_t of(std::string_view bytes);

private:
    void mix(std::uint64_t word);
    std::uint64_t state_ = 0x243F6A8885A308D3ull;
    std::uint64_t tail_ = 0;
    unsigned tailBytes_ = 0;
    std::uint64_t length_ = 0;
};

class MatchCatalog {
public:
    // Counts and list positions are 32-bit; a file is listed up to this many games.
    static constexpr std::size_t kMaxGames = 2147483647;
    // The longest part of an entry kept: the description shows up to 64 KiB of it, and needs to
    // know whether there was more.
    static constexpr std::size_t kEntryKeep = 64 * 1024 + 1;
    // Tag values are looked for in the first this many bytes of a game.
    static constexpr std::size_t kTagBytes = 64 * 1024;

    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    const std::vector<pgn::GameSpan>& spans() const { return spans_; }

    // The bytes of game i's match list entry (0-based), as pw2::GameIndex::entryBody gives them,
    // up to kEntryKeep bytes: a longer entry is cut there.
    std::string_view entryBody(std::size_t i) const;
    // True when text is game i's text as it was listed.
    bool isListedGame(std::size_t i, std::string_view text) const;
    // The case-folded (UTF-8) values of game i's White, Black, Event, Site and Date tags, each
    // followed by a line feed.
    std::string_view findText(std::size_t i) const;

    // The games (0-based, in file order) whose find text holds every word (already case-folded
    // UTF-8, without line feeds); only the games of within, when given (in file order).
    std::vector<std::uint32_t> find(const std::vector<std::string>& words,
                                    const std::vector<std::uint32_t>* within = nullptr) const;

    // Bytes held for the entries and for finding.
    std::size_t heldBytes() const { return entries_.bytes() + finds_.bytes(); }

private:
    friend class MatchCatalogBuilder;
    friend class SetAsideCatalog;
    struct Piece {
        ByteBlocks::Address at = 0;
        std::uint32_t size = 0;
    };

    std::vector<pgn::GameSpan> spans_;
    std::vector<Piece> entry_;
    std::vector<Piece> find_;
    std::vector<std::uint64_t> fingerprint_;
    ByteBlocks entries_;
    ByteBlocks finds_;
};

// A catalogue put aside in a file that has no name (it goes when this goes), so that its memory is
// free while another catalogue is built, and taken back whole when that one is given up.
class SetAsideCatalog {
public:
    // Writes catalog into a new file in folder; nullptr when it cannot be written.
    static std::unique_ptr<SetAsideCatalog> put(const MatchCatalog& catalog,
                                                const std::string& folder);
    ~SetAsideCatalog();
    SetAsideCatalog(const SetAsideCatalog&) = delete;
    SetAsideCatalog& operator=(const SetAsideCatalog&) = delete;
    // The catalogue as it was put aside; nullptr when it cannot be read back.
    std::shared_ptr<const MatchCatalog> take() const;

private:
    explicit SetAsideCatalog(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Builds a catalogue from a file's bytes given in order, in pieces of any size. The games, entries
// and fingerprints are those pgn::findGameSpans and pw2::GameIndex give for the whole text.
class MatchCatalogBuilder {
public:
    MatchCatalogBuilder();
    ~MatchCatalogBuilder();

    // The next bytes of the file.
    void add(std::string_view bytes);
    // Ends the file; the catalogue of its games.
    std::shared_ptr<const MatchCatalog> finish();

    std::size_t games() const { return catalog_->size(); }
    std::uint64_t bytesRead() const { return end_; }
    // A number of games to make room for (a guess; growing past it costs only time).
    void expectGames(std::size_t games);

private:
    void scan(bool atEnd);
    void startGame(std::uint64_t at);
    void endGame(std::uint64_t end);
    void scanTags(std::size_t limit);
    void blackTag(std::uint64_t at);
    void blackTagEnd(std::uint64_t end);
    void keepEntries(std::size_t upTo, std::uint64_t end);
    void keepEntry(std::size_t game, std::uint64_t end);
    void readTags(std::size_t game, std::uint64_t end);
    void settle(bool atEnd);
    std::string_view bytes(std::uint64_t from, std::uint64_t to) const;

    std::unique_ptr<MatchCatalog> catalog_;
    std::string window_; // the file's bytes from windowStart_ on
    std::uint64_t windowStart_ = 0;
    std::uint64_t end_ = 0; // bytes given so far
    pgn::GameStartScanner scanner_;
    std::uint64_t fed_ = 0;     // bytes the scanner has read
    std::uint64_t scanned_ = 0; // every game start and tag before here is handled
    // The tags are read one after another up to tagScanned_ (pgn::TagCloser reads the one open).
    std::uint64_t tagScanned_ = 0;
    bool inTag_ = false;
    bool inBlackTag_ = false;
    pgn::TagCloser closer_;
    bool open_ = false;       // the last game's end is not known yet
    bool full_ = false;       // kMaxGames games are listed
    Fingerprint fingerprint_; // of the open game's bytes before hashed_
    std::uint64_t hashed_ = 0;
    // Entries [unresolved_, waitingBlack_) wait for the end of a Black tag, those from
    // waitingBlack_ on for a Black tag to start; entries before kept_ hold their bytes, games
    // before tagsRead_ their tags.
    std::size_t unresolved_ = 0;
    std::size_t waitingBlack_ = 0;
    std::size_t kept_ = 0;
    std::size_t tagsRead_ = 0;
    // The entries' bytes are kept as the union of their ranges of the file: an entry that starts
    // inside the last range kept extends it instead of copying the bytes again.
    std::uint64_t rangeStart_ = 0;
    std::uint64_t rangeEnd_ = 0;
    ByteBlocks::Address rangeAddress_ = 0;
    bool rangeOpen_ = false;
};

} // namespace pw2
