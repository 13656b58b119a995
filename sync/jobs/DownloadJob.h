#pragma once

#include "AccountCallJob.h"

#include <QPointer>

class Account;

// A plain download of one page for an account, as the new-account wizard
// needs it: a GET with the roads' 60-second limit and the limits of a page
// fetch, the answer as text. It never holds the account: it runs beside
// whatever road holds it, and its end, failure included, is its own.
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

protected:
    void doStart() override;
    void callFinished(RESTCall* call) override;

private:
    QPointer<Account> m_account;
    QString m_address;
    QString m_text;
};
