// Where the saver window's parts stand for a screen size. Qt-free; all figures in twips.
#pragma once

namespace pw2 {

inline constexpr double kTwipsPerInch = 1440.0;

// Design values of the saver window's controls (left, top, width, height in twips).
namespace design {
inline constexpr double BoardPanelWidth = 4995, BoardPanelHeight = 6735;
inline constexpr double CurrentMovePanelWidth = 2820, CurrentMovePanelHeight = 3255;
inline constexpr double MoveListLeft = 300, MoveListWidth = 2115;
inline constexpr double MoveListTitleHeight = 300;
inline constexpr double TitlePictureHeight = 2250;
inline constexpr double LineHeight = 240;      // one printed line of the move-list box
inline constexpr double ScrolledLineTop = 340; // the newest line after a scroll, above the bottom
} // namespace design

struct SaverLayout {
    double boardPanelLeft = 0, boardPanelTop = 0;
    double currentMovePanelLeft = 0, currentMovePanelTop = 0;
    double moveListTop = 0, moveListHeight = 0;
};

// screenWidth and screenHeight in twips; twipsPerPixel from the screen's logical resolution.
SaverLayout computeSaverLayout(double screenWidth, double screenHeight, double twipsPerPixel);

} // namespace pw2
