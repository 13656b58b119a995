#include "Account.h"
#include "ActivityList.h"
#include "Job.h"
#include "JobActivity.h"
#include "ManualClock.h"
#include "NotificationCenter.h"

#include <QPointer>
#include <QTest>

using plumet::test::ManualClock;

namespace {

// A road whose server the test plays by hand.
class HandRoad : public Job {
    Q_OBJECT
public:
    explicit HandRoad(const QString& status)
    {
        setAutoDelete(false);
        setStatus(status);
    }
    int starts = 0;
    int cancels = 0;

    void complete() { succeed(); }
    void breakDown(const QString& message) { fail(RestError{-1005, message}); }
    void report(const QString& status, const QString& subStatus, double done, double of)
    {
        setStatus(status);
        setSubStatus(subStatus);
        setProgress(done, of);
    }

protected:
    void doStart() override { ++starts; }
    void doCancel() override { ++cancels; }
};

} // namespace

class tst_JobActivity : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rowMirrorsTheJob();
    void endsReleaseTheAccountOnce_data();
    void endsReleaseTheAccountOnce();
    void stoppingAWaitingJobEndsItWithoutRunning();
    void jobsOfOneAccountTakeTurns();
    void waitingForTheAccountWithoutTakingIt();
    void aRoadsOwnConditionIsAskedFirst();
    void aDeletedJobTakesItsRowAlong();

private:
    std::unique_ptr<ManualClock> clock;
    std::unique_ptr<ActivityList> list;
    std::unique_ptr<Account> account;
    QStringList notes;
    QObject observer;
};

void tst_JobActivity::init()
{
    clock = std::make_unique<ManualClock>();
    list = std::make_unique<ActivityList>();
    list->setClock(clock.get());
    account = std::make_unique<Account>();
    account->setTitle(QStringLiteral("Home"));
    notes.clear();
    for (const char* name : {"accountActive", "accountInactive"})
        NotificationCenter::sharedInstance().observe(
            QString::fromLatin1(name), &observer,
            [this](const Notification& note) { notes << note.name; }, account.get());
}

void tst_JobActivity::cleanup()
{
    NotificationCenter::sharedInstance().removeObserver(&observer);
    list.reset();
    account.reset();
    clock.reset();
}

void tst_JobActivity::rowMirrorsTheJob()
{
    HandRoad road(QStringLiteral("Uploading \"cat.jpg\"..."));
    ActivityItem* row = JobActivity::run(&road, account.get(), JobActivity::HoldsAccount, *list);
    QCOMPARE(row->status(), QStringLiteral("Uploading \"cat.jpg\"..."));
    QCOMPARE(row->state(), ActivityItem::State::Running);
    QTRY_COMPARE(road.starts, 1); // start() only schedules

    road.report(QStringLiteral("Uploading \"cat.jpg\""), QStringLiteral("Sent 2 of 8 KB"), 2048,
                8192);
    QCOMPARE(row->status(), QStringLiteral("Uploading \"cat.jpg\""));
    QCOMPARE(row->subStatus(), QStringLiteral("Sent 2 of 8 KB"));
    QVERIFY(row->isDeterminate());
    QCOMPARE(row->maximum(), 8192.0);
    QCOMPARE(row->progress(), 2048.0);
    road.report(row->status(), row->subStatus(), 4096, 8192);
    QCOMPARE(row->progress(), 4096.0);
}

void tst_JobActivity::endsReleaseTheAccountOnce_data()
{
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("rowsLeft");
    QTest::addColumn<int>("cancels");
    QTest::newRow("success") << "success" << 0 << 0;
    QTest::newRow("error") << "error" << 1 << 0;
    QTest::newRow("stop button") << "stop" << 0 << 1;
    QTest::newRow("cancelled by its owner") << "cancel" << 0 << 1;
}

void tst_JobActivity::endsReleaseTheAccountOnce()
{
    QFETCH(QString, end);
    QFETCH(int, rowsLeft);
    QFETCH(int, cancels);
    HandRoad road(QStringLiteral("Publishing \"Hello\"..."));
    ActivityItem* row = JobActivity::run(&road, account.get(), JobActivity::HoldsAccount, *list);
    QTRY_COMPARE(road.starts, 1);
    QVERIFY(account->isCritical());

    if (end == QLatin1String("success"))
        road.complete();
    else if (end == QLatin1String("error"))
        road.breakDown(QStringLiteral("The server did not answer in time."));
    else if (end == QLatin1String("stop"))
        row->stop();
    else
        road.cancel();

    QVERIFY(!account->isCritical());
    QCOMPARE(notes, (QStringList{"accountActive", "accountInactive"}));
    QCOMPARE(list->count(), rowsLeft);
    QCOMPARE(road.cancels, cancels);
    if (rowsLeft) {
        QCOMPARE(
            row->errorText(),
            QStringLiteral("An error occurred: \u201cThe server did not answer in time.\u201d"));
        row->stop(); // the clear button
        QCOMPARE(list->count(), 0);
    }
    QCOMPARE(notes.size(), 2);
}

void tst_JobActivity::stoppingAWaitingJobEndsItWithoutRunning()
{
    AccountBusyToken other = AccountBusyToken::take(account.get()); // another road runs
    HandRoad road(QStringLiteral("Deleting \"Old post\"..."));
    ActivityItem* row = JobActivity::run(&road, account.get(), JobActivity::HoldsAccount, *list);
    QCOMPARE(row->state(), ActivityItem::State::Waiting);
    QCOMPARE(row->subStatus(), QStringLiteral("Waiting for Home\u2026"));
    notes.clear();

    row->stop();
    // The job heard of it and ended, once, without ever running; the other
    // road keeps the account.
    QCOMPARE(road.state(), Job::State::Cancelled);
    QCOMPARE(list->count(), 0);
    clock->advance(10'000);
    QTest::qWait(0);
    QCOMPARE(road.starts, 0);
    QVERIFY(account->isCritical());
    QVERIFY(notes.isEmpty());
    QVERIFY(other);
}

void tst_JobActivity::jobsOfOneAccountTakeTurns()
{
    HandRoad publish(QStringLiteral("Publishing"));
    HandRoad refresh(QStringLiteral("Refreshing"));
    ActivityItem* first =
        JobActivity::run(&publish, account.get(), JobActivity::HoldsAccount, *list);
    ActivityItem* second =
        JobActivity::run(&refresh, account.get(), JobActivity::HoldsAccount, *list);
    QTRY_COMPARE(publish.starts, 1);
    QCOMPARE(second->state(), ActivityItem::State::Waiting);
    clock->advance(4000);
    QTest::qWait(0);
    QCOMPARE(refresh.starts, 0);

    publish.breakDown(QStringLiteral("Forbidden"));
    QCOMPARE(first->state(), ActivityItem::State::Error);
    clock->advance(2000);
    QTRY_COMPARE(refresh.starts, 1);
    QVERIFY(account->isCritical());
    refresh.complete();
    QVERIFY(!account->isCritical());
    QCOMPARE(notes,
             (QStringList{"accountActive", "accountInactive", "accountActive", "accountInactive"}));
}

void tst_JobActivity::waitingForTheAccountWithoutTakingIt()
{
    AccountBusyToken other = AccountBusyToken::take(account.get());
    HandRoad categories(QStringLiteral("Retrieving categories"));
    ActivityItem* row =
        JobActivity::run(&categories, account.get(), JobActivity::WaitsForAccount, *list);
    QCOMPARE(row->state(), ActivityItem::State::Waiting);
    other.release();
    clock->advance(2000);
    QTRY_COMPARE(categories.starts, 1);
    QVERIFY(!account->isCritical());
}

void tst_JobActivity::aRoadsOwnConditionIsAskedFirst()
{
    bool ready = false;
    HandRoad publish(QStringLiteral("Publishing"));
    ActivityItem* row = JobActivity::run(&publish, account.get(), JobActivity::HoldsAccount, *list,
                                         [&] { return ready; });
    QCOMPARE(row->state(), ActivityItem::State::Waiting);
    QVERIFY(!account->isCritical()); // not taken while the road is not ready
    ready = true;
    clock->advance(2000);
    QTRY_COMPARE(publish.starts, 1);
    QVERIFY(account->isCritical());
}

void tst_JobActivity::aDeletedJobTakesItsRowAlong()
{
    auto* road = new HandRoad(QStringLiteral("Pinging"));
    JobActivity::run(road, nullptr, JobActivity::NoAccount, *list);
    QCOMPARE(list->count(), 1);
    delete road;
    QCOMPARE(list->count(), 0);
}

QTEST_GUILESS_MAIN(tst_JobActivity)
#include "tst_jobactivity.moc"
