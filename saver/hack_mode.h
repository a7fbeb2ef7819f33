// The saver as an XScreenSaver hack: drawn inside a window that the daemon (or its settings
// dialog's preview) owns, given by "-window-id ID" or by the XSCREENSAVER_WINDOW variable.
#pragma once

#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class QGraphicsProxyWidget;
class QGraphicsView;

namespace pw2 {

class Saver;

// The window to draw into: the id after "-window-id" (decimal or 0x hex), else the value of
// XSCREENSAVER_WINDOW; nothing when neither names a window.
std::optional<std::uint64_t> hackWindowId(const QStringList& arguments,
                                          const QByteArray& environmentWindow);

// The size the saver is laid out for inside a window of the given size: the window's own size
// when it is at least 640 by 480, else that size enlarged (keeping its shape) until it is, so that
// a small preview shows the whole saver, smaller.
QSize hackCanvasSize(const QSize& window);

// Shows the saver inside the host window, follows the window's size, and ends the program when
// the window goes away or SIGTERM arrives. A window of the canvas's own size (the daemon's whole
// screen) holds the saver directly as a child; a smaller one (a settings dialog's preview) shows it
// scaled down through a graphics view. Either way what changes in the saver (a gliding piece, a
// label) repaints only its own part of the window, never the whole saver.
class HackView : public QWidget {
    Q_OBJECT
public:
    // Creates the saver and embeds the view in the window; nullptr (after a message on standard
    // error) when there is no such window or no X11 display.
    // openSetup runs when the saver finds no game file to play.
    static HackView* start(std::uint64_t window, const std::function<void(bool)>& openSetup);
    ~HackView() override;

    Saver* saver() const { return saver_.data(); }
    // Where a rectangle of the saver shows in the view, in the view's pixels.
    QRect shownAt(const QRectF& inSaver) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    HackView(std::uint64_t window, const QSize& size, Saver* saver);
    // Follows the host window's size; ends the program when it is gone.
    void checkHostWindow();
    // Holds the saver directly when it has the view's size, else shows the whole of it scaled into
    // the view, centred.
    void fitCanvas();

    std::uint64_t window_;
    QSize hostSize_;
    QPointer<Saver> saver_;           // the saver may close itself to ask for the setup dialog
    QGraphicsView* scaled_ = nullptr; // made when the saver is first shown scaled
    QGraphicsProxyWidget* proxy_ = nullptr; // the saver in scaled_'s scene, while shown scaled
};

} // namespace pw2
