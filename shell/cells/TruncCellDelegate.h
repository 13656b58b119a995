#pragma once

#include <QStyledItemDelegate>

// Text truncated at the tail inside the visible part of the view. The role of
// the column decides the look: a heading (bold; dimmed while the category
// search type preference is 6901), a secondary grey line, or plain text.
class TruncCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Kind { Plain = 0, Heading = 1, Secondary = 2 };
    // A row's own kind (an int of Kind) in this role overrides the column's.
    static constexpr int kindRole = Qt::UserRole + 0x7101;
    explicit TruncCellDelegate(Kind kind, QObject* parent = nullptr);

    // The colour and boldness a cell of this kind draws with; `base` is the
    // row's own colour.
    // On a `background` where its grey would not read (a dark list), a kind
    // drawn in grey takes the row's text colour softened instead.
    static QColor textColor(Kind kind, const QColor& base, qint64 categorySearchType,
                            const QColor& background = Qt::white);
    static bool isBoldKind(Kind kind) { return kind == Kind::Heading; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    Kind m_kind;
};
