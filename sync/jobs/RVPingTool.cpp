#include "RVPingTool.h"

#include "ActivityList.h"
#include "Genetic.h"
#include "JobActivity.h"
#include "PingJob.h"

#include <QUrl>

RVPingTool& RVPingTool::sharedInstance()
{
    // Never destroyed: a publish may end during static destruction.
    static auto* tool = new RVPingTool(ActivityList::sharedInstance());
    return *tool;
}

RVPingTool::RVPingTool(ActivityList& list, QObject* parent) : QObject(parent), m_list(list) {}

RVPingTool::~RVPingTool()
{
    if (PingJob* job = m_job) {
        job->disconnect(this);
        job->cancel();
    }
}

void RVPingTool::addItem(Blog* blog)
{
    if (blog)
        enqueue({blog, nullptr});
}

void RVPingTool::addItem(const EntryPtr& entry)
{
    if (entry)
        enqueue({nullptr, entry});
}

void RVPingTool::enqueue(const Item& item)
{
    if (!m_items.contains(item)) {
        m_items.append(item);
        emit itemsChanged();
    }
    if (!m_job)
        startJob();
}

void RVPingTool::startJob()
{
    auto* job = new PingJob(*this);
    m_job = job;
    JobActivity::run(job, nullptr, JobActivity::NoAccount, m_list);
    // After the row's own: by the time the tool says it is idle, the row is gone.
    QObject::connect(job, &Job::finished, this, &RVPingTool::jobFinished);
}

void RVPingTool::jobFinished()
{
    m_job = nullptr;
    clearItems(); // empty already, unless the job was stopped
    emit idle();
}

void RVPingTool::cancel()
{
    clearItems();
    if (PingJob* job = m_job)
        job->cancel();
}

void RVPingTool::takeFirstItem()
{
    if (m_items.isEmpty())
        return;
    m_items.removeFirst();
    emit itemsChanged();
}

void RVPingTool::clearItems()
{
    if (m_items.isEmpty())
        return;
    m_items.clear();
    emit itemsChanged();
}

QByteArray RVPingTool::trackbackBody(const QString& title, const QString& url,
                                     const QString& excerpt, const QString& blogName)
{
    auto field = [](const char* name, const QString& value) {
        const QString text = value.isEmpty() ? Genetic::untitled() : value;
        return QByteArray(name) + '=' + QUrl::toPercentEncoding(text);
    };
    // The URL is sent as it stands, "Untitled" only where a text is missing.
    const QByteArray link = "url=" + QUrl::toPercentEncoding(url);
    return field("title", title) + '&' + link + '&' + field("excerpt", excerpt) + '&' +
           field("blog_name", blogName);
}
