#pragma once

#include "AccountCallJob.h"

#include <QPointer>
#include <QUrl>

class Account;

// A plain download of one page for an account, as the new-account wizard
// needs it: a GET with the roads' 60-second limit and the limits of a page
// fetch, the answer as text together with the address it finally came from
// (after redirects), so that links on the page resolve against where it
// really is. It never holds the account: it runs beside whatever road holds
// it, and its end, failure included, is its own.
//
// The login sheet names the page's address, and a login typed there serves
// this download only: it is not stored with the account, which may be the
// wizard's scratch account that never joins the list.
//
// Fails with "For some obscure reason a download request could not be made."
// when there is no address, with "The provided url [<account's address>] did
// not contain data." for an empty answer or one that is no text, and with the
// HTTP call's error when the exchange fails.
class DownloadJob : public AccountCallJob {
    Q_OBJECT
public:
    DownloadJob(Account* account, const QString& address, QObject* parent = nullptr);

    // The page's text, once finished well.
    QString text() const { return m_text; }
    // Once finished well: the address that answered, after redirects.
    QUrl finalAddress() const { return m_finalAddress; }

protected:
    void doStart() override;
    void callFinished(RESTCall* call) override;

private:
    QString url() const override { return m_address; }
    QString authUsername() const override { return m_authUsername; }
    void setAuthUsername(const QString& username) override { m_authUsername = username; }
    QString authPassword() const override { return m_authPassword; }
    void setAuthPassword(const QString& password) override { m_authPassword = password; }

    QPointer<Account> m_account;
    QString m_address;
    QString m_text;
    QUrl m_finalAddress;
    QString m_authUsername, m_authPassword;
};
