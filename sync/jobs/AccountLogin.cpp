#include "AccountLogin.h"

#include "Account.h"

AccountLogin::AccountLogin(Account* account) : m_account(account) {}

Account* AccountLogin::loginAccount() const
{
    return m_account.data();
}

QString AccountLogin::url() const
{
    const Account* account = loginAccount();
    return account ? account->url() : QString();
}

QString AccountLogin::authUsername() const
{
    const Account* account = loginAccount();
    return account ? account->authUsername() : QString();
}

void AccountLogin::setAuthUsername(const QString& username)
{
    if (Account* account = loginAccount())
        account->setAuthUsername(username);
}

QString AccountLogin::authPassword() const
{
    Account* account = loginAccount();
    return account ? account->authPassword() : QString();
}

void AccountLogin::setAuthPassword(const QString& password)
{
    if (Account* account = loginAccount())
        account->setAuthPassword(password);
}
