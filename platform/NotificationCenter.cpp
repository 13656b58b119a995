#include "NotificationCenter.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QThread>
#include <algorithm>

NotificationCenter& NotificationCenter::sharedInstance()
{
    static NotificationCenter* center = [] {
        auto* instance = new NotificationCenter;
        if (QCoreApplication* app = QCoreApplication::instance())
            instance->moveToThread(app->thread());
        return instance;
    }();
    return *center;
}

NotificationCenter::NotificationCenter(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<Notification>();
}

NotificationCenter::~NotificationCenter() = default;

void NotificationCenter::post(const QString& name, QObject* object, const QVariantMap& userInfo)
{
    Notification notification{name, object, userInfo};
    // The default centre lives on the main thread; a post from any other
    // thread waits there for its turn (and is dropped if the centre is gone).
    if (QThread::currentThread() == thread()) {
        deliver(notification);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, notification] { deliver(notification); }, Qt::QueuedConnection);
}

void NotificationCenter::deliver(const Notification& notification)
{
    // A handler may observe or stop observing while we deliver: work on a copy,
    // and skip what was removed meanwhile.
    ObservationList targets;
    {
        QMutexLocker lock(&m_mutex);
        const auto found = m_observations.constFind(notification.name);
        if (found == m_observations.cend())
            return;
        targets = found.value();
    }
    for (const auto& observation : targets) {
        if (!observation->active || !observation->observer)
            continue;
        if (observation->filterBySender &&
            (!observation->sender || notification.object != observation->sender))
            continue;
        observation->handler(notification);
    }
}

void NotificationCenter::prune(ObservationList& list)
{
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const auto& o) { return !o->active || !o->observer; }),
               list.end());
}

void NotificationCenter::observe(const QString& name, QObject* observer, Handler handler,
                                 QObject* sender)
{
    if (!observer || !handler)
        return;
    auto observation = std::make_shared<Observation>();
    observation->observer = observer;
    observation->filterBySender = sender != nullptr;
    observation->sender = sender;
    observation->handler = std::move(handler);
    QMutexLocker lock(&m_mutex);
    ObservationList& list = m_observations[name];
    // Observers that went away are dropped here rather than on every post.
    if (list.size() >= 64 && (list.size() & (list.size() - 1)) == 0)
        prune(list);
    list.push_back(std::move(observation));
}

void NotificationCenter::removeObserver(QObject* observer, const QString& name)
{
    if (!observer)
        return;
    QMutexLocker lock(&m_mutex);
    auto stop = [observer](ObservationList& list) {
        for (const auto& observation : list)
            if (observation->observer == observer)
                observation->active = false;
        prune(list);
    };
    if (!name.isEmpty()) {
        const auto found = m_observations.find(name);
        if (found != m_observations.end())
            stop(found.value());
        return;
    }
    for (ObservationList& list : m_observations)
        stop(list);
}
