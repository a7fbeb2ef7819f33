// Shows the windows that carry the program's icon on the X display: the setup window, the
// program's about box and the board control's about box (through the control's About member),
// side by side. Once they are shown it saves a picture of each as the window manager frames it,
// title bar included when one runs, as OUTDIR/icon-setup.png, icon-about.png and
// icon-control-about.png, prints one line per window ("setup 0x400007 framed") and "ready", and
// stays open until it is stopped.
#include "boardhost/control_loader.h"
#include "services/app_path.h"
#include "setup/frm_about.h"
#include "setup/frm_config.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <vantrelkit/vantrelkit.h>

namespace {

// Saves what the screen shows of window, with its frame, as file; prints its line.
bool save(QWidget* window, const char* name, const QString& file) {
    const QRect frame = window->frameGeometry();
    const QPixmap shot =
        window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull() || !shot.save(file, "PNG")) {
        std::fprintf(stderr, "icon_windows: could not save %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s 0x%llx %s\n", name, static_cast<unsigned long long>(window->winId()),
                frame == window->geometry() ? "unframed" : "framed");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: icon_windows OUTDIR\n");
        return 2;
    }
    const QDir outdir(QString::fromLocal8Bit(argv[1]));
    pw2::setAppPath(QCoreApplication::applicationDirPath() + '/');

    pw2::frmConfig config;
    config.move(20, 40);
    config.show();
    pw2::frmAbout about(&config);
    about.setModal(false);
    about.move(config.frameGeometry().right() + 30, 40);
    about.show();

    QString error;
    vantrelkit::IControl* control =
        pw2::createControl(vantrelkit::kProgId, nullptr, nullptr, &error);
    if (!control) {
        std::fprintf(stderr, "icon_windows: %s\n", qPrintable(error));
        return 2;
    }
    vantrelkit::ExcepInfo excep;
    control->invoke(vantrelkit::dispid::About, vantrelkit::InvokeKind::Method, nullptr, 0, nullptr,
                    &excep);
    QWidget* controlAbout = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmAbout") && w->isVisible())
            controlAbout = w;
    if (!controlAbout) {
        std::fprintf(stderr, "icon_windows: the control showed no about box\n");
        control->release();
        return 2;
    }
    // Below the program's about box and its frame, which the window manager adds later.
    controlAbout->move(about.x(), about.y() + about.height() + 100);

    int status = 0;
    // Time for the window manager to frame and place the windows and for them to paint.
    QTimer::singleShot(2000, [&] {
        const bool saved =
            save(&config, "setup", outdir.filePath("icon-setup.png")) &&
            save(&about, "about", outdir.filePath("icon-about.png")) &&
            save(controlAbout, "control-about", outdir.filePath("icon-control-about.png"));
        if (!saved) {
            status = 1;
            QApplication::quit();
            return;
        }
        std::printf("ready\n");
        std::fflush(stdout);
    });
    const int result = app.exec();
    control->release();
    return status ? status : result;
}
