#include "app/sub_main.h"

#include "saver/hack_mode.h"
#include "saver/saver_window.h"
#include "saver/screen_covers.h"
#include "saver/single_instance.h"
#include "saver/termination.h"
#include "services/app_path.h"
#include "services/desktop.h"
#include "services/settings_store.h"
#include "services/text_codec.h"
#include "setup/frm_config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace pw2 {

StartMode modeFromCommandLine(const QString& commandLine) {
    const QString sw = trimSpaces(commandLine).toUpper().left(2);
    if (sw.isEmpty() || sw == QLatin1String("/C"))
        return StartMode::Setup;
    if (sw == QLatin1String("/P"))
        return StartMode::End;
    return StartMode::Saver;
}

QString programFolder(const QString& setting, const QString& startFolder) {
    QString folder = setting.isEmpty() ? startFolder : setting;
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

QString defaultProgramFolder() {
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString installed =
        QDir::cleanPath(appDir + "/" + QStringLiteral(PW2_BIN_TO_DATA) + "/pawnwatch2");
    if (!QFileInfo::exists(appDir + "/default.pgn") &&
        QFileInfo::exists(installed + "/default.pgn"))
        return installed;
    return appDir;
}

namespace {

void openSetup(bool gameFileMissing) {
    showConfigDialog(gameFileMissing);
}

} // namespace

StartResult SubMain(const QStringList& arguments) {
    setAppPath(programFolder(settings().text(setting::AppPath, defaultProgramFolder()),
                             defaultProgramFolder()));

    switch (modeFromCommandLine(arguments.mid(1).join(' '))) {
    case StartMode::Setup:
        showConfigDialog();
        return StartResult::Running;
    case StartMode::End:
        return StartResult::Ended;
    case StartMode::Saver:
        break;
    }

    endOnTerminationSignal();
    if (const auto window = hackWindowId(arguments, qgetenv("XSCREENSAVER_WINDOW")))
        // Each monitor's process owns its window: no single-instance rule here.
        return HackView::start(*window, openSetup) ? StartResult::Running : StartResult::Failed;

    static InstanceLocks locks;
    const InstanceDecision decision = CheckSingleInstance(locks);
    if (decision == InstanceDecision::End)
        return StartResult::Ended;
    Saver* saver = Saver::create();
    if (!saver)
        return StartResult::Failed;
    QObject::connect(saver, &Saver::setupRequested, qApp, openSetup);
    if (decision == InstanceDecision::RunWithMarker)
        saver->setWindowTitle(QLatin1String(kSaverMarkerTitle));
    // The other screens go black; the covers close with the saver.
    new ScreenCovers(QGuiApplication::primaryScreen(), saver);
    saver->showSaver();
    hidePointer();
    saver->startNextGame();
    return StartResult::Running;
}

} // namespace pw2
