// The game scheduler's cost for one game of a small file and of a 200 MB file: loading a game
// reads only that game's bytes, so the two should cost about the same.
#include "../support/read_file.h"
#include "saver/saver_window.h"
#include "support/doubles.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

// Writes a file of the bundled games repeated to at least minBytes, and stores a one-game match
// over the game that starts nearest the middle of it.
void prepareMatch(pw2::test::Sandbox& box, const QString& name, std::size_t minBytes) {
    const std::string games = readFileOrAbort(PW2_SOURCE_DIR "/data/default.pgn");
    QFile f(box.path(name));
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    std::size_t written = 0;
    std::size_t copies = 0;
    do {
        f.write(games.data(), qint64(games.size()));
        written += games.size();
        ++copies;
    } while (written < minBytes);
    f.close();
    // The first game of the middle copy; each copy starts with an "[Event " tag.
    const std::int64_t begin = std::int64_t((copies / 2) * games.size()) + 1;
    const std::int64_t end = begin + std::int64_t(games.find("[Event ", 1)) - 1;
    auto& s = pw2::settings();
    s.write("PGNFile", box.path(name));
    s.write("MatchBegin1", QString::number(begin));
    s.write("MatchEnd1", QString::number(end));
    s.write("NumOfGames", "1");
    s.write("Timer", "0");
}

void runScheduler(benchmark::State& state, std::size_t fileBytes) {
    pw2::test::Sandbox box;
    prepareMatch(box, "games.pgn", fileBytes);
    std::unique_ptr<pw2::Saver> saver(pw2::Saver::create({QSize(800, 600), 15, QPoint()}));
    if (!saver) {
        state.SkipWithError("board control missing");
        return;
    }
    for (auto _ : state)
        saver->startNextGame();
    if (saver->player().moveList().empty())
        state.SkipWithError("no game was loaded");
    state.counters["file_MB"] = double(QFile(box.path("games.pgn")).size()) / 1e6;
}

void BM_SchedulerSmallFile(benchmark::State& state) {
    runScheduler(state, 20'000);
}
void BM_SchedulerLargeFile(benchmark::State& state) {
    runScheduler(state, 200'000'000);
}
BENCHMARK(BM_SchedulerSmallFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SchedulerLargeFile)->Unit(benchmark::kMicrosecond);

} // namespace
