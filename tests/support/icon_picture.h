// Checks a picture drawn from the program's icon, data/pawnwatch2.svg: the white knight of the
// board control on four squares of the board's colours, light at the top left.
#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace pw2::test {

// Whether pixel is within within of colour in each channel, fully opaque.
inline bool nearColour(QRgb pixel, const QColor& colour, int within) {
    return qAlpha(pixel) == 255 && std::abs(qRed(pixel) - colour.red()) <= within &&
           std::abs(qGreen(pixel) - colour.green()) <= within &&
           std::abs(qBlue(pixel) - colour.blue()) <= within;
}

// Expects pixmap to be side by side logical pixels drawn for ratio, with the board's light and
// dark squares in its corners, the knight's white body in the middle and its dark outline.
inline void expectIconPicture(const QPixmap& pixmap, int side, qreal ratio = 1.0) {
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), ratio);
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const int device = qRound(side * ratio);
    ASSERT_EQ(image.size(), QSize(device, device));
    const auto at = [&](double fx, double fy) {
        return image.pixel(int(fx * device), int(fy * device));
    };
    const QColor light(0xF0, 0xD9, 0xB5);
    const QColor dark(0xB5, 0x88, 0x63);
    EXPECT_TRUE(nearColour(at(0.12, 0.12), light, 8)) << "top left";
    EXPECT_TRUE(nearColour(at(0.88, 0.12), dark, 8)) << "top right";
    EXPECT_TRUE(nearColour(at(0.12, 0.88), dark, 8)) << "bottom left";
    EXPECT_TRUE(nearColour(at(0.88, 0.88), light, 8)) << "bottom right";
    // The knight's neck, lit from the left: between white and the shaded side.
    const QRgb neck = at(0.62, 0.56);
    EXPECT_TRUE(nearColour(neck, QColor(0xE6, 0xE1, 0xD9), 24))
        << "neck " << qRed(neck) << "," << qGreen(neck) << "," << qBlue(neck);
    // The outline, #1C1C1C, darker than anything on the board.
    int darkest = 255;
    for (int y = 0; y < device; ++y)
        for (int x = 0; x < device; ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    EXPECT_LT(darkest, 80);
}

} // namespace pw2::test
