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

// A saver of its own on another screen, playing the match's next game from the scheduler it
// shares with the saver on the primary screen; a black cover when its board cannot be made.
// Without a game to play, the saver on the primary screen opens the setup dialog; this one only
// closes.
std::unique_ptr<QWidget> saverOnScreen(QScreen* screen, std::shared_ptr<GameScheduler> scheduler) {
    std::unique_ptr<Saver> saver(Saver::create(ScreenMetrics::of(screen), std::move(scheduler)));
    if (!saver)
        return ScreenCover::show(screen);
    saver->setScreen(screen);
    saver->showSaver();
    saver->startNextGame();
    return saver;
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
    saver->showSaver();
    hidePointer();
    saver->startNextGame();
    // The other screens show a board of their own, each with the match's next game, or go
    // black; they close with the saver.
    if (settings().number(setting::BoardOnEveryScreen) != 0)
        new ScreenCovers(
            QGuiApplication::primaryScreen(),
            [scheduler = saver->scheduler()](QScreen* screen) {
                return saverOnScreen(screen, scheduler);
            },
            saver);
    else
        new ScreenCovers(QGuiApplication::primaryScreen(), saver);
    return StartResult::Running;
}

} // namespace pw2
