// The program's icon, data/pawnwatch2.svg, built into the program and drawn with Qt SVG: the
// setup window's icon and the about box's picture.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace pw2 {

// The icon, size by size logical pixels, drawn for the device pixel ratio ratio (a null pixmap
// if the built-in picture cannot be read).
QPixmap appIconPixmap(int size, qreal ratio = 1.0);

// The icon at the sizes desktops show a window's icon at, each drawn beforehand, so that it
// needs no icon engine plugin.
QIcon appIcon();

} // namespace pw2
