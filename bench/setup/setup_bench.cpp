// The setup dialog on a file of 100,000 real games (the bundled games, each copy followed by one
// engine game with a comment after every move; about 93 MB):
//  - "..." and PGN Import...: until the list is filled, its first entry selected, and the list
//    scrolled to its last entry and painted;
//  - the match panel's OK: replacing a stored table of 100,000 games by another one, on disk.
// Run a Release build: build/bench/setup/setup_bench (no display needed).
#include "../support/read_file.h"
#include "services/settings_store.h"
#include "setup/frm_config.h"
#include "support/doubles.h"
#include "support/scripted_dialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QListView>
#include <QPushButton>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

constexpr int kGames = 100'000;

// Writes kGames real games to name and returns its path and size in MB.
QString writeGames(pw2::test::Sandbox& box, const QString& name, double& megabytes) {
    const std::string bundled = readFileOrAbort(PW2_SOURCE_DIR "/data/default.pgn");
    const std::string engine = readFileOrAbort(PW2_SOURCE_DIR "/bench/data/engine-games.pgn");
    const std::vector<pgn::GameSpan> bundledSpans = pgn::findGameSpans(bundled);
    const std::vector<pgn::GameSpan> engineSpans = pgn::findGameSpans(engine);
    QFile f(box.path(name));
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    auto put = [&f](std::string_view text) {
        f.write(text.data(), qint64(text.size()));
        f.write("\n", 1);
    };
    int games = 0;
    for (std::size_t e = 0; games < kGames; ++e) {
        for (std::size_t i = 0; i < bundledSpans.size() && games < kGames; ++i, ++games)
            put(pgn::gameText(bundled, bundledSpans[i]));
        if (games < kGames) {
            put(pgn::gameText(engine, engineSpans[e % engineSpans.size()]));
            ++games;
        }
    }
    megabytes = double(f.size()) / 1e6;
    return f.fileName();
}

// A control of the dialog by its objectName.
template <class Control>
Control* control(const pw2::frmConfig& d, const char* name) {
    auto* found = d.findChild<Control*>(QLatin1String(name));
    if (!found)
        std::abort();
    return found;
}

void click(const pw2::frmConfig& d, const char* button) {
    control<QPushButton>(d, button)->click();
}

// The list is filled when its last entry can be scrolled to and painted.
void showLastEntry(pw2::frmConfig& d, benchmark::State& state) {
    control<QListView>(d, "matchList")->scrollToBottom();
    QCoreApplication::processEvents();
    if (d.listCount() != kGames || d.listIndex() != 0)
        state.SkipWithError("the list does not hold every game");
}

struct Fixture {
    Fixture() {
        file = writeGames(box, "games.pgn", megabytes);
        pw2::settings().write("PGNFile", file);
        dialog = std::make_unique<pw2::frmConfig>();
        dialog->show();
        QCoreApplication::processEvents();
    }
    pw2::test::Sandbox box;
    pw2::test::ScriptedDialogsScope scripted;
    QString file;
    double megabytes = 0;
    std::unique_ptr<pw2::frmConfig> dialog;
};

void BM_ListGamesByChange(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        click(*f.dialog, "chooseFileButton");
        showLastEntry(*f.dialog, state);
        state.PauseTiming();
        click(*f.dialog, "matchCancelButton");
        state.ResumeTiming();
    }
    state.counters["games"] = kGames;
    state.counters["file_MB"] = f.megabytes;
}

void BM_ListGamesByImport(benchmark::State& state) {
    Fixture f;
    click(*f.dialog, "chooseFileButton");
    for (auto _ : state) {
        f.scripted.dialogs->files.push_back(f.file);
        click(*f.dialog, "importButton");
        showLastEntry(*f.dialog, state);
    }
    state.counters["games"] = kGames;
    state.counters["file_MB"] = f.megabytes;
}

void BM_StoreMatchTable(benchmark::State& state) {
    Fixture f;
    click(*f.dialog, "chooseFileButton");
    click(*f.dialog, "matchOkButton"); // a stored table of kGames games, which each run replaces
    for (auto _ : state) {
        state.PauseTiming();
        click(*f.dialog, "chooseFileButton");
        state.ResumeTiming();
        click(*f.dialog, "matchOkButton");
    }
    if (pw2::settings().count(pw2::setting::NumOfGames) != kGames)
        state.SkipWithError("the table was not stored");
    state.counters["games"] = kGames;
    state.counters["settings_MB"] = double(QFile(f.box.path("settings.ini")).size()) / 1e6;
}

BENCHMARK(BM_ListGamesByChange)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ListGamesByImport)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StoreMatchTable)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
