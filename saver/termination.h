// How the saver ends when it is asked to from outside: idle daemons and XScreenSaver stop their
// commands with SIGTERM, a terminal with SIGINT.
#pragma once

namespace pw2 {

// From now on SIGTERM and SIGINT end the program: cleanly through the event loop, which closes
// the saver and shows the pointer again, or, when the event loop does not get to it within half
// a second because it is busy, at once with exit status 128 + the signal's number.
void endOnTerminationSignal();

} // namespace pw2
