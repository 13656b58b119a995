#pragma once

#include "RESTDelegate.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

class Account;
class RESTCall;

// One page fetched as text for the new-account wizard: a GET with a
// 60-second inactivity limit and the limits of a page fetch that answers the text together with the address it finally
// came from (after redirects), so that links on the page resolve against
// where it really is. A failure answers the HTTP call's message; an empty
// answer says the address gave no data. Ends once; cancelled by deleting it.
class PageDownload : public QObject, private RESTDelegate {
    Q_OBJECT
public:
    using Done =
        std::function<void(const QString& text, const QUrl& address, const QString& error)>;

    // Starts at once; `done` runs on the event loop, never after the
    // download is deleted.
    PageDownload(const QString& address, Done done, QObject* parent = nullptr);
    ~PageDownload() override;

private:
    QString url() const override { return m_address; }
    QString authUsername() const override { return m_authUser; }
    void setAuthUsername(const QString& username) override { m_authUser = username; }
    QString authPassword() const override { return m_authPassword; }
    void setAuthPassword(const QString& password) override { m_authPassword = password; }
    void restCallDidFinish(RESTCall* call) override;
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& error) override;
    void finish(const QString& text, const QUrl& address, const QString& error);

    QString m_address;
    QString m_authUser, m_authPassword;
    QPointer<RESTCall> m_call;
    Done m_done;
};
