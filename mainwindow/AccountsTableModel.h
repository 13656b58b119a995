#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QMetaObject>
#include <memory>

class Account;
class AccountList;

// The accounts window's table over the account list: one row per account
// in list order, with its title, address and blog system, on the account's
// label colour. Rows move (the reordering drag) and sort by moving the
// accounts in the list itself.
class AccountsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TitleColumn, AddressColumn, SystemColumn, ColumnCount };
    // The row's account, for Qt::UserRole.
    static constexpr int AccountRole = Qt::UserRole;

    explicit AccountsTableModel(AccountList& list, QObject* parent = nullptr);
    ~AccountsTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;
    // Puts the accounts themselves in that order (natural order of the
    // column's text); the table shows the list as it is.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    Account* accountAt(int row) const;
    int rowOf(const Account* account) const;

private:
    void reload();
    void watch();
    void accountChanged(Account* account, const QString& key);

    AccountList& m_list;
    QList<std::shared_ptr<Account>> m_rows;
    QList<QMetaObject::Connection> m_watches;
    bool m_ownChange = false;
};
