// The setup dialog on a collection of 500,000 real games (bench/make_collection.sh plain: the
// classics repeated, about 260 MB):
//  - "...": until the list is filled, its first entry selected, and the list scrolled to its last
//    entry and painted, with the peak resident memory while listing, for the first listing and
//    for one made while the previous list is still held;
//  - the filter box, per keystroke: a player's name and a year typed letter by letter, and a word
//    matching nothing, each until the list is painted again;
//  - the match panel's OK: storing the table of every game, then replacing it by another one.
// Run a Release build: build-rel/bin/setup_bench [GAMES] (no display needed).
#include "services/settings_store.h"
#include "setup/frm_config.h"
#include "support/doubles.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A figure of /proc/self/status, in MB.
double statusMegabytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::string(field).size() + 1) / 1024.0;
    return 0;
}

// Starts a new peak of resident memory from what is resident now.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

template <class Control>
Control* control(const pw2::frmConfig& d, const char* name) {
    auto* found = d.findChild<Control*>(QLatin1String(name));
    if (!found) {
        std::fprintf(stderr, "no control named %s\n", name);
        std::exit(1);
    }
    return found;
}

double milliseconds(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

struct Listing {
    double ms = 0;
    double peakMB = 0;
    double beforeMB = 0;
};

// "..." until the list is filled and its last entry painted.
Listing listGames(pw2::frmConfig& d, int games) {
    QCoreApplication::processEvents();
    Listing result;
    result.beforeMB = statusMegabytes("VmRSS:");
    resetPeak();
    QElapsedTimer clock;
    clock.start();
    control<QPushButton>(d, "chooseFileButton")->click();
    control<QListView>(d, "matchList")->scrollToBottom();
    QCoreApplication::processEvents();
    result.ms = milliseconds(clock);
    result.peakMB = statusMegabytes("VmHWM:");
    if ((games >= 0 && d.listCount() != games) || d.listIndex() != 0) {
        std::fprintf(stderr, "the list holds %d games, not %d\n", d.listCount(), games);
        std::exit(1);
    }
    return result;
}

struct Typed {
    std::string what;
    std::vector<double> ms;
    std::vector<int> rows;
};

// Types text into the filter box letter by letter, each until the list is painted.
Typed type(pw2::frmConfig& d, const std::string& what, const QString& text) {
    auto* box = control<QLineEdit>(d, "matchFilterEdit");
    auto* list = control<QListView>(d, "matchList");
    box->clear();
    QCoreApplication::processEvents();
    Typed typed{what, {}, {}};
    for (qsizetype n = 1; n <= text.size(); ++n) {
        QElapsedTimer clock;
        clock.start();
        box->setText(text.left(n));
        list->viewport()->repaint();
        typed.ms.push_back(milliseconds(clock));
        typed.rows.push_back(list->model()->rowCount());
    }
    return typed;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int wanted = argc > 1 ? std::atoi(argv[1]) : 500'000;

    QTemporaryDir folder;
    const QString file = folder.filePath("games.pgn");
    const std::string make = std::string("'" PW2_SOURCE_DIR "/bench/make_collection.sh' plain ") +
                             std::to_string(wanted) + " '" + file.toStdString() + "'";
    if (std::system(make.c_str()) != 0)
        return 1;
    const double fileMB = double(QFile(file).size()) / 1e6;

    pw2::test::Sandbox box;
    pw2::test::ScriptedDialogsScope scripted;
    pw2::settings().write("PGNFile", file);
    pw2::frmConfig fresh;
    fresh.show();
    QCoreApplication::processEvents();
    const double startMB = statusMegabytes("VmRSS:");
    const Listing first = listGames(fresh, -1);
    const int games = fresh.listCount();
    control<QPushButton>(fresh, "matchCancelButton")->click();
    Listing again;
    std::vector<double> times{first.ms};
    for (int run = 0; run < 3; ++run) {
        again = listGames(fresh, games);
        times.push_back(again.ms);
        control<QPushButton>(fresh, "matchCancelButton")->click();
    }
    std::sort(times.begin(), times.end());
    control<QPushButton>(fresh, "chooseFileButton")->click();
    const double listedMB = statusMegabytes("VmRSS:");

    const std::vector<Typed> typed = {
        type(fresh, "a player's name", "capablanca"), type(fresh, "a year", "1927"),
        type(fresh, "two words", "tal 1960"), type(fresh, "a word matching nothing", "zqxw")};
    control<QLineEdit>(fresh, "matchFilterEdit")->clear();

    QElapsedTimer clock;
    clock.start();
    control<QPushButton>(fresh, "matchOkButton")->click();
    const double storeMs = milliseconds(clock);
    control<QPushButton>(fresh, "chooseFileButton")->click();
    clock.start();
    control<QPushButton>(fresh, "matchOkButton")->click();
    const double replaceMs = milliseconds(clock);
    if (pw2::settings().count(pw2::setting::NumOfGames) != games)
        std::fprintf(stderr, "the table was not stored\n");

    std::printf("setup_bench: %d games, %.0f MB file (make_collection.sh plain)\n\n", games,
                fileMB);
    std::printf("| what | figure |\n|---|---|\n");
    std::printf("| listing (\"...\" until the last entry is painted), best / median / worst of %zu "
                "| %.0f / %.0f / %.0f ms |\n",
                times.size(), times.front(), times[times.size() / 2], times.back());
    std::printf("| resident memory: dialog open / peak while listing first / list held | %.0f / "
                "%.0f / %.0f MB |\n",
                startMB, first.peakMB, listedMB);
    std::printf(
        "| peak while listing again, the previous list kept (in a file) for Cancel | %.0f MB |\n",
        again.peakMB);
    for (const Typed& t : typed) {
        std::string keys;
        for (std::size_t i = 0; i < t.ms.size(); ++i) {
            char one[64];
            std::snprintf(one, sizeof one, "%s%.1f (%d)", i ? ", " : "", t.ms[i], t.rows[i]);
            keys += one;
        }
        std::printf("| filter, %s: ms per keystroke (rows shown) | %s |\n", t.what.c_str(),
                    keys.c_str());
    }
    std::printf("| OK: storing the table / replacing it | %.0f / %.0f ms |\n", storeMs, replaceMs);
    return 0;
}
