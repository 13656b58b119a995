#pragma once

#include <QStyledItemDelegate>

// An image cell on a solid ground: the selection colour when selected, else
// white, replacing whatever the view drew; then the row's image.
class ImageCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
