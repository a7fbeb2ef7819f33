// Creates the board control by its programmatic identifier, loading its shared library at run
// time. The program never links the library.
#pragma once

#include <QString>
#include <QStringList>
#include <vantrelkit/vantrelkit.h>

namespace pw2 {

// Folders searched for the board control (libVantrelkit.so.MAJOR, its soname), in order: the
// program's own folder, then the install's library folder relative to it, then the install's
// library folder as configured at build time.
QStringList controlSearchPath();

// Creates an instance of the class progId (normally vantrelkit::kProgId). On failure returns
// nullptr and, when errorText is given, a message that names what was missing.
vantrelkit::IControl* createControl(const char* progId, QWidget* parent,
                                    vantrelkit::IHostSite* site = nullptr,
                                    QString* errorText = nullptr);

} // namespace pw2
