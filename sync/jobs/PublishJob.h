#pragma once

// One publish of one entry: its requests in their phases, its answers, and its end.

#include "Account.h"
#include "AccountCallJob.h"
#include "Blog.h"
#include "ModelTypes.h"
#include "NewPostMark.h"

#include <QPointer>
#include <QVariant>

class DecodeResult;
class PLUMETPageProtocol;
class PLUMETPluginProtocol;
class RESTCall;

// Publishing one entry: the requests that put it on its blog's server, the
// read-back of the server's copy and its merge, the pings and the add-on
// event. One job per publish, run through its activity row (JobActivity,
// holding the account); the entry's own steps before it (its buffers, its
// attachments) are PublishRoad's.
// The fields it sends are PublishContent's, what the answers put into the
// entry PublishAnswers', the mark on the entry's file NewPostMark's.
//
// XML-RPC takes one request per phase: a new post, its categories in a
// request of their own where the blog system wants that (the post is then
// created unpublished and published by the edit that follows), the edit of a
// post already on the server, and the read-back:
//   new post                1 → 4 → 5
//   new post, categories    1 → 2 → 3 → 4 → 5
//   existing post           3 → 4 → 5
//   existing, categories    2 → 3 → 4 → 5
// Atom sends one POST or PUT and merges the entry the server answers with; a
// new post answered without one is read back from the address the server gives.
//
// Before the request that makes the post (an XML-RPC new post, an Atom POST)
// goes out, the entry's file is marked as awaiting that answer; the id the
// server answers with is in the file, and the mark gone, before any further
// request. A process killed in between leaves the mark, and the next publish
// asks first (PublishRoad).
//
// Every way out (done, a failure, a stop) goes through finish(): the entry is
// no longer being published, its buffers are let go unless the comparison
// window needs them, and the row and account are given back by JobActivity.
class PublishJob : public AccountCallJob {
    Q_OBJECT
public:
    enum class Phase {
        NewPost = 1,
        SeparateCategories = 2,
        PublishEdit = 3,
        Retrieve = 4,
        Done = 5,
    };
    Q_ENUM(Phase)

    explicit PublishJob(EntryPtr entry, QObject* parent = nullptr);

    const EntryPtr& entry() const { return m_entry; }
    // The phase whose answer is awaited.
    Phase phase() const { return m_phase; }
    // The entry was on the server already when the job started.
    bool isEdit() const { return m_isEdit; }
    // How many requests the job has sent.
    int requestCount() const { return m_requests; }
    // Something the user should hear of, whatever the job's end: sentences
    // (the attachments that could not follow the post's new id, the fields
    // the server did not keep), or empty.
    QString problem() const { return m_problem; }

    // The status line of a publish: "Publishing "Title"...".
    static QString publishingStatus(const Entry& entry);
    // Reopens the entry's draft and shows why its publish failed there.
    static void showFailureInDraft(Entry& entry, const QString& message);

protected:
    void doStart() override;
    void doCancel() override;
    void callFinished(RESTCall* call) override;
    void callFailed(const RestError& error) override;
    // The login of the entry's account, as it is when the call asks.
    Account* loginAccount() const override;

private:
    enum class Outcome { Published, Failed, Cancelled };

    void sendPhase();
    void sendPublish();
    void sendCategories();
    void sendRetrieve();
    void sendAtom();
    RESTCall* atomCall(const QUrl& address, const QByteArray& method);
    // A new post stored without its entry in the answer: its address (the
    // Location header) becomes its edit address and its id, and its entry is
    // read from there. Without one the job fails.
    void takeAtomLocation(const RESTCall& call);
    // The driver's page builders; without them the job fails.
    PLUMETPageProtocol* pageBuilder();
    bool sendXmlRpc(const QString& method, const QVariantMap& objects, const QStringList& keys,
                    bool convertUTC);
    bool sendCall(RESTCall* call);
    QVariantMap login() const;

    bool processAnswer(const QVariant& answer, QString* message);
    bool processXmlRpc(const QVariant& answer, QString* message);
    void mergeServerCopy(const QVariant& answer);
    // Marks the entry's file before the request that makes the post; false
    // (the job failed) when the file cannot be written.
    bool markUnanswered();
    // The server's answer to that request is kept: the file takes the post id
    // and loses the mark now, before any further request.
    void keepAnswer();
    // The server answered it: with a fault or a 4xx status no post was made.
    void refusedWithoutPost(int status = 0);
    void noteProblem(const QString& problem);
    void queuePings();
    void advance();
    void finish(Outcome outcome, const QString& message = {});
    void releaseEntry(Outcome outcome);
    void announcePublished();

    EntryPtr m_entry;
    QPointer<Blog> m_blog;
    QPointer<Account> m_account;
    PLUMETPluginProtocol* m_plugin = nullptr;
    Phase m_phase = Phase::NewPost;
    bool m_xmlrpc = true;
    bool m_atomPost = false;
    bool m_separateCategories = false;
    bool m_isEdit = false;
    bool m_released = false;
    NewPostMark m_mark; // set while the request that makes the post is unanswered
    int m_requests = 0;
    QString m_problem;
};
