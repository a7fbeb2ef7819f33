#include "file_bytes.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace pw2 {

bool fileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool readFileBytes(const QString& path, std::string& bytes, QString* reason) {
    bytes.clear();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        bytes.resize(std::size_t(std::max<qint64>(file.size(), 0)));
        const qint64 got = file.read(bytes.data(), qint64(bytes.size()));
        if (got >= 0) {
            bytes.resize(std::size_t(got));
            const QByteArray rest = file.readAll(); // a file that grew meanwhile
            bytes.append(rest.constData(), std::size_t(rest.size()));
        }
        if (got >= 0 && file.error() == QFileDevice::NoError)
            return true;
    }
    if (reason)
        *reason = file.errorString();
    bytes.clear();
    return false;
}

std::string readFileRange(const QString& path, std::int64_t begin, std::int64_t end) {
    if (begin < 1 || end <= begin)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || begin - 1 >= file.size() || !file.seek(begin - 1))
        return {};
    const std::int64_t length = std::min<std::int64_t>(end - begin, file.size() - (begin - 1));
    std::string bytes(std::size_t(length), '\0');
    const qint64 got = file.read(bytes.data(), length);
    bytes.resize(got > 0 ? std::size_t(got) : 0);
    return bytes;
}

} // namespace pw2
