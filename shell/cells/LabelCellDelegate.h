#pragma once

#include "CellGeometry.h"

#include <QStyledItemDelegate>

// One column of a coloured label strip in a list: the row's background colour
// (Qt::BackgroundRole) as a shape with rounded ends, and its text truncated at
// the tail inside the visible part of the view, in the row's text colour
// (Qt::ForegroundRole), bold when the row's font (Qt::FontRole) is.
class LabelCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit LabelCellDelegate(CellGeometry::LabelPart part, QObject* parent = nullptr);

    void setIsBold(bool bold) { m_isBold = bold; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    CellGeometry::LabelPart m_part;
    bool m_isBold = false;
};
