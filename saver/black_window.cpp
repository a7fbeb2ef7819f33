#include "saver/black_window.h"

#include "services/desktop.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace pw2 {

BlackWindow::BlackWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
}

void BlackWindow::keyPressEvent(QKeyEvent* event) {
    if (!event->text().isEmpty())
        endProgram();
}

void BlackWindow::mousePressEvent(QMouseEvent*) {
    endProgram();
}

void BlackWindow::mouseMoveEvent(QMouseEvent* event) {
    // The first notification only tells where the pointer is.
    const QPointF position = event->globalPosition();
    if (lastMousePosition_ && *lastMousePosition_ != position) {
        endProgram();
        return;
    }
    lastMousePosition_ = position;
}

} // namespace pw2
