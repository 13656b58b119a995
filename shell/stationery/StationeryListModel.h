#pragma once

#include <QAbstractListModel>
#include <QPointer>

class Stationeries;

// The stationery names as an editable list for the manage window: renaming a
// row renames that stationery, removing rows removes them.
class StationeryListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit StationeryListModel(Stationeries* stationeries, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

private:
    QPointer<Stationeries> m_stationeries;
    bool m_editing = false; // our own edit is being reported back
};
