#include "RVColumnHeaderCell.h"

#include "PaletteColors.h"
#include "SelectionGradient.h"
#include "SystemFont.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace RVColumnHeaderCell {

namespace {
constexpr QSize ArrowSize(7, 5);
}

QColor baseColor(const QColor& tableBackground)
{
    static QColor lastBackground;
    static QColor base;
    if (!base.isValid() || tableBackground != lastBackground) {
        lastBackground = tableBackground;
        base = SelectionGradient::deepened(tableBackground);
    }
    return base;
}

void drawInterior(QPainter& painter, const QRect& frame, const QString& title,
                  const QColor& tableBackground)
{
    const QColor base = baseColor(tableBackground);
    const QRect area = frame.adjusted(0, -1, 0, 2);
    // The base's top line, then the gradient.
    SelectionGradient::paintRun(painter, area, base, true);
    if (frame.width() > 20)
        painter.fillRect(QRect(frame.x(), frame.y() - 1, 1, frame.height() + 3),
                         QColor::fromRgbF(0.5f, 0.5f, 0.5f));

    const QFont font = systemFontOfSize(11);
    painter.setFont(font);
    // Black on a light header, white where a dark list deepens it further.
    painter.setPen(PaletteColors::readableOn(base, Qt::black));
    const QFontMetrics metrics(font);
    const int height = metrics.height();
    const QRect text(frame.x() + 3, area.y() + (area.height() - height) / 2, frame.width() - 3,
                     height);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(title, Qt::ElideRight, text.width()));
}

QRect sortIndicatorRect(const QRect& frame, const QSize& arrow)
{
    const int x = frame.width() > 20 ? frame.x() + frame.width() - 3 - arrow.width()
                                     : frame.x() + (frame.width() - arrow.width()) / 2;
    const int y = frame.y() + (frame.height() - arrow.height()) / 2 + 1;
    return QRect(QPoint(x, y), arrow);
}

void drawSortIndicator(QPainter& painter, const QRect& frame, bool ascending,
                       const QColor& tableBackground)
{
    const QRectF arrow = sortIndicatorRect(frame, ArrowSize);
    QPainterPath path;
    if (ascending) {
        path.moveTo(arrow.left(), arrow.bottom());
        path.lineTo(arrow.right(), arrow.bottom());
        path.lineTo(arrow.center().x(), arrow.top());
    } else {
        path.moveTo(arrow.left(), arrow.top());
        path.lineTo(arrow.right(), arrow.top());
        path.lineTo(arrow.center().x(), arrow.bottom());
    }
    path.closeSubpath();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path,
                     PaletteColors::readableOn(baseColor(tableBackground), QColor(60, 60, 60)));
    painter.restore();
}

} // namespace RVColumnHeaderCell
