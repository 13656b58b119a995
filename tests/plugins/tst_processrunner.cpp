#include "ProcessRunner.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

ProcessRunner::Result runAsync(ProcessRunner& runner, int timeoutMs = 30000)
{
    QSignalSpy finished(&runner, &ProcessRunner::finished);
    runner.start();
    // finished() never comes from inside start().
    if (!finished.isEmpty())
        return {};
    if (!finished.wait(timeoutMs))
        return {};
    return finished.first().first().value<ProcessRunner::Result>();
}

ProcessRunner shell(const QString& script)
{
    return ProcessRunner(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
}

} // namespace

class tst_ProcessRunner : public QObject {
    Q_OBJECT

private slots:
    void handsInputAndTakesOutput_data();
    void handsInputAndTakesOutput();
    void reportsExitCodeAndErrorOutput();
    void missingProgramIsReportedLater();
    void timeLimitKillsWhatTheProgramStarted();
    void cancelStopsAProgramThatIgnoresTerm();
    void programThatReadsNothingStillEnds();
    void outputBeyondTheLimitStopsTheProgram_data();
    void outputBeyondTheLimitStopsTheProgram();
    void outputFileTakesBothOutputs();
    void detachedProgramRunsOn();
};

void tst_ProcessRunner::handsInputAndTakesOutput_data()
{
    QTest::addColumn<bool>("synchronous");
    QTest::newRow("on the event loop") << false;
    QTest::newRow("waiting") << true;
}

void tst_ProcessRunner::handsInputAndTakesOutput()
{
    QFETCH(bool, synchronous);
    // Writes 10 MB before it reads anything: with input written first and
    // output read afterwards, both pipes would fill and neither side move.
    ProcessRunner runner = shell(QStringLiteral("head -c 10485760 /dev/zero | tr '\\0' x; cat"));
    QByteArray input = QStringLiteral("héllo wörld\n").toUtf8().repeated(300000);
    runner.setInput(input);
    runner.setTimeLimit(60000);
    const ProcessRunner::Result result = synchronous ? runner.runAndWait() : runAsync(runner);
    QVERIFY(result.succeeded());
    QCOMPARE(result.output.size(), 10485760 + input.size());
    QVERIFY(result.output.startsWith("xxxx"));
    QVERIFY(result.output.endsWith(input.right(100)));
}

void tst_ProcessRunner::reportsExitCodeAndErrorOutput()
{
    ProcessRunner runner = shell(QStringLiteral("echo partial; echo 'it went wrong' >&2; exit 3"));
    const ProcessRunner::Result result = runAsync(runner);
    QCOMPARE(result.outcome, ProcessRunner::Outcome::Exited);
    QCOMPARE(result.exitCode, 3);
    QVERIFY(!result.succeeded());
    QCOMPARE(result.output, QByteArray("partial\n"));
    QCOMPARE(result.errorOutput, QByteArray("it went wrong\n"));
    QCOMPARE(ProcessRunner::failureText(result, "The tool", 0),
             QStringLiteral("The tool ended with exit code 3."));
}

void tst_ProcessRunner::missingProgramIsReportedLater()
{
    ProcessRunner runner(QStringLiteral("/nonexistent/tool"), {});
    runner.setInput("text");
    QSignalSpy finished(&runner, &ProcessRunner::finished);
    runner.start();
    QCOMPARE(finished.count(), 0);
    QVERIFY(finished.wait(5000));
    const auto result = finished.first().first().value<ProcessRunner::Result>();
    QCOMPARE(result.outcome, ProcessRunner::Outcome::FailedToStart);
    QCOMPARE(ProcessRunner::failureText(result, "The tool", 0),
             QStringLiteral("The tool could not be started: /nonexistent/tool is not installed."));
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);

    ProcessRunner waiting(QStringLiteral("/nonexistent/tool"), {});
    QCOMPARE(waiting.runAndWait().outcome, ProcessRunner::Outcome::FailedToStart);
}

void tst_ProcessRunner::timeLimitKillsWhatTheProgramStarted()
{
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("child");
    for (const bool synchronous : {false, true}) {
        ProcessRunner runner =
            shell(QStringLiteral("sleep 100 & echo $! > '%1'; sleep 100").arg(pidFile));
        runner.setTimeLimit(500);
        QElapsedTimer clock;
        clock.start();
        const ProcessRunner::Result result = synchronous ? runner.runAndWait() : runAsync(runner);
        QCOMPARE(result.outcome, ProcessRunner::Outcome::TimedOut);
        // Stopped at the limit, not at the program's own end a hundred seconds on.
        QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(ProcessRunner::failureText(result, "The tool", 500).contains("longer than 0.5"));
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const qint64 child = file.readAll().trimmed().toLongLong();
        QVERIFY(child > 0);
        QTRY_VERIFY(!plumet::test::processAlive(child));
    }
}

void tst_ProcessRunner::cancelStopsAProgramThatIgnoresTerm()
{
    // The program says when its trap is set: a TERM that came before would
    // end it at once, before the kill is ever needed.
    QTemporaryDir dir;
    const QString trapSet = dir.filePath("trap-set");
    ProcessRunner runner =
        shell(QStringLiteral("trap '' TERM; touch '%1'; sleep 100").arg(trapSet));
    QSignalSpy finished(&runner, &ProcessRunner::finished);
    runner.start();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(trapSet), 30000);
    QVERIFY(runner.isRunning());
    QElapsedTimer clock;
    clock.start();
    runner.cancel();
    // Killed once the grace the TERM gets has passed (a coarse timer may fire
    // a twentieth early), long before the program's own end.
    QVERIFY(finished.wait(60000));
    QVERIFY2(clock.elapsed() >= 1800, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(finished.first().first().value<ProcessRunner::Result>().outcome,
             ProcessRunner::Outcome::Cancelled);
    QVERIFY(!runner.isRunning());
}

void tst_ProcessRunner::programThatReadsNothingStillEnds()
{
    // Its standard input closes while a large input is still being written.
    ProcessRunner runner(QStringLiteral("/bin/true"), {});
    runner.setInput(QByteArray(8 * 1024 * 1024, 'a'));
    const ProcessRunner::Result result = runAsync(runner);
    QVERIFY(result.succeeded());
    QVERIFY(result.output.isEmpty());
}

void tst_ProcessRunner::outputBeyondTheLimitStopsTheProgram_data()
{
    QTest::addColumn<bool>("synchronous");
    QTest::newRow("on the event loop") << false;
    QTest::newRow("waiting") << true;
}

void tst_ProcessRunner::outputBeyondTheLimitStopsTheProgram()
{
    QFETCH(bool, synchronous);
    // Would write forever; only the limit ends it.
    ProcessRunner runner = shell(QStringLiteral("yes 'a runaway line'"));
    runner.setOutputLimit(1024 * 1024);
    runner.setTimeLimit(120000);
    const ProcessRunner::Result result = synchronous ? runner.runAndWait() : runAsync(runner);
    QCOMPARE(result.outcome, ProcessRunner::Outcome::OutputTooLarge);
    QVERIFY(!result.succeeded());
    QVERIFY(result.output.isEmpty());
    const QString text = ProcessRunner::failureText(result, "The script", 120000);
    QVERIFY2(text.startsWith("The script wrote more than ") && text.endsWith(" and was stopped."),
             qPrintable(text));
}

void tst_ProcessRunner::outputFileTakesBothOutputs()
{
    QTemporaryDir dir;
    const QString log = dir.filePath("log");
    ProcessRunner runner = shell(QStringLiteral("echo out; echo err >&2; echo out again; exit 4"));
    runner.setOutputFile(log);
    const ProcessRunner::Result result = runAsync(runner);
    QCOMPARE(result.exitCode, 4);
    QVERIFY(result.output.isEmpty());
    QCOMPARE(result.errorOutput, QByteArray("out\nerr\nout again\n"));
}

// A detached program is the user's now: it outlives its runner's owner, is
// never signalled, and its runner goes once it ends.
void tst_ProcessRunner::detachedProgramRunsOn()
{
    QTemporaryDir dir;
    const QString go = dir.filePath("go");
    const QString pidFile = dir.filePath("pid");
    auto owner = std::make_unique<QObject>();
    auto* runner = new ProcessRunner(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("echo $$ > '%1'; while [ ! -e '%2' ]; do sleep 0.05; "
                                              "done; echo still here")
                                   .arg(pidFile, go)},
        owner.get());
    runner->setOutputFile(dir.filePath("log"));
    QSignalSpy finished(runner, &ProcessRunner::finished);
    runner->start();
    QTRY_VERIFY_WITH_TIMEOUT(QFile(pidFile).size() > 0, 30000);
    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const qint64 pid = file.readAll().trimmed().toLongLong();
    QVERIFY(pid > 0);

    runner->detach();
    const QPointer<ProcessRunner> detached(runner);
    owner.reset();
    QTest::qWait(300); // no TERM, no KILL reaches it meanwhile
    QVERIFY(detached);
    QVERIFY(plumet::test::processAlive(pid));

    QFile(go).open(QIODevice::WriteOnly);
    QTRY_VERIFY_WITH_TIMEOUT(!detached, 30000);
    QVERIFY(!plumet::test::processAlive(pid));
    QCOMPARE(finished.count(), 0);
    QFile log(dir.filePath("log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("still here\n"));
}

QTEST_GUILESS_MAIN(tst_ProcessRunner)
#include "tst_processrunner.moc"
