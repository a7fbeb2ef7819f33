#include "hack_mode.h"

#include "saver_window.h"
#include "services/desktop.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <xcb/xcb.h>

namespace pw2 {
namespace {

std::optional<std::uint64_t> parseWindowId(const QString& text) {
    bool ok = false;
    const QString t = text.trimmed();
    const std::uint64_t id = t.startsWith("0x", Qt::CaseInsensitive) ? t.mid(2).toULongLong(&ok, 16)
                                                                     : t.toULongLong(&ok, 10);
    if (!ok || id == 0)
        return std::nullopt;
    return id;
}

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The window's size as the X server has it; nothing when the window does not exist.
std::optional<QSize> windowSize(std::uint64_t window) {
    xcb_connection_t* c = x11Connection();
    if (!c)
        return std::nullopt;
    xcb_generic_error_t* error = nullptr;
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, xcb_drawable_t(window)), &error);
    std::free(error);
    if (!reply)
        return std::nullopt;
    const QSize size(reply->width, reply->height);
    std::free(reply);
    return size;
}

constexpr int kPollInterval = 250; // ms between looks at the host window

// Inside the daemon's window nobody can answer a message box (the daemon holds the keyboard and
// the mouse), so messages go to standard error, where the daemon logs a hack's output, and play
// goes on as after a box answered with its default button.
class LoggedMessages : public MessageBoxService {
public:
    MsgAnswer show(QWidget*, const QString& text, MsgIcon, MsgButtons buttons) override {
        QString line = text;
        line.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace('\n', ' ');
        std::fprintf(stderr, "pawnwatch2: %s\n", line.toLocal8Bit().constData());
        return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
    }
};

} // namespace

std::optional<std::uint64_t> hackWindowId(const QStringList& arguments,
                                          const QByteArray& environmentWindow) {
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("-window-id") || a == QLatin1String("--window-id"))
            return i + 1 < arguments.size() ? parseWindowId(arguments[i + 1]) : std::nullopt;
        if (a.startsWith(QLatin1String("-window-id=")))
            return parseWindowId(a.mid(11));
    }
    if (!environmentWindow.isEmpty())
        return parseWindowId(QString::fromLatin1(environmentWindow));
    return std::nullopt;
}

QSize hackCanvasSize(const QSize& window) {
    if (window.width() <= 0 || window.height() <= 0)
        return QSize(640, 480);
    const double k = std::max({1.0, 640.0 / window.width(), 480.0 / window.height()});
    return QSize(int(std::ceil(window.width() * k)), int(std::ceil(window.height() * k)));
}

HackView::HackView(std::uint64_t window, const QSize& size, Saver* saver)
    : window_(window), hostSize_(size), saver_(saver) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &HackView::checkHostWindow);
    poll->start(kPollInterval);
}

// The saver goes with the view: as its child, or with the scene that holds it.
HackView::~HackView() = default;

HackView* HackView::start(std::uint64_t window, const std::function<void(bool)>& openSetup) {
    if (!x11Connection()) {
        std::fputs("pawnwatch2: drawing into another window needs an X11 display\n", stderr);
        return nullptr;
    }
    const std::optional<QSize> size = windowSize(window);
    if (!size) {
        std::fprintf(stderr, "pawnwatch2: there is no window 0x%llx\n",
                     static_cast<unsigned long long>(window));
        return nullptr;
    }
    setMessageBoxService(std::make_unique<LoggedMessages>());
    ScreenMetrics metrics = ScreenMetrics::primary();
    metrics.pixels = hackCanvasSize(*size);
    metrics.origin = QPoint(); // a canvas of its own, never on a screen
    Saver* saver = Saver::create(metrics);
    if (!saver)
        return nullptr;
    QObject::connect(saver, &Saver::setupRequested, qApp, openSetup);
    // The daemon ends the hack; input inside its window reaches nothing.
    saver->setAttribute(Qt::WA_TransparentForMouseEvents);
    saver->setFocusPolicy(Qt::NoFocus);

    QWindow* host = QWindow::fromWinId(WId(window));
    auto* view = new HackView(window, *size, saver);
    view->setAttribute(Qt::WA_NativeWindow);
    view->winId();
    view->windowHandle()->setParent(host);
    view->setGeometry(QRect(QPoint(0, 0), *size));
    view->fitCanvas();
    view->show();
    saver->startNextGame(); // the first game starts at once
    return view;
}

void HackView::checkHostWindow() {
    const std::optional<QSize> size = windowSize(window_);
    if (!size) {
        endProgram(0); // the daemon took its window away
        return;
    }
    if (*size == hostSize_ || !saver_)
        return;
    hostSize_ = *size;
    // The saver takes its new size first, so that the view, resized next, holds it as it will
    // stay.
    ScreenMetrics metrics = ScreenMetrics::primary();
    metrics.pixels = hackCanvasSize(hostSize_);
    metrics.origin = QPoint();
    saver_->relayout(metrics);
    setGeometry(QRect(QPoint(0, 0), hostSize_));
    fitCanvas();
}

void HackView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitCanvas();
}

void HackView::fitCanvas() {
    if (!saver_ || saver_->size().isEmpty() || width() <= 0 || height() <= 0)
        return;
    if (saver_->size() == size()) {
        if (proxy_) {
            proxy_->setWidget(nullptr);
            delete proxy_;
            proxy_ = nullptr;
        }
        if (saver_->parentWidget() != this) {
            saver_->setAttribute(Qt::WA_DontShowOnScreen, false);
            saver_->setParent(this);
            saver_->move(0, 0);
            saver_->show();
        }
        if (scaled_)
            scaled_->hide();
        return;
    }
    if (!scaled_) {
        scaled_ = new QGraphicsView(this);
        scaled_->setAttribute(Qt::WA_TransparentForMouseEvents);
        scaled_->viewport()->setAttribute(Qt::WA_TransparentForMouseEvents);
        scaled_->setFocusPolicy(Qt::NoFocus);
        scaled_->setInteractive(false);
        scaled_->setFrameShape(QFrame::NoFrame);
        scaled_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scaled_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scaled_->setAlignment(Qt::AlignCenter);
        scaled_->setBackgroundBrush(Qt::black);
        scaled_->setRenderHints(QPainter::SmoothPixmapTransform | QPainter::Antialiasing);
        scaled_->setScene(new QGraphicsScene(scaled_));
    }
    if (!proxy_) {
        saver_->setParent(nullptr); // hidden until the scene shows it
        proxy_ = scaled_->scene()->addWidget(saver_);
        proxy_->setFlag(QGraphicsItem::ItemUsesExtendedStyleOption);
    }
    scaled_->setGeometry(rect());
    const QRectF canvas(QPointF(0, 0), saver_->size());
    scaled_->setSceneRect(canvas);
    const double scale = std::min(width() / canvas.width(), height() / canvas.height());
    scaled_->setTransform(QTransform::fromScale(scale, scale));
    scaled_->centerOn(canvas.center());
    scaled_->show();
}

QRect HackView::shownAt(const QRectF& inSaver) const {
    if (proxy_ && scaled_)
        return scaled_->mapFromScene(inSaver).boundingRect().translated(scaled_->pos());
    return inSaver.toAlignedRect();
}

} // namespace pw2
