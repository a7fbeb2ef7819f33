#include "app/sub_main.h"
#include "app/usage.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // Answered before any Qt application exists: they need no display.
    if (const std::optional<std::string> text = pw2::informationRequest(argc, argv)) {
        if (std::fputs(text->c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
            std::perror("pawnwatch2: standard output");
            return 1;
        }
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pawnwatch2");
    // On Wayland the windows carry this as their application id, which desktops match to the
    // desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("pawnwatch2"));
    QApplication::setQuitOnLastWindowClosed(false);
    switch (pw2::SubMain(QApplication::arguments())) {
    case pw2::StartResult::Running:
        return QApplication::exec();
    case pw2::StartResult::Ended:
        return 0;
    case pw2::StartResult::Failed:
        break;
    }
    return 1;
}
