#include "setup/app_icon.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtMath>

namespace pw2 {

QPixmap appIconPixmap(int size, qreal ratio) {
    if (size <= 0 || !(ratio > 0))
        return {};
    QSvgRenderer renderer(QStringLiteral(":/pawnwatch2/pawnwatch2.svg"));
    if (!renderer.isValid())
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

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QPixmap pixmap = appIconPixmap(size);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace pw2
