#pragma once

#include "ModelTypes.h"
#include "ServerRoads.h"

#include <QList>
#include <QObject>
#include <QSet>

class ActivityList;
class Attachment;

// The publishing road from the entry's side, installed as the records'
// ServerRoads: it marks the entry as being published, fills the publish
// buffers, puts the markup of attachments already on a server in place of
// their keys, uploads the others one after the other (a SequentialJob of
// AttachmentUploadSteps), and then runs a PublishJob through its activity
// row, holding the account.
//
//     PublishRoad road;                          // by the program, once
//     ServerRoads::setSharedInstance(&road);
//     entry->publish();                          // by the draft window or the list
//
// An entry whose last publish was cut short before the server answered the
// request that makes the post may be on the server already: it is published
// only once the user has chosen so (PublishPrompter).
class PublishRoad : public QObject, public ServerRoads {
    Q_OBJECT
public:
    explicit PublishRoad(ActivityList& list, QObject* parent = nullptr);
    PublishRoad();
    ~PublishRoad() override;

    bool publish(const EntryPtr& entry) override;

    // How long a request of the road may stay silent (60 s unless set).
    void setTimeOut(double seconds) { m_timeOut = seconds; }

signals:
    // Each new publish job, before its row starts it (for tests and the benchmark).
    void jobCreated(QObject* job);

private:
    bool publishNow(const EntryPtr& entry);
    void askFirst(const EntryPtr& entry);
    // The blog's recent posts (or pages) are fetched into its list.
    void lookOnServer(const EntryPtr& entry);
    // Whether the texts name attachment keys while no read library knows them.
    static bool libraryMissing(Entry& entry);
    void prepare(Entry& entry, QList<AttachmentPtr>& pending);
    void registerJob(const EntryPtr& entry);
    void fail(const EntryPtr& entry, const QString& message);
    // An error row with the publishing status of the entry.
    void errorRow(Entry& entry, const QString& message);

    ActivityList& m_list;
    QSet<const Entry*> m_asking; // entries whose question is open
    double m_timeOut = 60;
};
