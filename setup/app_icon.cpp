#include "setup/app_icon.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtMath>

namespace pw2 {
namespace {

constexpr const char* kIconResource = ":/pawnwatch2/pawnwatch2.svg";

// The picture renderer reads, size by size logical pixels, drawn for the device pixel ratio ratio.
QPixmap drawIcon(QSvgRenderer& renderer, int size, qreal ratio) {
    if (size <= 0 || !(ratio > 0) || !renderer.isValid())
        return {};
    const int side = qCeil(size * ratio);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    renderer.render(&p);
    p.end();
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

} // namespace

QPixmap appIconPixmap(int size, qreal ratio) {
    QSvgRenderer renderer(QString::fromLatin1(kIconResource));
    return drawIcon(renderer, size, ratio);
}

QIcon appIcon() {
    // The picture is read once and drawn at each size.
    QSvgRenderer renderer(QString::fromLatin1(kIconResource));
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QPixmap pixmap = drawIcon(renderer, size, 1.0);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace pw2
