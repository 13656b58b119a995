#include "NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

NotificationCenter& NotificationCenter::defaultCenter()
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
    emit posted(notification);
}

QMetaObject::Connection NotificationCenter::observe(const QString& name, QObject* observer,
                                                    Handler handler, QObject* sender)
{
    if (!observer || !handler)
        return {};
    const bool filterBySender = sender != nullptr;
    QPointer<QObject> guardedSender(sender);
    auto connection = connect(
        this, &NotificationCenter::posted, observer,
        [name, filterBySender, guardedSender,
         handler = std::move(handler)](const Notification& notification) {
            if (notification.name != name)
                return;
            if (filterBySender && (!guardedSender || notification.object != guardedSender))
                return;
            handler(notification);
        },
        Qt::DirectConnection);
    // Remembered under the observer so removeObserver() can find it by name.
    auto key = QByteArray("plumet_observing_") + name.toUtf8();
    QList<QMetaObject::Connection> connections =
        observer->property(key.constData()).value<QList<QMetaObject::Connection>>();
    connections.append(connection);
    observer->setProperty(key.constData(), QVariant::fromValue(connections));
    return connection;
}

void NotificationCenter::removeObserver(QObject* observer, const QString& name)
{
    if (!observer)
        return;
    if (name.isEmpty()) {
        disconnect(this, &NotificationCenter::posted, observer, nullptr);
        for (const QByteArray& property : observer->dynamicPropertyNames())
            if (property.startsWith("plumet_observing_"))
                observer->setProperty(property.constData(), QVariant());
        return;
    }
    const auto key = QByteArray("plumet_observing_") + name.toUtf8();
    const auto connections =
        observer->property(key.constData()).value<QList<QMetaObject::Connection>>();
    for (const QMetaObject::Connection& connection : connections)
        disconnect(connection);
    observer->setProperty(key.constData(), QVariant());
}
