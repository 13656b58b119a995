#pragma once

#include "AccountCallJob.h"
#include "ModelTypes.h"

#include <QPointer>

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
class DeleteJob : public AccountCallJob {
    Q_OBJECT
public:
    explicit DeleteJob(EntryPtr entry, QObject* parent = nullptr);

    const EntryPtr& entry() const { return m_entry; }

    // "Deleting "Title"...".
    static QString deletingStatus(const Entry& entry);

protected:
    void doStart() override;
    void callFinished(RESTCall* call) override;

private:
    bool sendXmlRpc();
    void sendAtom();
    void deleted();
    void failWith(int code, const QString& message);
    void keepEntry();

    EntryPtr m_entry;
    QPointer<Blog> m_blog;
    QPointer<Account> m_account;
    PLUMETPluginProtocol* m_plugin = nullptr;
    bool m_atom = false;
};
