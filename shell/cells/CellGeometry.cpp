#include "CellGeometry.h"

#include <cmath>

namespace CellGeometry {

QRectF visibleDrawingRect(const QRectF& frame, const QRectF& visible)
{
    QRectF drawing = frame;
    const qreal overflow = frame.right() - visible.right();
    if (overflow > 0)
        drawing.setWidth(std::max<qreal>(0, frame.width() - overflow - 1));
    return drawing;
}

QPainterPath labelShape(const QRectF& d, LabelPart part)
{
    const qreal r = d.height() / 2;
    QPainterPath path;
    switch (part) {
    case LabelPart::Left: {
        const QRectF inset(d.x() + 1, d.y(), d.width() - 1, d.height());
        path.moveTo(inset.x() + r, inset.y());
        path.arcTo(QRectF(inset.x(), inset.y(), 2 * r, 2 * r), 90, 180);
        path.lineTo(inset.x() + inset.width() + 2, inset.bottom());
        path.lineTo(inset.x() + inset.width() + 2, inset.y());
        path.closeSubpath();
        break;
    }
    case LabelPart::Right:
        path.moveTo(d.x() - 1, d.y());
        path.lineTo(d.right() - r, d.y());
        path.arcTo(QRectF(d.right() - 2 * r, d.y(), 2 * r, 2 * r), 90, -180);
        path.lineTo(d.x() - 1, d.bottom());
        path.closeSubpath();
        break;
    case LabelPart::Middle:
        path.addRect(QRectF(d.x() - 1, d.y(), d.width() + 3, d.height()));
        break;
    }
    return path;
}

QRectF labelTextRect(const QRectF& d, LabelPart part)
{
    switch (part) {
    case LabelPart::Left:
        return {d.x() + 1 + 5, d.y(), d.width() - 1 - 5, d.height()};
    case LabelPart::Right:
        return {d.x(), d.y(), d.width() - 5, d.height()};
    case LabelPart::Middle:
        break;
    }
    return d;
}

QRectF imageFrame(const QRectF& cell, const QSizeF& image)
{
    if (image.isEmpty())
        return {};
    return {cell.x() + 3, cell.y() + std::ceil((cell.height() - image.height()) / 2), image.width(),
            image.height()};
}

qreal imageColumnWidth(const QSizeF& image)
{
    return image.isEmpty() ? 3 : image.width() + 3;
}

} // namespace CellGeometry
