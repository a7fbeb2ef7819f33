// The game scheduler: which of the match's games comes next, in which file it lies, and its text.
//
// The match is the file the setting PGNFile names, always. Its games are found, in this order:
// - in the index this scheduler made of the file, while the file is as it was then;
// - in the stored match table, while it is the table of that file as the file is now
//   (StoredMatch);
// - by indexing the file again: at once for a small file; for a large one in a worker thread,
//   while the saver shows its board (nextGame says so with NoGame::indexing, and the ready
//   callback asks for the game again once the index is handed back). The new index is stored as
//   the match table, PGNFile kept as written.
// A packed collection (a compressed file, an archive, a folder) is played from its plain cache
// (collections::CollectionCache), which the table then indexes: a collection met without its
// cache has it made, at once for a small one, else in the worker before the cache is indexed.
// A collection whose cache cannot be made (too little room on the disk, or unreadable) is
// reported once and the bundled games are played until it changes. At the first game, the caches
// of every other collection go.
// A stored range that no longer starts where a game starts (a file changed in a way its size and
// fingerprint do not tell) has the file indexed again. The bundled games are played, without
// touching the settings, only when the file does not exist (after a message, once) or holds no
// game. Files an interrupted store left beside the table go at the first game.
//
// With "Continue where it stopped" on (setting Continue), each game start reads the place where
// the saver stopped from the settings and stores the new one as the game starts: LastGame, the
// game shown last, and in random order with the fair shuffle on (FairShuffle), the shuffle's key
// and how many of its games were shown (ShuffleKey, ShuffleStep). A saver that is killed, or
// another saver on another monitor, so goes on from the place stored last. With the setting off,
// nothing of the place is read or stored: each start begins at FirstGame, and random order draws
// any game of the match.
#pragma once

#include "collections/collection_cache.h"
#include "pgn/game_spans.h"
#include "services/match_table_file.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class QObject;

namespace pw2 {

class StoredMatch;

inline constexpr const char* kFileNotFound = "The specfied PGN file is not found, Loading Default";
inline constexpr const char* kDefaultNotFound = "Default File Not found, please specify a PGN file";

class GameScheduler {
public:
    GameScheduler();
    ~GameScheduler();
    GameScheduler(const GameScheduler&) = delete;
    GameScheduler& operator=(const GameScheduler&) = delete;

    // Called (in the thread that made the scheduler, from its event loop) when the index made in
    // the background is in: the next game can be asked for.
    void setIndexReady(std::function<void()> ready) { indexReady_ = std::move(ready); }
    // The same for each window of several that share the scheduler (a board on every screen):
    // ready is called too, until removeIndexReady(owner).
    void addIndexReady(const void* owner, std::function<void()> ready) {
        sharedReady_.emplace_back(owner, std::move(ready));
    }
    void removeIndexReady(const void* owner) {
        std::erase_if(sharedReady_, [owner](const auto& entry) { return entry.first == owner; });
    }
    // Files up to this size are indexed at once, larger ones in the background.
    static constexpr std::uint64_t kIndexAtOnce = 16 << 20;
    void setIndexAtOnceLimit(std::uint64_t bytes) { indexAtOnce_ = bytes; }

    // Random numbers in [0, 1) for random game order (tests make them predictable).
    void setRandomSource(std::function<double()> source) { random_ = std::move(source); }

    // Starts over from the stored first game: the next game chosen is that one (with Continue
    // on, only while no place is stored). A first game below 1 (or a value that reads as 0)
    // starts with game 1.
    void startAtFirstGame();

    // The game chosen last (1-based; 0 before the first).
    std::int32_t gameNumber() const { return gameNumber_; }

    struct Game {
        QString path;
        std::string text; // the game's bytes
    };
    struct NoGame {
        bool gameFileMissing = false; // neither the match's file nor the bundled games exist
        bool indexing = false;        // the file is being indexed: wait for the ready callback
    };
    // The next game: chooses it, finds its file, and reads its text. Without a game to play the
    // setup dialog must open, unless noGame.indexing says the game comes later.
    std::optional<Game> nextGame(NoGame& noGame);

private:
    // The games of one file as this scheduler indexed them.
    struct Index {
        QString stored; // the setting as written
        QString path;   // the file read: the setting's file, or its collection's cache
        PgnFileIdentity identity;
        std::vector<pgn::GameSpan> spans;
        // A cache the worker could not make: why, and the collection's stamp.
        std::optional<collections::SourceStamp> unmade;
        QString unmadeMessage;
    };
    // Where the games come from for one game start.
    struct Match {
        QString path;
        std::function<std::int64_t()> count;
        std::function<pgn::GameSpan(std::int64_t)> range;
        bool stored = false; // from the match table file
        // The bundled games standing in for the user's file: played in file order from their
        // first game, and the user's place is left as it is.
        bool standIn = false;
    };
    enum class Found { Match, Indexing, None };
    // Where the place is left once the game is found.
    struct Place {
        bool store = false;
        std::int64_t shuffleKey = -1; // -1: the shuffle's key and step are left as they are
        std::int64_t shuffleStep = 0;
    };
    // The match of the stored PGNFile; distrustTable passes over the stored table.
    Found findMatch(Match& match, NoGame& noGame, bool distrustTable);
    // The bundled games, indexed once; with adopt, stored as the match.
    Found bundledMatch(Match& match, NoGame& noGame, bool adopt);
    Match fromIndex(std::shared_ptr<const Index> index) const;
    // Indexes the file at once or starts a worker for it; Indexing when the worker runs.
    Found indexFile(const QString& stored, const QString& path, const PgnFileIdentity& identity,
                    Match& match);
    // The cache of the packed collection at path, into text; or what findMatch returns instead
    // (the bundled games when it cannot be made, Indexing while the worker makes it).
    std::optional<Found> findCache(const QString& stored, const QString& path, QString& text,
                                   Match& match, NoGame& noGame);
    // Runs the worker: it makes the cache of the collection at source first when source is given,
    // then indexes the file at index->path.
    void startWorker(std::shared_ptr<Index> index, const std::string& source);
    // A cache that could not be made: reported once, not tried again until the collection changes.
    void noteUnmade(const collections::SourceStamp& stamp, const QString& message);
    // Removes the caches of every collection but the stored one.
    void removeOtherCaches() const;
    // Takes the worker's index in (in the scheduler's thread).
    void takeIndex(std::shared_ptr<Index> index, bool announce);
    void stopWorker();
    // In file order, the game after the last one (wrapping to 1 after the last; with Continue
    // on, the last one stored, or before the first game while none is); in random order, any
    // game of the match, or with Continue and the fair shuffle on, the stored shuffle's next game.
    Place chooseNextGame(std::int64_t numOfGames);
    // The next game of the stored shuffle, or of a new one when it is used up, was made for
    // another number of games, or none is stored.
    Place chooseShuffledGame(std::int64_t games);
    // Stores the place: LastGame, and the shuffle's key and step when place has them.
    void storePlace(const Place& place) const;

    std::function<double()> random_;
    std::int32_t gameNumber_ = 0;
    std::function<void()> indexReady_;
    std::vector<std::pair<const void*, std::function<void()>>> sharedReady_;
    // Calls every ready callback: the index is in.
    void announceIndex();
    std::uint64_t indexAtOnce_ = kIndexAtOnce;
    bool cleaned_ = false;                           // abandoned table files removed
    bool warnedMissing_ = false;                     // the missing file's message shown
    std::optional<collections::SourceStamp> unmade_; // a collection whose cache cannot be made
    std::int64_t standInGame_ = 0; // the bundled game played last in the user's file's stead
    std::shared_ptr<const Index> indexed_;
    std::shared_ptr<const Index> bundled_;
    // The worker indexing in the background, the file it reads, and how it is told to stop.
    std::thread worker_;
    QString workerStored_;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::uint64_t generation_ = 0;      // counts the workers stopped
    std::unique_ptr<QObject> receiver_; // lives in the scheduler's thread
};

} // namespace pw2
