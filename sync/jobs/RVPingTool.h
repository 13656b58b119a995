#pragma once

#include "ActivityItem.h"
#include "Blog.h"
#include "ModelTypes.h"
#include "RESTDelegate.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>

class ActivityList;
class RESTCall;

// After a publish, tells the blog's update services ("weblogUpdates.ping" to
// each of its ping addresses) and sends the entry's trackbacks: one queue for
// the whole program, one request at a time with a pause between requests,
// under one row of the activity list. Answers are not examined; a ping that
// fails is passed over.
class RVPingTool : public QObject, public RESTDelegate {
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
    // A row is up: the queue runs or waits for its turn.
    bool isRunning() const { return m_row != nullptr; }

    // The pause between two requests.
    void setPause(std::chrono::milliseconds pause) { m_pause.setInterval(pause); }

    // The row's stop button: empties the queue and stops the request in flight.
    void cancel();

    // RESTDelegate: no login is ever sent.
    QString url() const override { return m_currentPingUrl; }
    QString authUsername() const override { return {}; }
    void setAuthUsername(const QString&) override {}
    QString authPassword() const override { return {}; }
    void setAuthPassword(const QString&) override {}
    void setDuration(double duration) override;
    void setProgress(double progress) override;
    void setSubStatus(const QString& subStatus) override;
    void restCallDidFinish(RESTCall* call) override;
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& error) override;

    // The body of a trackback: every value form-encoded as UTF-8, missing
    // ones sent as "Untitled".
    static QByteArray trackbackBody(const QString& title, const QString& url,
                                    const QString& excerpt, const QString& blogName);

signals:
    void itemsChanged();
    // The queue has emptied and its row is gone.
    void idle();

private:
    struct Item {
        QPointer<Blog> blog;
        EntryPtr entry;
        bool operator==(const Item& other) const
        {
            return entry ? entry == other.entry : (!other.entry && blog == other.blog);
        }
    };

    void enqueue(const Item& item);
    void startRow();
    void nextPing();
    void pauseThenNext();
    bool submitPing(const PingPtr& ping, const QString& name, const QString& blogUrl);
    bool submitTrackback(const PingPtr& ping, const QString& blogName, const QString& title,
                         const QString& url, const QString& excerpt);
    bool startCall(RESTCall* call);
    void endCall(RESTCall* call);

    ActivityList& m_list;
    QList<Item> m_items;
    QPointer<ActivityItem> m_row;
    QPointer<RESTCall> m_call;
    QString m_currentPingUrl;
    int m_urlIndex = 0;
    QTimer m_pause;
};
