// The saver's start on a stored match: from reading the settings to the first painted board, and
// the resident memory at that moment. One process per measurement, so that each starts cold.
//
// Usage:
//   start_bench prepare FOLDER PGN   stores the match of every game of PGN, as the setup dialog's
//                                    OK does, in FOLDER/Pawnwatch2.ini and its table file
//   start_bench hand FOLDER PGN      names PGN in FOLDER/Pawnwatch2.ini as a user editing the
//                                    file would, with no table: the saver indexes PGN at its start
//   start_bench run FOLDER           starts the saver on that match (offscreen, 1920x1080) and
//                                    prints "<milliseconds> <peak resident kB> <milliseconds until
//                                    the first game is loaded>"
#include "pgn/game_spans.h"
#include "saver/saver_window.h"
#include "services/desktop.h"
#include "services/file_bytes.h"
#include "services/match_table.h"
#include "services/settings_store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {

long peakResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Notes the first paint of the board control.
class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->objectName() == QLatin1String("Vantrel"))
            painted = true;
        return false;
    }
};

int prepare(const QString& folder, const QString& pgn) {
    std::string text;
    QString reason;
    if (!pw2::readFileBytes(pgn, text, &reason)) {
        std::fprintf(stderr, "start_bench: %s: %s\n", qPrintable(pgn), qPrintable(reason));
        return 2;
    }
    const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
    pw2::SettingsStore store(folder + "/Pawnwatch2.ini");
    pw2::replaceMatchTable(store, pgn, spans, std::int32_t(spans.size()), 0);
    store.write("Timer", "3600");
    std::printf("%zu games\n", spans.size());
    return 0;
}

int handSet(const QString& folder, const QString& pgn) {
    pw2::SettingsStore store(folder + "/Pawnwatch2.ini");
    store.write("PGNFile", pgn);
    store.write("Timer", "3600");
    return 0;
}

int run(const QString& folder) {
    QElapsedTimer clock;
    clock.start();
    pw2::setSettingsStore(std::make_unique<pw2::SettingsStore>(folder + "/Pawnwatch2.ini"));
    FirstPaint firstPaint;
    qApp->installEventFilter(&firstPaint);
    std::unique_ptr<pw2::Saver> saver(
        pw2::Saver::create(pw2::ScreenMetrics{QSize(1920, 1080), 15.0, QPoint()}));
    if (!saver)
        return 2;
    saver->show();
    saver->startNextGame();
    while (!firstPaint.painted)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const qint64 ms = clock.elapsed();
    const long kb = peakResidentKb();
    // A file indexed in the background: its first game comes when the index is in.
    while (saver->gameNumber() == 0 && clock.elapsed() < 120000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    std::printf("%lld %ld %lld\n", static_cast<long long>(ms), kb,
                static_cast<long long>(clock.elapsed()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "prepare") == 0)
        return prepare(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 4 && std::strcmp(argv[1], "hand") == 0)
        return handSet(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "run") == 0)
        return run(QString::fromLocal8Bit(argv[2]));
    std::fputs("usage: start_bench prepare|hand FOLDER PGN | start_bench run FOLDER\n", stderr);
    return 2;
}
