#include "RVAccountCell.h"

#include "CellGeometry.h"
#include "SystemFont.h"

#include <QAbstractItemView>
#include <QPainter>

QRect RVAccountCell::progressImageRect(const QRect& drawing, const QSize& image)
{
    return QRect(QPoint(drawing.x() + drawing.width() - 22, drawing.y() + 17 - image.height()),
                 image);
}

void RVAccountCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const
{
    QRect drawing = option.rect;
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget))
        drawing =
            CellGeometry::visibleDrawingRect(option.rect, view->viewport()->rect()).toAlignedRect();

    painter->save();
    const QVariant progress = index.data(ProgressImageRole);
    QPixmap image;
    if (progress.canConvert<QPixmap>())
        image = progress.value<QPixmap>();
    else if (progress.canConvert<QImage>())
        image = QPixmap::fromImage(progress.value<QImage>());
    if (!image.isNull()) {
        const QSize size = image.deviceIndependentSize().toSize();
        painter->drawPixmap(progressImageRect(drawing, size), image);
    }

    static const QFont font = systemFontOfSize(11);
    painter->setFont(font);
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    QString text = index.data(Qt::DisplayRole).toString();
    if (text.isNull())
        text = QStringLiteral(" ");
    const QFontMetrics metrics(font);
    const int height = metrics.height();
    const QRect textRect(drawing.x(), drawing.y() + (drawing.height() - height) / 2,
                         drawing.width(), height);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(text, Qt::ElideRight, textRect.width()));
    painter->restore();
}
