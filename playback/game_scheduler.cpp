#include "playback/game_scheduler.h"

#include "pgn/game_spans.h"
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

} // namespace

GameScheduler::GameScheduler() {
    std::mt19937_64 engine{std::random_device{}()};
    random_ = [engine]() mutable { return std::uniform_real_distribution<double>(0, 1)(engine); };
}

void GameScheduler::startAtFirstGame() {
    gameNumber_ = std::int32_t(std::clamp<std::int64_t>(
        roundToInt64(settings().number(setting::FirstGame) - 1), 0, INT32_MAX - 1));
}

void GameScheduler::chooseNextGame(const StoredMatch& match) {
    const SettingsStore& s = settings();
    const std::int64_t numOfGames = match.count();
    if (gameNumber_ < INT32_MAX)
        ++gameNumber_;
    if (gameNumber_ > numOfGames)
        gameNumber_ = 1;
    if (s.number(setting::Random) != 0) {
        const double n = double(std::max<std::int64_t>(numOfGames, 0));
        gameNumber_ = std::int32_t(std::min(std::floor(random_() * n) + 1, double(INT32_MAX)));
        if (gameNumber_ < 1)
            gameNumber_ = 1;
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
    chooseNextGame(match);
    std::optional<Location> at = locateGame(match);
    if (at)
        at = replaceMissingFile(std::move(*at), noGame);
    if (!at)
        return std::nullopt;
    return Game{at->path, readFileRange(at->path, at->begin, at->end)};
}

} // namespace pw2
