// main() of the scaled-display tests: every screen scaled by 2 (QT_SCALE_FACTOR, read when the
// QApplication is created), on Qt's offscreen platform with the screens of hidpi_screens.json
// (device pixel ratios 2 and 4, and 1, 1.5, 2.5, 3.75 and 5 for a scaled control and its
// reference), unless the caller chose another platform.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

int main(int argc, char** argv) {
    setenv("QT_SCALE_FACTOR", "2", 1);
    if (!std::getenv("QT_QPA_PLATFORM")) {
        const std::string platform = std::string("offscreen:configfile=") + PW2_HIDPI_SCREENS;
        setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    }
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
