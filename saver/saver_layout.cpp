#include "saver_layout.h"

#include <cmath>

namespace pw2 {

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
    l.moveListHeight =
        (std::floor(screenHeight / design::LineHeight) - 3) * design::LineHeight + 100;
    l.moveListTop = design::MoveListTitleHeight + 150;
    return l;
}

} // namespace pw2
