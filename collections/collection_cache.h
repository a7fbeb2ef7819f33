// The plain cache of a packed collection (a compressed file, an archive or a folder of PGN files):
// the collection's joined text in one file, which the saver and the editor read at any position,
// as they read a plain PGN file. A compressed stream can be read only from its start. Qt-free.
//
// A cache lives in the cache folder ($XDG_CACHE_HOME/pawnwatch2, else ~/.cache/pawnwatch2) and is
// named after its collection's path and a fingerprint of the collection as it is now (its size and
// time of change; a folder's PGN files' names, sizes and times): "<path hash>-<fingerprint>.pgn".
// A collection that changes is so looked for under another name, and its cache made again. A
// cache is written into a new file beside its name, locked while it is written, and renamed
// into place only when the whole text is in: a cache under its name is always whole.
//
// A collection whose unpacked text would leave less than kFreeSpaceReserve bytes free in the
// cache folder is refused: the writing stops once that is known, and its file goes.
#pragma once

#include "collections/collection_reader.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace pw2::collections {

// 1 GB (2^30 bytes) kept free on the disk of the cache folder.
inline constexpr std::uint64_t kFreeSpaceReserve = std::uint64_t(1) << 30;

// Whether path holds a packed collection: a compressed file, an archive or a folder. False for
// plain text and for what cannot be read.
bool isPackedCollection(const std::string& path);

// The cache folder: $XDG_CACHE_HOME/pawnwatch2 when the variable holds an absolute path, else
// $HOME/.cache/pawnwatch2.
std::string cacheFolder();

// A collection as it is now.
struct SourceStamp {
    std::uint64_t pathHash = 0;
    std::uint64_t fingerprint = 0;
    // The name of its cache.
    std::string cacheName() const;
    friend bool operator==(const SourceStamp&, const SourceStamp&) = default;
};

// The stamp of the collection at path; nothing when it is not there.
std::optional<SourceStamp> stampOf(const std::string& path);

class CollectionCache {
public:
    // Bytes free for the user on the disk of folder; nothing when it cannot be told.
    using FreeSpace = std::function<std::optional<std::uint64_t>(const std::string& folder)>;
    struct Options {
        std::string folder;  // empty: cacheFolder()
        FreeSpace freeSpace; // empty: the file system's own figure
        std::uint64_t reserve = kFreeSpaceReserve;
        std::uint64_t unpackLimit = kDefaultUnpackLimit;
    };
    // In the cache folder, with the file system's free space.
    CollectionCache();
    explicit CollectionCache(Options options);

    const std::string& folder() const { return options_.folder; }
    // Where the cache of a collection with that stamp lies.
    std::string pathFor(const SourceStamp& stamp) const;

    struct Made {
        std::string path; // the cache; empty when there is none
        SourceStamp stamp;
        // Why there is no cache, or what the cache lacks (a damaged collection gives the games
        // before the damage, an encrypted member none of its games): a sentence naming the
        // collection. Empty when the cache holds the whole collection.
        std::string message;
        bool refused = false; // too little room: the message says so
        bool ok() const { return !path.empty(); }
    };
    // The cache of the collection at source as it is now: the one made before, or one made now
    // from the collection's joined text. stop, when set meanwhile, ends the making without a
    // cache; written, when given, counts the bytes of text written so far.
    Made obtain(const std::string& source, const std::atomic<bool>* stop = nullptr,
                std::atomic<std::uint64_t>* written = nullptr) const;

    // Removes every cache in the folder but the one at keep (empty: all of them), and the
    // unfinished caches no writer holds locked any more.
    void removeAllBut(const std::string& keep) const;

private:
    Options options_;
};

// The bytes of the collection at source from 0-based offset from up to, not including, to, read
// through its joined text; nothing when it cannot be read that far.
std::optional<std::string> readCollectionRange(const std::string& source, std::uint64_t from,
                                               std::uint64_t to);

} // namespace pw2::collections
