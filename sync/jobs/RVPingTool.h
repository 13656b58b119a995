#pragma once

#include "Blog.h"
#include "ModelTypes.h"
#include "PingJob.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <chrono>

class ActivityList;

// After a publish, tells the blog's update services ("weblogUpdates.ping" to
// each of its ping addresses) and sends the entry's trackbacks: one queue for
// the whole program, worked through by one PingJob at a time, one request at
// a time with a pause between requests, under one row of the activity list.
// The queue is kept here; the requests are the job's.
class RVPingTool : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultPause{500};

    static RVPingTool& sharedInstance();
    explicit RVPingTool(ActivityList& list, QObject* parent = nullptr);
    ~RVPingTool() override;

    // Queues the blog's update pings, or the entry's trackbacks, unless that
    // very blog or entry is queued already; starts the queue when idle.
    void addItem(Blog* blog);
    void addItem(const EntryPtr& entry);
    int itemCount() const { return static_cast<int>(m_items.size()); }
    // A job is at work: the queue runs or waits for its turn.
    bool isRunning() const { return m_job != nullptr; }

    // The pause between two requests.
    void setPause(std::chrono::milliseconds pause) { m_pause = pause; }
    std::chrono::milliseconds pause() const { return m_pause; }

    // The row's stop button: empties the queue and stops the request in flight.
    void cancel();

    // The body of a trackback: every value form-encoded as UTF-8, missing
    // ones sent as "Untitled".
    static QByteArray trackbackBody(const QString& title, const QString& url,
                                    const QString& excerpt, const QString& blogName);

signals:
    void itemsChanged();
    // The queue has emptied and its row is gone.
    void idle();

private:
    friend class PingJob;

    struct Item {
        QPointer<Blog> blog;
        EntryPtr entry;
        bool operator==(const Item& other) const
        {
            return entry ? entry == other.entry : (!other.entry && blog == other.blog);
        }
    };

    void enqueue(const Item& item);
    void startJob();
    void jobFinished();
    // The job is done with the first item.
    void takeFirstItem();
    void clearItems();

    ActivityList& m_list;
    QList<Item> m_items;
    QPointer<PingJob> m_job;
    std::chrono::milliseconds m_pause = defaultPause;
};
