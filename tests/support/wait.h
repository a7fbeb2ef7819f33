// Runs the event loop until a condition holds or time runs out.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <functional>

namespace pw2::test {

// True as soon as done() holds; false when ms milliseconds passed first.
inline bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace pw2::test
