#pragma once

#include "AccountLogin.h"
#include "EntryListMerge.h"
#include "Job.h"
#include "ModelTypes.h"

#include <QFutureWatcher>
#include <QPointer>
#include <chrono>
#include <optional>

class Account;
class Blog;
class PLUMETPluginProtocol;
class RESTCall;

// Fetching a blog's recent posts, or its pages, and merging them into its
// entries: one request (the driver's list call over XML-RPC; for posts over
// Atom, a GET of the blog's feed), the answer read on a worker thread and
// merged on the main thread (EntryListMerge). Run through its row, holding
// the account (BlogRoads).
//
// A failure leaves the entries as they were. A blog that goes away stops the
// job.
class RetrieveEntriesJob : public Job, private AccountLogin {
    Q_OBJECT
public:
    using Kind = EntryListMerge::Kind;

    RetrieveEntriesJob(Blog* blog, Kind kind, QObject* parent = nullptr);
    ~RetrieveEntriesJob() override;

    Blog* blog() const { return m_blog.data(); }
    Kind kind() const { return m_kind; }
    // The blog's entries for the items the server listed, once merged.
    const QList<EntryPtr>& listedEntries() const { return m_listed; }

    // How long the request may stay silent (60 s unless set).
    void setTimeOut(double seconds) { m_timeOut = seconds; }
    void setResponseTimeout(std::optional<std::chrono::milliseconds> timeout)
    {
        m_responseTimeout = timeout;
    }

    // "Retrieving posts for "Blog"..." or "Retrieving pages for "Blog"...".
    static QString retrievingStatus(const Blog& blog, Kind kind);
    // The "num_entries" preference; 20 when unset or below 1.
    static int numberOfPosts();

protected:
    void doStart() override;
    void doCancel() override;

private:
    // What the worker thread makes of the answer.
    struct Reading {
        QString error; // empty when the list was read
        QList<EntryListMerge::Listed> listed;
    };
    static Reading read(const QByteArray& data, bool atom, const QUrl& address,
                        PLUMETPluginProtocol* plugin, Kind kind);

    bool sendXmlRpc();
    bool sendAtom();
    void stopCall();
    void merge();

    // RESTDelegate
    void setDuration(double duration) override;
    void setProgress(double progress) override;
    void setSubStatus(const QString& status) override;
    void restCallDidFinish(RESTCall* call) override;
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& error) override;

    QPointer<Blog> m_blog;
    Kind m_kind;
    QPointer<Account> m_account;
    PLUMETPluginProtocol* m_plugin = nullptr;
    bool m_atom = false;
    QPointer<RESTCall> m_call;
    QFutureWatcher<Reading>* m_reading = nullptr;
    QList<EntryPtr> m_listed;
    double m_timeOut = 60;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
};
