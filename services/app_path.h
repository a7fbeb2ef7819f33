// The folder of the program's own files, where the bundled games (default.pgn) lie. It is set once
// at start, from the "AppPath" setting or the program's location, and always ends in "/".
#pragma once

#include <QString>

namespace pw2 {

const QString& appPath();
void setAppPath(const QString& folder);

} // namespace pw2
