// The tick column of the categories list: the style's check box, its edge
// drawn so that it stands out on whatever colour the list has.
#pragma once

#include <QStyledItemDelegate>

class CheckCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
