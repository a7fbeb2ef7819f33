#include "playback/game_scheduler.h"

#include "pgn/game_spans.h"
#include "playback/shuffle.h"
#include "services/app_path.h"
#include "services/desktop.h"
#include "services/file_bytes.h"
#include "services/match_table.h"
#include "services/settings_parse.h"
#include "services/settings_store.h"
#include "services/text_codec.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace pw2 {
namespace {

QString defaultFile() {
    return appPath() + "default.pgn";
}

// The game before the stored first game, from which file order goes on.
std::int32_t beforeFirstGame(const SettingsStore& s) {
    return std::int32_t(
        std::clamp<std::int64_t>(roundToInt64(s.number(setting::FirstGame) - 1), 0, INT32_MAX - 1));
}

// How many keys a new shuffle may draw so as not to begin with the game shown last.
constexpr int kKeyDraws = 8;

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString fromLocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The spans of the file at path, read a block at a time; nothing when it cannot be read or stop
// is set meanwhile.
std::optional<std::vector<pgn::GameSpan>> indexFileAt(const std::string& path,
                                                      const std::atomic<bool>* stop) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    pgn::GameStartScanner scanner;
    pgn::GameSpanCollector spans;
    std::string block(std::size_t(1) << 20, '\0');
    bool read = true;
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            read = false;
            break;
        }
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            read = got == 0;
            break;
        }
        scanner.scan(std::string_view(block.data(), std::size_t(got)),
                     [&spans](std::int64_t at) { spans.start(at); });
    }
    ::close(fd);
    if (!read)
        return std::nullopt;
    return spans.finish(scanner.scanned());
}

} // namespace

GameScheduler::GameScheduler() {
    std::mt19937_64 engine{std::random_device{}()};
    random_ = [engine]() mutable { return std::uniform_real_distribution<double>(0, 1)(engine); };
}

GameScheduler::~GameScheduler() {
    stopWorker();
}

void GameScheduler::stopWorker() {
    if (!worker_.joinable())
        return;
    stop_->store(true);
    worker_.join();
    ++generation_; // an index the worker handed back before it stopped is not taken
}

void GameScheduler::startAtFirstGame() {
    gameNumber_ = beforeFirstGame(settings());
}

GameScheduler::Place GameScheduler::chooseNextGame(std::int64_t numOfGames) {
    const SettingsStore& s = settings();
    const bool random = s.number(setting::Random) != 0;
    Place place;
    if (s.number(setting::ContinuePlay) != 0) {
        // Each start goes on from the place stored last, by this saver or by another one.
        place.store = true;
        const std::int64_t last = s.count(setting::LastGame);
        gameNumber_ = last > 0 ? std::int32_t(std::min<std::int64_t>(last, INT32_MAX - 1))
                               : beforeFirstGame(s);
        if (random && s.number(setting::FairShuffle) != 0 && numOfGames > 0)
            return chooseShuffledGame(numOfGames);
    }
    if (gameNumber_ < INT32_MAX)
        ++gameNumber_;
    if (gameNumber_ > numOfGames)
        gameNumber_ = 1;
    if (random) {
        const double n = double(std::max<std::int64_t>(numOfGames, 0));
        gameNumber_ = std::int32_t(std::min(std::floor(random_() * n) + 1, double(INT32_MAX)));
        if (gameNumber_ < 1)
            gameNumber_ = 1;
    }
    return place;
}

GameScheduler::Place GameScheduler::chooseShuffledGame(std::int64_t games) {
    const SettingsStore& s = settings();
    const auto n = std::uint64_t(std::min<std::int64_t>(games, INT32_MAX));
    std::int64_t key = s.count(setting::ShuffleKey);
    std::int64_t step = s.count(setting::ShuffleStep);
    if (!shuffleKeyFits(key, n) || step < 0 || std::uint64_t(step) >= n) {
        // A new shuffle: every game of the match once more. Where the key allows, it does not
        // begin with the game that ended the last one.
        const std::int64_t last = s.count(setting::LastGame);
        for (int draw = 0; draw < kKeyDraws; ++draw) {
            key = std::int64_t(makeShuffleKey(random_(), n));
            if (n < 2 || last < 1 || shuffledGame(std::uint64_t(key), n, 0) != std::uint64_t(last))
                break;
        }
        step = 0;
    }
    gameNumber_ = std::int32_t(shuffledGame(std::uint64_t(key), n, std::uint64_t(step)));
    return Place{true, key, step + 1};
}

void GameScheduler::storePlace(const Place& place) const {
    if (!place.store)
        return;
    SettingsStore& s = settings();
    const SettingsStore::Batch batch(s); // one write of the settings file
    s.set(setting::LastGame, gameNumber_);
    if (place.shuffleKey >= 0) {
        s.set(setting::ShuffleKey, place.shuffleKey);
        s.set(setting::ShuffleStep, place.shuffleStep);
    }
}

GameScheduler::Match GameScheduler::fromIndex(std::shared_ptr<const Index> index) const {
    Match match;
    match.path = index->path;
    match.count = [index] { return std::int64_t(index->spans.size()); };
    match.range = [index](std::int64_t n) {
        return n >= 1 && n <= std::int64_t(index->spans.size()) ? index->spans[std::size_t(n - 1)]
                                                                : pgn::GameSpan{-1, -1};
    };
    return match;
}

GameScheduler::Found GameScheduler::bundledMatch(Match& match, NoGame& noGame, bool adopt) {
    const QString path = defaultFile();
    if (!fileExists(path)) {
        showMessage(QLatin1String(kDefaultNotFound), MsgIcon::Critical);
        noGame.gameFileMissing = true;
        return Found::None;
    }
    if (!bundled_) {
        auto index = std::make_shared<Index>();
        index->path = path;
        index->spans = indexFileAt(localPath(path), nullptr).value_or(std::vector<pgn::GameSpan>{});
        // No file was ever chosen: the bundled games become the stored match.
        if (adopt && !index->spans.empty())
            storeMatchTable(settings(), path, index->spans, std::int64_t(index->spans.size()));
        bundled_ = std::move(index);
    }
    if (bundled_->spans.empty())
        return Found::None;
    match = fromIndex(bundled_);
    match.standIn = !adopt;
    return Found::Match;
}

GameScheduler::Found GameScheduler::findMatch(Match& match, NoGame& noGame, bool distrustTable) {
    const QString stored = settings().text(setting::PgnFile, QString());
    const QString path = trimSpaces(stored);
    if (path.isEmpty() || !(fileExists(path) || QFileInfo(path).isDir())) {
        // No file chosen yet, or the chosen one is gone: the setting stays as it is.
        if (!path.isEmpty() && !warnedMissing_) {
            showMessage(QLatin1String(kFileNotFound), MsgIcon::Critical);
            warnedMissing_ = true;
        }
        return bundledMatch(match, noGame, path.isEmpty());
    }
    // The file the games are read from: the setting's own, or its collection's cache.
    QString text = path;
    if (collections::isPackedCollection(localPath(path)))
        if (const std::optional<Found> instead = findCache(stored, path, text, match, noGame))
            return *instead;
    const QString textFile = text == path ? QString() : text;
    const std::optional<PgnFileIdentity> identity = readPgnFileIdentity(localPath(text));
    if (!identity)
        return bundledMatch(match, noGame, false);
    Found found = Found::Match;
    if (indexed_ && indexed_->stored == stored && indexed_->path == text &&
        indexed_->identity == *identity) {
        match = fromIndex(indexed_);
    } else if (std::optional<StoredMatch> table;
               !distrustTable && (table = StoredMatch::read(settings(), textFile))) {
        auto kept = std::make_shared<const StoredMatch>(std::move(*table));
        match.path = text;
        match.count = [kept] { return kept->count(); };
        match.range = [kept](std::int64_t n) { return kept->range(n); };
        match.stored = true;
    } else if (worker_.joinable() && workerStored_ == stored) {
        return Found::Indexing;
    } else {
        found = indexFile(stored, text, *identity, match);
    }
    if (found == Found::Match && match.count() == 0)
        return bundledMatch(match, noGame, false);
    return found;
}

std::optional<GameScheduler::Found> GameScheduler::findCache(const QString& stored,
                                                             const QString& path, QString& text,
                                                             Match& match, NoGame& noGame) {
    const std::string source = localPath(path);
    const std::optional<collections::SourceStamp> stamp = collections::stampOf(source);
    if (!stamp || (unmade_ && *unmade_ == *stamp))
        return bundledMatch(match, noGame, false);
    const collections::CollectionCache cache;
    const std::string cached = cache.pathFor(*stamp);
    if (fileExists(fromLocalPath(cached))) {
        text = fromLocalPath(cached);
        return std::nullopt;
    }
    if (worker_.joinable() && workerStored_ == stored)
        return Found::Indexing;
    // A collection unpacks to some ten times its size: one that indexes at once once unpacked has
    // its cache made at once.
    if (!QFileInfo(path).isDir() && std::uint64_t(QFileInfo(path).size()) <= indexAtOnce_ / 16) {
        const collections::CollectionCache::Made made = cache.obtain(source);
        if (!made.ok()) {
            noteUnmade(made.stamp, QString::fromStdString(made.message));
            return bundledMatch(match, noGame, false);
        }
        cache.removeAllBut(made.path);
        text = fromLocalPath(made.path);
        return std::nullopt;
    }
    // A large collection: the saver shows its board while the cache is made and indexed.
    stopWorker();
    startWorker(std::make_shared<Index>(Index{stored, path, {}, {}, {}, {}}), source);
    return Found::Indexing;
}

void GameScheduler::announceIndex() {
    if (indexReady_)
        indexReady_();
    // A copy: a window may stop sharing the scheduler from its callback.
    const auto shared = sharedReady_;
    for (const auto& entry : shared)
        entry.second();
}

void GameScheduler::noteUnmade(const collections::SourceStamp& stamp, const QString& message) {
    unmade_ = stamp;
    showMessage(message, MsgIcon::Critical);
}

void GameScheduler::removeOtherCaches() const {
    const std::string stored = localPath(trimSpaces(settings().text(setting::PgnFile, QString())));
    const collections::CollectionCache cache;
    std::string keep;
    if (!stored.empty() && collections::isPackedCollection(stored))
        if (const std::optional<collections::SourceStamp> stamp = collections::stampOf(stored))
            keep = cache.pathFor(*stamp);
    cache.removeAllBut(keep);
}

GameScheduler::Found GameScheduler::indexFile(const QString& stored, const QString& path,
                                              const PgnFileIdentity& identity, Match& match) {
    stopWorker();
    auto index = std::make_shared<Index>(Index{stored, path, identity, {}, {}, {}});
    if (identity.size <= indexAtOnce_) {
        index->spans = indexFileAt(localPath(path), nullptr).value_or(std::vector<pgn::GameSpan>{});
        takeIndex(std::move(index), false);
        match = fromIndex(indexed_);
        return Found::Match;
    }
    // A large file: the saver shows its board meanwhile.
    startWorker(std::move(index), std::string());
    return Found::Indexing;
}

void GameScheduler::startWorker(std::shared_ptr<Index> index, const std::string& source) {
    if (!receiver_)
        receiver_ = std::make_unique<QObject>();
    stop_ = std::make_shared<std::atomic<bool>>(false);
    workerStored_ = index->stored;
    worker_ = std::thread(
        [this, index, source, stop = stop_, receiver = receiver_.get(), generation = generation_] {
            if (!source.empty()) {
                const collections::CollectionCache::Made made =
                    collections::CollectionCache().obtain(source, stop.get());
                if (stop->load())
                    return;
                if (made.ok()) {
                    index->path = fromLocalPath(made.path);
                    index->identity = readPgnFileIdentity(made.path).value_or(PgnFileIdentity{});
                } else {
                    index->unmade = made.stamp;
                    index->unmadeMessage = QString::fromStdString(made.message);
                }
            }
            std::optional<std::vector<pgn::GameSpan>> spans;
            if (!index->unmade) {
                spans = indexFileAt(localPath(index->path), stop.get());
                if (!spans && stop->load())
                    return;
            }
            // A file that cannot be read is one without games.
            index->spans = std::move(spans).value_or(std::vector<pgn::GameSpan>{});
            // Handed back through the receiver's event queue; dropped with the receiver.
            QMetaObject::invokeMethod(
                receiver,
                [this, index, generation] {
                    if (generation != generation_)
                        return;
                    if (worker_.joinable())
                        worker_.join();
                    takeIndex(index, true);
                },
                Qt::QueuedConnection);
        });
}

void GameScheduler::takeIndex(std::shared_ptr<Index> index, bool announce) {
    if (index->unmade) {
        noteUnmade(*index->unmade, index->unmadeMessage);
        if (announce)
            announceIndex();
        return;
    }
    const bool cached = index->path != trimSpaces(index->stored);
    if (cached)
        collections::CollectionCache().removeAllBut(localPath(index->path));
    // The index becomes the stored table while the setting still names its file.
    if (settings().text(setting::PgnFile, QString()) == index->stored)
        storeMatchTable(settings(), index->stored, index->spans, std::int64_t(index->spans.size()),
                        cached ? index->path : QString());
    indexed_ = std::move(index);
    if (announce)
        announceIndex();
}

std::optional<GameScheduler::Game> GameScheduler::nextGame(NoGame& noGame) {
    noGame = {};
    if (!cleaned_) {
        removeAbandonedMatchTables(matchTablePath(settings()));
        removeOtherCaches();
        cleaned_ = true;
    }
    for (bool distrust = false;; distrust = true) {
        Match match;
        const Found found = findMatch(match, noGame, distrust);
        if (found == Found::Indexing)
            noGame.indexing = true;
        if (found != Found::Match)
            return std::nullopt;
        const std::int32_t before = gameNumber_;
        Place place;
        pgn::GameSpan range;
        if (match.standIn) {
            standInGame_ = standInGame_ % match.count() + 1;
            range = match.range(standInGame_);
        } else {
            place = chooseNextGame(match.count());
            range = match.range(gameNumber_);
            if (range.begin == -1 && gameNumber_ != 1) {
                // A game number beyond the table (a first game or a place stored for a longer
                // match): the match's first game is played rather than none.
                range = match.range(1);
                gameNumber_ = 1;
            }
        }
        std::string text = readFileRange(match.path, range.begin, range.end);
        if (!text.starts_with(pgn::kGameStart) && !distrust) {
            // The range no longer starts where a game starts: the file changed in a way its size
            // and fingerprint do not tell. It is indexed again, once.
            gameNumber_ = before;
            indexed_.reset();
            bundled_.reset();
            continue;
        }
        // The place is kept as the game starts, so that a saver killed during it goes on after it.
        storePlace(place);
        return Game{match.path, std::move(text)};
    }
}

} // namespace pw2
