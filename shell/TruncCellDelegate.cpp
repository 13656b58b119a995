#include "TruncCellDelegate.h"

#include "CellGeometry.h"
#include "UserDefaults.h"

#include <QAbstractItemView>
#include <QPainter>

TruncCellDelegate::TruncCellDelegate(Kind cellKind, QObject* parent)
    : QStyledItemDelegate(parent), m_kind(cellKind)
{
}

QColor TruncCellDelegate::textColor(Kind kind, const QColor& base, qint64 categorySearchType)
{
    switch (kind) {
    case Kind::Secondary:
        return QColor::fromRgbF(0.3f, 0.3f, 0.3f, 1.0f);
    case Kind::Heading:
        return categorySearchType == 6901 ? QColor::fromRgbF(0.33f, 0.33f, 0.33f, 1.0f) : base;
    case Kind::Plain:
        break;
    }
    return base;
}

void TruncCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : nullptr;
    if (style)
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const auto* view = qobject_cast<const QAbstractItemView*>(widget);
    const QRectF visible = view ? QRectF(view->viewport()->rect()) : QRectF(option.rect);
    const QRectF drawing = CellGeometry::visibleDrawingRect(option.rect, visible);

    // A selected row in the focused view draws its text highlighted.
    const bool highlighted = (option.state & QStyle::State_Selected) &&
                             (option.state & QStyle::State_HasFocus || (view && view->hasFocus()));
    const QVariant foreground = index.data(Qt::ForegroundRole);
    QColor base =
        foreground.isValid() ? foreground.value<QBrush>().color() : option.palette.text().color();
    if (highlighted)
        base = option.palette.highlightedText().color();
    const QColor color =
        m_kind == Kind::Secondary
            ? textColor(m_kind, base, 0)
            : textColor(m_kind, base,
                        UserDefaults::sharedInstance().integer(QStringLiteral("catSearchType")));

    QFont font = option.font;
    font.setBold(isBoldKind(m_kind));
    painter->save();
    painter->setFont(font);
    painter->setPen(color);
    const QString shown = QFontMetrics(font).elidedText(
        index.data(Qt::DisplayRole).toString(), Qt::ElideRight, static_cast<int>(drawing.width()));
    painter->drawText(drawing, Qt::AlignVCenter | Qt::AlignLeft, shown);
    painter->restore();
}
