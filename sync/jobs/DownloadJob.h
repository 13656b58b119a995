#pragma once

#include "AccountLogin.h"
#include "Job.h"
#include "RESTCall.h"

#include <QPointer>
#include <chrono>
#include <optional>

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
class DownloadJob : public Job, private AccountLogin {
    Q_OBJECT
public:
    DownloadJob(Account* account, const QString& address, QObject* parent = nullptr);

    void setResponseTimeout(std::optional<std::chrono::milliseconds> timeout)
    {
        m_responseTimeout = timeout;
    }

    // The page's text, once finished well.
    QString text() const { return m_text; }

protected:
    void doStart() override;
    void doCancel() override;

private:
    void setSubStatus(const QString& status) override { Job::setSubStatus(status); }
    void restCallDidFinish(RESTCall* call) override;
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& error) override;

    QPointer<Account> m_account;
    QString m_address;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
    QPointer<RESTCall> m_call;
    QString m_text;
};
