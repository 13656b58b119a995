#pragma once

#include "EntryListMerge.h"
#include "PublishRoad.h"
#include "ServerRoads.h"

#include <QObject>
#include <chrono>
#include <optional>

class ActivityList;
class Job;
class RetrieveEntriesJob;

// The roads of a blog's entries as the records reach them (ServerRoads):
// Entry::deleteFromServer, Blog::retrieveEntries and Blog::retrievePages land
// here once it is installed. Each road is one job run through its row of the
// activity list, holding the account while it runs; the blog or entry keeps
// the row, so that a second request does nothing until the row has gone (a
// failed road's row stays until the user clears it).
//
// A posts or pages road that ends well posts "entriesRetrieved" and tells the
// event add-ons (event 2, the blog's title); for blog systems that send posts
// without their categories the posts road is followed by the per-post
// categories road over the posts it listed.
//
//     BlogRoads roads;                        // by the program, once
//     ServerRoads::setSharedInstance(&roads);
//     entry->publish();                       // by the draft window
//     entry->deleteFromServer();              // by the entries list
class BlogRoads : public QObject, public ServerRoads {
    Q_OBJECT
public:
    explicit BlogRoads(ActivityList& list, QObject* parent = nullptr);
    BlogRoads();
    ~BlogRoads() override;

    // Publishing goes through the PublishRoad the roads hold.
    bool publish(const EntryPtr& entry) override;
    PublishRoad& publishing() { return m_publishing; }
    bool retrieveEntries(Blog& blog) override;
    bool retrievePages(Blog& blog) override;
    bool deleteEntry(const EntryPtr& entry) override;

    // How long a request may stay silent (60 s unless set).
    void setTimeOut(double seconds)
    {
        m_timeOut = seconds;
        m_publishing.setTimeOut(seconds);
    }
    // Each request's wait for the server's first response; the preference unless set.
    void setResponseTimeout(std::optional<std::chrono::milliseconds> timeout)
    {
        m_responseTimeout = timeout;
    }
    // The pause between two per-post category requests (half a second unless set).
    void setCategoryPacing(std::chrono::milliseconds pacing) { m_pacing = pacing; }

signals:
    // Each new job, before its row starts it (for tests and benchmarks).
    void jobCreated(Job* job);

private:
    bool retrieve(Blog& blog, EntryListMerge::Kind kind);
    void retrieved(RetrieveEntriesJob* job);
    void retrieveEntryCategories(Blog& blog, const QList<EntryPtr>& posts);

    ActivityList& m_list;
    PublishRoad m_publishing;
    std::chrono::milliseconds m_pacing{500};
    double m_timeOut = 60;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
};
