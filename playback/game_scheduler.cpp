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

#include <algorithm>
#include <cmath>
#include <random>

namespace pw2 {
namespace {

// What the PGN file setting holds when no file was ever chosen.
constexpr const char* kNoFile = "no file";

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

} // namespace

GameScheduler::GameScheduler() {
    std::mt19937_64 engine{std::random_device{}()};
    random_ = [engine]() mutable { return std::uniform_real_distribution<double>(0, 1)(engine); };
}

void GameScheduler::startAtFirstGame() {
    gameNumber_ = beforeFirstGame(settings());
}

GameScheduler::Place GameScheduler::chooseNextGame(const StoredMatch& match) {
    const SettingsStore& s = settings();
    const std::int64_t numOfGames = match.count();
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

void GameScheduler::indexIntoMatch(const QString& path) {
    std::string text;
    readFileBytes(trimSpaces(path), text);
    const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
    storeMatchTable(settings(), path, spans, std::int64_t(spans.size()));
}

std::optional<GameScheduler::Location> GameScheduler::locateGame(const StoredMatch& match) {
    const pgn::GameSpan range = match.range(gameNumber_);
    Location at{match.pgnFile(QLatin1String(kNoFile)), range.begin, range.end};
    if (at.begin == -1 && gameNumber_ != 1 && at.path != QLatin1String(kNoFile)) {
        // A game number beyond the stored table (a first game or a game count that does not
        // match it): the match's first game is played rather than none.
        const pgn::GameSpan first = match.range(1);
        if (first.begin != -1) {
            gameNumber_ = 1;
            at.begin = first.begin;
            at.end = first.end;
        }
    }
    if (at.begin == -1 || at.path == QLatin1String(kNoFile)) {
        // No match stored: the bundled games become the match.
        indexIntoMatch(defaultFile());
        at.path = defaultFile();
        const pgn::GameSpan bundled = StoredMatch::read(settings()).range(gameNumber_);
        at.begin = bundled.begin;
        at.end = bundled.end;
        if (at.begin == -1)
            return std::nullopt;
    }
    return at;
}

std::optional<GameScheduler::Location> GameScheduler::replaceMissingFile(Location at,
                                                                         NoGame& noGame) {
    if (!trimSpaces(at.path).isEmpty() && fileExists(at.path))
        return at;
    showMessage(QLatin1String(kFileNotFound), MsgIcon::Critical);
    if (!fileExists(defaultFile())) {
        showMessage(QLatin1String(kDefaultNotFound), MsgIcon::Critical);
        noGame.gameFileMissing = true;
        return std::nullopt;
    }
    at.path = defaultFile();
    std::string text;
    readFileBytes(at.path, text);
    const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
    if (spans.empty())
        return std::nullopt;
    at.begin = spans.front().begin;
    at.end = spans.front().end;
    return at;
}

std::optional<GameScheduler::Game> GameScheduler::nextGame(NoGame& noGame) {
    noGame = {};
    // One reading of the stored match, so that a table replaced meanwhile is never half seen.
    const StoredMatch match = StoredMatch::read(settings());
    const Place place = chooseNextGame(match);
    std::optional<Location> at = locateGame(match);
    if (at)
        at = replaceMissingFile(std::move(*at), noGame);
    if (!at)
        return std::nullopt;
    // The place is kept as the game starts, so that a saver killed during it goes on after it.
    storePlace(place);
    return Game{at->path, readFileRange(at->path, at->begin, at->end)};
}

} // namespace pw2
