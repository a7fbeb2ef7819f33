// The program's entry procedure: program folder, switch, and the mode it starts.
#pragma once

#include <QString>
#include <QStringList>

namespace pw2 {

enum class StartMode { Setup, Saver, End };

// The mode from the command line: its text trimmed of spaces and upper-cased, of which only the
// first two characters count. Nothing or "/C" is setup, "/P" ends, anything else runs the saver.
StartMode modeFromCommandLine(const QString& commandLine);

// The program folder from the "AppPath" setting: the setting when it is not empty, else the
// start folder; a "/" is appended when it does not end in one.
QString programFolder(const QString& setting, const QString& startFolder);

// The folder that holds the program's files: the executable's own folder in a build tree, or the
// install's share/pawnwatch2 folder.
QString defaultProgramFolder();

enum class StartResult {
    Running, // a window is open; the event loop runs the program from here
    Ended,   // nothing to do: a preview request, or a saver instance that is not needed
    Failed,  // the saver could not start (no board control, no such host window)
};

// Runs the entry procedure with the program's arguments (the first is the program itself).
StartResult SubMain(const QStringList& arguments);

} // namespace pw2
