#include "component.h"

#include "dispatch.h"
#include "vantrel.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <type_traits>

#define VANTRELKIT_EXPORT extern "C" __attribute__((visibility("default")))

namespace vantrelkit {
namespace {

constexpr std::int32_t kSOk = 0;
constexpr std::int32_t kSFalse = 1;
constexpr std::int32_t kInvalidArgument = -2147024809;    // 0x80070057
constexpr std::int32_t kRegistrationFailed = -2147220991; // 0x80040201
constexpr const char* kOrganisation = "Vantrelkit";
constexpr const char* kClassKey = "Classes/Vantrelkit.Vantrel";

std::atomic<int> liveObjects{0};

class ClassFactory final : public IClassFactory {
public:
    IControl* createInstance(QWidget* parent, IHostSite* site) override {
        // A widget needs a running QApplication on this thread.
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return nullptr;
        return (new Vantrel(parent, site))->control();
    }
};

ClassFactory classFactory;

// The absolute path of this library, found through the address of one of its own objects.
QString libraryPath() {
    Dl_info info{};
    if (!dladdr(&classFactory, &info) || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

} // namespace

void addLiveObject() {
    ++liveObjects;
}

void removeLiveObject() {
    --liveObjects;
}

std::int32_t ControlObject::invoke(std::int32_t dispid, InvokeKind kind, const Variant* args,
                                   int argc, Variant* result, ExcepInfo* excep) {
    return vantrelkit::invoke(vantrel_, dispid, kind, args, argc, result, excep);
}

QWidget* ControlObject::window() {
    return &vantrel_;
}

void ControlObject::advise(IEventSink* sink) {
    vantrel_.advise(sink);
}

void ControlObject::initNew() {
    vantrel_.initNew();
}

void ControlObject::load() {
    vantrel_.load();
}

void ControlObject::save() {
    vantrel_.save();
}

void ControlObject::release() {
    // This object lives inside the widget; nothing of it is touched after the delete.
    delete &vantrel_;
}

} // namespace vantrelkit

using namespace vantrelkit;

VANTRELKIT_EXPORT std::int32_t VantrelkitGetClassObject(const char* progId,
                                                        IClassFactory** factory) {
    if (!factory)
        return kInvalidArgument;
    *factory = nullptr;
    if (!progId || std::strcmp(progId, kProgId) != 0)
        return error::ClassNotAvailable;
    *factory = &classFactory;
    return kSOk;
}

VANTRELKIT_EXPORT std::int32_t VantrelkitCanUnloadNow() {
    return liveObjects.load() == 0 ? kSOk : kSFalse;
}

VANTRELKIT_EXPORT std::int32_t VantrelkitRegisterServer() {
    const QString path = libraryPath();
    if (path.isEmpty())
        return kRegistrationFailed;
    QSettings settings{QLatin1String(kOrganisation)};
    settings.setValue(QLatin1String(kClassKey), path);
    settings.sync();
    return settings.status() == QSettings::NoError ? kSOk : kRegistrationFailed;
}

VANTRELKIT_EXPORT std::int32_t VantrelkitUnregisterServer() {
    QSettings settings{QLatin1String(kOrganisation)};
    settings.remove(QLatin1String(kClassKey));
    settings.sync();
    return settings.status() == QSettings::NoError ? kSOk : kRegistrationFailed;
}

static_assert(std::is_same_v<decltype(&VantrelkitGetClassObject), VantrelkitGetClassObjectFn>);
static_assert(std::is_same_v<decltype(&VantrelkitCanUnloadNow), VantrelkitCanUnloadNowFn>);
static_assert(std::is_same_v<decltype(&VantrelkitRegisterServer), VantrelkitRegisterServerFn>);
static_assert(std::is_same_v<decltype(&VantrelkitUnregisterServer), VantrelkitUnregisterServerFn>);
