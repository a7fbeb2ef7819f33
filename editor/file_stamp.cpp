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
QByteArray hashOf(std::initializer_list<std::string_view> pieces) {
    QCryptographicHash hash(QCryptographicHash::Blake2b_256);
    for (std::string_view piece : pieces)
        hash.addData(QByteArrayView(piece.data(), qsizetype(piece.size())));
    return hash.result();
}

std::int64_t sizeOf(std::initializer_list<std::string_view> pieces) {
    std::int64_t size = 0;
    for (std::string_view piece : pieces)
        size += std::int64_t(piece.size());
    return size;
}

// The folder with its links resolved, and the file's name in it: the same for every spelling of
// one path, also once the file itself is gone.
QString folderEntry(const QFileInfo& info) {
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return QDir(folder.isEmpty() ? QDir::cleanPath(info.absolutePath()) : folder)
        .filePath(info.fileName());
}

} // namespace

FileStamp::FileStamp(const QString& path, std::string_view bytes) : FileStamp(path, {bytes}) {}

FileStamp::FileStamp(const QString& path, std::initializer_list<std::string_view> pieces)
    : size_(sizeOf(pieces)), hash_(hashOf(pieces)) {
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
    return std::int64_t(bytes.size()) == size_ && hashOf({bytes}) == hash_;
}

} // namespace pw2
