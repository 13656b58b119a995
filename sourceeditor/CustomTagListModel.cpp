#include "CustomTagListModel.h"

#include "Localization.h"
#include "RVTagTool.h"

CustomTagListModel::CustomTagListModel(RVTagTool& store, QObject* parent)
    : QAbstractTableModel(parent), m_store(store)
{
    connect(&store, &RVTagTool::customTagsChanged, this, &CustomTagListModel::reload);
    reload();
}

void CustomTagListModel::reload()
{
    beginResetModel();
    for (const RVTagPtr& tag : std::as_const(m_tags))
        disconnect(tag.get(), nullptr, this, nullptr);
    m_tags = m_store.customTags();
    for (const RVTagPtr& tag : std::as_const(m_tags)) {
        RVTag* changed = tag.get();
        connect(changed, &ModelRecord::valueChanged, this, [this, changed](const QString& key) {
            const int column = key == QLatin1String("icon")    ? IconColumn
                               : key == QLatin1String("title") ? TitleColumn
                                                               : -1;
            if (column < 0)
                return;
            for (int row = 0; row < m_tags.size(); ++row) {
                if (m_tags.at(row).get() == changed)
                    emit dataChanged(index(row, column), index(row, column));
            }
        });
    }
    endResetModel();
}

int CustomTagListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_tags.size());
}

int CustomTagListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString CustomTagListModel::shownIcon(const QString& icon)
{
    const QString trimmed = icon.trimmed();
    if (trimmed.isEmpty())
        return {};
    // A character outside the basic plane takes two code units.
    return trimmed.left(trimmed.at(0).isHighSurrogate() ? 2 : 1);
}

QVariant CustomTagListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::TextAlignmentRole && index.column() == IconColumn)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (role != Qt::DisplayRole)
        return {};
    const RVTagPtr& tag = m_tags.at(index.row());
    return index.column() == IconColumn ? shownIcon(tag->icon()) : tag->title();
}

QVariant CustomTagListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == IconColumn ? localized("RVTagTool", "Icon") : localized("RVTagTool", "Title");
}

RVTagPtr CustomTagListModel::tagAt(int row) const
{
    return row >= 0 && row < m_tags.size() ? m_tags.at(row) : nullptr;
}
