#pragma once

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// One posted notification: its name, the object it is about (guarded, since
// delivery may come later), and its user info.
struct Notification {
    QString name;
    QPointer<QObject> object;
    QVariantMap userInfo;
};

Q_DECLARE_METATYPE(Notification)

// Named notifications between parts that do not know each other
// ("accountsDone", "forceReload", ...). Observers are tied to a QObject and
// stop observing when it is destroyed. Handlers run on the main thread: a post
// from the main thread is delivered at once, a post from another thread is
// queued to the main thread. Observing and removing work from any thread (a
// record built on a worker registers itself). A post reaches only the
// observers of its name, so thousands of records observing rare notifications
// cost nothing per post.
class NotificationCenter : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& sharedInstance();

    explicit NotificationCenter(QObject* parent = nullptr);
    ~NotificationCenter() override;

    void post(const QString& name, QObject* object = nullptr, const QVariantMap& userInfo = {});

    // Calls `handler` for every notification `name`; with `sender`, only for
    // those whose object is `sender` (and none once `sender` is gone).
    void observe(const QString& name, QObject* observer, Handler handler,
                 QObject* sender = nullptr);

    // Stops every observation of `observer`, or only those of `name`.
    void removeObserver(QObject* observer, const QString& name = {});

private:
    struct Observation {
        QPointer<QObject> observer;
        bool filterBySender = false;
        QPointer<QObject> sender;
        Handler handler;
        std::atomic<bool> active{true};
    };
    using ObservationList = std::vector<std::shared_ptr<Observation>>;

    void deliver(const Notification& notification);
    static void prune(ObservationList& list);

    QMutex m_mutex; // guards m_observations; never held while a handler runs
    QHash<QString, ObservationList> m_observations;
};
