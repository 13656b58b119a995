#include "AccountList.h"

#include "Account.h"
#include "AtomicFile.h"
#include "Blog.h"
#include "KeyedArchiver.h"
#include "Localization.h"
#include "ModelLog.h"
#include "NotificationCenter.h"
#include "StoredArchive.h"
#include "SupportFolder.h"
#include "UniqueId.h"

#include <QDebug>
#include <QFile>

AccountList::AccountList(QObject* parent) : QObject(parent) {}

QString AccountList::defaultPath()
{
    const QString folder = cutils::applicationSupportFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/accounts.plist");
}

void AccountList::loadAccounts(const QString& path, QString* report)
{
    QStringList warnings;
    const QList<AccountPtr> accounts =
        StoredArchive::loadRecords<Account>(path, "accounts", report, &warnings);
    for (const QString& warning : warnings)
        qCWarning(lcStore).noquote() << warning;
    for (const auto& account : accounts) {
        // The identifier names a folder: anything but the 32-digit form could
        // point outside the items folder.
        if (!Account::isSafeAccountID(account->accountID())) {
            qCWarning(lcStore).noquote()
                << QStringLiteral("Account \"%1\" had an unusable identifier; "
                                  "it was given a new one.")
                       .arg(account->title());
            account->setAccountID(newUniqueID());
        }
        // Each blog reads its entries when they are first wanted.
        for (const auto& blog : account->blogs())
            blog->deferLoad();
    }
    m_accounts = accounts;
    emit accountsChanged();
    NotificationCenter::sharedInstance().post(QStringLiteral("accountsDone"), this);
}

bool AccountList::saveAccounts(const QString& path, QString* error) const
{
    QVariantList roots;
    for (const auto& account : m_accounts)
        roots.append(QVariant::fromValue(std::static_pointer_cast<Archivable>(account)));
    const QByteArray bytes = KeyedArchiver::archivedData(QVariant(roots), error);
    if (bytes.isEmpty())
        return false;
    // Saves come after every refresh and every autosave; a file that holds
    // these bytes already is left alone.
    QFile current(path);
    if (current.size() == bytes.size() && current.open(QIODevice::ReadOnly) &&
        current.readAll() == bytes)
        return true;
    return AtomicFile::write(path, bytes, error);
}

bool AccountList::saveEntries(QString* error) const
{
    bool allSaved = true;
    for (const auto& account : m_accounts) {
        for (const auto& blog : account->blogs()) {
            QString reason;
            if (!blog->save(&reason)) {
                if (allSaved && error)
                    *error = reason;
                allSaved = false;
            }
        }
    }
    return allSaved;
}

bool AccountList::flushEntries(QString* error) const
{
    bool allWritten = true;
    for (const auto& account : m_accounts) {
        for (const auto& blog : account->blogs()) {
            QString reason;
            if (!blog->flush(&reason)) {
                if (allWritten && error)
                    *error = reason;
                allWritten = false;
            }
        }
    }
    return allWritten;
}

Account* AccountList::accountForID(const QString& accountID) const
{
    for (const auto& account : m_accounts) {
        if (account->accountID() == accountID)
            return account.get();
    }
    return nullptr;
}

void AccountList::insertAccount(const AccountPtr& account, int index)
{
    if (!account)
        return;
    m_accounts.removeIf([&account](const AccountPtr& a) { return a == account; });
    if (index < 0 || index >= m_accounts.size())
        m_accounts.append(account);
    else
        m_accounts.insert(index, account);
    emit accountsChanged();
}

void AccountList::removeAccount(Account* account)
{
    m_accounts.removeIf([account](const AccountPtr& a) { return a.get() == account; });
    emit accountsChanged();
}

bool AccountList::hasAccountAndBlog() const
{
    return !m_accounts.isEmpty() && !m_accounts.first()->blogs().isEmpty();
}
