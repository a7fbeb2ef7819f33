#include "boardhost/control_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace pw2 {
namespace {

// The library's soname, libVantrelkit.so.MAJOR: a control of another major version is not loaded.
constexpr const char* kLibraryName = PW2_CONTROL_FILE_NAME;

// The library stays loaded for the life of the process once a class object was obtained from it,
// as an in-process component server does while any of its objects may live.
QLibrary* loadedLibrary = nullptr;

} // namespace

QStringList controlSearchPath() {
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList dirs{appDir};
    dirs << QDir::cleanPath(appDir + "/" + QStringLiteral(PW2_BIN_TO_LIB));
    dirs << QStringLiteral(PW2_INSTALL_LIBDIR);
    dirs.removeDuplicates();
    return dirs;
}

vantrelkit::IControl* createControl(const char* progId, QWidget* parent,
                                    vantrelkit::IHostSite* site, QString* errorText) {
    auto fail = [errorText](const QString& text) -> vantrelkit::IControl* {
        if (errorText)
            *errorText = text;
        return nullptr;
    };
    if (!loadedLibrary) {
        QString tried;
        for (const QString& dir : controlSearchPath()) {
            const QString path = dir + "/" + kLibraryName;
            if (!QFileInfo::exists(path)) {
                tried += "\n  " + path + ": not found";
                continue;
            }
            auto* lib = new QLibrary(path);
            if (lib->load()) {
                loadedLibrary = lib;
                break;
            }
            tried += "\n  " + path + ": " + lib->errorString();
            delete lib;
        }
        if (!loadedLibrary)
            return fail(QStringLiteral("The board control %1 could not be loaded:%2")
                            .arg(kLibraryName, tried));
    }
    auto getClassObject = reinterpret_cast<VantrelkitGetClassObjectFn>(
        loadedLibrary->resolve(VANTRELKIT_GET_CLASS_OBJECT));
    if (!getClassObject)
        return fail(QStringLiteral("%1 has no entry point %2")
                        .arg(loadedLibrary->fileName(), VANTRELKIT_GET_CLASS_OBJECT));
    vantrelkit::IClassFactory* factory = nullptr;
    if (getClassObject(progId, &factory) != vantrelkit::error::Ok || !factory)
        return fail(QStringLiteral("The board control has no class %1").arg(progId));
    vantrelkit::IControl* control = factory->createInstance(parent, site);
    if (!control)
        return fail(QStringLiteral("The board control could not create %1").arg(progId));
    return control;
}

} // namespace pw2
