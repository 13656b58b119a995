#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QAbstractItemView;
class QMimeData;
class QWidget;

// Lets the user put the accounts in order by dragging their rows: the
// dragged rows land, in their order, as one block above the row under the
// mouse, and stay selected there. Only drags that come from the same table
// are taken. The table's model must move rows (QAbstractItemModel::moveRows).
class AccountsTableController : public QObject {
    Q_OBJECT
public:
    // The row numbers travel as a property list (an array of numbers).
    static constexpr auto mimeType = "application/x-plumet-account-reordering";

    explicit AccountsTableController(QAbstractItemView* table);
    ~AccountsTableController() override;

    QAbstractItemView* table() const { return m_table; }

    static QMimeData* mimeDataForRows(const QList<int>& rows);
    static QList<int> rowsFromMimeData(const QMimeData* data);

    // Only a drag of our own kind that started in this table.
    bool acceptsDrag(const QMimeData* data, const QObject* source) const;
    // The row a drop at `position` (viewport coordinates) goes above; the row
    // count below the last row.
    int dropRowAt(const QPoint& position) const;
    // Moves the rows above `dropRow` (a negative row counts as 0) and selects
    // them; false when the model refused a move.
    bool acceptDrop(const QList<int>& rows, int dropRow);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startDrag();
    void showDropLine(int dropRow);
    void hideDropLine();

    QPointer<QAbstractItemView> m_table;
    QPoint m_pressPosition;
    bool m_pressed = false;
    QWidget* m_dropLine = nullptr;
};
