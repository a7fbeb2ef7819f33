// The bytes of a file the benchmark needs; a missing file ends the run.
#pragma once

#include <QFile>
#include <cstdlib>
#include <string>

inline std::string readFileOrAbort(const char* path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}
