#pragma once

#include "AccountCallJob.h"
#include "DecodeResult.h"
#include "EntryListMerge.h"
#include "ModelTypes.h"

#include <QFutureWatcher>
#include <QPointer>
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
class RetrieveEntriesJob : public AccountCallJob {
    Q_OBJECT
public:
    using Kind = EntryListMerge::Kind;

    RetrieveEntriesJob(Blog* blog, Kind kind, QObject* parent = nullptr);

    Blog* blog() const { return m_blog.data(); }
    Kind kind() const { return m_kind; }
    // The blog's entries for the items the server listed, once merged.
    const QList<EntryPtr>& listedEntries() const { return m_listed; }

    // "Retrieving posts for "Blog"..." or "Retrieving pages for "Blog"...".
    static QString retrievingStatus(const Blog& blog, Kind kind);
    // The "num_entries" preference; 20 when unset or below 1.
    static int numberOfPosts();

protected:
    void doStart() override;
    void doCancel() override;
    void callFinished(RESTCall* call) override;

private:
    // What the worker thread makes of the answer.
    struct Reading {
        QString error; // empty when the list was read
        QList<EntryListMerge::Listed> listed;
    };
    // `answer`: the answer already read as it arrived, else `data` is read.
    static Reading read(const QByteArray& data, const std::optional<DecodeResult>& answer,
                        bool atom, const QUrl& address, PLUMETPluginProtocol* plugin, Kind kind);

    bool sendXmlRpc();
    bool sendAtom();
    void merge();

    QPointer<Blog> m_blog;
    Kind m_kind;
    QPointer<Account> m_account;
    PLUMETPluginProtocol* m_plugin = nullptr;
    bool m_atom = false;
    QFutureWatcher<Reading>* m_reading = nullptr;
    QList<EntryPtr> m_listed;
};
