#include "StationeryListModel.h"

#include "Entry.h"
#include "Stationeries.h"

StationeryListModel::StationeryListModel(Stationeries* stationeries, QObject* parent)
    : QAbstractListModel(parent), m_stationeries(stationeries)
{
    connect(stationeries, &Stationeries::stationeriesChanged, this, [this] {
        if (!m_editing) {
            beginResetModel();
            endResetModel();
        }
    });
}

int StationeryListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_stationeries)
        return 0;
    return int(m_stationeries->stationeries().size());
}

QVariant StationeryListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || !m_stationeries)
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return m_stationeries->stationeries().at(index.row())->uniqueID();
}

bool StationeryListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
        !m_stationeries)
        return false;
    m_editing = true;
    m_stationeries->renameStationeryAt(index.row(), value.toString());
    m_editing = false;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags StationeryListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

bool StationeryListModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || !m_stationeries || count <= 0 || row < 0 || row + count > rowCount())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    m_editing = true;
    for (int i = 0; i < count; ++i)
        m_stationeries->removeStationeryAt(row);
    m_editing = false;
    endRemoveRows();
    return true;
}
