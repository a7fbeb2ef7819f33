#include "app/sub_main.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pawnwatch2");
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
