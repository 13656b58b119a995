#include "GradientHeaderView.h"

#include "RVColumnHeaderCell.h"

#include <QAbstractItemView>
#include <QPainter>

GradientHeaderView::GradientHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
{
}

void GradientHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    QColor background = palette().color(QPalette::Base);
    if (const auto* table = qobject_cast<const QAbstractItemView*>(parentWidget()))
        background = table->viewport()->palette().color(QPalette::Base);
    const QString title =
        model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
                : QString();
    painter->save();
    painter->setClipRect(rect);
    RVColumnHeaderCell::drawInterior(*painter, rect, title, background);
    // Only the first sort key shows its arrow.
    if (isSortIndicatorShown() && sortIndicatorSection() == logicalIndex)
        RVColumnHeaderCell::drawSortIndicator(
            *painter, rect, sortIndicatorOrder() == Qt::AscendingOrder, background);
    painter->restore();
}
