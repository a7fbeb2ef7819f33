#include "saver_layout.h"

#include <cmath>

namespace pw2 {

SaverLayout computeSaverLayout(double screenWidth, double screenHeight, double twipsPerPixel) {
    SaverLayout l;
    // The hidden title picture reserves a band above the board panel, except on a 640-pixel
    // screen; on a 1024-pixel screen it is enlarged by half first.
    const float w = static_cast<float>(screenWidth / twipsPerPixel);
    double titleHeight = design::Image1Height;
    if (w == 640.0f) {
        l.picture1Top = 100;
    } else if (w == 1024.0f) {
        titleHeight *= 1.5;
        l.picture1Top = titleHeight + 250;
    } else {
        l.picture1Top = titleHeight + 100;
    }
    l.picture1Left = (screenWidth - design::Picture1Width) / 2;
    l.picture2Left = screenWidth - design::Picture2Width;
    l.picture2Top = (screenHeight - design::Picture2Height) / 2;
    l.picture3Height =
        (std::floor(screenHeight / design::LineHeight) - 3) * design::LineHeight + 100;
    l.picture3Top = design::Label8Height + 150;
    return l;
}

} // namespace pw2
