#pragma once

#include <QItemSelectionModel>
#include <functional>

// A selection model that asks before the selected row changes: the guard
// hears the row the user proposes (-1 for none) and answers whether the
// change may happen now. Changes made with selectRowUnguarded() are not asked
// about.
class GuardedSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    using Guard = std::function<bool(int proposedRow)>;

    explicit GuardedSelectionModel(QAbstractItemModel* model, QObject* parent = nullptr);

    void setGuard(Guard guard) { m_guard = std::move(guard); }
    // Selects the row (or nothing for -1) without asking.
    void selectRowUnguarded(int row);
    // The selected row, -1 for none.
    int selectedRow() const;

    void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;
    void select(const QItemSelection& selection,
                QItemSelectionModel::SelectionFlags command) override;

private:
    bool allows(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command);

    Guard m_guard;
    bool m_unguarded = false;
};
