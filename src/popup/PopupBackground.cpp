#include "popup/PopupBackground.h"

#include "popup/PopupGeometry.h"

#include <QPainter>

namespace PopupBackground {

QColor gradientColorAt(int i, int n, const QColor &c1, const QColor &c2)
{
    if (n <= 0)
        return c1.toRgb();
    const QColor a = c1.toRgb();
    const QColor b = c2.toRgb();
    const auto channel = [i, n](int from, int to) {
        return from + PopupGeometry::divideRoundingHalfAway(i * (to - from), n);
    };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()));
}

QImage gradientImage(const QSize &size, const QColor &c1, const QColor &c2, TOrientation orientation)
{
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    if (orientation == TOrientation::mbVertical) {
        const int h = size.height();
        for (int y = 0; y <= h; ++y) {
            painter.setPen(gradientColorAt(y, h, c1, c2));
            painter.drawLine(0, y, size.width(), y);
        }
    } else {
        const int w = size.width();
        for (int x = 0; x <= w; ++x) {
            painter.setPen(gradientColorAt(x, w, c1, c2));
            painter.drawLine(x, 0, x, size.height());
        }
    }
    return image;
}

QImage transparentImage(const QImage &image)
{
    if (image.isNull() || image.hasAlphaChannel())
        return image;
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = result.pixel(0, result.height() - 1) | 0xff000000u;
    for (int y = 0; y < result.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if ((line[x] | 0xff000000u) == key)
                line[x] = 0;
        }
    }
    return result;
}

void drawBackgroundImage(QPainter &painter, const QSize &area, const QImage &image, TMSNImageDrawMethod method)
{
    if (image.isNull())
        return;
    switch (method) {
    case TMSNImageDrawMethod::dmActualSize:
        painter.drawImage(0, 0, image);
        break;
    case TMSNImageDrawMethod::dmTile:
        for (int y = 0; y < area.height(); y += image.height()) {
            for (int x = 0; x < area.width(); x += image.width())
                painter.drawImage(x, y, image);
        }
        break;
    case TMSNImageDrawMethod::dmFit:
        painter.drawImage(QRect(QPoint(0, 0), area), image);
        break;
    }
}

QImage bandStripImage()
{
    static const QColor bands[] = {QColor(0xFF, 0xCC, 0x00), QColor(0x33, 0x66, 0xCC), QColor(0x33, 0x99, 0x33)};
    QImage strip(138, 3, QImage::Format_RGB32);
    QPainter painter(&strip);
    for (int i = 0; i < 3; ++i)
        painter.fillRect(i * 46, 0, 46, 3, bands[i]);
    return strip;
}

} // namespace PopupBackground
