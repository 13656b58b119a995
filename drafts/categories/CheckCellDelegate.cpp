#include "CheckCellDelegate.h"

#include "PaletteColors.h"

void CheckCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // Styles draw the box's edge from the window colour and fill it with the
    // list's: on a dark list in a dark palette both vanish. The edge takes a
    // shade of the text colour that reads on the list instead.
    const QColor ground = option->palette.color(QPalette::Base);
    const QColor edge = option->palette.color(QPalette::Window);
    if (PaletteColors::contrast(edge.darker(140), ground) < 3.0) {
        const QColor text = option->palette.color(QPalette::Text);
        option->palette.setColor(QPalette::Window,
                                 PaletteColors::readableVariant(text.lighter(140), ground));
    }
}
