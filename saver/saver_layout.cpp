#include "saver_layout.h"

#include <algorithm>
#include <cmath>

namespace pw2 {
namespace {

constexpr double kMoveListBoxTop = design::MoveListTitleHeight + 150;
// Kept between the board panel and the columns beside it, so that rounding to pixels never
// makes them touch.
constexpr double kColumnGap = 30;

// Kept between the caption and the screen's edges or the panel above it, and one line of the
// caption's text (9.75 points with the space between lines).
constexpr double kCaptionMargin = 60;
constexpr double kCaptionLineHeight = 300;

double moveListHeightFor(double screenHeight) {
    return (std::floor(screenHeight / design::LineHeight) - 3) * design::LineHeight + 100;
}

} // namespace

SaverLayout computeSaverLayout(double screenWidth, double screenHeight, double twipsPerPixel) {
    SaverLayout l;
    // The hidden title picture reserves a band above the board panel, except on a 640-pixel
    // screen; on a 1024-pixel screen it is enlarged by half first.
    const float w = static_cast<float>(screenWidth / twipsPerPixel);
    double titleHeight = design::TitlePictureHeight;
    if (w == 640.0f) {
        l.boardPanelTop = 100;
    } else if (w == 1024.0f) {
        titleHeight *= 1.5;
        l.boardPanelTop = titleHeight + 250;
    } else {
        l.boardPanelTop = titleHeight + 100;
    }
    l.boardPanelLeft = (screenWidth - design::BoardPanelWidth) / 2;
    l.currentMovePanelLeft = screenWidth - design::CurrentMovePanelWidth;
    l.currentMovePanelTop = (screenHeight - design::CurrentMovePanelHeight) / 2;
    l.moveListHeight = moveListHeightFor(screenHeight);
    l.moveListTop = kMoveListBoxTop;

    const double boardPanelBottom = l.boardPanelTop + design::BoardPanelHeight;
    const double beneath = screenHeight - boardPanelBottom - 2 * kCaptionMargin;
    if (beneath >= 2 * kCaptionLineHeight) {
        l.captionLeft = l.boardPanelLeft;
        l.captionTop = boardPanelBottom + kCaptionMargin;
        l.captionWidth = design::BoardPanelWidth;
        l.captionHeight = beneath;
    } else {
        l.captionLeft = std::max(l.currentMovePanelLeft,
                                 l.boardPanelLeft + design::BoardPanelWidth + kColumnGap);
        l.captionTop = l.currentMovePanelTop + design::CurrentMovePanelHeight + kCaptionMargin;
        l.captionWidth = std::max(0.0, screenWidth - kCaptionMargin - l.captionLeft);
        l.captionHeight = std::max(0.0, screenHeight - kCaptionMargin - l.captionTop);
    }
    return l;
}

namespace {

// The widths of the columns, in units of the smallest text: the move list's rows
// ("999. exd8=Q+!? exd8=Q+!?" in a bold face), and the least the other column takes.
constexpr double kMoveListColumn = 16.5;
constexpr double kOtherColumn = 11;
// A clock's width beside a name, in units of its text: "0:00:00" and its frame.
constexpr double kClockWidth = 4.8;
// The board of the designed layout, in pixels: a filled layout never shows a smaller one.
constexpr double kDesignedBoard = 297;

// Boxes stacked from top to bottom in a column, each given its height.
class Stack {
public:
    Stack(double left, double top, double width) : left_(left), top_(top), width_(width) {}
    Box take(double height) {
        const Box b{left_, top_, width_, height};
        top_ += height;
        return b;
    }
    void skip(double height) { top_ += height; }
    double top() const { return top_; }

private:
    double left_, top_, width_;
};

} // namespace

FilledLayout computeFilledLayout(double screenWidth, double screenHeight, Drift drift,
                                 LayoutParts parts) {
    FilledLayout l;
    const double h = screenHeight;
    l.smallText = kSmallTextShare * h;
    l.nameText = kNameTextShare * h;
    l.statusText = kStatusTextShare * h;
    l.moveText = kMoveTextShare * h;
    l.clockText = kClockTextShare * h;
    const double clockLine = parts.clocks ? kLineSpacing * l.clockText : 0;
    const double line = kLineSpacing * l.smallText;
    const double nameLine = kLineSpacing * l.nameText;
    const double gap = 0.6 * l.smallText;
    const double rankWidth = 1.2 * l.smallText;
    const double evaluationWidth = parts.evaluation ? kEvaluationColumn * l.smallText : 0;
    const double besideBoard = rankWidth + evaluationWidth; // left of the board
    const double fileHeight = line;

    const double usableWidth = screenWidth * (1 - kDriftShare);
    const double usableHeight = screenHeight * (1 - kDriftShare);
    const double left = screenWidth * kDriftShare / 2 * (1 + std::clamp(drift.x, -1.0, 1.0));
    const double top = screenHeight * kDriftShare / 2 * (1 + std::clamp(drift.y, -1.0, 1.0));

    const double listColumn = kMoveListColumn * l.smallText;
    const double otherColumn = kOtherColumn * l.smallText;
    const double tallest = usableHeight - fileHeight;
    const double twoWide = usableWidth - besideBoard - listColumn - otherColumn - 2 * gap;
    const double oneWide = usableWidth - besideBoard - listColumn - gap;
    l.twoColumns = std::min(tallest, twoWide) >= 0.85 * h;
    const double board = std::floor(std::min(tallest, l.twoColumns ? twoWide : oneWide));
    if (!(board >= kDesignedBoard))
        return l;
    l.fills = true;

    // The board with its coordinates is centred in the height; the columns take the width left
    // beside it, shared alike.
    const double blockHeight = board + fileHeight;
    const double blockTop = top + (usableHeight - blockHeight) / 2;
    const double spare = usableWidth - besideBoard - board - (l.twoColumns ? 2 : 1) * gap -
                         listColumn - (l.twoColumns ? otherColumn : 0);
    const double listWidth = listColumn + (l.twoColumns ? spare / 2 : spare);
    const double otherWidth = otherColumn + spare / 2;
    const double boardLeft =
        l.twoColumns ? left + listWidth + gap + besideBoard : left + besideBoard;
    l.board = {boardLeft, blockTop, board, board};
    l.ranks = {boardLeft - rankWidth, blockTop, rankWidth, board};
    if (parts.evaluation)
        l.evaluation = {boardLeft - besideBoard, blockTop, evaluationWidth, blockHeight};
    l.files = {boardLeft, blockTop + board, board, fileHeight};
    const double columnLeft = boardLeft + board + gap;
    const double columnWidth = l.twoColumns ? otherWidth : listWidth;
    const double bottom = blockTop + blockHeight;

    // The players' boxes hold two lines, for a long name with its rating.
    Stack right(columnLeft, blockTop, columnWidth);
    l.black = right.take(2 * nameLine);
    l.white = {columnLeft, bottom - 2 * nameLine, columnWidth, 2 * nameLine};
    // The clocks stand between the names, toward the board's middle, in the wide column of two;
    // in one column, where every line is needed for the move list, at the names' right.
    double whiteTop = l.white.top;
    if (parts.clocks && l.twoColumns) {
        l.blackClock = right.take(clockLine);
        whiteTop -= clockLine;
        l.whiteClock = {columnLeft, whiteTop, columnWidth, clockLine};
    } else if (parts.clocks) {
        const double clockWidth = kClockWidth * l.clockText;
        const double clockLeft = columnLeft + columnWidth - clockWidth;
        l.black.width = l.white.width = columnWidth - clockWidth - gap;
        l.blackClock = {clockLeft, l.black.top, clockWidth, clockLine};
        l.whiteClock = {clockLeft, l.white.bottom() - clockLine, clockWidth, clockLine};
    }
    Stack header = l.twoColumns ? Stack(left, blockTop, listWidth) : right;
    l.event = header.take(2 * nameLine);
    l.date = header.take(line);
    l.opening = header.take(2 * line);
    header.skip(gap);
    if (!l.twoColumns)
        right = header;
    else
        right.skip(gap);
    l.currentMove = right.take(kLineSpacing * l.moveText);
    l.status = right.take(2 * kLineSpacing * l.statusText);
    right.skip(gap / 2);
    if (l.twoColumns) {
        l.caption = right.take(std::max(0.0, whiteTop - gap - right.top()));
        l.moveList = header.take(std::max(0.0, bottom - header.top()));
    } else {
        l.caption = right.take(4 * line);
        right.skip(gap / 2);
        l.moveList = right.take(std::max(0.0, whiteTop - gap - right.top()));
    }
    return l;
}

bool exceedsDesignedScreen(int widthPixels, int heightPixels) {
    return widthPixels > design::LargestScreenWidth || heightPixels > design::LargestScreenHeight;
}

Drift burnInDrift(unsigned count) {
    // Two sines of unrelated periods: the layout passes through every place of its slack over a
    // few dozen games and never returns to the same one.
    const double n = count;
    return {std::sin(n * 0.37), std::sin(n * 0.23 + 1.0)};
}

} // namespace pw2
