// main() of every test binary: a QApplication on Qt's offscreen platform (unless the caller chose
// another), then GoogleTest.
#include "sanitizer_options.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// The sanitizers read these when the program starts; ctest cannot pass them to every test through
// the environment.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=1:abort_on_error=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return kLeakSuppressions;
}
extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
