#pragma once

#include <QPainterPath>
#include <QRectF>

namespace views {

// Appends a rectangle with rounded corners to `path`. The radius is limited to
// half the smaller side; a radius of 0 or less appends the plain rectangle and
// an empty rectangle appends nothing.
void appendRoundedRect(QPainterPath& path, const QRectF& rect, qreal radius);

// A new path holding that rounded rectangle.
QPainterPath roundedRectPath(const QRectF& rect, qreal radius);

} // namespace views
