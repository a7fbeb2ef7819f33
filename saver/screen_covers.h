// Windows over every screen but the saver's own, so that no monitor is left lit while the saver
// runs: black ones, or what the saver makes for each screen (a board of its own). They follow
// screens as they are added and removed, and end the program on input as the saver does.
#pragma once

#include "saver/black_window.h"

#include <QObject>
#include <functional>
#include <map>
#include <memory>

class QScreen;

namespace pw2 {

// One black, frameless window over the whole of one screen.
class ScreenCover : public BlackWindow {
    Q_OBJECT
public:
    explicit ScreenCover(QScreen* screen);
    // A black cover of screen, shown.
    static std::unique_ptr<QWidget> show(QScreen* screen);
};

class ScreenCovers : public QObject {
    Q_OBJECT
public:
    // Makes the shown window that covers a screen; nullptr leaves the screen as it is.
    using MakeCover = std::function<std::unique_ptr<QWidget>(QScreen*)>;

    // Covers every screen but saverScreen, now and as screens come and go: with black windows,
    // or with what make gives.
    explicit ScreenCovers(QScreen* saverScreen, QObject* parent = nullptr);
    ScreenCovers(QScreen* saverScreen, MakeCover make, QObject* parent = nullptr);
    ~ScreenCovers() override;

    // The cover of screen, or nullptr.
    const QWidget* coverOf(QScreen* screen) const;
    std::size_t count() const { return covers_.size(); }

private:
    void cover(QScreen* screen);
    void uncover(QScreen* screen);

    QScreen* saverScreen_;
    MakeCover make_;
    std::map<QScreen*, std::unique_ptr<QWidget>> covers_;
};

} // namespace pw2
