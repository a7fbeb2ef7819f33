// Black windows over every screen but the saver's own, so that no monitor is left lit while the
// saver runs. They follow screens as they are added and removed, and end the program on input as
// the saver does.
#pragma once

#include "saver/black_window.h"

#include <QObject>
#include <map>
#include <memory>

class QScreen;

namespace pw2 {

// One black, frameless window over the whole of one screen.
class ScreenCover : public BlackWindow {
    Q_OBJECT
public:
    explicit ScreenCover(QScreen* screen);
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
