#include "ImageOrientation.h"

#include <QColorSpace>
#include <QtConcurrent/QtConcurrentMap>
#include <vector>

int ImageOrientation::normalized(int orientation)
{
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

bool ImageOrientation::swapsSides(int orientation)
{
    return normalized(orientation) >= 5;
}

QSize ImageOrientation::uprightSize(QSize stored, int orientation)
{
    return swapsSides(orientation) ? stored.transposed() : stored;
}

QImage ImageOrientation::upright(const QImage& stored, int orientation)
{
    orientation = normalized(orientation);
    if (stored.isNull() || orientation == 1 || stored.depth() != 32)
        return stored;
    const int w = stored.width();
    const int h = stored.height();
    const QSize size = uprightSize(stored.size(), orientation);
    QImage result(size, stored.format());
    if (result.isNull())
        return {};
    // Where upright pixel (x, y) is stored: source = origin + x·dx + y·dy.
    int ox = 0, oy = 0, xdx = 1, xdy = 0, ydx = 0, ydy = 1;
    switch (orientation) {
    case 2:
        ox = w - 1;
        xdx = -1;
        break;
    case 3:
        ox = w - 1;
        oy = h - 1;
        xdx = -1;
        ydy = -1;
        break;
    case 4:
        oy = h - 1;
        ydy = -1;
        break;
    case 5:
        xdx = 0;
        xdy = 1;
        ydx = 1;
        ydy = 0;
        break;
    case 6:
        oy = h - 1;
        xdx = 0;
        xdy = -1;
        ydx = 1;
        ydy = 0;
        break;
    case 7:
        ox = w - 1;
        oy = h - 1;
        xdx = 0;
        xdy = -1;
        ydx = -1;
        ydy = 0;
        break;
    case 8:
        ox = w - 1;
        xdx = 0;
        xdy = 1;
        ydx = -1;
        ydy = 0;
        break;
    }
    const uchar* bits = stored.constBits();
    const qsizetype stride = stored.bytesPerLine();
    std::vector<int> rows(size.height());
    for (int y = 0; y < size.height(); ++y)
        rows[y] = y;
    QtConcurrent::blockingMap(rows, [&](int y) {
        auto* out = reinterpret_cast<quint32*>(result.scanLine(y));
        int sx = ox + y * ydx;
        int sy = oy + y * ydy;
        for (int x = 0; x < size.width(); ++x) {
            out[x] = reinterpret_cast<const quint32*>(bits + sy * stride)[sx];
            sx += xdx;
            sy += xdy;
        }
    });
    result.setColorSpace(stored.colorSpace());
    return result;
}
