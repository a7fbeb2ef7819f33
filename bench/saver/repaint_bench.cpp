// The pixels the saver repaints per move: the saver window runs in this process on the offscreen
// platform at a screen size, plays the bundled games half-move by half-move, and every paint event
// its window and controls receive is collected, mapped to the window's coordinates and united per
// move. Reported per size: the mean and largest repainted area of a move (each tick of the move
// timer: a half-move, or the result at a game's end), for the whole window and for the board
// control alone, in pixels and as a share of the screen; the same for the start of each new game,
// and how far the board moved from one game start to the next. With "Animate moves" on (the
// default) each half-move glides: the board's glide clock is then stepped by the bench, one frame
// interval of the control at a time, and the area each glide frame repaints is reported apart
// from the move's own repaint (the move list, the current move, the tint, the emptied origin).
//
// With --shots FOLDER it writes pictures instead: five frames of one glide of the saver at
// 1920x1080 (the sixth half-move of the bundled games), FOLDER/glide-1.png to glide-5.png.
//
// Usage: repaint_bench [--moves N] [--fill 0|1] [WxH ...] | repaint_bench --shots FOLDER
//   WxH        screen sizes (default 3840x2160 1920x1080 1024x768)
//   --moves N  half-moves played per size (default 200)
//   --fill     stores FillScreen=0 or 1 (by default the setting is left out)
#include "saver/saver_window.h"
#include "support/doubles.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QPointer>
#include <QRegion>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Collects the paint events of a window and its children in the window's coordinates.
class PaintRecorder : public QObject {
public:
    PaintRecorder(QWidget* window, QWidget* board) : window_(window), board_(board) {
        qApp->installEventFilter(this);
    }
    ~PaintRecorder() override { qApp->removeEventFilter(this); }
    PaintRecorder(const PaintRecorder&) = delete;
    PaintRecorder& operator=(const PaintRecorder&) = delete;

    // The regions painted since the last take, and the count of paint events so far.
    QRegion takeWindow() { return std::exchange(windowPainted_, QRegion()); }
    QRegion takeBoard() { return std::exchange(boardPainted_, QRegion()); }
    long events() const { return events_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (widget != window_ && !window_->isAncestorOf(widget))
            return false;
        const QRegion painted = static_cast<QPaintEvent*>(event)->region().translated(
            widget->mapTo(window_, QPoint(0, 0)));
        windowPainted_ += painted;
        if (board_ && (widget == board_ || board_->isAncestorOf(widget)))
            boardPainted_ += painted;
        ++events_;
        return false;
    }

private:
    QWidget* window_;
    QWidget* board_;
    QRegion windowPainted_;
    QRegion boardPainted_;
    long events_ = 0;
};

// QRegion's rectangles do not overlap.
long long pixelsOf(const QRegion& region) {
    long long n = 0;
    for (const QRect& r : region)
        n += static_cast<long long>(r.width()) * r.height();
    return n;
}

// Runs the event loop until no paint event has come for quietMs milliseconds.
void settle(const PaintRecorder& recorder, int quietMs) {
    QElapsedTimer quiet;
    quiet.start();
    long seen = recorder.events();
    while (quiet.elapsed() < quietMs) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (recorder.events() != seen) {
            seen = recorder.events();
            quiet.restart();
        }
    }
}

struct Series {
    std::vector<long long> window, board;
    void add(long long w, long long b) {
        window.push_back(w);
        board.push_back(b);
    }
};

void printRow(const char* name, const std::vector<long long>& values, double screenPixels) {
    if (values.empty()) {
        std::printf("  %-22s %12s\n", name, "-");
        return;
    }
    long long sum = 0;
    for (long long v : values)
        sum += v;
    const double mean = double(sum) / double(values.size());
    const long long max = *std::max_element(values.begin(), values.end());
    std::printf("  %-22s %12.0f %12lld %9.3f %9.3f\n", name, mean, max, 100 * mean / screenPixels,
                100 * double(max) / screenPixels);
}

bool copyBundledGames(const QString& to) {
    QFile::remove(to);
    return QFile::copy(QStringLiteral(PW2_SOURCE_DIR "/data/default.pgn"), to);
}

// The board's place in the window at each game start: the layout may drift from game to game.
struct Drift {
    std::optional<QPoint> last;
    int maxX = 0, maxY = 0;
    void add(QPoint at) {
        if (last) {
            maxX = std::max(maxX, std::abs(at.x() - last->x()));
            maxY = std::max(maxY, std::abs(at.y() - last->y()));
        }
        last = at;
    }
};

void printTable(QSize size, const std::optional<int>& fill, const Series& moves,
                const Series& glideFrames, const Series& gameStarts, const Drift& drift) {
    const double screenPixels = double(size.width()) * size.height();
    std::printf("%dx%d: %zu moves, %zu game starts%s\n", size.width(), size.height(),
                moves.window.size(), gameStarts.window.size(),
                fill ? (*fill ? ", FillScreen=1" : ", FillScreen=0") : "");
    std::printf("  %-22s %12s %12s %9s %9s\n", "repainted per", "mean px", "max px", "mean %",
                "max %");
    printRow("move: window", moves.window, screenPixels);
    printRow("move: board", moves.board, screenPixels);
    printRow("glide frame: window", glideFrames.window, screenPixels);
    printRow("glide frame: board", glideFrames.board, screenPixels);
    if (!moves.window.empty())
        std::printf("  %.1f glide frames that repaint, per move\n",
                    double(glideFrames.window.size()) / double(moves.window.size()));
    printRow("game start: window", gameStarts.window, screenPixels);
    printRow("game start: board", gameStarts.board, screenPixels);
    std::printf("  board moved between games by at most %d px across (%.2f %% of the width), %d px "
                "down (%.2f %% of the height)\n",
                drift.maxX, 100.0 * drift.maxX / size.width(), drift.maxY,
                100.0 * drift.maxY / size.height());
}

// Plays the moves on a shown saver and prints the table; false when the saver closed for want of
// a game.
bool playAndMeasure(QPointer<pw2::Saver>& saver, QSize size, int moves,
                    const std::optional<int>& fill, int quietMs) {
    auto* board = saver->findChild<QWidget*>(QStringLiteral("Vantrel"));
    if (!board)
        std::fprintf(stderr, "repaint_bench: no board control named Vantrel; its rows stay 0\n");
    PaintRecorder recorder(saver.data(), board);
    // The first paint, of the whole window, comes once the platform has exposed it.
    QElapsedTimer shown;
    shown.start();
    while (recorder.events() == 0 && shown.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    settle(recorder, quietMs);
    recorder.takeWindow();
    recorder.takeBoard();
    if (saver->size() != size)
        std::fprintf(stderr, "repaint_bench: the window is %dx%d, not %dx%d\n", saver->width(),
                     saver->height(), size.width(), size.height());

    Series played, glideFrames, gameStarts;
    // The glide's frames are drawn when the bench steps the board's clock.
    qint64 clock = 0;
    int frameInterval = 16;
    if (board) {
        QMetaObject::invokeMethod(board, "setGlideClock", Q_ARG(qint64, clock));
        QMetaObject::invokeMethod(board, "glideFrameInterval", Q_RETURN_ARG(int, frameInterval));
    }
    Drift drift;
    auto boardAt = [&] { return board ? board->mapTo(saver.data(), QPoint(0, 0)) : QPoint(); };
    auto record = [&](Series& series) {
        settle(recorder, quietMs);
        series.add(pixelsOf(recorder.takeWindow()), pixelsOf(recorder.takeBoard()));
        return !saver.isNull() && saver->isVisible();
    };
    const auto playGlide = [&] {
        while (board && !saver.isNull() && saver->board().gliding()) {
            clock += frameInterval;
            QMetaObject::invokeMethod(board, "setGlideClock", Q_ARG(qint64, clock));
            // A frame where no piece moved a pixel draws nothing and is not counted.
            settle(recorder, quietMs);
            const long long window = pixelsOf(recorder.takeWindow());
            if (window > 0)
                glideFrames.add(window, pixelsOf(recorder.takeBoard()));
            else
                recorder.takeBoard();
            if (saver.isNull() || !saver->isVisible())
                return false;
        }
        // The next glide starts from a later time, given to the board before it begins.
        clock += 1000;
        if (board)
            QMetaObject::invokeMethod(board, "setGlideClock", Q_ARG(qint64, clock));
        return true;
    };
    saver->startNextGame();
    if (!record(gameStarts))
        return false;
    drift.add(boardAt());
    for (int i = 0; i < moves; ++i) {
        // A tick at the end of a game shows its result; the game timer would then start the next.
        const bool showsResult = saver->player().atEnd();
        saver->playNextHalfMove();
        if (!record(played) || !playGlide())
            return false;
        if (showsResult) {
            saver->startNextGame();
            if (!record(gameStarts))
                return false;
            drift.add(boardAt());
        }
    }
    printTable(size, fill, played, glideFrames, gameStarts, drift);
    return true;
}

int measure(QSize size, int moves, const std::optional<int>& fill, int quietMs) {
    pw2::test::Sandbox box;
    if (!copyBundledGames(box.path("default.pgn"))) {
        std::fprintf(stderr, "repaint_bench: cannot copy %s\n", PW2_SOURCE_DIR "/data/default.pgn");
        return 1;
    }
    auto& s = pw2::settings();
    // The timers never fire during the run: the bench plays every move itself.
    s.write("Timer", "3600");
    s.write("Timer2", "3600");
    if (fill)
        s.write("FillScreen", QString::number(*fill));

    // Without a game to play the saver closes and deletes itself later, hence the QPointer.
    QPointer<pw2::Saver> saver(pw2::Saver::create(pw2::ScreenMetrics{size, 15.0, QPoint()}));
    if (!saver) {
        std::fprintf(stderr, "repaint_bench: the saver could not be created:");
        for (const QString& text : box.messageTexts())
            std::fprintf(stderr, " %s", qPrintable(text));
        std::fprintf(stderr, "\n");
        return 1;
    }
    // Shown at the screen's size; the offscreen platform's own screen is smaller, and a full
    // screen window would take that one's size.
    saver->show();
    const bool played = playAndMeasure(saver, size, moves, fill, quietMs);
    delete saver.data();
    if (!played) {
        std::fprintf(stderr, "repaint_bench: the saver closed: no game to play\n");
        return 1;
    }
    return 0;
}

int writeShots(const QString& folder) {
    pw2::test::Sandbox box;
    if (!copyBundledGames(box.path("default.pgn")) || !QDir().mkpath(folder))
        return 1;
    pw2::settings().write("Timer", "3600");
    std::unique_ptr<pw2::Saver> saver(
        pw2::Saver::create(pw2::ScreenMetrics{QSize(1920, 1080), 15.0, QPoint()}));
    if (!saver)
        return 1;
    saver->show();
    auto* board = saver->findChild<QWidget*>(QStringLiteral("Vantrel"));
    if (!board)
        return 1;
    QMetaObject::invokeMethod(board, "setGlideClock", Q_ARG(qint64, 0));
    saver->startNextGame();
    for (int i = 0; i < 6; ++i)
        saver->playNextHalfMove();
    for (int frame = 0; frame < 5; ++frame) {
        QMetaObject::invokeMethod(board, "setGlideClock", Q_ARG(qint64, frame * 60));
        const QString name = QStringLiteral("%1/glide-%2.png").arg(folder).arg(frame + 1);
        if (!saver->grab().save(name))
            return 1;
        std::printf("%s at %d ms\n", qPrintable(name), frame * 60);
    }
    return 0;
}

std::optional<QSize> parseSize(const std::string& text) {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || x != 'x' || w <= 0 ||
        h <= 0 || w > 16384 || h > 16384)
        return std::nullopt;
    return QSize(w, h);
}

int usage() {
    std::fprintf(stderr, "usage: repaint_bench [--moves N] [--fill 0|1] [WxH ...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int moves = 200;
    std::optional<int> fill;
    std::vector<QSize> sizes;
    const QStringList args = QApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--shots"))
        return writeShots(args[2]);
    for (qsizetype i = 1; i < args.size(); ++i) {
        const std::string arg = args[i].toStdString();
        if ((arg == "--moves" || arg == "--fill") && i + 1 < args.size()) {
            bool ok = false;
            const int value = args[++i].toInt(&ok);
            if (arg == "--moves" && ok && value > 0)
                moves = value;
            else if (arg == "--fill" && ok && (value == 0 || value == 1))
                fill = value;
            else
                return usage();
        } else if (const auto size = parseSize(arg)) {
            sizes.push_back(*size);
        } else {
            return usage();
        }
    }
    if (sizes.empty())
        sizes = {QSize(3840, 2160), QSize(1920, 1080), QSize(1024, 768)};
    for (const QSize& size : sizes)
        if (const int status = measure(size, moves, fill, 20); status != 0)
            return status;
    return 0;
}
