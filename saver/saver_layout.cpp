#include "saver_layout.h"

#include <algorithm>
#include <cmath>

namespace pw2 {
namespace {

// The move list, from the window's left edge to the list's right edge.
constexpr double kMoveListColumnWidth = design::MoveListLeft + design::MoveListWidth;
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

double captionBandFor(int lines) {
    return lines > 0 ? lines * kCaptionLineHeight + 2 * kCaptionMargin : 0;
}

SaverLayout computeFilledLayout(double screenWidth, double screenHeight, double twipsPerPixel,
                                Drift drift, double captionBand) {
    const double band = std::max(0.0, captionBand);
    const double widest = kMoveListColumnWidth + design::BoardPanelWidth +
                          design::CurrentMovePanelWidth + 2 * kColumnGap;
    const double usableWidth = screenWidth * (1 - kDriftShare);
    const double usableHeight = screenHeight * (1 - kDriftShare);
    const double scale =
        std::min(usableWidth / widest, usableHeight / (design::BoardPanelHeight + band));
    if (!(scale > 1))
        return computeSaverLayout(screenWidth, screenHeight, twipsPerPixel);

    // The usable area in design twips, and its place in the slack.
    const double width = usableWidth / scale;
    const double height = usableHeight / scale;
    const double left =
        screenWidth * kDriftShare / 2 / scale * (1 + std::clamp(drift.x, -1.0, 1.0));
    const double top =
        screenHeight * kDriftShare / 2 / scale * (1 + std::clamp(drift.y, -1.0, 1.0));

    SaverLayout l;
    l.scale = scale;
    // The board panel is centred as in the designed layout unless that would take it over the
    // move list or under the current-move panel.
    const double centred = (width - design::BoardPanelWidth) / 2;
    l.boardPanelLeft = left + std::clamp(centred, kMoveListColumnWidth + kColumnGap,
                                         width - design::CurrentMovePanelWidth -
                                             design::BoardPanelWidth - kColumnGap);
    l.boardPanelTop = top + (height - design::BoardPanelHeight - band) / 2;
    l.captionLeft = l.boardPanelLeft;
    l.captionTop = l.boardPanelTop + design::BoardPanelHeight + std::min(band, kCaptionMargin);
    l.captionWidth = design::BoardPanelWidth;
    l.captionHeight = std::max(0.0, band - 2 * kCaptionMargin);
    l.currentMovePanelLeft = left + width - design::CurrentMovePanelWidth;
    l.currentMovePanelTop = top + (height - design::CurrentMovePanelHeight) / 2;
    l.moveListLeft = left + design::MoveListLeft;
    l.moveListTitleTop = top + design::MoveListTitleTop;
    l.moveListTop = top + kMoveListBoxTop;
    l.moveListHeight = moveListHeightFor(height);
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
