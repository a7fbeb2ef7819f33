// Writes the seed inputs of the fuzz targets from PGN files, split where the program splits them:
//
//   fuzz_make_seeds OUTDIR FILE...
//
// OUTDIR/games gets one file per game (the engine's input is one game's text), OUTDIR/files runs
// of consecutive games of at most 16 KiB (the game spans and the editor take whole files) and
// OUTDIR/settings a few stored setting texts. Inputs longer than the fuzzers' 64 KiB are left out.
#include "pgn/game_spans.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kMaxInput = 64 * 1024;
constexpr std::size_t kRunBytes = 16 * 1024;

bool write(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: fuzz_make_seeds OUTDIR FILE...\n", stderr);
        return 2;
    }
    const std::filesystem::path out = argv[1];
    for (const char* folder : {"games", "files", "settings"})
        std::filesystem::create_directories(out / folder);

    std::size_t games = 0;
    std::size_t runs = 0;
    for (int a = 2; a < argc; ++a) {
        std::ifstream in(argv[a], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "fuzz_make_seeds: cannot read %s\n", argv[a]);
            return 1;
        }
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        const std::string stem = std::filesystem::path(argv[a]).stem().string();
        const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
        std::int64_t runBegin = spans.empty() ? 1 : spans.front().begin;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            const std::string_view game = pgn::gameText(text, spans[i]);
            const std::string name = stem + "-" + std::to_string(i + 1) + ".pgn";
            if (game.size() <= kMaxInput && !write(out / "games" / name, game))
                return 1;
            ++games;
            // A run ends after the game that takes it to kRunBytes, or at the last game.
            const pgn::GameSpan run{runBegin, spans[i].end};
            const std::string_view bytes = pgn::gameText(text, run);
            if (bytes.size() >= kRunBytes || i + 1 == spans.size()) {
                if (bytes.size() <= kMaxInput && !write(out / "files" / name, bytes))
                    return 1;
                ++runs;
                runBegin = spans[i].end;
            }
        }
    }

    const char* settings[] = {"5",        " 2.5 ",  "-1",         "1e3",        "1.5D+2",
                              "16777215", "&H00FF", " + 12 34 ",  "2147483647", "-2147483648",
                              "",         "0.0005", "9999999999", "1 e 9",      "\t-0.5\r\n"};
    std::size_t n = 0;
    for (const char* value : settings) {
        if (!write(out / "settings" / ("value-" + std::to_string(++n)), value))
            return 1;
    }
    std::printf("%zu games, %zu runs of games, %zu setting values\n", games, runs, n);
    return 0;
}
