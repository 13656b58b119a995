#include "PresetListModel.h"

#include "MediaAttachment.h"
#include "Presets.h"

PresetListModel::PresetListModel(Presets& store, QObject* parent)
    : QAbstractListModel(parent), m_store(&store)
{
    connect(&store, &Presets::presetAboutToBeInserted, this,
            [this](int index) { beginInsertRows({}, index, index); });
    connect(&store, &Presets::presetInserted, this, [this] { endInsertRows(); });
    connect(&store, &Presets::presetAboutToBeRemoved, this,
            [this](int index) { beginRemoveRows({}, index, index); });
    connect(&store, &Presets::presetRemoved, this, [this] { endRemoveRows(); });
    connect(&store, &Presets::presetRenamed, this, [this](int index) {
        const QModelIndex changed = this->index(index);
        emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
    });
    connect(&store, &Presets::presetsAboutToBeReset, this, [this] { beginResetModel(); });
    connect(&store, &Presets::presetsReset, this, [this] { endResetModel(); });
    // A store going away takes its rows with it.
    connect(&store, &QObject::destroyed, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int PresetListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_store ? 0 : int(m_store->presets().size());
}

QVariant PresetListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        !m_store)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_store->presets().at(index.row())->uniqueID();
    return {};
}

bool PresetListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !m_store ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    QString problem;
    if (m_store->renamePreset(index.row(), value.toString(), &problem))
        return true;
    emit renameRefused(problem);
    return false;
}

Qt::ItemFlags PresetListModel::flags(const QModelIndex& index) const
{
    const Qt::ItemFlags base = QAbstractListModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsEditable : base;
}

bool PresetListModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || !m_store || row < 0 || count < 1 || row + count > rowCount())
        return false;
    for (int i = row + count - 1; i >= row; --i)
        m_store->removePreset(i);
    return true;
}
