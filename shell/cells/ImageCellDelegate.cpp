#include "ImageCellDelegate.h"

#include "CellGeometry.h"

#include <QIcon>
#include <QPainter>

void ImageCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    painter->save();
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->fillRect(option.rect, option.state & QStyle::State_Selected
                                       ? option.palette.highlight()
                                       : option.palette.base());
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QVariant decoration = index.data(Qt::DecorationRole);
    QPixmap image = decoration.value<QPixmap>();
    if (image.isNull())
        image = decoration.value<QIcon>().pixmap(option.decorationSize);
    if (!image.isNull()) {
        const QSizeF size = image.deviceIndependentSize();
        const QRectF frame = CellGeometry::imageFrame(option.rect, size);
        painter->drawPixmap(frame.toRect(), image);
    }
    painter->restore();
}
