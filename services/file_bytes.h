// Files are bytes: the program's one way of reading a game file, whole or a range of it.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

class QFile;

namespace pw2 {

// Opens file (named, not yet open) for reading, unbuffered, when it names a regular file. A
// device, a pipe or a folder is refused: reading /dev/zero would never end, and opening a FIFO
// would wait for a writer. The type is checked before opening and again on the opened file, in
// case the path was replaced between. False, with the reason, otherwise.
bool openRegularFile(QFile& file, QString* reason = nullptr);

// True when path names a file that exists and is not a folder.
bool fileExists(const QString& path);

// The whole file into bytes. False, with the reason, when it cannot be
// read or is not a regular file (a device, a pipe or a folder).
bool readFileBytes(const QString& path, std::string& bytes, QString* reason = nullptr);

// The bytes from 1-based position begin up to, not including, position end; empty when the file
// cannot be read or is not a regular file, begin lies beyond its end, or end is not after begin.
std::string readFileRange(const QString& path, std::int64_t begin, std::int64_t end);

} // namespace pw2
