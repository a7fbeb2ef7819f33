// A black window that ends the program on input, as a screen saver does: a key that gives a
// character, a mouse press, or a movement of the mouse after its first position is known.
#pragma once

#include <QPointF>
#include <QWidget>
#include <optional>

namespace pw2 {

class BlackWindow : public QWidget {
    Q_OBJECT
public:
    explicit BlackWindow(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    std::optional<QPointF> lastMousePosition_;
};

} // namespace pw2
