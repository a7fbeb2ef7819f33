// Black windows over every screen but the saver's own, so that no monitor is left lit while the
// saver runs. They follow screens as they are added and removed, and end the program on input as
// the saver does.
#pragma once

#include <QObject>
#include <QPointF>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>

class QScreen;

namespace pw2 {

// One black, frameless window over the whole of one screen.
class ScreenCover : public QWidget {
    Q_OBJECT
public:
    explicit ScreenCover(QScreen* screen);

protected:
    // A key that gives a character, a mouse press, or a movement of the mouse after its first
    // position is known, ends the program.
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    std::optional<QPointF> lastMousePosition_;
};

class ScreenCovers : public QObject {
    Q_OBJECT
public:
    // Covers every screen but saverScreen, now and as screens come and go.
    ScreenCovers(QScreen* saverScreen, QObject* parent = nullptr);
    ~ScreenCovers() override;

    // The cover of screen, or nullptr.
    const ScreenCover* coverOf(QScreen* screen) const;
    std::size_t count() const { return covers_.size(); }

private:
    void cover(QScreen* screen);
    void uncover(QScreen* screen);

    QScreen* saverScreen_;
    std::map<QScreen*, std::unique_ptr<ScreenCover>> covers_;
};

} // namespace pw2
