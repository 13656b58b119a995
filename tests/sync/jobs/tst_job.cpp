#include "Job.h"
#include "SequentialJob.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

namespace {

// A job whose work the test ends by hand; it counts what the shape calls.
class ScriptJob : public Job {
    Q_OBJECT
public:
    using Job::Job;
    int starts = 0;
    int cancels = 0;
    // What the work reports while it is being stopped (a call that ends at once on cancel).
    bool reportsWhileStopping = false;
    std::function<void(ScriptJob*)> onStart;

    void complete() { succeed(); }
    void breakDown(int code) { fail(RestError{code, QStringLiteral("step %1 broke").arg(code)}); }
    void report(const QString& status, const QString& subStatus, double done, double of)
    {
        setStatus(status);
        setSubStatus(subStatus);
        setProgress(done, of);
    }

protected:
    void doStart() override
    {
        ++starts;
        if (onStart)
            onStart(this);
    }
    void doCancel() override
    {
        ++cancels;
        if (reportsWhileStopping)
            breakDown(-999);
    }
};

ScriptJob* keptJob(QObject* parent = nullptr)
{
    auto* job = new ScriptJob(parent);
    job->setAutoDelete(false);
    return job;
}

} // namespace

class tst_Job : public QObject {
    Q_OBJECT
private slots:
    void startOnlySchedules();
    void finishedOnceWhateverHappens_data();
    void finishedOnceWhateverHappens();
    void deletesItselfAfterFinishingUnlessAsked_data();
    void deletesItselfAfterFinishingUnlessAsked();
    void reportsStatusAndProgressChanges();
    void sequenceRunsStepsInOrder();
    void sequenceStopsAtTheFirstFailure();
    void cancellingASequenceCancelsTheRunningStep();
    void sequenceEndsWhenAStepIsCancelled();
    void emptySequenceSucceeds();
};

void tst_Job::startOnlySchedules()
{
    std::unique_ptr<ScriptJob> job(keptJob());
    QSignalSpy states(job.get(), &Job::stateChanged);
    job->start();
    job->start();
    QCOMPARE(job->starts, 0);
    QCOMPARE(job->state(), Job::State::Waiting);
    QTRY_COMPARE(job->state(), Job::State::Running);
    QTest::qWait(10);
    QCOMPARE(job->starts, 1);
    QCOMPARE(states.count(), 1);
}

void tst_Job::finishedOnceWhateverHappens_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<Job::State>("state");
    QTest::addColumn<int>("errorCode"); // 0: no error
    QTest::addColumn<int>("starts");
    QTest::addColumn<int>("cancels");
    QTest::newRow("success") << "start run succeed succeed fail cancel" << Job::State::Finished << 0
                             << 1 << 0;
    QTest::newRow("failure") << "start run fail succeed cancel" << Job::State::Failed << 7 << 1
                             << 0;
    QTest::newRow("cancel while running")
        << "start run cancel succeed cancel" << Job::State::Cancelled << 0 << 1 << 1;
    QTest::newRow("work reports while stopping")
        << "start run stopping-reports cancel" << Job::State::Cancelled << 0 << 1 << 1;
    QTest::newRow("cancel before start")
        << "cancel start run" << Job::State::Cancelled << 0 << 0 << 0;
    QTest::newRow("cancel after start, before it runs")
        << "start cancel run" << Job::State::Cancelled << 0 << 0 << 0;
}

void tst_Job::finishedOnceWhateverHappens()
{
    QFETCH(QString, script);
    QFETCH(Job::State, state);
    QFETCH(int, errorCode);
    QFETCH(int, starts);
    QFETCH(int, cancels);

    std::unique_ptr<ScriptJob> job(keptJob());
    QSignalSpy finished(job.get(), &Job::finished);
    for (const QString& step : script.split(u' ')) {
        if (step == QLatin1String("start"))
            job->start();
        else if (step == QLatin1String("run"))
            QTest::qWait(20);
        else if (step == QLatin1String("succeed"))
            job->complete();
        else if (step == QLatin1String("fail"))
            job->breakDown(7);
        else if (step == QLatin1String("cancel"))
            job->cancel();
        else if (step == QLatin1String("stopping-reports"))
            job->reportsWhileStopping = true;
    }
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().value<Job*>(), job.get());
    QCOMPARE(job->state(), state);
    QVERIFY(job->isFinished());
    QCOMPARE(job->error().has_value(), errorCode != 0);
    if (errorCode)
        QCOMPARE(job->error()->code, errorCode);
    QCOMPARE(job->starts, starts);
    QCOMPARE(job->cancels, cancels);
}

void tst_Job::deletesItselfAfterFinishingUnlessAsked_data()
{
    QTest::addColumn<bool>("autoDelete");
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("auto, succeeded") << true << false;
    QTest::newRow("auto, cancelled") << true << true;
    QTest::newRow("kept, succeeded") << false << false;
}

void tst_Job::deletesItselfAfterFinishingUnlessAsked()
{
    QFETCH(bool, autoDelete);
    QFETCH(bool, cancelled);
    auto* job = new ScriptJob;
    job->setAutoDelete(autoDelete);
    QPointer<ScriptJob> guard(job);
    bool readInSlot = false;
    // A slot may read the job it is told about: it is still there.
    connect(job, &Job::finished, this, [&](Job* done) { readInSlot = done->isFinished(); });
    job->onStart = [cancelled](ScriptJob* self) {
        if (!cancelled)
            self->complete();
    };
    job->start();
    if (cancelled) {
        QTRY_COMPARE(job->starts, 1);
        job->cancel();
        QVERIFY(guard); // deleted later, never inside the signal
    }
    QTRY_VERIFY(readInSlot);
    QTest::qWait(20);
    QCOMPARE(guard.isNull(), autoDelete);
    delete guard.data();
}

void tst_Job::reportsStatusAndProgressChanges()
{
    std::unique_ptr<ScriptJob> job(keptJob());
    QSignalSpy status(job.get(), &Job::statusChanged);
    QSignalSpy subStatus(job.get(), &Job::subStatusChanged);
    QSignalSpy progress(job.get(), &Job::progressChanged);
    job->report(QStringLiteral("Publishing"), QStringLiteral("Receiving 1.0Kb"), 1, 4);
    job->report(QStringLiteral("Publishing"), QStringLiteral("Receiving 2.0Kb"), 2, 4);
    QCOMPARE(status.count(), 1);
    QCOMPARE(subStatus.count(), 2);
    QCOMPARE(progress.count(), 2);
    QCOMPARE(progress.last().at(0).toDouble(), 2.0);
    QCOMPARE(progress.last().at(1).toDouble(), 4.0);
    QCOMPARE(job->status(), QStringLiteral("Publishing"));
    QCOMPARE(job->subStatus(), QStringLiteral("Receiving 2.0Kb"));
    QCOMPARE(job->progress(), 2.0);
    QCOMPARE(job->progressMaximum(), 4.0);
}

void tst_Job::sequenceRunsStepsInOrder()
{
    auto* road = new SequentialJob;
    road->setAutoDelete(false);
    std::unique_ptr<SequentialJob> owner(road);
    QStringList order;
    auto* first = new ScriptJob;
    first->onStart = [&](ScriptJob* self) {
        order << QStringLiteral("first");
        self->report(QStringLiteral("Fetching blogs"), QString(), 1, 1);
        self->complete();
    };
    road->addStep(first);
    QString seenByFactory;
    road->addStep([&]() -> Job* {
        seenByFactory = order.join(u',');
        auto* second = new ScriptJob;
        second->onStart = [&](ScriptJob* self) {
            order << QStringLiteral("second");
            self->complete();
        };
        return second;
    });
    road->addStep([]() -> Job* { return nullptr; }); // skipped
    QSignalSpy finished(road, &Job::finished);
    QSignalSpy status(road, &Job::statusChanged);
    road->start();
    QTRY_COMPARE(finished.count(), 1);
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(road->state(), Job::State::Finished);
    QCOMPARE(order, QStringList({QStringLiteral("first"), QStringLiteral("second")}));
    QCOMPARE(seenByFactory, QStringLiteral("first")); // made only when its turn came
    QCOMPARE(status.first().first().toString(), QStringLiteral("Fetching blogs"));
}

void tst_Job::sequenceStopsAtTheFirstFailure()
{
    auto* road = new SequentialJob;
    QPointer<SequentialJob> guard(road);
    auto* ok = new ScriptJob;
    ok->onStart = [](ScriptJob* self) { self->complete(); };
    auto* broken = new ScriptJob;
    broken->onStart = [](ScriptJob* self) { self->breakDown(-1004); };
    auto* never = new ScriptJob;
    QPointer<ScriptJob> neverGuard(never);
    road->addStep(ok);
    road->addStep(broken);
    road->addStep(never);
    // The road deletes itself after finishing: what it says is read in the slot.
    int finishes = 0;
    Job::State state = Job::State::Waiting;
    std::optional<RestError> error;
    int neverStarts = -1;
    connect(road, &Job::finished, this, [&](Job* done) {
        ++finishes;
        state = done->state();
        error = done->error();
        neverStarts = neverGuard ? never->starts : -1;
    });
    road->start();
    QTRY_COMPARE(finishes, 1);
    QCOMPARE(state, Job::State::Failed);
    QVERIFY(error);
    QCOMPARE(error->code, -1004);
    QCOMPARE(error->message, QStringLiteral("step -1004 broke"));
    QCOMPARE(neverStarts, 0);
    QTRY_VERIFY(guard.isNull()); // the road and its unused step go
    QVERIFY(neverGuard.isNull());
}

void tst_Job::cancellingASequenceCancelsTheRunningStep()
{
    auto* road = new SequentialJob;
    road->setAutoDelete(false);
    std::unique_ptr<SequentialJob> owner(road);
    auto* running = new ScriptJob;
    running->setAutoDelete(false);
    running->reportsWhileStopping = true; // its failure while stopping must not leak out
    auto* later = new ScriptJob;
    later->setAutoDelete(false);
    road->addStep(running);
    road->addStep(later);
    QSignalSpy finished(road, &Job::finished);
    QSignalSpy stepFinished(running, &Job::finished);
    road->start();
    QTRY_COMPARE(running->starts, 1);
    QCOMPARE(road->currentStep(), running);
    road->cancel();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(road->state(), Job::State::Cancelled);
    QVERIFY(!road->error());
    QCOMPARE(running->cancels, 1);
    QCOMPARE(stepFinished.count(), 1);
    QCOMPARE(running->state(), Job::State::Cancelled);
    QTest::qWait(20);
    QCOMPARE(later->starts, 0);
    QCOMPARE(finished.count(), 1);
}

void tst_Job::sequenceEndsWhenAStepIsCancelled()
{
    auto* road = new SequentialJob;
    road->setAutoDelete(false);
    std::unique_ptr<SequentialJob> owner(road);
    auto* step = new ScriptJob;
    step->setAutoDelete(false);
    auto* later = new ScriptJob;
    later->setAutoDelete(false);
    road->addStep(step);
    road->addStep(later);
    QSignalSpy finished(road, &Job::finished);
    road->start();
    QTRY_COMPARE(step->starts, 1);
    step->cancel(); // from elsewhere, e.g. its own sheet
    QCOMPARE(finished.count(), 1);
    QCOMPARE(road->state(), Job::State::Cancelled);
    QTest::qWait(20);
    QCOMPARE(later->starts, 0);
}

void tst_Job::emptySequenceSucceeds()
{
    std::unique_ptr<SequentialJob> road(new SequentialJob);
    road->setAutoDelete(false);
    QSignalSpy finished(road.get(), &Job::finished);
    road->start();
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(road->state(), Job::State::Finished);
}

QTEST_GUILESS_MAIN(tst_Job)
#include "tst_job.moc"
