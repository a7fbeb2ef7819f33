// The saver as an XScreenSaver hack, on a real X server (the test runs under Xvfb): stand-in host
// windows play the daemon's part.
#include "saver/hack_mode.h"
#include "saver/saver_window.h"
#include "support/doubles.h"
#include "support/wait.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPaintEvent>
#include <QProcess>
#include <QRegion>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace pw2 {
namespace {

TEST(HackArguments, WindowFromTheCommandLineOrTheEnvironment) {
    EXPECT_EQ(hackWindowId({"pawnwatch2", "-window-id", "0x2a00005"}, {}), 0x2a00005u);
    EXPECT_EQ(hackWindowId({"pawnwatch2", "-window-id", "44040197"}, "123"), 44040197u);
    EXPECT_EQ(hackWindowId({"pawnwatch2", "-root"}, "0x400001"), 0x400001u);
    EXPECT_EQ(hackWindowId({"pawnwatch2", "-root"}, {}), std::nullopt);
    EXPECT_EQ(hackWindowId({"pawnwatch2", "/S"}, {}), std::nullopt);
    EXPECT_EQ(hackWindowId({"pawnwatch2", "-window-id"}, {}), std::nullopt);
    EXPECT_EQ(hackWindowId({"pawnwatch2", "-window-id", "zzz"}, {}), std::nullopt);
}

TEST(HackArguments, SmallWindowsShowTheWholeSaverSmaller) {
    EXPECT_EQ(hackCanvasSize({1920, 1080}), QSize(1920, 1080));
    EXPECT_EQ(hackCanvasSize({320, 240}), QSize(640, 480));
    EXPECT_EQ(hackCanvasSize({400, 200}), QSize(960, 480));
    EXPECT_EQ(hackCanvasSize({0, 0}), QSize(640, 480));
}

xcb_connection_t* connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

std::vector<xcb_window_t> children(WId window) {
    std::vector<xcb_window_t> result;
    auto* reply = xcb_query_tree_reply(connection(), xcb_query_tree(connection(), window), nullptr);
    if (!reply)
        return result;
    const xcb_window_t* list = xcb_query_tree_children(reply);
    result.assign(list, list + xcb_query_tree_children_length(reply));
    std::free(reply);
    return result;
}

std::optional<QSize> sizeOf(xcb_window_t window) {
    auto* reply =
        xcb_get_geometry_reply(connection(), xcb_get_geometry(connection(), window), nullptr);
    if (!reply)
        return std::nullopt;
    const QSize size(reply->width, reply->height);
    std::free(reply);
    return size;
}

using test::waitUntil;

// A share of the window's pixels that are neither black nor the host's own grey.
double drawnShare(WId window) {
    const QImage image = QGuiApplication::primaryScreen()->grabWindow(window).toImage();
    if (image.isNull())
        return 0;
    int drawn = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) {
            const QRgb c = image.pixel(x, y);
            if (c != qRgb(0, 0, 0) && c != qRgb(60, 60, 60))
                ++drawn;
        }
    return double(drawn) / ((image.height() / 4 + 1) * (image.width() / 4 + 1));
}

class HostWindow {
public:
    explicit HostWindow(QSize size) : widget(std::make_unique<QWidget>()) {
        widget->setAttribute(Qt::WA_NativeWindow);
        QPalette pal;
        pal.setColor(QPalette::Window, QColor(60, 60, 60));
        widget->setPalette(pal);
        widget->setAutoFillBackground(true);
        widget->resize(size);
        widget->show();
        waitUntil([this] { return widget->windowHandle()->isExposed(); }, 5000);
    }
    WId id() const { return widget->winId(); }
    std::unique_ptr<QWidget> widget;
};

class Hack : public ::testing::Test {
protected:
    void SetUp() override {
        // A fresh account that plays the bundled games fast.
        QDir().mkpath(home.path() + "/config/Pawnwatch2");
        QFile ini(home.path() + "/config/Pawnwatch2/Pawnwatch2.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Config]\nTimer=0.05\n");
    }

    std::unique_ptr<QProcess> launch(const QStringList& arguments, const QString& envWindow = {},
                                     bool captureErrors = false) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_RUNTIME_DIR", home.path());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("XSCREENSAVER_WINDOW");
        if (!envWindow.isEmpty())
            env.insert("XSCREENSAVER_WINDOW", envWindow);
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(captureErrors ? QProcess::SeparateChannels
                                                     : QProcess::ForwardedErrorChannel);
        process->start(PW2_BIN_DIR "/pawnwatch2", arguments);
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }

    static bool drawsInto(const HostWindow& host) {
        return waitUntil(
            [&] { return !children(host.id()).empty() && drawnShare(host.id()) > 0.2; }, 15000);
    }

    QTemporaryDir home;
};

TEST_F(Hack, DrawsInsideTheGivenWindowAndFollowsItsSize) {
    HostWindow host({480, 360});
    auto saver = launch({"-window-id", QString("0x%1").arg(host.id(), 0, 16)});
    ASSERT_TRUE(drawsInto(host)) << "nothing drawn inside the host window";
    // The games are played: what the window shows changes from move to move.
    const QImage before = QGuiApplication::primaryScreen()->grabWindow(host.id()).toImage();
    EXPECT_TRUE(waitUntil(
        [&] { return QGuiApplication::primaryScreen()->grabWindow(host.id()).toImage() != before; },
        5000));
    const xcb_window_t child = children(host.id()).front();
    EXPECT_EQ(sizeOf(child), QSize(480, 360));

    host.widget->resize(800, 600);
    EXPECT_TRUE(waitUntil([&] { return sizeOf(child) == QSize(800, 600); }, 5000));
    EXPECT_EQ(saver->state(), QProcess::Running);

    saver->terminate(); // SIGTERM, as the daemon ends a hack
    ASSERT_TRUE(saver->waitForFinished(5000));
    EXPECT_EQ(saver->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(saver->exitCode(), 0);
}

TEST_F(Hack, TwoMonitorsTwoProcessesEachEndsWithItsWindow) {
    HostWindow first({400, 300});
    HostWindow second({640, 480});
    auto one = launch({"-window-id", QString::number(first.id())});
    auto two = launch({"-root"}, QString("0x%1").arg(second.id(), 0, 16));
    ASSERT_TRUE(drawsInto(first));
    ASSERT_TRUE(drawsInto(second));
    EXPECT_EQ(one->state(), QProcess::Running);
    EXPECT_EQ(two->state(), QProcess::Running);

    second.widget.reset(); // the window goes away
    ASSERT_TRUE(two->waitForFinished(5000));
    EXPECT_EQ(two->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(two->exitCode(), 0);
    EXPECT_EQ(one->state(), QProcess::Running);

    one->terminate();
    ASSERT_TRUE(one->waitForFinished(5000));
    EXPECT_EQ(one->exitCode(), 0);
}

TEST_F(Hack, AMessageDoesNotStopPlayInsideTheDaemonsWindow) {
    // Nobody can answer a message box there: the message is logged and the next game follows.
    const QByteArray games = "[Event \"Bad\"]\n\n1. e4 Ke4 *\n[Event \"Good\"]\n\n1. d4 d5 *\n";
    QFile pgn(home.path() + "/games.pgn");
    ASSERT_TRUE(pgn.open(QIODevice::WriteOnly));
    pgn.write(games);
    pgn.close();
    QFile ini(home.path() + "/config/Pawnwatch2/Pawnwatch2.ini");
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write(("PGNFile=" + pgn.fileName() + "\nNumOfGames=2\nMatchBegin1=1\nMatchEnd1=" +
               QString::number(games.indexOf("[Event \"Good")) +
               "\nMatchBegin2=" + QString::number(games.indexOf("[Event \"Good") + 1) +
               "\nMatchEnd2=" + QString::number(games.size() + 1) + "\n")
                  .toUtf8());
    ini.close();

    HostWindow host({320, 240});
    auto saver = launch({"-window-id", QString::number(host.id())}, {}, true);
    QByteArray log;
    EXPECT_TRUE(waitUntil(
        [&] {
            log += saver->readAllStandardError();
            return log.contains("pawnwatch2: Illegal move");
        },
        10000))
        << log.toStdString();
    EXPECT_EQ(saver->state(), QProcess::Running);
    saver->terminate();
    saver->waitForFinished(5000);
}

// In this process: the saver shown inside the host window at its own size and scaled down into a
// preview. Each frame of a glide repaints only the pieces' old and new places in the window, and
// the window shows the piece halfway.
class ViewPaints : public QObject {
public:
    explicit ViewPaints(QWidget* view) : view_(view) { qApp->installEventFilter(this); }
    ~ViewPaints() override { qApp->removeEventFilter(this); }
    QRegion take() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        return std::exchange(painted_, QRegion());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && event->type() == QEvent::Paint && view_->isAncestorOf(widget))
            painted_ += static_cast<QPaintEvent*>(event)->region().translated(
                widget->mapTo(view_, QPoint(0, 0)));
        return false;
    }

private:
    QWidget* view_;
    QRegion painted_;
};

TEST(HackGlide, FramesRepaintOnlyThePiecesPlacesInTheHostWindow) {
    test::Sandbox box;
    QFile games(box.path("default.pgn"));
    ASSERT_TRUE(games.open(QIODevice::WriteOnly));
    games.write("[Event \"Glide\"]\n\n1. Nf3 Nf6 *\n");
    games.close();
    settings().write("Timer", "3600"); // the test plays the moves itself
    HostWindow host({960, 720});
    std::unique_ptr<HackView> view(HackView::start(host.id(), [](bool) {}));
    ASSERT_TRUE(view);
    auto* board = view->saver()->findChild<QWidget*>(QStringLiteral("Vantrel"));
    ASSERT_TRUE(board);
    const auto pieceAt = [&] {
        QRectF rect;
        EXPECT_TRUE(QMetaObject::invokeMethod(board, "glidingPiece", Q_RETURN_ARG(QRectF, rect),
                                              Q_ARG(int, 0)));
        return rect;
    };
    const auto inView = [&](const QRectF& piece) {
        const QRectF inSaver(board->mapTo(view->saver(), piece.topLeft()), piece.size());
        // A scaled view rounds to its own pixels, a pixel either way.
        return view->shownAt(inSaver).adjusted(-3, -3, 3, 3);
    };
    // The saver held at its own size, then the window made smaller than the saver's canvas.
    for (const QSize size : {QSize(960, 720), QSize(480, 360)}) {
        SCOPED_TRACE(size.width());
        host.widget->resize(size);
        ASSERT_TRUE(waitUntil([&] { return view->size() == size; }, 5000));
        ASSERT_TRUE(waitUntil([&] { return drawnShare(host.id()) > 0.05; }, 5000));
        ViewPaints paints(view.get());
        ASSERT_TRUE(QMetaObject::invokeMethod(board, "setGlideClock", Q_ARG(qint64, 0)));
        view->saver()->playNextHalfMove();
        paints.take();
        QRectF shown = pieceAt();
        ASSERT_FALSE(shown.isEmpty());
        int frames = 0;
        for (qint64 t = 25; t < 250; t += 25) {
            ASSERT_TRUE(QMetaObject::invokeMethod(board, "setGlideClock", Q_ARG(qint64, t)));
            const QRectF now = pieceAt();
            const QRegion painted = paints.take();
            // A scene unites a frame's two rectangles into the one around both.
            EXPECT_TRUE((painted - inView(shown).united(inView(now))).isEmpty()) << t;
            frames += !painted.isEmpty();
            shown = now;
            if (t == 125) {
                const QImage window =
                    QGuiApplication::primaryScreen()->grabWindow(host.id()).toImage();
                const QRect piece = inView(now) & window.rect();
                int dark = 0;
                for (int y = piece.top(); y <= piece.bottom(); ++y)
                    for (int x = piece.left(); x <= piece.right(); ++x)
                        dark += qRed(window.pixel(x, y)) < 0x40 &&
                                qGreen(window.pixel(x, y)) < 0x40 &&
                                qBlue(window.pixel(x, y)) < 0x40;
                EXPECT_GT(dark, 10);
            }
        }
        EXPECT_GE(frames, 6);
    }
}

TEST_F(Hack, AWindowThatDoesNotExistEndsWithAMessage) {
    auto saver = launch({"-window-id", "0x7fffff0"});
    ASSERT_TRUE(saver->waitForFinished(5000));
    EXPECT_NE(saver->exitCode(), 0);
}

} // namespace
} // namespace pw2
