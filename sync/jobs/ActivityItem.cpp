#include "ActivityItem.h"

#include "Account.h"
#include "ActivityList.h"
#include "Localization.h"

namespace {

QString inQueueText()
{
    return localized("RVActivityItem", "In queue...");
}

// A row's line shows one line: line breaks and runs of white space become one
// space. Spaces leading the text stay (the error row's sub-status keeps room
// for its look-up button with them).
QString oneLine(const QString& text)
{
    qsizetype lead = 0;
    while (lead < text.size() && text.at(lead) == QLatin1Char(' '))
        ++lead;
    const QString rest = text.mid(lead).simplified();
    return rest.isEmpty() ? rest : text.left(lead) + rest;
}

} // namespace

ActivityItem::ActivityItem(ActivityList* list, Account* account, const QString& status,
                           StartAction start)
    : QObject(list), m_list(list), m_account(account), m_start(std::move(start)),
      m_status(oneLine(status).trimmed()), m_subStatus(inQueueText())
{
}

ActivityItem::~ActivityItem() = default;

void ActivityItem::callAction()
{
    if (m_state != State::Queued && m_state != State::Waiting)
        return;
    if (m_asking) // the start action itself asked again
        return;
    m_retry.reset();
    m_animated = true;
    bool started = false;
    {
        const QPointer<ActivityItem> guard(this);
        m_asking = true;
        started = m_start ? m_start() : true;
        if (!guard)
            return;
        m_asking = false;
    }
    // The start action may already have ended the row (an error, or remove()).
    if (m_state != State::Queued && m_state != State::Waiting)
        return;
    if (started) {
        m_state = State::Running;
        if (!m_jobSetSubStatus && m_subStatus == waitingText())
            m_subStatus.clear();
        announce();
        return;
    }
    m_state = State::Waiting;
    if (!m_jobSetSubStatus && m_account)
        m_subStatus = waitingText();
    announce();
    retryLater();
}

void ActivityItem::retryLater()
{
    m_retry = m_list->clock().singleShot(m_list->retryInterval(), [this] {
        // Dropping the timer that is calling us is safe (Clock::Timer).
        m_retry.reset();
        callAction();
    });
}

QString ActivityItem::waitingText() const
{
    const QString name = m_account ? m_account->title() : QString();
    return localized("RVActivityItem", "Waiting for %1\u2026").arg(name);
}

QString ActivityItem::shownName(const QString& name)
{
    return name.simplified();
}

void ActivityItem::setStatus(const QString& text)
{
    const QString status = oneLine(text).trimmed();
    if (m_status == status)
        return;
    m_status = status;
    announce();
}

void ActivityItem::setSubStatus(const QString& text)
{
    const QString subStatus = oneLine(text);
    m_jobSetSubStatus = true;
    if (m_subStatus == subStatus)
        return;
    m_subStatus = subStatus;
    announce();
}

void ActivityItem::setDuration(double duration)
{
    if (m_state == State::Removed)
        return;
    if (duration < 1.0) {
        m_maximum = 0;
        m_animated = true;
    } else {
        m_maximum = duration;
        m_animated = false;
    }
    m_progress = 0;
    announce();
}

void ActivityItem::setProgress(double progress)
{
    if (m_progress == progress)
        return;
    m_progress = progress;
    announce();
}

bool ActivityItem::isAnimated() const
{
    return m_animated && isActive() && !isDeterminate();
}

void ActivityItem::setError(const QString& message)
{
    if (m_state == State::Removed)
        return;
    // An error row waits for nobody: its job is not asked again.
    m_retry.reset();
    m_state = State::Error;
    m_errorMessage = message.isEmpty() ? localized("RVActivityItem", "Unknown error") : message;
    m_animated = false;
    m_subStatus =
        QStringLiteral("     ") + localized("RVActivityItem", "Look up error online\u2026");
    announce();
    emit m_list->errorRaised(this);
}

QString ActivityItem::errorText() const
{
    if (m_state != State::Error)
        return {};
    return localized("RVActivityItem", "An error occurred: \u201c%1\u201d")
        .arg(m_errorMessage.simplified());
}

void ActivityItem::remove()
{
    if (m_state == State::Removed)
        return;
    m_retry.reset();
    m_list->removeItem(this);
}

void ActivityItem::stop()
{
    switch (m_state) {
    case State::Queued:
    case State::Waiting:
        // Nothing has started: nothing to cancel, but the job must still end.
        m_retry.reset();
        remove();
        emit withdrawn(this);
        break;
    case State::Running:
        emit cancelRequested(this);
        break;
    case State::Error:
        remove();
        emit clearRequested(this);
        break;
    case State::Removed:
        break;
    }
}

void ActivityItem::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    announce();
}

void ActivityItem::announce()
{
    if (m_state != State::Removed)
        m_list->itemChanged(this);
    emit changed(this);
}
