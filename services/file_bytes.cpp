#include "services/file_bytes.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <sys/stat.h>

namespace pw2 {
namespace {

bool isRegular(const struct stat& info, QString* reason) {
    if (S_ISREG(info.st_mode))
        return true;
    if (reason)
        *reason = QStringLiteral("it is not a regular file");
    return false;
}

} // namespace

bool openRegularFile(QFile& file, QString* reason) {
    struct stat info {};
    if (::stat(QFile::encodeName(file.fileName()).constData(), &info) == 0 &&
        !isRegular(info, reason))
        return false;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    if (::fstat(file.handle(), &info) != 0 || !isRegular(info, reason)) {
        file.close();
        return false;
    }
    return true;
}

bool fileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool readFileBytes(const QString& path, std::string& bytes, QString* reason) {
    bytes.clear();
    QFile file(path);
    if (!openRegularFile(file, reason))
        return false;
    bytes.resize(std::size_t(std::max<qint64>(file.size(), 0)));
    const qint64 got = file.read(bytes.data(), qint64(bytes.size()));
    if (got >= 0) {
        bytes.resize(std::size_t(got));
        // A file that grew meanwhile, or one that tells no size (as the system's own files do).
        const QByteArray rest = file.readAll();
        bytes.append(rest.constData(), std::size_t(rest.size()));
        if (file.error() == QFileDevice::NoError)
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
    if (!openRegularFile(file, nullptr) || begin - 1 >= file.size() || !file.seek(begin - 1))
        return {};
    const std::int64_t length = std::min<std::int64_t>(end - begin, file.size() - (begin - 1));
    std::string bytes(std::size_t(length), '\0');
    const qint64 got = file.read(bytes.data(), length);
    bytes.resize(got > 0 ? std::size_t(got) : 0);
    return bytes;
}

} // namespace pw2
