// The fair shuffle's figures on a match of 500,000 games (or GAMES): the time of one next-game
// step of the keyed permutation, over a whole shuffle; its memory, the same whatever the number of
// games; a check that the whole shuffle shows each game once; and the game scheduler's whole
// start in random order (the stored place read, the shuffle's next game, the place stored, the
// game's text read) on a stored match of that many games.
//
//   bench_shuffle [GAMES]
#include "pgn/game_spans.h"
#include "playback/game_scheduler.h"
#include "playback/shuffle.h"
#include "services/match_table.h"
#include "services/settings_store.h"
#include "support/doubles.h"

#include <QApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double nanosecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

// Peak resident memory of this process, in kB (VmHWM).
long peakKilobytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const long asked = argc > 1 ? std::atol(argv[1]) : 500'000;
    const std::uint64_t games = std::uint64_t(asked > 0 ? asked : 500'000);
    const std::uint64_t key = pw2::makeShuffleKey(0.6180339887, games);

    // A whole shuffle, step by step, as the scheduler takes it: each step builds the
    // permutation from the stored key and takes one game. Best of five.
    double best = 1e300;
    bool eachOnce = true;
    std::uint64_t sum = 0;
    for (int run = 0; run < 5; ++run) {
        std::vector<bool> seen(games, false);
        const Clock::time_point start = Clock::now();
        for (std::uint64_t step = 0; step < games; ++step) {
            const std::uint64_t game = pw2::shuffledGame(key, games, step);
            sum += game;
            if (game < 1 || game > games || seen[game - 1])
                eachOnce = false;
            else
                seen[game - 1] = true;
        }
        best = std::min(best, nanosecondsSince(start) / double(games));
    }
    // The permutation alone, built once (the table lookup a step saves nothing on).
    const pw2::KeyedPermutation permutation(games, key);
    const Clock::time_point start = Clock::now();
    for (std::uint64_t step = 0; step < games; ++step)
        sum += permutation.at(step);
    const double alone = nanosecondsSince(start) / double(games);
    std::uint64_t domain = 1;
    while (domain < games)
        domain *= 2;

    std::printf("fair shuffle of %llu games (Feistel network on %llu values, cycle walking)\n",
                static_cast<unsigned long long>(games), static_cast<unsigned long long>(domain));
    std::printf("  next-game step from the stored key: %.1f ns (best of 5 whole shuffles); "
                "permutation built once: %.1f ns\n",
                best, alone);
    std::printf("  memory: %zu bytes of permutation for any number of games, no allocation; "
                "stored: ShuffleKey and ShuffleStep\n",
                sizeof(pw2::KeyedPermutation));
    std::printf("  a whole shuffle shows each game exactly once: %s\n", eachOnce ? "yes" : "NO");

    // The scheduler's start on a stored match of that many games.
    pw2::test::Sandbox box;
    std::string text;
    for (std::uint64_t k = 1; k <= games; ++k)
        text += "[Event \"Game " + std::to_string(k) + "\"]\n\n1. e4 e5 *\n\n";
    {
        QFile f(box.path("games.pgn"));
        if (!f.open(QIODevice::WriteOnly))
            return 2;
        f.write(text.data(), qint64(text.size()));
    }
    const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
    pw2::replaceMatchTable(pw2::settings(), box.path("games.pgn"), spans,
                           std::int32_t(spans.size()), 0);
    pw2::settings().write("Random", "1");
    const long beforeStarts = peakKilobytes();
    constexpr int kStarts = 2000;
    const Clock::time_point starts = Clock::now();
    for (int i = 0; i < kStarts; ++i) {
        pw2::GameScheduler scheduler; // a fresh start each time, as a new saver process makes
        scheduler.startAtFirstGame();
        pw2::GameScheduler::NoGame noGame;
        if (!scheduler.nextGame(noGame))
            return 3;
    }
    std::printf("  the scheduler's start in random order on the stored match (%.1f MB file): "
                "%.3f ms per start over %d starts; VmHWM %ld kB before, %ld kB after\n",
                double(text.size()) / 1e6, nanosecondsSince(starts) / 1e6 / kStarts, kStarts,
                beforeStarts, peakKilobytes());
    return sum == 0 ? 4 : (eachOnce ? 0 : 1);
}
