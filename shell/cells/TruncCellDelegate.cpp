#include "TruncCellDelegate.h"

#include "CellGeometry.h"
#include "PaletteColors.h"
#include "UserDefaults.h"

#include <QAbstractItemView>
#include <QPainter>

TruncCellDelegate::TruncCellDelegate(Kind cellKind, QObject* parent)
    : QStyledItemDelegate(parent), m_kind(cellKind)
{
}

QColor TruncCellDelegate::textColor(Kind kind, const QColor& base, qint64 categorySearchType,
                                    const QColor& background)
{
    const auto grey = [&](float level) {
        const QColor shade = QColor::fromRgbF(level, level, level, 1.0f);
        if (PaletteColors::contrast(shade, background) >= PaletteColors::readableContrast)
            return shade;
        return PaletteColors::mixed(base, background, 0.3);
    };
    switch (kind) {
    case Kind::Secondary:
        return grey(0.3f);
    case Kind::Heading:
        return categorySearchType == 6901 ? grey(0.33f) : base;
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
    const QColor ground =
        highlighted ? option.palette.highlight().color() : option.palette.base().color();
    const QVariant rowKind = index.data(kindRole);
    const Kind kind = rowKind.isValid() ? static_cast<Kind>(rowKind.toInt()) : m_kind;
    const QColor color =
        kind == Kind::Secondary
            ? textColor(kind, base, 0, ground)
            : textColor(kind, base,
                        UserDefaults::sharedInstance().integer(QStringLiteral("catSearchType")),
                        ground);

    QFont font = option.font;
    font.setBold(isBoldKind(kind));
    // A row the model marks (a category the blog lacks, say) shows in italics.
    if (const QVariant marked = index.data(Qt::FontRole); marked.canConvert<QFont>())
        font.setItalic(marked.value<QFont>().italic());
    painter->save();
    painter->setFont(font);
    painter->setPen(color);
    const QString shown = QFontMetrics(font).elidedText(
        index.data(Qt::DisplayRole).toString(), Qt::ElideRight, static_cast<int>(drawing.width()));
    painter->drawText(drawing, Qt::AlignVCenter | Qt::AlignLeft, shown);
    painter->restore();
}
