#include "DragPicture.h"

#include "Localization.h"
#include "SystemFont.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace DragPicture {

namespace {
constexpr int MaxTitles = 10;
}

QStringList lines(const QStringList& titles)
{
    if (titles.size() <= MaxTitles)
        return titles;
    QStringList shown = titles.first(MaxTitles);
    shown.append(localized("GradientOutlineView", "and %1 more...").arg(titles.size() - MaxTitles));
    return shown;
}

QImage render(const QStringList& titles, int rowHeight, int viewWidth, qreal devicePixelRatio)
{
    const QStringList shown = lines(titles);
    const int lineHeight = rowHeight + 4;
    const QSize size(qMax(1, viewWidth - 24), int(shown.size()) * lineHeight + 8);
    QImage picture(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), 6, 6);
    painter.fillPath(panel, QColor::fromRgbF(0.2f, 0.2f, 0.2f, 0.7f));

    const QFont font = systemFontOfSize(11);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    // The text area: 6 in from the sides and 4 from the top, the text 18 further in.
    const QRectF area = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(6, 4, -6, -4);
    const qreal x = area.x() + 18;
    const qreal width = area.width() - 18;
    qreal y = area.y() + 2;
    const QColor shadow = QColor::fromRgbF(0.8f, 0.8f, 0.8f, 1.0f);
    for (const QString& line : shown) {
        const QString text = metrics.elidedText(line, Qt::ElideRight, width);
        const QRectF rect(x, y + (rowHeight - metrics.height()) / 2, width, metrics.height());
        // A soft light shadow one point right and down, then the white text.
        painter.setPen(QColor(shadow.red(), shadow.green(), shadow.blue(), 110));
        painter.drawText(rect.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, text);
        painter.setPen(Qt::white);
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, text);
        y += lineHeight;
    }
    return picture;
}

} // namespace DragPicture
