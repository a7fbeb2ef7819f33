// Where the saver window's parts stand for a screen size. Qt-free; all figures in twips.
#pragma once

namespace pw2 {

inline constexpr double kTwipsPerInch = 1440.0;

// Design values of the saver window's controls (left, top, width, height in twips).
namespace design {
inline constexpr double Picture1Width = 4995, Picture1Height = 6735;
inline constexpr double Picture2Width = 2820, Picture2Height = 3255;
inline constexpr double Picture3Left = 300, Picture3Width = 2115;
inline constexpr double Label8Height = 300;
inline constexpr double Image1Height = 2250;
inline constexpr double LineHeight = 240;      // one printed line of the move-list box
inline constexpr double ScrolledLineTop = 340; // the newest line after a scroll, above the bottom
} // namespace design

struct SaverLayout {
    double picture1Left = 0, picture1Top = 0;
    double picture2Left = 0, picture2Top = 0;
    double picture3Top = 0, picture3Height = 0;
};

// screenWidth and screenHeight in twips; twipsPerPixel from the screen's logical resolution.
SaverLayout computeSaverLayout(double screenWidth, double screenHeight, double twipsPerPixel);

} // namespace pw2
