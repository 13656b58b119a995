#pragma once

#include "AccountLogin.h"
#include "Job.h"
#include "ModelTypes.h"

#include <QPointer>
#include <chrono>
#include <optional>

class Account;
class Blog;
class PLUMETPluginProtocol;
class RESTCall;

// Deleting one post or page: one request to its blog's server (the driver's
// delete call over XML-RPC, or an HTTP DELETE of the entry's Atom edit
// address), then the entry leaves its blog together with its file. Run
// through its activity row, holding the account (BlogRoads).
//
// Only a server that said so counts as having deleted: an XML-RPC answer of
// false, an Atom status outside 2xx, a fault or an unreadable answer fail the
// job, and the entry stays with its file, no longer marked as being deleted.
class DeleteJob : public Job, private AccountLogin {
    Q_OBJECT
public:
    explicit DeleteJob(EntryPtr entry, QObject* parent = nullptr);
    ~DeleteJob() override;

    const EntryPtr& entry() const { return m_entry; }
    // How long the request may stay silent (60 s unless set).
    void setTimeOut(double seconds) { m_timeOut = seconds; }
    // The wait for the server's first response; the preference unless set.
    void setResponseTimeout(std::optional<std::chrono::milliseconds> timeout)
    {
        m_responseTimeout = timeout;
    }

    // "Deleting "Title"...".
    static QString deletingStatus(const Entry& entry);

protected:
    void doStart() override;
    void doCancel() override;

private:
    bool sendXmlRpc();
    void sendAtom();
    bool startCall(RESTCall* call);
    void handleAnswer(RESTCall* call);
    void deleted();
    void failWith(int code, const QString& message);
    void keepEntry();

    // RESTDelegate
    void setDuration(double duration) override;
    void setProgress(double progress) override;
    void setSubStatus(const QString& status) override;
    void restCallDidFinish(RESTCall* call) override;
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& error) override;

    EntryPtr m_entry;
    QPointer<Blog> m_blog;
    QPointer<Account> m_account;
    PLUMETPluginProtocol* m_plugin = nullptr;
    bool m_atom = false;
    QPointer<RESTCall> m_call;
    double m_timeOut = 60;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
};
