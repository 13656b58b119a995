#include "RoundRect.h"

#include <algorithm>

namespace views {

void appendRoundedRect(QPainterPath& path, const QRectF& rect, qreal radius)
{
    if (rect.isEmpty())
        return;
    if (radius <= 0) {
        path.addRect(rect);
        return;
    }
    const qreal r = std::min({radius, rect.width() / 2, rect.height() / 2});
    const qreal d = 2 * r;
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    // From the middle of one long edge round the four corners and back.
    path.moveTo(x + w / 2, y);
    path.arcTo(QRectF(x, y, d, d), 90, 90);
    path.arcTo(QRectF(x, y + h - d, d, d), 180, 90);
    path.arcTo(QRectF(x + w - d, y + h - d, d, d), 270, 90);
    path.arcTo(QRectF(x + w - d, y, d, d), 0, 90);
    path.closeSubpath();
}

QPainterPath roundedRectPath(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    appendRoundedRect(path, rect, radius);
    return path;
}

} // namespace views
