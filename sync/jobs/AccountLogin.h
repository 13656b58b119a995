#pragma once

#include "RESTDelegate.h"

#include <QPointer>

class Account;

// The side of an HTTP call's delegate that belongs to the account it is made
// for: the address the login sheet names and the account's HTTP login, read
// and (after a rejected or typed login) written back. AccountCallJob adds
// the call's progress and ending.
class AccountLogin : public RESTDelegate {
public:
    explicit AccountLogin(Account* account);

    QString url() const override;
    QString authUsername() const override;
    void setAuthUsername(const QString& username) override;
    QString authPassword() const override;
    void setAuthPassword(const QString& password) override;

protected:
    // The account whose login answers; the one given unless a job finds it
    // elsewhere (a publish: its entry's).
    virtual Account* loginAccount() const;

private:
    QPointer<Account> m_account;
};
