#include "Account.h"
#include "AccountBusyToken.h"
#include "ActivityList.h"
#include "ManualClock.h"
#include "NotificationCenter.h"

#include <QTest>

using plumet::test::ManualClock;

class tst_AccountBusyToken : public QObject {
    Q_OBJECT

private slots:
    void takeAndReleasePostOnce();
    void onlyOneHolder();
    void movingKeepsOneHolder();
    void aStolenFlagIsNotReleasedByItsFormerHolder();
    void twoJobsOnOneAccountNeverRunTogether();
    void stoppingAQueuedJobReleasesNothing();

private:
    QStringList notes;
    QObject observer;
    void watch(Account* account);
};

void tst_AccountBusyToken::watch(Account* account)
{
    notes.clear();
    NotificationCenter& center = NotificationCenter::sharedInstance();
    center.removeObserver(&observer);
    for (const char* name : {"accountActive", "accountInactive"})
        center.observe(
            QString::fromLatin1(name), &observer,
            [this](const Notification& note) { notes << note.name; }, account);
}

void tst_AccountBusyToken::takeAndReleasePostOnce()
{
    Account account;
    watch(&account);
    {
        AccountBusyToken token = AccountBusyToken::take(&account);
        QVERIFY(token);
        QCOMPARE(token.account(), &account);
        QVERIFY(account.isCritical());
        QCOMPARE(notes, QStringList{"accountActive"});
        token.release();
        QVERIFY(!token);
        QVERIFY(!account.isCritical());
        token.release();
    } // and the destructor gives back nothing more
    QCOMPARE(notes, (QStringList{"accountActive", "accountInactive"}));
    QVERIFY(!AccountBusyToken::take(nullptr));
}

void tst_AccountBusyToken::onlyOneHolder()
{
    Account account;
    AccountBusyToken first = AccountBusyToken::take(&account);
    AccountBusyToken second = AccountBusyToken::take(&account);
    QVERIFY(first);
    QVERIFY(!second);
    second.release(); // an empty token gives back nothing
    QVERIFY(account.isCritical());
    first = AccountBusyToken(); // assigning over a held token releases it
    QVERIFY(!account.isCritical());
    QVERIFY(AccountBusyToken::take(&account));
}

void tst_AccountBusyToken::movingKeepsOneHolder()
{
    Account account;
    watch(&account);
    AccountBusyToken holder;
    {
        AccountBusyToken taken = AccountBusyToken::take(&account);
        holder = std::move(taken);
        QVERIFY(!taken); // NOLINT: a moved-from token is empty
    }
    QVERIFY(account.isCritical());
    AccountBusyToken next(std::move(holder));
    QVERIFY(!holder); // NOLINT
    QVERIFY(next);
    next.release();
    QCOMPARE(notes, (QStringList{"accountActive", "accountInactive"}));
}

void tst_AccountBusyToken::aStolenFlagIsNotReleasedByItsFormerHolder()
{
    Account account;
    AccountBusyToken first = AccountBusyToken::take(&account);
    account.setIsCritical(false); // cleared behind the holder's back
    AccountBusyToken second = AccountBusyToken::take(&account);
    QVERIFY(second);
    first.release();
    QVERIFY(account.isCritical()); // still the second job's
    second.release();
    QVERIFY(!account.isCritical());

    // An account that goes away while held leaves nothing behind.
    auto gone = std::make_unique<Account>();
    AccountBusyToken orphan = AccountBusyToken::take(gone.get());
    gone.reset();
    QCOMPARE(orphan.account(), nullptr);
    orphan.release();
}

// Two roads of one account registered in the list: the second waits, retrying,
// until the first has given the account back.
void tst_AccountBusyToken::twoJobsOnOneAccountNeverRunTogether()
{
    ManualClock clock;
    ActivityList list;
    list.setClock(&clock);
    Account account;
    account.setTitle(QStringLiteral("Work"));

    AccountBusyToken tokens[2];
    int running = 0;
    int mostAtOnce = 0;
    auto startAction = [&](int job) {
        return [&, job] {
            tokens[job] = AccountBusyToken::take(&account);
            if (!tokens[job])
                return false;
            mostAtOnce = qMax(mostAtOnce, ++running);
            return true;
        };
    };
    ActivityItem* first = list.newActivity(&account, QStringLiteral("Publishing"), startAction(0));
    ActivityItem* second = list.newActivity(&account, QStringLiteral("Deleting"), startAction(1));
    first->callAction();
    second->callAction();
    QCOMPARE(first->state(), ActivityItem::State::Running);
    QCOMPARE(second->state(), ActivityItem::State::Waiting);
    QCOMPARE(second->subStatus(), QStringLiteral("Waiting for Work\u2026"));
    clock.advance(6000);
    QCOMPARE(second->state(), ActivityItem::State::Waiting);

    // The first job ends: it gives the account back and removes its row.
    tokens[0].release();
    --running;
    first->remove();
    clock.advance(2000);
    QCOMPARE(second->state(), ActivityItem::State::Running);
    QCOMPARE(mostAtOnce, 1);
    QVERIFY(account.isCritical());
}

void tst_AccountBusyToken::stoppingAQueuedJobReleasesNothing()
{
    ManualClock clock;
    ActivityList list;
    list.setClock(&clock);
    Account account;
    AccountBusyToken holder = AccountBusyToken::take(&account); // a running road

    AccountBusyToken waiterToken;
    bool withdrawn = false;
    ActivityItem* waiting = list.newActivity(&account, QStringLiteral("Retrieving"), [&] {
        waiterToken = AccountBusyToken::take(&account);
        return bool(waiterToken);
    });
    connect(waiting, &ActivityItem::withdrawn, this, [&] { withdrawn = true; });
    waiting->callAction();
    watch(&account);
    waiting->stop();
    QVERIFY(withdrawn);
    QVERIFY(account.isCritical());
    QVERIFY(notes.isEmpty());
    QVERIFY(holder);
}

QTEST_GUILESS_MAIN(tst_AccountBusyToken)
#include "tst_accountbusytoken.moc"
