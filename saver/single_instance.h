// Who runs and who ends when the saver is started again while it runs.
//
// Every running saver takes a shared presence lock; a start that finds it held by another process
// knows another instance runs. The marker named after the title "Pawnwatch2" is an exclusive lock
// that a second instance takes and holds, so that a third start finds it and ends.
#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace pw2 {

class InstanceLocks {
public:
    // Locks live in folder (created when missing); by default the user's runtime folder.
    explicit InstanceLocks(const QString& folder = defaultFolder());
    ~InstanceLocks();
    InstanceLocks(const InstanceLocks&) = delete;
    InstanceLocks& operator=(const InstanceLocks&) = delete;

    // Takes this process's presence lock and tells whether another instance held it already.
    bool anotherInstanceRunning();
    // True when a live process holds the marker "Pawnwatch2".
    bool markerExists();
    // Takes the marker for the life of this object; false when another process holds it.
    bool takeMarker();

    static QString defaultFolder();

private:
    QString folder_;
    int presenceFd_ = -1;
    std::unique_ptr<QLockFile> marker_;
};

enum class InstanceDecision { Run, RunWithMarker, End };

// The rule: no other instance → run; another instance and a marker → end; another instance and
// no marker → take the marker and run.
InstanceDecision CheckSingleInstance(InstanceLocks& locks);

} // namespace pw2
