#pragma once

#include "Account.h"
#include "Blog.h"
#include "DraftItemDrop.h"

#include <QAbstractItemModel>
#include <QPixmap>
#include <QPointer>
#include <functional>

class AccountList;

// The accounts of the account list with their blogs, two levels deep, for the
// main window's outline. Accounts show their title, blogs their display name;
// a busy account answers the spinner picture of the moment for
// RVAccountCell's progress role. Accounts can be dragged to a new place in the
// list; entries dragged from the entries list can be dropped on a blog.
class AccountOutlineModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // An account being dragged within the outline: its row, as text.
    static constexpr auto accountMimeType = "application/x-plumet-account-outline";

    explicit AccountOutlineModel(AccountList& accounts, QObject* parent = nullptr);
    ~AccountOutlineModel() override;

    AccountList& accountList() const { return m_accounts; }

    Account* accountAt(const QModelIndex& index) const;
    Blog* blogAt(const QModelIndex& index) const;
    // The account of a row: the account itself, or the blog's account.
    Account* owningAccount(const QModelIndex& index) const;
    QModelIndex indexOf(const Account* account) const;
    QModelIndex indexOf(const Blog* blog) const;

    // Builds the outline afresh from the account list.
    void reload() { rebuild(); }

    // The picture busy accounts show (a frame of the spinner); redraws them.
    void setBusyPicture(const QPixmap& picture);
    // Redraws one account's row.
    void refreshAccount(const Account* account);

    // Where a dragged account lands: the root index for a drop between rows
    // (`row` −1 below the last), the account's own index for a drop on an
    // account or among its blogs; nothing for a drop on a blog. `from` is the
    // dragged account's index; the answer counts after taking it out.
    static std::optional<int> accountDropIndex(bool onRoot, bool onAccount, int accountRow, int row,
                                               int rowCount, int from);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Why entries dragged over `index` cannot go there, when it is because
    // a road runs for each of them; empty otherwise.
    QString dropRefusal(const QMimeData* data, const QModelIndex& index) const;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

signals:
    // Entries were dropped on `target`: what moved, what stayed and why.
    void entriesDropped(Blog* target, const DraftItemDrop::Report& report);
    // An account was dragged to a new place.
    void accountMoved(Account* account);

private:
    void rebuild();
    void watch(Account* account);
    std::optional<DraftItemDrop::Items> draggedEntries(const QMimeData* data) const;
    DraftItemDrop::AccountLookup accountLookup() const;

    AccountList& m_accounts;
    QPixmap m_busyPicture;
    QList<QMetaObject::Connection> m_watches;
};
