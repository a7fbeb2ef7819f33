// The cost of gliding moves: the board control grown as the saver grows it on a screen of each
// size (the board 57 % of the height), a cycle of moves played at once and then as 250 ms glides
// on the control's own clock. Prints, per size: the CPU time per move either way and what it
// comes to at 2 s between moves, the frames per glide, the pixels each frame repaints (mean and
// largest), and the process's peak resident memory.
//
// With --shots FOLDER it writes pictures instead: the frames of two glides (castling, and a
// knight taking a pawn), the four board themes and the two piece sets.
//
// Usage: glide_bench [--moves N] [WxH ...] | glide_bench --shots FOLDER
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise (xcb on Xvfb, for one).
#include "boardhost/control_loader.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

using namespace vantrelkit;

namespace {

struct Write {
    std::int16_t fromCol, fromRow, toCol, toRow; // a move; toCol 0 for a Piece write
    std::int32_t value = none;
};

class Control {
public:
    explicit Control(QWidget* parent) {
        QString error;
        control_ = pw2::createControl(kProgId, parent, nullptr, &error);
        if (!control_) {
            std::fprintf(stderr, "glide_bench: %s\n", qPrintable(error));
            std::exit(2);
        }
    }
    ~Control() { control_->release(); }
    QWidget* widget() const { return control_->window(); }

    void call(std::int32_t dispid, InvokeKind kind, std::initializer_list<Variant> args,
              Variant* result = nullptr) {
        ExcepInfo excep;
        const int rc = control_->invoke(dispid, kind, args.begin(), static_cast<int>(args.size()),
                                        result, &excep);
        if (rc != 0) {
            std::fprintf(stderr, "glide_bench: member %x failed: %s\n", dispid,
                         excep.description ? excep.description : "");
            std::exit(2);
        }
    }
    void method(std::int32_t dispid) { call(dispid, InvokeKind::Method, {}); }
    void put(std::int32_t dispid, Variant value) { call(dispid, InvokeKind::PropertyPut, {value}); }
    void write(const Write& w) {
        if (w.toCol == 0)
            call(
                dispid::Piece, InvokeKind::PropertyPut,
                {Variant::fromI2(w.fromCol), Variant::fromI2(w.fromRow), Variant::fromI4(w.value)});
        else
            call(dispid::MovePiece, InvokeKind::Method,
                 {Variant::fromI2(w.fromCol), Variant::fromI2(w.fromRow), Variant::fromI2(w.toCol),
                  Variant::fromI2(w.toRow)});
    }
    void highlight(const Write& w) {
        call(dispid::HighlightSquares, InvokeKind::Method,
             {Variant::fromI2(w.fromCol), Variant::fromI2(w.fromRow), Variant::fromI2(w.toCol),
              Variant::fromI2(w.toRow)});
    }
    bool gliding() {
        Variant result;
        call(dispid::Gliding, InvokeKind::PropertyGet, {}, &result);
        return result.boolVal != VFalse;
    }

private:
    IControl* control_ = nullptr;
};

// Counts the paint events of one widget and the pixels of each.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* target) : target_(target) { target->installEventFilter(this); }
    std::vector<qint64> frames; // pixels per paint event

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == target_ && event->type() == QEvent::Paint) {
            qint64 area = 0;
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                area += qint64(r.width()) * r.height();
            const qreal ratio = target_->devicePixelRatioF();
            frames.push_back(qint64(std::llround(area * ratio * ratio)));
        }
        return false;
    }

private:
    QWidget* target_;
};

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long peakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return 0;
}

// Lets the event loop run for ms milliseconds, sleeping while it has nothing to do.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Rooks, bishops and knights of both sides coming and going: a cycle of 16 moves that ends where
// it starts, 1 to 6 squares long, straight, diagonal and knight's moves.
const std::vector<Write> kCycle = {{1, 8, 1, 4}, {8, 1, 8, 5}, {3, 8, 7, 4}, {7, 1, 6, 3},
                                   {2, 8, 3, 6}, {6, 1, 2, 5}, {7, 4, 4, 7}, {6, 3, 5, 5},
                                   {4, 7, 3, 8}, {5, 5, 7, 4}, {1, 4, 1, 8}, {7, 4, 8, 2},
                                   {3, 6, 2, 8}, {8, 2, 7, 1}, {8, 5, 8, 1}, {2, 5, 6, 1}};

void setUpCycle(Control& board) {
    board.method(dispid::Clear);
    const Write pieces[] = {{5, 8, 0, 0, wking},   {5, 1, 0, 0, Bking},   {1, 8, 0, 0, Wrook},
                            {3, 8, 0, 0, Wbishop}, {2, 8, 0, 0, Wknight}, {8, 1, 0, 0, Brook},
                            {7, 1, 0, 0, Bknight}, {6, 1, 0, 0, Bbishop}};
    for (const Write& w : pieces)
        board.write(w);
}

int measure(const QSize& screen, int moves) {
    QWidget host;
    host.setStyleSheet("background: black");
    host.resize(screen);
    Control board(&host);
    const float scale = float(0.57 * screen.height() / 296.0);
    board.put(dispid::BoardScale, Variant::fromR4(scale));
    board.widget()->move((screen.width() - board.widget()->width()) / 2,
                         (screen.height() - board.widget()->height()) / 2);
    setUpCycle(board);
    host.show();
    runFor(300);
    PaintCounter counter(board.widget());

    // At once: each move and the event processing that paints it.
    double start = cpuSeconds();
    for (int i = 0; i < moves; ++i) {
        board.write(kCycle[std::size_t(i) % kCycle.size()]);
        runFor(300);
    }
    const double atOnce = (cpuSeconds() - start) / moves;
    counter.frames.clear();

    // Gliding: 250 ms on the control's own clock, then a pause.
    start = cpuSeconds();
    for (int i = 0; i < moves; ++i) {
        board.call(dispid::BeginGlide, InvokeKind::Method, {Variant::fromI4(250)});
        board.write(kCycle[std::size_t(i) % kCycle.size()]);
        board.method(dispid::EndGlide);
        runFor(300);
        if (board.gliding()) {
            std::fprintf(stderr, "glide_bench: a glide of 250 ms still runs after 300 ms\n");
            return 1;
        }
    }
    const double glided = (cpuSeconds() - start) / moves;

    qint64 total = 0, largest = 0;
    for (const qint64 f : counter.frames) {
        total += f;
        largest = std::max(largest, f);
    }
    const double perFrame = counter.frames.empty() ? 0 : double(total) / counter.frames.size();
    const qint64 boardPixels = qint64(board.widget()->width()) * board.widget()->height();
    std::printf("%dx%d (board %dx%d, BoardScale %.3f, %s):\n", screen.width(), screen.height(),
                board.widget()->width(), board.widget()->height(), double(scale),
                qPrintable(QApplication::platformName()));
    std::printf("  CPU per move: at once %.3f ms, gliding %.3f ms; at 2 s between moves "
                "%.3f %% and %.3f %% of one core\n",
                atOnce * 1e3, glided * 1e3, atOnce / 2 * 100, glided / 2 * 100);
    std::printf("  frames per glide %.1f; pixels per frame: mean %.0f, largest %lld "
                "(%.2f %% and %.2f %% of the board)\n",
                double(counter.frames.size()) / moves, perFrame, largest,
                perFrame * 100.0 / boardPixels, double(largest) * 100.0 / boardPixels);
    std::printf("  peak resident memory %.1f MB\n", peakKilobytes() / 1024.0);
    return 0;
}

// The position after 1.e4 e5 2.Nf3 Nc6 3.Bc4 Nf6 4.d3 Be7 (columns from a, rows from the top).
void italian(Control& board) {
    board.method(dispid::NewGame);
    for (const Write& w : std::vector<Write>{{5, 7, 5, 5},
                                             {5, 2, 5, 4},
                                             {7, 8, 6, 6},
                                             {2, 1, 3, 3},
                                             {6, 8, 3, 5},
                                             {7, 1, 6, 3},
                                             {4, 7, 4, 6},
                                             {6, 1, 5, 2}})
        board.write(w);
}

bool save(QWidget* widget, const QString& path) {
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "glide_bench: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Frames of a glide at 0, 1/6, ... 6/6 of its 250 ms, stepping the control's clock.
bool glideFrames(Control& board, const std::vector<Write>& writes, const Write& shown,
                 const QString& stem) {
    QMetaObject::invokeMethod(board.widget(), "setGlideClock", Q_ARG(qint64, 0));
    board.call(dispid::BeginGlide, InvokeKind::Method, {Variant::fromI4(240)});
    for (const Write& w : writes)
        board.write(w);
    board.method(dispid::EndGlide);
    board.highlight(shown);
    for (int step = 0; step <= 6; ++step) {
        QMetaObject::invokeMethod(board.widget(), "setGlideClock", Q_ARG(qint64, step * 40));
        if (!save(board.widget(), QString("%1-%2.png").arg(stem).arg(step)))
            return false;
    }
    return true;
}

int shots(const QString& folder) {
    QDir().mkpath(folder);
    const QDir dir(folder);
    QWidget host;
    Control board(&host);
    board.put(dispid::BoardScale, Variant::fromR4(2));
    italian(board);
    // 5.O-O, the rook and the king together; then 5...d6 and 6.Nxe5, a knight taking a pawn.
    if (!glideFrames(board, {{8, 8, 6, 8}, {5, 8, 7, 8}}, {5, 8, 7, 8},
                     dir.filePath("glide-castling")))
        return 1;
    board.write({4, 2, 4, 3});
    if (!glideFrames(board, {{6, 6, 5, 4}}, {6, 6, 5, 4}, dir.filePath("glide-capture")))
        return 1;

    const char* themes[] = {"designed", "green", "blue", "grey"};
    italian(board);
    board.highlight({6, 1, 5, 2});
    for (std::int32_t theme = 0; theme < 4; ++theme) {
        board.put(dispid::BoardTheme, Variant::fromI4(theme));
        if (!save(board.widget(), dir.filePath(QString("theme-%1.png").arg(themes[theme]))))
            return 1;
    }
    const char* sets[] = {"designed", "classic"};
    for (std::int32_t set = 0; set < 2; ++set) {
        for (const std::int32_t theme : {boardtheme::designed, boardtheme::green}) {
            board.put(dispid::BoardTheme, Variant::fromI4(theme));
            board.put(dispid::PieceSet, Variant::fromI4(set));
            if (!save(board.widget(),
                      dir.filePath(QString("pieces-%1-on-%2.png").arg(sets[set], themes[theme]))))
                return 1;
        }
    }
    return 0;
}

std::optional<QSize> parseSize(const QString& text) {
    const QStringList parts = text.split('x');
    bool okW = false, okH = false;
    if (parts.size() != 2)
        return std::nullopt;
    const int w = parts[0].toInt(&okW), h = parts[1].toInt(&okH);
    if (!okW || !okH || w < 296 || h < 296 || w > 8192 || h > 8192)
        return std::nullopt;
    return QSize(w, h);
}

int usage() {
    std::fprintf(stderr, "usage: glide_bench [--moves N] [WxH ...] | glide_bench --shots FOLDER\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    int moves = 32;
    std::vector<QSize> sizes;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "--shots" && i + 1 < args.size())
            return shots(args[i + 1]);
        if (args[i] == "--moves" && i + 1 < args.size()) {
            bool ok = false;
            moves = args[++i].toInt(&ok);
            if (!ok || moves < 1)
                return usage();
        } else if (const auto size = parseSize(args[i])) {
            sizes.push_back(*size);
        } else {
            return usage();
        }
    }
    if (sizes.empty())
        sizes = {QSize(1920, 1080), QSize(3840, 2160)};
    for (const QSize& size : sizes) {
        if (const int status = measure(size, moves); status != 0)
            return status;
    }
    return 0;
}
