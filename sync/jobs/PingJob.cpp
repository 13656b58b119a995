#include "PingJob.h"

#include "ActivityItem.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryContent.h"
#include "JobsLog.h"
#include "Localization.h"
#include "Ping.h"
#include "RESTCall.h"
#include "RVPingTool.h"
#include "StringExtensions.h"
#include "UserDefaults.h"
#include "XmlRpcCall.h"

#include <QDebug>
#include <QRegularExpression>
#include <QUrl>

namespace {

PingList pingsOf(const Blog& blog)
{
    PingList pings;
    for (const QVariant& value : blog.pingUrls())
        pings.append(Ping::fromListValue(value));
    return pings;
}

QUrl escapedAddress(const QString& address)
{
    return rv::escapedURL(address, QStringLiteral("#%"));
}

} // namespace

PingJob::PingJob(RVPingTool& tool, QObject* parent) : Job(parent), m_tool(tool)
{
    setStatus(localized("RVPingTool", "Commencing pings..."));
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &PingJob::nextPing);
}

PingJob::~PingJob()
{
    stopCall();
}

bool PingJob::isTrackbackRefusal(const QByteArray& answer)
{
    static const QRegularExpression error(QStringLiteral("<error>\\s*([^<\\s]*)\\s*</error>"));
    const QRegularExpressionMatch match = error.match(QString::fromUtf8(answer));
    return match.hasMatch() && match.captured(1) != QLatin1String("0");
}

void PingJob::doStart()
{
    nextPing();
}

void PingJob::doCancel()
{
    m_pause.stop();
    stopCall();
}

void PingJob::stopCall()
{
    if (RESTCall* call = m_call) {
        m_call = nullptr;
        call->setRestDelegate(nullptr);
        call->cancel();
        call->deleteLater();
    }
}

void PingJob::pauseThenNext()
{
    m_pause.start(m_tool.pause());
}

void PingJob::keep(const PingPtr& ping)
{
    if (ping && !ping->address().isEmpty())
        m_undelivered.append(ping);
}

void PingJob::nextPing()
{
    if (isFinished())
        return;
    if (m_tool.m_items.isEmpty()) {
        succeed();
        return;
    }
    const RVPingTool::Item item = m_tool.m_items.first();
    if (item.blog) {
        const PingList pings = pingsOf(*item.blog);
        if (m_urlIndex < pings.size()) {
            const PingPtr ping = pings.at(m_urlIndex++);
            if (!submitPing(ping, item.blog->title(), item.blog->url()))
                pauseThenNext();
            return;
        }
    } else if (item.entry) {
        const PingList pings = item.entry->pingUris();
        if (m_urlIndex < pings.size()) {
            const PingPtr ping = pings.at(m_urlIndex++);
            const Entry& entry = *item.entry;
            const Blog* blog = dynamic_cast<const Blog*>(entry.parentBlog());
            const int sentences =
                int(UserDefaults::sharedInstance().integer(QStringLiteral("summary_num")));
            if (entry.permaLink().isEmpty() ||
                !submitTrackback(ping, blog ? blog->title() : QString(), entry.title(),
                                 entry.permaLink(),
                                 EntryContent(*item.entry).createExcerpt(sentences))) {
                keep(ping);
                pauseThenNext();
            }
            return;
        }
        // The addresses not reached stay, for the user to see and send again.
        item.entry->setPingUris(m_undelivered.isEmpty() ? std::nullopt
                                                        : std::optional(m_undelivered));
    }
    m_tool.takeFirstItem();
    m_urlIndex = 0;
    m_undelivered.clear();
    pauseThenNext();
}

bool PingJob::submitPing(const PingPtr& ping, const QString& name, const QString& blogUrl)
{
    if (!ping || ping->address().isEmpty() || name.isEmpty() || blogUrl.isEmpty())
        return false;
    const QUrl address = escapedAddress(ping->address());
    m_currentPingUrl = address.toString();
    setStatus(localized("RVPingTool", "Notifying %1 for \"%2\" update...")
                  .arg(ActivityItem::shownName(ping->title()), ActivityItem::shownName(name)));
    XmlRpcCall::Request request;
    request.method = QStringLiteral("weblogUpdates.ping");
    request.objects = {{QStringLiteral("name"), name}, {QStringLiteral("url"), blogUrl}};
    request.keys = {QStringLiteral("name"), QStringLiteral("url")};
    return startCall(XmlRpcCall::make(address, request, this, this));
}

bool PingJob::submitTrackback(const PingPtr& ping, const QString& blogName, const QString& title,
                              const QString& url, const QString& excerpt)
{
    if (!ping || ping->address().isEmpty())
        return false;
    const QUrl address = escapedAddress(ping->address());
    m_currentPingUrl = address.toString();
    auto* call = new RESTCall(address, this, this);
    call->setTimeOut(60);
    call->setMethod("POST");
    call->setData(RVPingTool::trackbackBody(title, url, excerpt, blogName),
                  "application/x-www-form-urlencoded; charset=utf-8");
    m_trackback = ping;
    if (startCall(call))
        return true;
    m_trackback = nullptr;
    return false;
}

bool PingJob::startCall(RESTCall* call)
{
    if (!call)
        return false;
    // Ping servers and other blogs answer in a few lines: their answers are read as
    // pages are, never as a blog's own server answers.
    call->setLimits(ExchangeLimits::page());
    m_call = call;
    if (call->startCall())
        return true;
    m_call = nullptr;
    call->deleteLater();
    return false;
}

void PingJob::endCall(RESTCall* call, bool delivered)
{
    if (call != m_call)
        return;
    m_call = nullptr;
    call->deleteLater();
    if (const PingPtr trackback = std::exchange(m_trackback, nullptr); trackback && !delivered) {
        qCInfo(lcJobs).noquote() << "The trackback to" << trackback->address()
                                 << "did not go through; the entry keeps its address.";
        keep(trackback);
    }
    pauseThenNext();
}

void PingJob::restCallDidFinish(RESTCall* call)
{
    const int status = call->httpStatus();
    endCall(call, status >= 200 && status < 300 && !isTrackbackRefusal(call->restData()));
}

void PingJob::restCallDidFail(RESTCall* call, const std::optional<RestError>&)
{
    endCall(call, false);
}

void PingJob::setDuration(double duration)
{
    Job::setProgress(0, duration >= 1 ? duration : 0);
}

void PingJob::setProgress(double progress)
{
    Job::setProgress(progress, progressMaximum());
}

void PingJob::setSubStatus(const QString& subStatus)
{
    Job::setSubStatus(subStatus);
}
