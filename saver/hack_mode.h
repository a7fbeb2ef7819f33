// The saver as an XScreenSaver hack: drawn inside a window that the daemon (or its settings
// dialog's preview) owns, given by "-window-id ID" or by the XSCREENSAVER_WINDOW variable.
#pragma once

#include <QGraphicsView>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

class QGraphicsProxyWidget;

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

// Shows the saver inside the host window, scaled down when the window is smaller than the saver's
// canvas, follows the window's size, and ends the program when the window goes away or SIGTERM
// arrives. The saver is embedded in the view's scene, so that what changes in it (a gliding piece,
// a label) repaints only its own part of the window, not the whole saver.
class HackView : public QGraphicsView {
    Q_OBJECT
public:
    // Creates the saver and embeds the view in the window; nullptr (after a message on standard
    // error) when there is no such window or no X11 display.
    // openSetup runs when the saver finds no game file to play.
    static HackView* start(std::uint64_t window, const std::function<void(bool)>& openSetup);
    ~HackView() override;

    Saver* saver() const { return saver_.data(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    HackView(std::uint64_t window, const QSize& size, Saver* saver);
    // Follows the host window's size; ends the program when it is gone.
    void checkHostWindow();
    // Shows the whole canvas, as large as the view allows, centred.
    void fitCanvas();

    std::uint64_t window_;
    QSize hostSize_;
    QPointer<Saver> saver_; // the saver may close itself to ask for the setup dialog
    QGraphicsProxyWidget* canvas_ = nullptr;
};

} // namespace pw2
