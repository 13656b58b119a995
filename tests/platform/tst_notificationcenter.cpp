#include "NotificationCenter.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <vector>

class tst_NotificationCenter : public QObject {
    Q_OBJECT

private slots:
    void deliversByNameWithObjectAndUserInfo();
    void senderFilterAndRemoval();
    void destroyedObserverIsNotCalled();
    void observerRemovedDuringDeliveryIsSkipped();
    void postFromWorkerThreadArrivesOnMainThread();
    void observersRegisterFromWorkerWhilePostsRun();
};

void tst_NotificationCenter::deliversByNameWithObjectAndUserInfo()
{
    NotificationCenter center;
    QObject observer;
    QObject account;
    QList<Notification> received;
    center.observe("accountActive", &observer, [&](const Notification& n) { received.append(n); });
    center.post("accountActive", &account, {{"reason", "refresh"}});
    center.post("accountInactive", &account);
    QCOMPARE(received.size(), 1); // delivered at once on the main thread
    QCOMPARE(received.first().name, QStringLiteral("accountActive"));
    QCOMPARE(received.first().object.data(), &account);
    QCOMPARE(received.first().userInfo.value("reason"), QVariant("refresh"));
}

void tst_NotificationCenter::senderFilterAndRemoval()
{
    NotificationCenter center;
    QObject observer;
    auto* blog = new QObject;
    QObject otherBlog;
    int fromBlog = 0;
    int reloads = 0;
    center.observe(
        "entriesRetrieved", &observer, [&](const Notification&) { ++fromBlog; }, blog);
    center.observe("forceReload", &observer, [&](const Notification&) { ++reloads; });
    center.post("entriesRetrieved", &otherBlog);
    center.post("entriesRetrieved", blog);
    QCOMPARE(fromBlog, 1);
    // Once the watched object is gone, nothing matches it any more.
    delete blog;
    center.post("entriesRetrieved", nullptr);
    QCOMPARE(fromBlog, 1);

    center.removeObserver(&observer, "forceReload");
    center.post("forceReload");
    QCOMPARE(reloads, 0);
}

void tst_NotificationCenter::destroyedObserverIsNotCalled()
{
    NotificationCenter center;
    int calls = 0;
    {
        QObject observer;
        center.observe("goingToQuitNotification", &observer, [&](const Notification&) { ++calls; });
    }
    center.post("goingToQuitNotification");
    QCOMPARE(calls, 0);
}

void tst_NotificationCenter::observerRemovedDuringDeliveryIsSkipped()
{
    NotificationCenter center;
    QObject first;
    auto* second = new QObject;
    int secondCalls = 0;
    // The first handler closes a window whose controller observes the same name.
    center.observe("goingToQuitNotification", &first, [&](const Notification&) {
        center.removeObserver(second);
        delete second;
        second = nullptr;
    });
    center.observe("goingToQuitNotification", second, [&](const Notification&) { ++secondCalls; });
    center.post("goingToQuitNotification");
    QCOMPARE(secondCalls, 0);
}

void tst_NotificationCenter::postFromWorkerThreadArrivesOnMainThread()
{
    NotificationCenter& center = NotificationCenter::sharedInstance();
    QObject observer;
    QThread* deliveredOn = nullptr;
    center.observe("entriesRetrieved", &observer,
                   [&](const Notification&) { deliveredOn = QThread::currentThread(); });
    QThread* worker = QThread::create([&center] { center.post("entriesRetrieved"); });
    worker->start();
    QVERIFY(worker->wait(5000));
    delete worker;
    QVERIFY(!deliveredOn); // queued, not delivered on the worker
    QTRY_COMPARE(deliveredOn, QCoreApplication::instance()->thread());
}

void tst_NotificationCenter::observersRegisterFromWorkerWhilePostsRun()
{
    // Entries made on a retrieval thread register while the main thread posts.
    NotificationCenter center;
    constexpr int Count = 4000;
    std::vector<std::unique_ptr<QObject>> observers;
    std::atomic<int> calls{0};
    QThread* mainThread = QThread::currentThread();
    std::atomic<bool> done{false};
    QThread* worker = QThread::create([&] {
        for (int i = 0; i < Count; ++i) {
            auto observer = std::make_unique<QObject>();
            observer->moveToThread(mainThread);
            // Distinct names grow the table, so it reallocates under the posts.
            center.observe(QStringLiteral("name%1").arg(i), observer.get(),
                           [&](const Notification&) { ++calls; });
            center.observe("findAndOpenEntry", observer.get(), [&](const Notification&) {});
            observers.push_back(std::move(observer));
        }
        done = true;
    });
    worker->start();
    int posts = 0;
    while (!done) {
        center.post("findAndOpenEntry");
        center.post(QStringLiteral("name%1").arg(posts++ % Count));
    }
    QVERIFY(worker->wait(10000));
    delete worker;
    for (int i = 0; i < Count; ++i)
        center.post(QStringLiteral("name%1").arg(i));
    QVERIFY(calls >= Count);
}

QTEST_GUILESS_MAIN(tst_NotificationCenter)
#include "tst_notificationcenter.moc"
