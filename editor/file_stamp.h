// What a file held when the editor last read or wrote it, so that the editor can tell whether
// another program has changed the file since: its size and a hash of its bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace pw2 {

class FileStamp {
public:
    // The file at path as holding bytes.
    FileStamp(const QString& path, std::string_view bytes);
    // The file at path as holding the pieces, one after the other (a file split around a game,
    // stamped without joining it again).
    FileStamp(const QString& path, std::initializer_list<std::string_view> pieces);

    // True when path names this file: the same name in the same folder (folders compared with
    // their links resolved), or the same file once links are resolved.
    bool names(const QString& path) const;

    // True when the file at path, read now, still holds the bytes it was stamped with. A file
    // that is gone or cannot be read does not. Reads the file once.
    bool stillHolds(const QString& path) const;

private:
    QString entry_;     // the folder, links resolved, and the file's name
    QString canonical_; // the file, links resolved; empty when it did not exist
    std::int64_t size_ = 0;
    QByteArray hash_;
};

} // namespace pw2
