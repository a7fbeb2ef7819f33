// The pictures of Vantrel, drawn in code: the board, the twelve piece pictures and the icon. Sizes
// are in logical pixels; each set is drawn for one device pixel ratio, so that the pictures stay
// sharp on a scaled screen.
#pragma once

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
    // 8 by 8 squares, 37 pixels apart, light square top left.
    QPixmap board;
    // Indexed by PieceNum: entries 2 to 13 hold the 32 by 32 piece pictures, 0 and 1 are null.
    std::array<QPixmap, 14> Images;
    // 32 by 32 picture of the component.
    QPixmap icon;

    // The pictures for one device pixel ratio, shared by every live holder: drawn when the first
    // one asks for that ratio and released with the last holder.
    static std::shared_ptr<const Art> acquire(qreal ratio = 1.0);
};

} // namespace vantrelkit
