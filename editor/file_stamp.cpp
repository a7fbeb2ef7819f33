#include "editor/file_stamp.h"

#include "services/file_bytes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <string>

namespace pw2 {
namespace {

// A 256-bit hash: what matters is telling changed bytes from the same bytes, quickly on a file
// of hundreds of megabytes.
QByteArray hashOf(std::string_view bytes) {
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                    QCryptographicHash::Blake2b_256);
}

// The folder with its links resolved, and the file's name in it: the same for every spelling of
// one path, also once the file itself is gone.
QString folderEntry(const QFileInfo& info) {
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return QDir(folder.isEmpty() ? QDir::cleanPath(info.absolutePath()) : folder)
        .filePath(info.fileName());
}

} // namespace

FileStamp::FileStamp(const QString& path, std::string_view bytes)
    : size_(std::int64_t(bytes.size())), hash_(hashOf(bytes)) {
    const QFileInfo info(path);
    entry_ = folderEntry(info);
    canonical_ = info.canonicalFilePath();
}

bool FileStamp::names(const QString& path) const {
    const QFileInfo info(path);
    if (folderEntry(info) == entry_)
        return true;
    const QString canonical = info.canonicalFilePath();
    return !canonical.isEmpty() && canonical == canonical_;
}

bool FileStamp::stillHolds(const QString& path) const {
    std::string bytes;
    if (QFileInfo(path).size() != size_ || !readFileBytes(path, bytes))
        return false;
    return std::int64_t(bytes.size()) == size_ && hashOf(bytes) == hash_;
}

} // namespace pw2
