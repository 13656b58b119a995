#pragma once

#include <QAbstractListModel>
#include <QPointer>

class Presets;

// The presets of a store in their stored order, one row each, for the manage
// dialog: the name is edited in place (a blank name, or one another preset has,
// is refused and said in renameRefused) and rows are removed from the store.
class PresetListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PresetListModel(Presets& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

signals:
    // A sentence for the user: why the name was not taken.
    void renameRefused(const QString& problem);

private:
    QPointer<Presets> m_store;
};
