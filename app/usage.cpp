#include "app/usage.h"

#include <string_view>

#ifndef PW2_VERSION
#error "PW2_VERSION is set by app/CMakeLists.txt from the project's version"
#endif

namespace pw2 {

const char* programVersion() {
    return PW2_VERSION;
}

std::string usageText() {
    return "usage: pawnwatch2 [/S | /C | /P]\n"
           "       pawnwatch2 -root\n"
           "       pawnwatch2 -window-id ID\n"
           "       pawnwatch2 --help | --version\n"
           "A chess screen saver: replays the games of a PGN file on a full-screen board.\n"
           "\n"
           "  /S             run the saver full screen; any other switch does the same\n"
           "  /C             open the setup dialog (also with no switch at all)\n"
           "  /P             end at once (there is no preview)\n"
           "  -root          as XScreenSaver starts it: draw into XSCREENSAVER_WINDOW\n"
           "  -window-id ID  draw into the X window ID (decimal, or hexadecimal with 0x)\n"
           "  --help, -h     print this text and exit\n"
           "  --version      print the version and exit\n"
           "/S, /C and /P count by their first two characters, in either case (/s is /S).\n"
           "SIGTERM or SIGINT ends the saver with status 0.\n"
           "\n"
           "Environment:\n"
           "  XSCREENSAVER_WINDOW  the X window to draw into; XScreenSaver sets it, and so\n"
           "                       does xsecurelock when XSECURELOCK_SAVER is the full\n"
           "                       path of pawnwatch2\n"
           "  XDG_CONFIG_HOME      the folder for the settings instead of ~/.config\n"
           "\n"
           "Files:\n"
           "  ~/.config/Pawnwatch2/Pawnwatch2.ini      settings, section [Config]\n"
           "  ~/.config/Pawnwatch2/Pawnwatch2.matches  the match table, beside the settings\n";
}

std::optional<std::string> informationRequest(int argc, const char* const* argv) {
    if (argc < 2 || !argv[1])
        return std::nullopt;
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h")
        return usageText();
    if (first == "--version")
        return std::string("pawnwatch2 ") + programVersion() + "\n";
    return std::nullopt;
}

} // namespace pw2
