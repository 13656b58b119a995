#pragma once

#include "Account.h"

#include <QPointer>
#include <QtGlobal>

// An account's busy flag (`isCritical`) held by one server job: only one road
// of an account runs at a time. Taking the token sets the flag (posting
// "accountActive"); the holder gives it back once, by release() or by
// destroying the token, and that clears the flag (posting "accountInactive").
// Nobody else can clear a flag that a token holds: a token that was stolen
// from (the flag cleared and taken again behind its back) releases nothing.
//
//     AccountBusyToken token = AccountBusyToken::take(account);
//     if (!token)
//         return false; // another job holds the account: ask again later
//     m_busy = std::move(token); // held until the job ends, whichever way
//
// Main thread only, like the records.
class AccountBusyToken {
public:
    // Holds nothing.
    AccountBusyToken() = default;
    ~AccountBusyToken();

    AccountBusyToken(AccountBusyToken&& other) noexcept;
    AccountBusyToken& operator=(AccountBusyToken&& other) noexcept;
    AccountBusyToken(const AccountBusyToken&) = delete;
    AccountBusyToken& operator=(const AccountBusyToken&) = delete;

    // The account's flag, or an empty token while the account is busy (or null).
    [[nodiscard]] static AccountBusyToken take(Account* account);

    bool isHeld() const { return m_serial != 0; }
    explicit operator bool() const { return isHeld(); }
    // The account held, or null.
    Account* account() const { return isHeld() ? m_account.data() : nullptr; }

    // Gives the flag back; later calls, and calls on an empty token, do nothing.
    void release();

private:
    QPointer<Account> m_account;
    const void* m_key = nullptr; // the account's address, to forget it after it is gone
    quint64 m_serial = 0;
};
