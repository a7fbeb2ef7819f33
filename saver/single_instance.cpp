#include "single_instance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace pw2 {

namespace {
constexpr const char* kMarkerTitle = "Pawnwatch2";
}

InstanceLocks::InstanceLocks(const QString& folder) : folder_(folder) {
    QDir().mkpath(folder_);
}

InstanceLocks::~InstanceLocks() {
    if (presenceFd_ >= 0)
        ::close(presenceFd_);
}

QString InstanceLocks::defaultFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + "/pawnwatch2";
}

bool InstanceLocks::anotherInstanceRunning() {
    if (presenceFd_ < 0) {
        const QByteArray path = QFile::encodeName(folder_ + "/presence.lock");
        presenceFd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (presenceFd_ < 0)
            return false; // no lock folder: nothing can tell, so this instance runs
    }
    // An exclusive lock is granted only when no other process holds the shared one.
    const bool alone = ::flock(presenceFd_, LOCK_EX | LOCK_NB) == 0;
    ::flock(presenceFd_, LOCK_SH);
    return !alone;
}

bool InstanceLocks::markerExists() {
    if (marker_ && marker_->isLocked())
        return false; // our own
    QLockFile probe(folder_ + "/" + kMarkerTitle + ".lock");
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

bool InstanceLocks::takeMarker() {
    marker_ = std::make_unique<QLockFile>(folder_ + "/" + kMarkerTitle + ".lock");
    marker_->setStaleLockTime(0);
    return marker_->tryLock(0);
}

InstanceDecision CheckSingleInstance(InstanceLocks& locks) {
    if (!locks.anotherInstanceRunning())
        return InstanceDecision::Run;
    if (locks.markerExists())
        return InstanceDecision::End;
    return locks.takeMarker() ? InstanceDecision::RunWithMarker : InstanceDecision::End;
}

} // namespace pw2
