#include "Job.h"

#include "Account.h"
#include "JobsLog.h"

Job::Job(QObject* parent) : QObject(parent) {}

Job::~Job() = default;

void Job::start()
{
    if (m_state != State::Waiting || m_scheduled)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &Job::begin, Qt::QueuedConnection);
}

void Job::setPasswordsOf(Account* account)
{
    m_passwordsOf = account;
}

void Job::begin()
{
    if (m_state != State::Waiting) // cancelled while it waited
        return;
    if (m_passwordsOf && !m_passwordsOf->passwordsLoaded()) {
        m_passwordsOf->loadPasswords(this, [this] { begin(); });
        return;
    }
    setState(State::Running);
    doStart();
}

void Job::cancel()
{
    if (isFinished() || m_cancelling)
        return;
    m_cancelling = true;
    if (m_state == State::Running)
        doCancel();
    finish(State::Cancelled, std::nullopt);
}

bool Job::isFinished() const
{
    return m_state == State::Finished || m_state == State::Failed || m_state == State::Cancelled;
}

void Job::succeed()
{
    if (m_state != State::Running || m_cancelling)
        return;
    finish(State::Finished, std::nullopt);
}

void Job::fail(const RestError& error)
{
    if (m_state != State::Running || m_cancelling)
        return;
    qCDebug(lcJobs) << metaObject()->className() << "failed:" << error.code << error.message;
    finish(State::Failed, error);
}

void Job::finish(State state, std::optional<RestError> error)
{
    if (isFinished())
        return;
    m_error = std::move(error);
    setState(state);
    emit finished(this);
    if (m_autoDelete)
        deleteLater();
}

void Job::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void Job::setStatus(const QString& status)
{
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged(status);
}

void Job::setSubStatus(const QString& subStatus)
{
    if (m_subStatus == subStatus)
        return;
    m_subStatus = subStatus;
    emit subStatusChanged(subStatus);
}

void Job::setProgress(double progress, double maximum)
{
    if (m_progress == progress && m_progressMaximum == maximum)
        return;
    m_progress = progress;
    m_progressMaximum = maximum;
    emit progressChanged(progress, maximum);
}
