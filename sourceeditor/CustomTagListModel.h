#pragma once

#include "RVTag.h"

#include <QAbstractTableModel>
#include <QList>

class RVTagTool;

// The custom tags of the store as a table: the icon the tag bar shows (the
// first character of the icon that is not white space) and the title.
class CustomTagListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { IconColumn = 0, TitleColumn = 1, ColumnCount };

    explicit CustomTagListModel(RVTagTool& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    RVTagPtr tagAt(int row) const;
    // The icon as the tag bar shows it: its first character that is not white space.
    static QString shownIcon(const QString& icon);

private:
    void reload();

    RVTagTool& m_store;
    QList<RVTagPtr> m_tags;
};
