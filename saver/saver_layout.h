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

// A rectangle of the screen, in pixels.
struct Box {
    double left = 0, top = 0, width = 0, height = 0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

// Text sizes of the filled layout, as shares of the screen's height (at 1920 by 1080: 24, 30,
// 32 and 49 pixels). The smallest is that of the move list, the date, the opening, the caption
// and the coordinates.
inline constexpr double kSmallTextShare = 0.022;
inline constexpr double kNameTextShare = 0.028;  // the players and the event
inline constexpr double kStatusTextShare = 0.03; // the status
inline constexpr double kMoveTextShare = 0.045;  // the current move
inline constexpr double kClockTextShare = 0.036; // the players' clocks
// A line of text is this many times the text's size.
inline constexpr double kLineSpacing = 1.3;
// The move that every move column of the move list is made wide enough for.
inline constexpr const char* kWidestMove = "exd8=Q+!?";

// The layout that fills a screen larger than the largest designed one: the board as large as the
// screen's height allows, with its coordinates, and the texts in columns beside it. On a wide
// screen (the board then takes at least 85 % of the height) the header and the move list stand
// at the board's left, and the players (Black at the top, White at the bottom, as the board is
// drawn), the current move, the status and the caption at its right; on a narrower one all of
// them stand in one column at its right. The whole layout lies within the screen less
// kDriftShare of each side's length, placed in that slack by drift. Sizes are in pixels.
// The parts that a game may bring along and the filled layout then makes room for: the players'
// clocks, beneath Black's name and above White's (in one column, at their right), and the
// evaluation bar, at the left of the board's coordinates, as high as the board, with its number
// beneath it.
struct LayoutParts {
    bool clocks = false;
    bool evaluation = false;
    bool operator==(const LayoutParts&) const = default;
};
inline constexpr double kEvaluationColumn = 3.2; // its width, in units of the smallest text

struct FilledLayout {
    bool fills = false;      // false: the screen is too small; keep the designed layout
    bool twoColumns = false; // the texts stand on both sides of the board
    double smallText = 0, nameText = 0, statusText = 0, moveText = 0, clockText = 0; // pixels
    Box board;                                                                       // square
    Box ranks, files; // the coordinates: the digits left of the board, the letters below
    Box event, date, opening;
    Box black, white; // the players: Black's top-aligned, White's bottom-aligned in their boxes
    Box currentMove, status, caption, moveList;
    Box whiteClock, blackClock, evaluation; // empty unless the parts asked for them
};

FilledLayout computeFilledLayout(double screenWidth, double screenHeight, Drift drift = {},
                                 LayoutParts parts = {});

// Whether a screen of that many logical pixels is larger than the largest designed one.
bool exceedsDesignedScreen(int widthPixels, int heightPixels);

// The drift of the layout for the game shown count-th since the saver started: a slow walk
// through the whole slack, a small step from one game to the next.
Drift burnInDrift(unsigned count);

} // namespace pw2
