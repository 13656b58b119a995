#include "Account.h"
#include "ActivityItem.h"
#include "ActivityList.h"
#include "Blog.h"
#include "DeleteJob.h"
#include "Entry.h"
#include "ManualClock.h"
#include "PublishJob.h"
#include "RetrieveEntriesJob.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using plumet::test::ManualClock;

class tst_ActivityList : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startActionIsAskedUntilItAnswersYes_data();
    void startActionIsAskedUntilItAnswersYes();
    void waitingRowNamesTheAccount();
    void stopTellsTheJobByState_data();
    void stopTellsTheJobByState();
    void errorRow();
    void errorEndsAPendingRetry();
    void durationAndProgress();
    void countString_data();
    void countString();
    void shiftClick_data();
    void shiftClick();
    void commandClickTogglesAndEnablesClear();
    void arrowKeys_data();
    void arrowKeys();
    void keysNeedRows();
    void clearStopsSelectedRowsAndSelectsTheNext();
    void removeByIndex();
    void modelStaysConsistent();
    void theProgramsListAnswersForRunningJobs();
    void titlesWithMarkupShowWithSingleSpaces_data();
    void titlesWithMarkupShowWithSingleSpaces();
    void rowTextsShowOnOneLine();

private:
    // n rows whose jobs start at once.
    void addRunning(int n);
    QList<int> selectedRows() const;
    void select(const QList<int>& rows);

    std::unique_ptr<ActivityList> list;
    std::unique_ptr<ManualClock> clock;
};

void tst_ActivityList::init()
{
    clock = std::make_unique<ManualClock>();
    list = std::make_unique<ActivityList>();
    list->setClock(clock.get());
}

void tst_ActivityList::cleanup()
{
    list.reset();
    clock.reset();
}

void tst_ActivityList::addRunning(int n)
{
    for (int i = 0; i < n; ++i)
        list->newActivity(nullptr, QStringLiteral("Job %1").arg(i), [] { return true; })
            ->callAction();
}

QList<int> tst_ActivityList::selectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->itemAt(i)->isSelected())
            rows.append(i);
    return rows;
}

void tst_ActivityList::select(const QList<int>& rows)
{
    list->deselectAll();
    for (int row : rows)
        list->selectItem(row);
}

void tst_ActivityList::startActionIsAskedUntilItAnswersYes_data()
{
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<qint64>("interval");
    QTest::addColumn<QList<qint64>>("askedAt");
    QTest::newRow("at once") << QList<bool>{true} << qint64(2000) << QList<qint64>{0};
    QTest::newRow("no, no, yes") << QList<bool>{false, false, true} << qint64(2000)
                                 << QList<qint64>{0, 2000, 4000};
    QTest::newRow("shorter interval")
        << QList<bool>{false, true} << qint64(5) << QList<qint64>{0, 5};
}

void tst_ActivityList::startActionIsAskedUntilItAnswersYes()
{
    QFETCH(QList<bool>, answers);
    QFETCH(qint64, interval);
    QFETCH(QList<qint64>, askedAt);
    list->setRetryInterval(interval);
    QCOMPARE(ActivityList::defaultRetryInterval, 2000);

    QList<qint64> asked;
    ActivityItem* row = list->newActivity(nullptr, QStringLiteral("Publishing"), [&] {
        asked.append(clock->now());
        return answers.at(asked.size() - 1);
    });
    QCOMPARE(row->state(), ActivityItem::State::Queued);
    QCOMPARE(row->subStatus(), QStringLiteral("In queue..."));
    QVERIFY(!row->isAnimated());
    row->callAction();
    QVERIFY(row->isAnimated());
    clock->advance(60'000);

    QCOMPARE(asked, askedAt);
    QCOMPARE(row->state(), ActivityItem::State::Running);
    QVERIFY(!row->isRetryPending());
    QCOMPARE(clock->pendingCount(), 0);
    // A started job is never started again.
    row->callAction();
    QCOMPARE(asked.size(), askedAt.size());
}

void tst_ActivityList::waitingRowNamesTheAccount()
{
    Account account;
    account.setTitle(QStringLiteral("My Blog"));
    bool free = false;
    ActivityItem* row =
        list->newActivity(&account, QStringLiteral("Publishing"), [&] { return free; });
    row->callAction();
    QCOMPARE(row->state(), ActivityItem::State::Waiting);
    QCOMPARE(row->subStatus(), QStringLiteral("Waiting for My Blog\u2026"));
    free = true;
    clock->advance(2000);
    QCOMPARE(row->state(), ActivityItem::State::Running);
    QCOMPARE(row->subStatus(), QString()); // the wait is over; the job tells what it does

    // A sub-status of the job's own stays while it waits.
    free = false;
    ActivityItem* second =
        list->newActivity(&account, QStringLiteral("Deleting"), [&] { return free; });
    second->setSubStatus(QStringLiteral("Preparing the files"));
    second->callAction();
    QCOMPARE(second->subStatus(), QStringLiteral("Preparing the files"));
    // Without an account there is nobody to name.
    ActivityItem* third =
        list->newActivity(nullptr, QStringLiteral("Pinging"), [] { return false; });
    third->callAction();
    QCOMPARE(third->subStatus(), QStringLiteral("In queue..."));
}

void tst_ActivityList::stopTellsTheJobByState_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("removed");
    QTest::newRow("queued") << "queued"
                            << "withdrawn" << true;
    QTest::newRow("waiting") << "waiting"
                             << "withdrawn" << true;
    QTest::newRow("running") << "running"
                             << "cancel" << false;
    QTest::newRow("error") << "error"
                           << "clear" << true;
}

void tst_ActivityList::stopTellsTheJobByState()
{
    QFETCH(QString, before);
    QFETCH(QString, told);
    QFETCH(bool, removed);

    int asked = 0;
    ActivityItem* row = list->newActivity(nullptr, QStringLiteral("Uploading"), [&] {
        ++asked;
        return before != QLatin1String("waiting");
    });
    if (before != QLatin1String("queued"))
        row->callAction();
    if (before == QLatin1String("error"))
        row->setError(QStringLiteral("Server said no"));
    QStringList heard;
    connect(row, &ActivityItem::cancelRequested, this, [&] { heard << "cancel"; });
    connect(row, &ActivityItem::withdrawn, this, [&] { heard << "withdrawn"; });
    connect(row, &ActivityItem::clearRequested, this, [&] { heard << "clear"; });
    const QPointer<ActivityItem> guard(row);
    const int askedBefore = asked;

    row->stop();
    QCOMPARE(heard, QStringList{told});
    QCOMPARE(list->count(), removed ? 0 : 1);
    // A stopped row never asks its job again.
    clock->advance(10'000);
    QCOMPARE(asked, askedBefore);
    // Removed rows go on the next turn of the event loop, not inside the call.
    QVERIFY(guard);
    if (removed) {
        row->stop(); // a second press reaches nobody
        QCOMPARE(heard.size(), 1);
        QTRY_VERIFY(!guard);
    }
}

void tst_ActivityList::errorRow()
{
    QSignalSpy raised(list.get(), &ActivityList::errorRaised);
    ActivityItem* row =
        list->newActivity(nullptr, QStringLiteral("Publishing"), [] { return true; });
    row->callAction();
    QVERIFY(list->hasActiveItems());
    row->setError(QString());
    QCOMPARE(row->errorMessage(), QStringLiteral("Unknown error"));
    QCOMPARE(row->errorText(), QStringLiteral("An error occurred: \u201cUnknown error\u201d"));
    QCOMPARE(row->subStatus(), QStringLiteral("     Look up error online\u2026"));
    QVERIFY(!row->isActive());
    QVERIFY(!row->isAnimated());
    QVERIFY(!list->hasActiveItems());
    QCOMPARE(raised.size(), 1);
    row->setError(QStringLiteral("Not Found"));
    QCOMPARE(row->errorText(), QStringLiteral("An error occurred: \u201cNot Found\u201d"));
    QCOMPARE(list->data(list->index(0), Qt::ToolTipRole).toString(), QStringLiteral("Not Found"));
}

void tst_ActivityList::errorEndsAPendingRetry()
{
    int asked = 0;
    ActivityItem* row = list->newActivity(nullptr, QStringLiteral("Publishing"), [&] {
        ++asked;
        return false;
    });
    row->callAction();
    row->setError(QStringLiteral("The blog is gone"));
    clock->advance(10'000);
    QCOMPARE(asked, 1);
}

void tst_ActivityList::durationAndProgress()
{
    ActivityItem* row =
        list->newActivity(nullptr, QStringLiteral("Uploading"), [] { return true; });
    row->callAction();
    QVERIFY(row->isAnimated());
    row->setDuration(2048);
    QVERIFY(row->isDeterminate());
    QVERIFY(!row->isAnimated());
    QCOMPARE(row->maximum(), 2048.0);
    row->setProgress(1024);
    QCOMPARE(list->data(list->index(0), ActivityList::ProgressRole).toDouble(), 1024.0);
    row->setDuration(0.5);
    QVERIFY(!row->isDeterminate());
    QVERIFY(row->isAnimated());
    QCOMPARE(row->progress(), 0.0);
}

void tst_ActivityList::countString_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << 0 << "0 processes";
    QTest::newRow("one") << 1 << "1 process";
    QTest::newRow("two") << 2 << "2 processes";
}

void tst_ActivityList::countString()
{
    QFETCH(int, rows);
    QFETCH(QString, expected);
    QSignalSpy announced(list.get(), &ActivityList::countStringChanged);
    addRunning(rows);
    QCOMPARE(list->countString(), expected);
    QCOMPARE(announced.size(), rows);
}

void tst_ActivityList::shiftClick_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("run from the topmost selected above")
        << QList<int>{1, 3} << 5 << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("run down to the lowest selected")
        << QList<int>{6} << 2 << QList<int>{2, 3, 4, 5, 6};
    QTest::newRow("nothing selected") << QList<int>{} << 4 << QList<int>{4};
    QTest::newRow("on the selected row") << QList<int>{3, 5} << 3 << QList<int>{3, 4, 5};
}

void tst_ActivityList::shiftClick()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, clicked);
    QFETCH(QList<int>, expected);
    addRunning(8);
    select(selected);
    list->click(clicked, Qt::ShiftModifier);
    QCOMPARE(selectedRows(), expected);
    QVERIFY(list->isClearEnabled());

    // A plain click and every double click select the clicked row alone.
    list->click(7, Qt::NoModifier);
    QCOMPARE(selectedRows(), QList<int>{7});
    list->click(2, Qt::ShiftModifier, true);
    QCOMPARE(selectedRows(), QList<int>{2});
    // A click outside every row does nothing.
    list->click(8, Qt::NoModifier);
    QCOMPARE(selectedRows(), QList<int>{2});
}

void tst_ActivityList::commandClickTogglesAndEnablesClear()
{
    addRunning(4);
    QSignalSpy clearEnabled(list.get(), &ActivityList::clearEnabledChanged);
    list->click(1, Qt::ControlModifier);
    list->click(3, Qt::ControlModifier);
    QCOMPARE(selectedRows(), (QList<int>{1, 3}));
    QVERIFY(list->isClearEnabled());
    list->click(1, Qt::ControlModifier);
    QVERIFY(list->isClearEnabled());
    list->click(3, Qt::ControlModifier);
    QCOMPARE(selectedRows(), QList<int>{});
    QVERIFY(!list->isClearEnabled());
    QCOMPARE(clearEnabled.size(), 2);
}

void tst_ActivityList::arrowKeys_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("key");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("up, none selected: the last")
        << QList<int>{} << int(Qt::Key_Up) << QList<int>{4};
    QTest::newRow("down, none selected: the first")
        << QList<int>{} << int(Qt::Key_Down) << QList<int>{0};
    QTest::newRow("down from the last wraps to the first")
        << QList<int>{4} << int(Qt::Key_Down) << QList<int>{0};
    QTest::newRow("up on the first stays") << QList<int>{0} << int(Qt::Key_Up) << QList<int>{0};
    QTest::newRow("down after the first selected")
        << QList<int>{1, 3} << int(Qt::Key_Down) << QList<int>{2};
    QTest::newRow("up before the last selected")
        << QList<int>{1, 3} << int(Qt::Key_Up) << QList<int>{2};
}

void tst_ActivityList::arrowKeys()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, key);
    QFETCH(QList<int>, expected);
    addRunning(5);
    select(selected);
    QSignalSpy revealed(list.get(), &ActivityList::revealRequested);
    QVERIFY(list->handleKey(key));
    QCOMPARE(selectedRows(), expected);
    QCOMPARE(revealed.size(), 1);
    QCOMPARE(revealed.first().first().toInt(), expected.first());
}

void tst_ActivityList::keysNeedRows()
{
    QVERIFY(!list->handleKey(Qt::Key_Down));
    QVERIFY(!list->handleKey(Qt::Key_Delete));
    addRunning(1);
    QVERIFY(!list->handleKey(Qt::Key_A)); // goes on to the window
    QVERIFY(list->handleKey(Qt::Key_Down));
}

void tst_ActivityList::clearStopsSelectedRowsAndSelectsTheNext()
{
    // Row 0 waits, row 1 runs, row 2 failed, row 3 runs.
    ActivityItem* waiting = list->newActivity(nullptr, QStringLiteral("a"), [] { return false; });
    waiting->callAction();
    addRunning(1);
    addRunning(1);
    list->itemAt(2)->setError(QStringLiteral("Forbidden"));
    addRunning(1);
    ActivityItem* running = list->itemAt(1);
    int cancels = 0;
    connect(running, &ActivityItem::cancelRequested, this, [&] { ++cancels; });

    select({0, 1, 2});
    QVERIFY(list->handleKey(Qt::Key_Backspace));
    // The waiting and the error rows are gone; the running one was asked to stop
    // and stays until its job has ended. The row now at index 0 is selected.
    QCOMPARE(cancels, 1);
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemAt(0), running);
    QCOMPARE(selectedRows(), QList<int>{0});
    QVERIFY(list->isClearEnabled());

    // Clearing the last rows leaves the Clear button off.
    select({1});
    list->handleKey(Qt::Key_Delete);
    QCOMPARE(list->count(), 2); // row 1 runs too: asked to stop, still there
    running->remove();
    select({0});
    list->itemAt(0)->setError(QString());
    list->clear();
    QCOMPARE(list->count(), 0);
    QVERIFY(!list->isClearEnabled());
}

void tst_ActivityList::removeByIndex()
{
    addRunning(3);
    ActivityItem* first = list->itemAt(0);
    list->removeItemAt(3);
    list->removeItemAt(-1);
    QCOMPARE(list->count(), 3);
    list->removeItemAt(2); // the last row
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemAt(0), first);
    QCOMPARE(list->itemAt(2), nullptr);
    QCOMPARE(list->itemAt(-1), nullptr);
    QCOMPARE(list->indexOf(first), 0);
    first->remove();
    QCOMPARE(list->indexOf(first), -1);
    QCOMPARE(first->state(), ActivityItem::State::Removed);
}

void tst_ActivityList::modelStaysConsistent()
{
    QAbstractItemModelTester tester(list.get(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    addRunning(5);
    list->itemAt(2)->setError(QStringLiteral("x"));
    list->click(1, Qt::NoModifier);
    list->click(3, Qt::ShiftModifier);
    list->clear();
    list->itemAt(0)->setStatus(QStringLiteral("changed"));
    QCOMPARE(list->data(list->index(0), ActivityList::StatusRole).toString(),
             QStringLiteral("changed"));
    while (list->count() > 0)
        list->itemAt(0)->remove();
}

void tst_ActivityList::theProgramsListAnswersForRunningJobs()
{
    QVERIFY(!ActiveJobs::anyActive()); // nothing installed yet
    ActivityList& shared = ActivityList::sharedInstance();
    shared.setClock(clock.get());
    QVERIFY(!ActiveJobs::anyActive());
    ActivityItem* row = shared.newActivity(nullptr, QStringLiteral("Pinging"), [] { return true; });
    row->callAction();
    QVERIFY(ActiveJobs::anyActive());
    row->setError(QStringLiteral("Not Found")); // an error row runs nothing
    QVERIFY(!ActiveJobs::anyActive());
    row->remove();
    shared.setClock(nullptr);
}

void tst_ActivityList::titlesWithMarkupShowWithSingleSpaces_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown");
    QTest::newRow("markup and a line break") << "<b>A</b>\n  title"
                                             << "A title";
    QTest::newRow("tabs and ends") << "\t Garden <i>notes</i>  "
                                   << "Garden notes";
    QTest::newRow("plain") << "Spring planting"
                           << "Spring planting";
}

void tst_ActivityList::titlesWithMarkupShowWithSingleSpaces()
{
    QFETCH(QString, title);
    QFETCH(QString, shown);
    EntryPtr entry = Entry::create();
    entry->setTitle(title);
    Blog blog;
    blog.setTitle(title);
    const QStringList statuses{
        PublishJob::publishingStatus(*entry), DeleteJob::deletingStatus(*entry),
        RetrieveEntriesJob::retrievingStatus(blog, RetrieveEntriesJob::Kind::Posts)};
    for (const QString& status : statuses) {
        ActivityItem* row = list->newActivity(nullptr, status, [] { return true; });
        const QString text =
            list->data(list->index(list->count() - 1), ActivityList::StatusRole).toString();
        QVERIFY2(text.contains(QLatin1Char('"') + shown + QLatin1Char('"')), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("  ")) && !text.contains(QLatin1Char('\n')),
                 qPrintable(text));
        QCOMPARE(row->status(), text);
    }
}

void tst_ActivityList::rowTextsShowOnOneLine()
{
    ActivityItem* row =
        list->newActivity(nullptr, QStringLiteral("Uploading\n  two\tfiles"), [] { return true; });
    QCOMPARE(row->status(), QStringLiteral("Uploading two files"));
    row->callAction();
    row->setStatus(QStringLiteral("  Sending\r\n\"x\"  "));
    QCOMPARE(row->status(), QStringLiteral("Sending \"x\""));
    row->setSubStatus(QStringLiteral("12 of\n\n 40   kB"));
    QCOMPARE(row->subStatus(), QStringLiteral("12 of 40 kB"));
    row->setError(QStringLiteral("The server said:\n\n   no"));
    QCOMPARE(row->errorText(),
             QStringLiteral("An error occurred: \u201cThe server said: no\u201d"));
    // The whole message stays for the tool tip; the sub-status keeps its lead.
    QCOMPARE(row->errorMessage(), QStringLiteral("The server said:\n\n   no"));
    QVERIFY(row->subStatus().startsWith(QStringLiteral("     ")));
}

QTEST_GUILESS_MAIN(tst_ActivityList)
#include "tst_activitylist.moc"
