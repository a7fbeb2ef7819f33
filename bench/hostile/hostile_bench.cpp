// What a hostile file costs on the whole path a file takes through the saver's engine, per MB and
// side by side with real games: the game spans, then for each game CleanGameText and FillMoveList
// ("parse"), and the same with the game replayed on the position model as the saver plays it
// ("play").
//
//   bench_hostile [benchmark flags]       PW2_HOSTILE_BYTES=N sets the size (default 1 MiB)
//
// The shapes, each built in memory at about the size asked for:
//   spaces       "1." then one run of spaces, then "e4 e5 1-0"
//   continuation " 1... a1  2... a2  3... a3 ..."
//   parentheses  "1. " then groups of 100,000 nested parentheses around a move
//   tiny games   "[Event "x"]\n1. e4 *\n" over and over (100,000 games for 1 MiB)
//   real games   the games of bench/data (as bench/check_speed.sh replays them), repeated
//   plain games  the famous games of bench/data and data/default.pgn, with few comments
// After the usual table it prints each shape's CPU time per MB and its ratios to real and to plain
// games; the target is at most 3.
#include "../support/read_file.h"
#include "fuzz/replay.h"
#include "pgn/engine.h"
#include "pgn/game_spans.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view kTag = "[Event \"x\"]\n";
constexpr std::size_t kNesting = 100'000;

std::size_t targetBytes() {
    const char* value = std::getenv("PW2_HOSTILE_BYTES");
    const long long n = value ? std::atoll(value) : 0;
    return n > 0 ? static_cast<std::size_t>(n) : std::size_t{1} << 20;
}

std::string spaces(std::size_t bytes) {
    std::string text(kTag);
    text += "1.";
    text.append(bytes > text.size() + 9 ? bytes - text.size() - 9 : 1, ' ');
    text += "e4 e5 1-0";
    return text;
}

std::string continuation(std::size_t bytes) {
    std::string text(kTag);
    for (long n = 1; text.size() < bytes; ++n) {
        text += ' ';
        text += std::to_string(n);
        text += "... a";
        text += static_cast<char>('1' + (n - 1) % 8);
        text += ' ';
    }
    return text;
}

std::string parentheses(std::size_t bytes) {
    std::string text(kTag);
    text += "1. ";
    do {
        text.append(kNesting, '(');
        text += "e4";
        text.append(kNesting, ')');
        text += ' ';
    } while (text.size() + 2 * kNesting < bytes);
    text += "e4 e5 1-0";
    return text;
}

std::string tinyGames(std::size_t bytes) {
    constexpr std::string_view kGame = "[Event \"x\"]\n1. e4 *\n";
    const std::size_t games = std::max<std::size_t>(1, bytes * 100'000 / (std::size_t{1} << 20));
    std::string text;
    text.reserve(games * kGame.size());
    for (std::size_t i = 0; i < games; ++i)
        text += kGame;
    return text;
}

// Whole games of the files, taken in turn from the first again until the size is reached.
std::string gamesOf(std::initializer_list<const char*> files, std::size_t bytes) {
    std::string games;
    for (const char* file : files) {
        games += readFileOrAbort((std::string(PW2_SOURCE_DIR) + file).c_str());
        if (!games.ends_with('\n'))
            games += '\n';
    }
    const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(games);
    std::string text;
    for (std::size_t i = 0; text.size() < bytes; i = (i + 1) % spans.size()) {
        text += pgn::gameText(games, spans[i]);
        text += '\n';
    }
    return text;
}

// The games bench/check_speed.sh replays: engine games with a comment after every move, and
// famous games.
std::string realGames(std::size_t bytes) {
    return gamesOf({"/bench/data/classics.pgn", "/bench/data/engine-games.pgn"}, bytes);
}

// Games with few comments, so more moves per MB.
std::string plainGames(std::size_t bytes) {
    return gamesOf({"/bench/data/classics.pgn", "/data/default.pgn"}, bytes);
}

struct Shape {
    const char* name;
    std::string (*make)(std::size_t);
};

constexpr Shape kShapes[] = {{"real games", realGames},    {"plain games", plainGames},
                             {"spaces", spaces},           {"continuation", continuation},
                             {"parentheses", parentheses}, {"tiny games", tinyGames}};

void runPath(benchmark::State& state, const std::string& text, bool play) {
    pw2::fuzz::Replayer replayer;
    std::vector<std::string> list;
    std::string gameResult;
    std::size_t games = 0;
    std::size_t entries = 0;
    for (auto _ : state) {
        const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
        entries = 0;
        for (const pgn::GameSpan& span : spans) {
            const std::string_view game = pgn::gameText(text, span);
            if (play) {
                replayer.play(game);
                entries += replayer.list().size();
            } else {
                const std::string cleaned = pgn::CleanGameText(game, replayer.host);
                pgn::FillMoveList(cleaned, list, gameResult);
                entries += list.size();
            }
        }
        games = spans.size();
        benchmark::DoNotOptimize(entries);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["games"] = static_cast<double>(games);
    state.counters["entries"] = static_cast<double>(entries);
}

// The console table, then CPU time per MB of each shape and its ratio to real games.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // With --benchmark_repetitions the median is reported last and counts.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median))
                continue;
            const auto mb = run.counters.find("MB");
            if (mb == run.counters.end() || mb->second.value <= 0)
                continue;
            // The adjusted time is per iteration, in the run's time unit.
            const double ms =
                run.GetAdjustedCPUTime() * 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            msPerMB_[run.run_name.function_name] = ms / mb->second.value;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-13s %25s %19s %19s\n", "", "CPU ms per MB", "to real games",
                    "to plain games");
        std::printf("%-13s %12s %12s %9s %9s %9s %9s\n", "shape", "parse", "play", "parse", "play",
                    "parse", "play");
        for (const Shape& shape : kShapes) {
            const double parse = at(shape.name, "/parse");
            const double play = at(shape.name, "/play");
            std::printf("%-13s %12s %12s %9s %9s %9s %9s\n", shape.name, number(parse).c_str(),
                        number(play).c_str(), ratio(parse, at("real games", "/parse")).c_str(),
                        ratio(play, at("real games", "/play")).c_str(),
                        ratio(parse, at("plain games", "/parse")).c_str(),
                        ratio(play, at("plain games", "/play")).c_str());
        }
        std::fflush(stdout);
    }

private:
    // Milliseconds per MB of a shape in a mode; 0 when it did not run.
    double at(const std::string& shape, const char* mode) const {
        const auto it = msPerMB_.find("hostile/" + shape + mode);
        return it == msPerMB_.end() ? 0 : it->second;
    }
    static std::string number(double ms) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", ms);
        return ms > 0 ? text : "-";
    }
    static std::string ratio(double ms, double base) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2fx", ms / base);
        return ms > 0 && base > 0 ? text : "-";
    }

    std::map<std::string, double> msPerMB_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::size_t bytes = targetBytes();
    static std::vector<std::string> texts;
    texts.reserve(std::size(kShapes));
    for (const Shape& shape : kShapes) {
        texts.push_back(shape.make(bytes));
        const std::string& text = texts.back();
        for (const bool play : {false, true}) {
            const std::string name =
                std::string("hostile/") + shape.name + (play ? "/play" : "/parse");
            benchmark::RegisterBenchmark(name.c_str(), [&text, play](benchmark::State& state) {
                runPath(state, text, play);
            })->Unit(benchmark::kMillisecond);
        }
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
