#include "AccountLogin.h"

#include "Account.h"

AccountLogin::AccountLogin(Account* account) : m_account(account) {}

QString AccountLogin::url() const
{
    return m_account ? m_account->url() : QString();
}

QString AccountLogin::authUsername() const
{
    return m_account ? m_account->authUsername() : QString();
}

void AccountLogin::setAuthUsername(const QString& username)
{
    if (m_account)
        m_account->setAuthUsername(username);
}

QString AccountLogin::authPassword() const
{
    return m_account ? m_account->authPassword() : QString();
}

void AccountLogin::setAuthPassword(const QString& password)
{
    if (m_account)
        m_account->setAuthPassword(password);
}
