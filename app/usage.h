// What `pawnwatch2 --help` and `pawnwatch2 --version` print. Qt-free: main() answers them before
// any Qt application exists, so they work without a display.
#pragma once

#include <optional>
#include <string>

namespace pw2 {

// The program's version, "X.Y.Z": the project's version in the top CMakeLists.txt.
const char* programVersion();

// The usage text: the switches, the variable XScreenSaver and xsecurelock set, and where the
// settings are kept.
std::string usageText();

// What to print on standard output, and then end with status 0, instead of starting: the usage
// when the first argument is exactly "--help" or "-h", "pawnwatch2 X.Y.Z" when it is exactly
// "--version". Nothing for every other command line, which starts the program as it always did
// (a switch the program does not know runs the saver).
std::optional<std::string> informationRequest(int argc, const char* const* argv);

} // namespace pw2
