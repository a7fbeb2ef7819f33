#include "sub_main.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pawnwatch2");
    QApplication::setQuitOnLastWindowClosed(false);
    if (!pw2::SubMain(QApplication::arguments()))
        return 0;
    return QApplication::exec();
}
