#include "JobActivity.h"

#include "ActivityList.h"
#include "Job.h"

ActivityList& JobActivity::sharedList()
{
    return ActivityList::sharedInstance();
}

JobActivity::JobActivity(Job* job, Account* account, AccountUse use, Readiness ready)
    : QObject(job), m_job(job), m_account(account), m_use(use), m_ready(std::move(ready))
{
}

ActivityItem* JobActivity::run(Job* job, Account* account, AccountUse use, ActivityList& list,
                               Readiness ready)
{
    // A child of the job: it goes with the job, and with it the token.
    if (!account)
        use = NoAccount;
    auto* activity = new JobActivity(job, account, use, std::move(ready));
    const QPointer<JobActivity> guard(activity);
    ActivityItem* row = list.newActivity(use == NoAccount ? nullptr : account, job->status(),
                                         [guard] { return guard ? guard->tryStart() : true; });
    activity->follow(row);
    row->callAction();
    return row;
}

void JobActivity::follow(ActivityItem* row)
{
    m_row = row;
    if (!m_job->subStatus().isEmpty())
        row->setSubStatus(m_job->subStatus());
    connect(m_job, &Job::statusChanged, row, &ActivityItem::setStatus);
    connect(m_job, &Job::subStatusChanged, row, &ActivityItem::setSubStatus);
    connect(m_job, &Job::progressChanged, this, &JobActivity::jobProgressed);
    connect(m_job, &Job::finished, this, &JobActivity::jobFinished);
    // Whatever the row's state, stopping or clearing it ends the job: a
    // waiting job ends without running, a finished one stays as it was.
    connect(row, &ActivityItem::cancelRequested, m_job, &Job::cancel);
    connect(row, &ActivityItem::withdrawn, m_job, &Job::cancel);
    connect(row, &ActivityItem::clearRequested, m_job, &Job::cancel);
    // A job deleted before it finished takes its row with it.
    connect(m_job, &QObject::destroyed, row, [row] {
        if (row->isActive())
            row->remove();
    });
}

bool JobActivity::tryStart()
{
    if (m_job->isFinished())
        return true; // cancelled while it waited; its row is going
    if (m_ready && !m_ready())
        return false;
    switch (m_use) {
    case NoAccount:
        break;
    case WaitsForAccount:
        if (m_account && m_account->isCritical())
            return false;
        break;
    case HoldsAccount:
        if (!m_account) { // the account went away while the job waited
            m_job->cancel();
            return true;
        }
        m_token = AccountBusyToken::take(m_account);
        if (!m_token)
            return false;
        break;
    }
    m_job->start();
    return true;
}

void JobActivity::jobProgressed(double progress, double maximum)
{
    if (!m_row)
        return;
    if (maximum != m_maximum) {
        m_maximum = maximum;
        m_row->setDuration(maximum);
    }
    m_row->setProgress(progress);
}

void JobActivity::jobFinished()
{
    m_token.release();
    if (!m_row)
        return;
    if (m_job->state() == Job::State::Failed && m_job->error() && !m_job->reportsErrorsItself())
        m_row->setError(m_job->error()->message);
    else
        m_row->remove();
}
