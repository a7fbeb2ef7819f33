#include "services/globals.h"

namespace pw2 {

ProgramValues& globals() {
    static ProgramValues values;
    return values;
}

void resetGlobals() {
    globals() = ProgramValues{};
}

} // namespace pw2
