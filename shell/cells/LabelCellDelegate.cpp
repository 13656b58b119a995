#include "LabelCellDelegate.h"

#include <QAbstractItemView>
#include <QPainter>

LabelCellDelegate::LabelCellDelegate(CellGeometry::LabelPart labelPart, QObject* parent)
    : QStyledItemDelegate(parent), m_part(labelPart)
{
}

void LabelCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const QRectF visible = view ? QRectF(view->viewport()->rect()) : QRectF(option.rect);
    const QRectF drawing = CellGeometry::visibleDrawingRect(option.rect, visible);
    const bool selected = option.state & QStyle::State_Selected;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected) {
        painter->fillRect(option.rect, option.palette.highlight());
    } else {
        const QVariant background = index.data(Qt::BackgroundRole);
        if (background.isValid())
            painter->fillPath(CellGeometry::labelShape(drawing, m_part),
                              background.value<QBrush>());
    }
    QFont font = option.font;
    // Bold for the whole column, or for rows whose font says so.
    if (m_isBold || index.data(Qt::FontRole).value<QFont>().bold())
        font.setBold(true);
    painter->setFont(font);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    painter->setPen(selected               ? option.palette.highlightedText().color()
                    : foreground.isValid() ? foreground.value<QBrush>().color()
                                           : option.palette.text().color());
    const QRectF textRect = CellGeometry::labelTextRect(drawing, m_part);
    QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        text = QStringLiteral(" ");
    const QString shown =
        QFontMetrics(font).elidedText(text, Qt::ElideRight, static_cast<int>(textRect.width()));
    painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, shown);
    painter->restore();
}
