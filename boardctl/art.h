// The pictures of Vantrel, drawn in code: the board and the twelve piece pictures. Sizes
// are in logical pixels at scale 1; each set is drawn for one device pixel ratio and one scale of
// the control, straight onto the device pixels it will cover, so that the pictures stay sharp on a
// scaled screen and on a scaled control alike.
#pragma once

#include <QPainter>
#include <QPixmap>
#include <array>
#include <memory>
#include <vantrelkit/vantrelkit.h>

namespace vantrelkit {

inline constexpr int kBoardWidth = 298;
inline constexpr int kBoardHeight = 297;
inline constexpr int kSquarePitch = 37;
inline constexpr int kPieceSize = 32;

struct Art {
    // The device pixel ratio the pictures are drawn for; each pixmap carries it.
    qreal ratio = 1.0;
    // The scale of the control they are drawn for: every logical size below is multiplied by it.
    qreal scale = 1.0;
    // The piece set the pictures show (pieceset::designed or pieceset::classic).
    std::int32_t pieceSet = pieceset::designed;
    // Indexed by PieceNum: entries 2 to 13 hold the 32 by 32 piece pictures, 0 and 1 are null.
    std::array<QPixmap, 14> Images;

    // The pictures of one piece set for one device pixel ratio and scale, shared by every live
    // holder: drawn when the first one asks for that set, ratio and scale, and released with the
    // last holder.
    static std::shared_ptr<const Art> acquire(qreal ratio = 1.0, qreal scale = 1.0,
                                              std::int32_t pieceSet = pieceset::designed);
};

// Paints the board, 8 by 8 squares 37 pixels apart with the light square top left, at the
// control's top-left corner, in the colours of theme (a boardtheme value): p paints in the
// control's logical pixels on a device of ratio.
void paintBoard(QPainter& p, qreal ratio, qreal scale, std::int32_t theme = boardtheme::designed);

// The square of column col and row row (1 to 8, row 1 at the top) as paintBoard fills it, in the
// control's logical pixels at scale.
QRectF boardSquare(int col, int row, qreal scale);

// Tints that square, over the board and under the pieces, with the highlight colour: a
// translucent yellow-green that shifts the light squares towards yellow and the dark ones
// towards olive, so that it shows on both.
void paintSquareTint(QPainter& p, int col, int row, qreal scale);

} // namespace vantrelkit
