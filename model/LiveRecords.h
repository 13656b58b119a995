#pragma once

#include "NotificationCenter.h"

#include <QCoreApplication>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QSet>
#include <functional>

// The live records of one class that answer one notification. A single observer
// per class dispatches to them, so a blog with thousands of entries and
// categories does not put thousands of handlers in front of every notification
// the program posts. Records register from any thread.
template <class Record> class LiveRecords {
public:
    using Handler = std::function<void(Record&, const Notification&)>;

    LiveRecords(const char* notificationName, Handler handler)
        : m_name(QString::fromLatin1(notificationName)), m_handler(std::move(handler))
    {
    }

    void add(Record* record)
    {
        QMutexLocker lock(&m_mutex);
        if (!m_observer)
            startObserving();
        m_records.insert(record);
    }

    void remove(Record* record)
    {
        QMutexLocker lock(&m_mutex);
        m_records.remove(record);
    }

private:
    void startObserving()
    {
        m_observer = new QObject; // lives as long as the program
        if (QCoreApplication* app = QCoreApplication::instance())
            m_observer->moveToThread(app->thread());
        NotificationCenter::sharedInstance().observe(
            m_name, m_observer,
            [this](const Notification& notification) { dispatch(notification); });
    }

    void dispatch(const Notification& notification)
    {
        QList<Record*> current;
        {
            QMutexLocker lock(&m_mutex);
            current = m_records.values();
        }
        for (Record* record : current) {
            bool alive;
            {
                QMutexLocker lock(&m_mutex);
                alive = m_records.contains(record);
            }
            if (alive)
                m_handler(*record, notification);
        }
    }

    QString m_name;
    Handler m_handler;
    QMutex m_mutex;
    QSet<Record*> m_records;
    QObject* m_observer = nullptr;
};
