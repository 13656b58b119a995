#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

class Account;
using AccountPtr = std::shared_ptr<Account>;

// The list of all accounts and its file, "accounts.plist": a keyed archive of the
// account array. Loading also reads every blog's entry files.
class AccountList : public QObject {
    Q_OBJECT
public:
    explicit AccountList(QObject* parent = nullptr);

    // support folder/accounts.plist
    static QString defaultPath();

    // Reads the file, then posts "accountsDone"; each blog reads its entries
    // when they are first used (Blog::deferLoad). A missing
    // file is a first run. An unreadable one is moved aside and reported in
    // *report (never replaced by an empty list); the list then starts empty.
    // An account whose identifier is not a safe folder name gets a fresh one.
    void loadAccounts(const QString& path, QString* report = nullptr);
    // Writes the file atomically, unless it holds the same bytes already;
    // false with *error when it could not be written.
    bool saveAccounts(const QString& path, QString* error = nullptr) const;
    // Saves every blog of every account; false with the first failure in *error.
    bool saveEntries(QString* error = nullptr) const;
    // Waits until every blog's files handed to the writer are on disk; false
    // with the first failure in *error. Blogs whose entries were never read
    // are not read for it.
    bool flushEntries(QString* error = nullptr) const;

    QList<AccountPtr> accounts() const { return m_accounts; }
    Account* accountForID(const QString& accountID) const;
    // Moves an account that is already listed; an index out of range appends.
    void insertAccount(const AccountPtr& account, int index);
    void removeAccount(Account* account);
    // The first account has at least one blog.
    bool hasAccountAndBlog() const;

signals:
    void accountsChanged();

private:
    QList<AccountPtr> m_accounts;
};
