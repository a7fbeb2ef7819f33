// Where the saver window's parts stand for a screen size. Qt-free; all figures in twips.
#pragma once

namespace pw2 {

inline constexpr double kTwipsPerInch = 1440.0;

// Design values of the saver window's controls (left, top, width, height in twips).
namespace design {
inline constexpr double BoardPanelWidth = 4995, BoardPanelHeight = 6735;
inline constexpr double CurrentMovePanelWidth = 2820, CurrentMovePanelHeight = 3255;
inline constexpr double MoveListLeft = 300, MoveListWidth = 2115;
inline constexpr double MoveListTitleLeft = 300, MoveListTitleTop = 120;
inline constexpr double MoveListTitleHeight = 300;
inline constexpr double TitlePictureHeight = 2250;
inline constexpr double LineHeight = 240;      // one printed line of the move-list box
inline constexpr double ScrolledLineTop = 340; // the newest line after a scroll, above the bottom
// The largest screen the layout is designed for, in pixels.
inline constexpr int LargestScreenWidth = 1024, LargestScreenHeight = 768;
} // namespace design

// Positions are in design twips: a part stands at position * scale twips on the screen, and its
// own controls keep their design places and sizes, times scale.
struct SaverLayout {
    double scale = 1; // 1 for the designed layout
    double boardPanelLeft = 0, boardPanelTop = 0;
    double currentMovePanelLeft = 0, currentMovePanelTop = 0;
    double moveListLeft = design::MoveListLeft, moveListTop = 0, moveListHeight = 0;
    double moveListTitleTop = design::MoveListTitleTop;
    // The caption beneath the board (a game's commentary, the summary between games).
    double captionLeft = 0, captionTop = 0, captionWidth = 0, captionHeight = 0;
};

// A band of that many caption lines, for computeFilledLayout's captionBand.
double captionBandFor(int lines);

// The designed layout. screenWidth and screenHeight in twips; twipsPerPixel from the screen's
// logical resolution. The caption stands beneath the board panel, with its width, where two
// lines fit there (1024 by 768); else beneath the current-move panel, from the board panel's
// right to the screen's (640 by 480, 800 by 600, whose board panel reaches the bottom).
SaverLayout computeSaverLayout(double screenWidth, double screenHeight, double twipsPerPixel);

// Where a filled layout stands within its slack: x and y from -1 (left, top) to 1 (right,
// bottom); 0, 0 is the centre.
struct Drift {
    double x = 0, y = 0;
};

// The share of the screen's width and of its height kept free around a filled layout, so that
// the layout can drift; half of it lies on each side.
inline constexpr double kDriftShare = 0.01;

// The layout that fills a screen larger than the largest designed one: the designed parts grown
// uniformly to the largest scale at which the move list, the board panel and the current-move
// panel stand side by side inside the screen, less kDriftShare of each side's length, without
// overlapping. Its scale is at least 1; a screen that gives no more than that gets the designed
// layout. captionBand (design twips) is kept beneath the board panel, with its width, for the
// caption, and the board panel with its band is centred in the height; 0 keeps no band.
SaverLayout computeFilledLayout(double screenWidth, double screenHeight, double twipsPerPixel,
                                Drift drift = {}, double captionBand = 0);

// Whether a screen of that many logical pixels is larger than the largest designed one.
bool exceedsDesignedScreen(int widthPixels, int heightPixels);

// The drift of the layout for the game shown count-th since the saver started: a slow walk
// through the whole slack, a small step from one game to the next.
Drift burnInDrift(unsigned count);

} // namespace pw2
