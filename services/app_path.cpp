#include "services/app_path.h"

namespace pw2 {
namespace {

QString& folderSlot() {
    static QString folder;
    return folder;
}

} // namespace

const QString& appPath() {
    return folderSlot();
}

void setAppPath(const QString& folder) {
    folderSlot() = folder;
}

} // namespace pw2
