#pragma once

#include <QStyledItemDelegate>

// The account rows of the main window's outline: the account's name in
// 11-point text, cut at the end, and while the account is busy a progress
// picture at the right (the model answers it for ProgressImageRole, e.g. a
// frame of ProgressSpinner). Draws no background: the outline draws the rows.
class RVAccountCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    // A QPixmap or QImage, or nothing for an idle account.
    static constexpr int ProgressImageRole = Qt::UserRole + 40;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Where the progress picture goes in the drawing rectangle: its bottom
    // 17 points below the top, 22 points in from the right.
    static QRect progressImageRect(const QRect& drawing, const QSize& image);
};
