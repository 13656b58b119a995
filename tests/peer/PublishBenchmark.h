#pragma once

#include "PublishTesting.h"
#include "TestSecretService.h"
#include "WordPressServer.h"

#include <QEventLoop>
#include <QTimer>

// What the publishing benchmarks share: their start against a WordPress of
// their own, and a publish waited for as the anchors wait for their replies.
namespace plumet::test {

// Starts the keyring, the shipped drivers and WordPress; false, with the
// reason printed, when one does not start.
inline bool startPublishBenchmark(TestKeyring& keyring, WordPressServer& wordpress)
{
    QString error;
    if (!keyring.start(&error)) {
        qCritical("no keyring: %s", qPrintable(error));
        return false;
    }
    loadDrivers();
    if (!wordpress.start()) {
        qCritical("%s", qPrintable(wordpress.problem()));
        return false;
    }
    return true;
}

// Publishes and waits in an event loop that ends with the job, as the anchor
// waits for its replies: a polling wait would sleep between its looks and
// time itself. A publish that does not start, fails or outlasts `limitMs`
// ends the benchmark. Returns the requests the job sent.
inline int publishAndWait(PublishRoad& road, const EntryPtr& entry, int limitMs)
{
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [] { qFatal("a publish never ended"); });
    int requests = 0;
    const QMetaObject::Connection created = QObject::connect(
        &road, &PublishRoad::jobCreated, &loop, [&loop, &requests](QObject* object) {
            auto* job = qobject_cast<PublishJob*>(object);
            QObject::connect(job, &Job::finished, &loop, [&loop, &requests, job] {
                if (job->state() != Job::State::Finished)
                    qFatal("publish did not finish: %s",
                           qPrintable(job->error() ? job->error()->message : QString()));
                requests = job->requestCount();
                loop.quit();
            });
        });
    if (!entry->publish())
        qFatal("the publish did not start");
    guard.start(limitMs);
    loop.exec();
    QObject::disconnect(created);
    return requests;
}

} // namespace plumet::test
