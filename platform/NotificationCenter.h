#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>

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
// queued to the main thread.
class NotificationCenter : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    explicit NotificationCenter(QObject* parent = nullptr);

    void post(const QString& name, QObject* object = nullptr, const QVariantMap& userInfo = {});

    // Calls `handler` for every notification `name`; with `sender`, only for
    // those whose object is `sender` (and none once `sender` is gone).
    QMetaObject::Connection observe(const QString& name, QObject* observer, Handler handler,
                                    QObject* sender = nullptr);

    // Stops every observation of `observer`, or only those of `name`.
    void removeObserver(QObject* observer, const QString& name = {});

signals:
    void posted(const Notification& notification);

private:
    void deliver(const Notification& notification);
};
