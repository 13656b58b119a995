#pragma once

#include "AccountBusyToken.h"
#include "ActivityItem.h"

#include <QObject>
#include <QPointer>
#include <functional>

class ActivityList;
class Job;

// Runs a Job through a row of the activity list, so a road needs no more than
//
//     JobActivity::run(new PublishJob(entry), account, JobActivity::HoldsAccount);
//
// The row starts the job once its account is free (asking again every retry
// interval), mirrors the job's status, sub-status and progress, and turns into
// an error row with the job's message when it fails; a job that succeeds or is
// cancelled takes its row away, and so does a failing job that reports its
// errors itself. The row's stop button cancels the job, whether
// it runs or still waits (a waiting job then ends as cancelled without having
// run). With HoldsAccount the account's busy token is taken just before the
// job starts and given back, once, when the job finishes, however it ends.
class JobActivity : public QObject {
    Q_OBJECT
public:
    enum AccountUse {
        NoAccount,       // starts at once (a ping, a stand-alone upload)
        WaitsForAccount, // starts when the account is free, without taking it
        HoldsAccount,    // takes the account for its whole run
    };
    Q_ENUM(AccountUse)

    // Asked before the account, each time the row tries to start the job:
    // false makes the job wait another retry interval (a road's own condition).
    using Readiness = std::function<bool()>;

    // Registers the job's row (with the job's status as its status line) and
    // asks it to start. The job keeps its own lifetime (it deletes itself after
    // finishing unless told otherwise); the row outlives it only as an error row.
    static ActivityItem* run(Job* job, Account* account, AccountUse use,
                             ActivityList& list = sharedList(), Readiness ready = {});

private:
    static ActivityList& sharedList();
    JobActivity(Job* job, Account* account, AccountUse use, Readiness ready);
    bool tryStart();
    void follow(ActivityItem* row);
    void jobFinished();
    void jobProgressed(double progress, double maximum);

    Job* m_job;
    QPointer<Account> m_account;
    AccountUse m_use;
    Readiness m_ready;
    QPointer<ActivityItem> m_row;
    AccountBusyToken m_token;
    double m_maximum = 0;
};
