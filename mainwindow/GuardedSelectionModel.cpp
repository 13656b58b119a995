#include "GuardedSelectionModel.h"

#include <QScopedValueRollback>

GuardedSelectionModel::GuardedSelectionModel(QAbstractItemModel* model, QObject* parent)
    : QItemSelectionModel(model, parent)
{
}

void GuardedSelectionModel::selectRowUnguarded(int row)
{
    QScopedValueRollback unguarded(m_unguarded, true);
    const QModelIndex index = model()->index(row, 0);
    if (!index.isValid()) {
        clearSelection();
        setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        return;
    }
    setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int GuardedSelectionModel::selectedRow() const
{
    const QModelIndexList rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool GuardedSelectionModel::allows(const QItemSelection& selection,
                                   QItemSelectionModel::SelectionFlags command)
{
    if (m_unguarded || !m_guard || command == QItemSelectionModel::NoUpdate)
        return true;
    int proposed = -1;
    if (!selection.isEmpty() &&
        (command & (QItemSelectionModel::Select | QItemSelectionModel::Toggle)))
        proposed = selection.indexes().isEmpty() ? -1 : selection.indexes().first().row();
    else if (!(command & QItemSelectionModel::Clear))
        return true;
    if (proposed == selectedRow())
        return true;
    return m_guard(proposed);
}

void GuardedSelectionModel::select(const QModelIndex& index,
                                   QItemSelectionModel::SelectionFlags command)
{
    select(QItemSelection(index, index), command);
}

void GuardedSelectionModel::select(const QItemSelection& selection,
                                   QItemSelectionModel::SelectionFlags command)
{
    if (!allows(selection, command))
        return;
    QItemSelectionModel::select(selection, command);
}
