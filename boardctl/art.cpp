#include "art.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <vector>

namespace vantrelkit {
namespace {

struct BoardColours {
    QColor light;
    QColor dark;
    QColor frame;
};

// Indexed by boardtheme value: the designed wood, then green, blue and grey.
const std::array<BoardColours, 4> kBoardColours{{
    {QColor(0xF0, 0xD9, 0xB5), QColor(0xB5, 0x88, 0x63), QColor(0x5A, 0x3A, 0x22)},
    {QColor(0xEE, 0xEE, 0xD2), QColor(0x76, 0x96, 0x56), QColor(0x3F, 0x55, 0x2E)},
    {QColor(0xDE, 0xE3, 0xE6), QColor(0x8C, 0xA2, 0xAD), QColor(0x45, 0x56, 0x60)},
    {QColor(0xDC, 0xDC, 0xDC), QColor(0xA4, 0xA4, 0xA4), QColor(0x4A, 0x4A, 0x4A)},
}};

const QColor kHighlight(205, 210, 60, 140); // alpha 0.55

struct Palette {
    QColor light;   // lit side of the figure
    QColor shade;   // shaded side
    QColor outline; // contour and inner lines
};

const Palette kWhitePalette{QColor(0xFF, 0xFF, 0xFF), QColor(0xD8, 0xD2, 0xC6),
                            QColor(0x1C, 0x1C, 0x1C)};
const Palette kRedPalette{QColor(0xEF, 0x4A, 0x3C), QColor(0xA8, 0x14, 0x14),
                          QColor(0x2E, 0x06, 0x06)};
// The classic set's Black: a black figure with a light contour and light inner lines.
const Palette kBlackPalette{QColor(0x4A, 0x4A, 0x4A), QColor(0x12, 0x12, 0x12),
                            QColor(0xEC, 0xEC, 0xEC)};

QPainterPath roundedRect(qreal x, qreal y, qreal w, qreal h, qreal r) {
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

QPainterPath ellipse(qreal cx, qreal cy, qreal r) {
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath p;
    p.addPolygon(QPolygonF(QList<QPointF>(points)));
    p.closeSubpath();
    return p;
}

// The plinth every figure stands on.
QPainterPath plinth() {
    return roundedRect(7.5, 25.5, 17, 3.5, 1.5);
}

// A waisted foot from a narrow top at y = top to the plinth.
QPainterPath foot(qreal top, qreal topHalfWidth, qreal bottomHalfWidth) {
    QPainterPath p;
    p.moveTo(16 - topHalfWidth, top);
    p.cubicTo(16 - topHalfWidth, top + 4, 16 - bottomHalfWidth - 1, 24, 16 - bottomHalfWidth, 26);
    p.lineTo(16 + bottomHalfWidth, 26);
    p.cubicTo(16 + bottomHalfWidth + 1, 24, 16 + topHalfWidth, top + 4, 16 + topHalfWidth, top);
    p.closeSubpath();
    return p;
}

struct Figure {
    QPainterPath body;    // filled and outlined
    QPainterPath details; // stroked only, inside the body
};

Figure pawn() {
    Figure f;
    f.body = ellipse(16, 8.5, 4.3)
                 .united(roundedRect(11.5, 13, 9, 2.6, 1.2))
                 .united(foot(15, 2.6, 6.5))
                 .united(plinth());
    f.details.moveTo(9.5, 25.5);
    f.details.lineTo(22.5, 25.5);
    return f;
}

Figure rook() {
    Figure f;
    f.body = polygon({{8.5, 4.5},
                      {11.8, 4.5},
                      {11.8, 7.2},
                      {14.4, 7.2},
                      {14.4, 4.5},
                      {17.6, 4.5},
                      {17.6, 7.2},
                      {20.2, 7.2},
                      {20.2, 4.5},
                      {23.5, 4.5},
                      {23.5, 10},
                      {21, 12.5},
                      {21, 21.5},
                      {23, 25.5},
                      {9, 25.5},
                      {11, 21.5},
                      {11, 12.5},
                      {8.5, 10}})
                 .united(plinth());
    f.details.moveTo(10.5, 12.5);
    f.details.lineTo(21.5, 12.5);
    f.details.moveTo(11, 21.5);
    f.details.lineTo(21, 21.5);
    f.details.moveTo(9.5, 25.5);
    f.details.lineTo(22.5, 25.5);
    return f;
}

Figure knight() {
    Figure f;
    QPainterPath head;
    head.moveTo(24.5, 26);
    head.cubicTo(25.5, 18, 24, 10, 18.5, 6.5); // back of the neck up to the ears
    head.lineTo(18, 2.5);                      // ear
    head.lineTo(15.5, 5.5);
    head.cubicTo(11.5, 6.5, 8.5, 9.5, 6.5, 13.5);  // forehead down to the nose
    head.cubicTo(5.5, 15.5, 5.8, 17.6, 7.8, 18);   // muzzle
    head.cubicTo(9.5, 18.3, 11, 17.2, 12.6, 16.4); // under the jaw
    head.cubicTo(13.4, 16, 14.2, 15.8, 15, 15.6);
    head.cubicTo(12.5, 18.5, 10, 21.5, 9.5, 26); // throat and chest
    head.closeSubpath();
    f.body = head.united(plinth());
    f.details.addEllipse(QPointF(12.2, 10.2), 1.1, 1.1); // eye
    f.details.moveTo(8.2, 15.2);                         // nostril
    f.details.lineTo(8.9, 15.6);
    f.details.moveTo(19.2, 8.5); // mane
    f.details.cubicTo(22.2, 12, 22.8, 17, 22.2, 22);
    f.details.moveTo(9.5, 25.5);
    f.details.lineTo(22.5, 25.5);
    return f;
}

Figure bishop() {
    Figure f;
    QPainterPath mitre;
    mitre.moveTo(16, 6);
    mitre.cubicTo(22.8, 9.5, 23.2, 15, 20.2, 18);
    mitre.lineTo(11.8, 18);
    mitre.cubicTo(8.8, 15, 9.2, 9.5, 16, 6);
    mitre.closeSubpath();
    f.body = ellipse(16, 4.4, 2.1)
                 .united(mitre)
                 .united(roundedRect(10.5, 17.5, 11, 2.8, 1.2))
                 .united(foot(20, 3, 6.5))
                 .united(plinth());
    f.details.moveTo(18.6, 9.6); // the mitre's slit
    f.details.lineTo(14.6, 14);
    f.details.moveTo(9.5, 25.5);
    f.details.lineTo(22.5, 25.5);
    return f;
}

Figure queen() {
    Figure f;
    const QPainterPath crown = polygon({{8.5, 19.5},
                                        {5.5, 9.8},
                                        {10.8, 15},
                                        {10.5, 7.2},
                                        {14.4, 14},
                                        {16, 6},
                                        {17.6, 14},
                                        {21.5, 7.2},
                                        {21.2, 15},
                                        {26.5, 9.8},
                                        {23.5, 19.5}});
    f.body = crown.united(ellipse(5.5, 9.2, 1.9))
                 .united(ellipse(10.5, 6.6, 1.9))
                 .united(ellipse(16, 5.2, 1.9))
                 .united(ellipse(21.5, 6.6, 1.9))
                 .united(ellipse(26.5, 9.2, 1.9))
                 .united(roundedRect(8.3, 19, 15.4, 2.8, 1.2))
                 .united(foot(21.5, 5.5, 7))
                 .united(plinth());
    f.details.moveTo(8.8, 19);
    f.details.lineTo(23.2, 19);
    f.details.moveTo(9.5, 25.5);
    f.details.lineTo(22.5, 25.5);
    return f;
}

Figure king() {
    Figure f;
    QPainterPath crown;
    crown.moveTo(9, 19);
    crown.cubicTo(4.5, 15, 6.5, 9, 11.5, 10);
    crown.cubicTo(13.8, 10.5, 15.4, 12.2, 16, 14);
    crown.cubicTo(16.6, 12.2, 18.2, 10.5, 20.5, 10);
    crown.cubicTo(25.5, 9, 27.5, 15, 23, 19);
    crown.closeSubpath();
    f.body = roundedRect(15, 1.2, 2, 7.5, 0.6)
                 .united(roundedRect(12.5, 3, 7, 2, 0.6))
                 .united(ellipse(16, 10.5, 2.6))
                 .united(crown)
                 .united(roundedRect(8.8, 18.5, 14.4, 2.8, 1.2))
                 .united(foot(21, 5, 7))
                 .united(plinth());
    f.details.moveTo(16, 13.5);
    f.details.lineTo(16, 18.5);
    f.details.moveTo(9.3, 18.5);
    f.details.lineTo(22.7, 18.5);
    f.details.moveTo(9.5, 25.5);
    f.details.lineTo(22.5, 25.5);
    return f;
}

Figure figureOf(int kind) {
    switch (kind) {
    case 0:
        return pawn();
    case 1:
        return rook();
    case 2:
        return knight();
    case 3:
        return bishop();
    case 4:
        return queen();
    default:
        return king();
    }
}

// A transparent image of width by height logical pixels, times scale, at the given device pixel
// ratio; a painter on it draws in logical pixels of scale 1.
QImage canvas(int width, int height, qreal ratio, qreal scale, QImage::Format format) {
    QImage image(qCeil(width * ratio * scale), qCeil(height * ratio * scale), format);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

// Makes p draw in logical pixels of scale 1 on a canvas drawn for scale.
void scalePainter(QPainter& p, qreal scale) {
    if (scale != 1.0)
        p.scale(scale, scale);
}

QPixmap drawPiece(const Figure& figure, const Palette& palette, qreal ratio, qreal scale) {
    QImage image =
        canvas(kPieceSize, kPieceSize, ratio, scale, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    scalePainter(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(6, 0, 26, 0);
    fill.setColorAt(0, palette.light);
    fill.setColorAt(1, palette.shade);
    p.setPen(QPen(palette.outline, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(figure.body);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(palette.outline, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(figure.details);
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace

// A one-pixel frame on the left and top, then the squares; the picture is two pixels wider than
// the squares and one higher, and the control shows 296 by 296 of it. It is painted straight onto
// the control rather than kept as a picture: flat squares cost nothing to paint, while a picture
// of a board grown to a large screen would hold megabytes.
void paintBoard(QPainter& p, qreal ratio, qreal scale, std::int32_t theme) {
    const BoardColours& colours =
        kBoardColours[theme >= 0 && theme < static_cast<std::int32_t>(kBoardColours.size())
                          ? static_cast<std::size_t>(theme)
                          : 0];
    p.save();
    // The frame covers whole device pixels, as a picture of that size would.
    p.scale(1 / ratio, 1 / ratio);
    p.fillRect(QRect(0, 0, qCeil(kBoardWidth * ratio * scale), qCeil(kBoardHeight * ratio * scale)),
               colours.frame);
    p.restore();
    p.save();
    scalePainter(p, scale);
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 8; ++col) {
            const QRect square(1 + col * kSquarePitch, 1 + row * kSquarePitch, kSquarePitch,
                               kSquarePitch);
            p.fillRect(square, (row + col) % 2 == 0 ? colours.light : colours.dark);
        }
    }
    p.restore();
}

QRectF boardSquare(int col, int row, qreal scale) {
    return QRectF((1 + (col - 1) * kSquarePitch) * scale, (1 + (row - 1) * kSquarePitch) * scale,
                  kSquarePitch * scale, kSquarePitch * scale);
}

void paintSquareTint(QPainter& p, int col, int row, qreal scale) {
    p.save();
    // The same transform as the squares of paintBoard, so that the tint covers exactly one.
    scalePainter(p, scale);
    p.fillRect(QRect(1 + (col - 1) * kSquarePitch, 1 + (row - 1) * kSquarePitch, kSquarePitch,
                     kSquarePitch),
               kHighlight);
    p.restore();
}

std::shared_ptr<const Art> Art::acquire(qreal ratio, qreal scale, std::int32_t pieceSet) {
    if (!(ratio > 0))
        ratio = 1.0;
    if (!(scale > 0))
        scale = 1.0;
    if (pieceSet != pieceset::classic)
        pieceSet = pieceset::designed;
    // One entry per piece set, ratio and scale in use; a screen setup has very few.
    static std::vector<std::weak_ptr<const Art>> shared;
    for (auto entry = shared.begin(); entry != shared.end();) {
        auto art = entry->lock();
        if (!art) {
            entry = shared.erase(entry);
            continue;
        }
        if (art->pieceSet == pieceSet && qFuzzyCompare(art->ratio, ratio) &&
            qFuzzyCompare(art->scale, scale))
            return art;
        ++entry;
    }
    auto art = std::make_shared<Art>();
    art->ratio = ratio;
    art->scale = scale;
    art->pieceSet = pieceSet;
    const Palette& black = pieceSet == pieceset::classic ? kBlackPalette : kRedPalette;
    for (int kind = 0; kind < 6; ++kind) {
        const Figure figure = figureOf(kind);
        art->Images[Bpawn + kind] = drawPiece(figure, black, ratio, scale);
        art->Images[Wpawn + kind] = drawPiece(figure, kWhitePalette, ratio, scale);
    }
    shared.push_back(art);
    return art;
}

} // namespace vantrelkit
