#include "AccountBusyToken.h"

#include "Account.h"

#include <QHash>
#include <utility>

namespace {

// Which token holds each busy account. The account keeps only a flag; this
// remembers who set it, so that only that holder clears it.
QHash<const void*, quint64>& holders()
{
    static QHash<const void*, quint64> table;
    return table;
}

quint64 nextSerial()
{
    static quint64 serial = 0;
    return ++serial;
}

} // namespace

AccountBusyToken::~AccountBusyToken()
{
    release();
}

AccountBusyToken::AccountBusyToken(AccountBusyToken&& other) noexcept
    : m_account(std::move(other.m_account)), m_key(std::exchange(other.m_key, nullptr)),
      m_serial(std::exchange(other.m_serial, 0))
{
}

AccountBusyToken& AccountBusyToken::operator=(AccountBusyToken&& other) noexcept
{
    if (this != &other) {
        release();
        m_account = std::move(other.m_account);
        m_key = std::exchange(other.m_key, nullptr);
        m_serial = std::exchange(other.m_serial, 0);
    }
    return *this;
}

AccountBusyToken AccountBusyToken::take(Account* account)
{
    AccountBusyToken token;
    if (!account || account->isCritical())
        return token;
    token.m_account = account;
    token.m_key = account;
    token.m_serial = nextSerial();
    holders().insert(account, token.m_serial);
    account->setIsCritical(true);
    return token;
}

void AccountBusyToken::release()
{
    if (!isHeld())
        return;
    const quint64 serial = std::exchange(m_serial, 0);
    const void* key = std::exchange(m_key, nullptr);
    const bool holder = holders().value(key) == serial;
    if (holder)
        holders().remove(key);
    // A flag that someone else has taken since stays theirs; a gone account has no flag.
    if (holder && m_account && m_account->isCritical())
        m_account->setIsCritical(false);
    m_account.clear();
}
