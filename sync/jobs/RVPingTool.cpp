#include "RVPingTool.h"

#include "ActivityList.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryContent.h"
#include "Genetic.h"
#include "Localization.h"
#include "Ping.h"
#include "RESTCall.h"
#include "StringExtensions.h"
#include "UserDefaults.h"
#include "XmlRpcCall.h"

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

RVPingTool& RVPingTool::sharedInstance()
{
    // Never destroyed: a publish may end during static destruction.
    static auto* tool = new RVPingTool(ActivityList::sharedInstance());
    return *tool;
}

RVPingTool::RVPingTool(ActivityList& list, QObject* parent) : QObject(parent), m_list(list)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(defaultPause);
    QObject::connect(&m_pause, &QTimer::timeout, this, &RVPingTool::nextPing);
}

RVPingTool::~RVPingTool()
{
    if (m_call) {
        m_call->setRestDelegate(nullptr);
        m_call->cancel();
        m_call->deleteLater();
    }
    if (m_row && m_row->isActive())
        m_row->remove();
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
    if (!m_row)
        startRow();
}

void RVPingTool::startRow()
{
    m_urlIndex = 0;
    QPointer<RVPingTool> self(this);
    m_row = m_list.newActivity(nullptr, localized("RVPingTool", "Commencing pings..."), [self] {
        if (self)
            self->nextPing();
        return true;
    });
    QObject::connect(m_row, &ActivityItem::cancelRequested, this, &RVPingTool::cancel);
    QObject::connect(m_row, &ActivityItem::withdrawn, this, &RVPingTool::cancel);
    m_row->callAction();
}

void RVPingTool::cancel()
{
    if (!m_items.isEmpty()) {
        m_items.clear();
        emit itemsChanged();
    }
    if (m_call) {
        m_call->cancel(); // ends the request; the queue then finds itself empty
        return;
    }
    if (!m_pause.isActive() && m_row)
        nextPing();
}

void RVPingTool::pauseThenNext()
{
    m_pause.start();
}

void RVPingTool::nextPing()
{
    if (m_items.isEmpty()) {
        if (m_row && m_row->isActive())
            m_row->remove();
        m_row = nullptr;
        m_pause.stop();
        emit idle();
        return;
    }
    const Item item = m_items.first();
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
                                 EntryContent(*item.entry).createExcerpt(sentences)))
                pauseThenNext();
            return;
        }
        item.entry->setPingUris(std::nullopt);
    }
    m_items.removeFirst();
    emit itemsChanged();
    m_urlIndex = 0;
    pauseThenNext();
}

bool RVPingTool::submitPing(const PingPtr& ping, const QString& name, const QString& blogUrl)
{
    if (!ping || ping->address().isEmpty() || name.isEmpty() || blogUrl.isEmpty())
        return false;
    const QUrl address = escapedAddress(ping->address());
    m_currentPingUrl = address.toString();
    if (m_row)
        m_row->setStatus(
            localized("RVPingTool", "Notifying %1 for \"%2\" update...").arg(ping->title(), name));
    XmlRpcCall::Request request;
    request.method = QStringLiteral("weblogUpdates.ping");
    request.objects = {{QStringLiteral("name"), name}, {QStringLiteral("url"), blogUrl}};
    request.keys = {QStringLiteral("name"), QStringLiteral("url")};
    return startCall(XmlRpcCall::make(address, request, this, this));
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

bool RVPingTool::submitTrackback(const PingPtr& ping, const QString& blogName, const QString& title,
                                 const QString& url, const QString& excerpt)
{
    if (!ping || ping->address().isEmpty())
        return false;
    const QUrl address = escapedAddress(ping->address());
    m_currentPingUrl = address.toString();
    auto* call = new RESTCall(address, this, this);
    call->setTimeOut(60);
    call->setMethod("POST");
    call->setData(trackbackBody(title, url, excerpt, blogName),
                  "application/x-www-form-urlencoded; charset=utf-8");
    return startCall(call);
}

bool RVPingTool::startCall(RESTCall* call)
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

void RVPingTool::endCall(RESTCall* call)
{
    if (call != m_call)
        return;
    m_call = nullptr;
    call->deleteLater();
    pauseThenNext();
}

void RVPingTool::restCallDidFinish(RESTCall* call)
{
    endCall(call);
}

void RVPingTool::restCallDidFail(RESTCall* call, const std::optional<RestError>&)
{
    endCall(call);
}

void RVPingTool::setDuration(double duration)
{
    if (m_row)
        m_row->setDuration(duration);
}

void RVPingTool::setProgress(double progress)
{
    if (m_row)
        m_row->setProgress(progress);
}

void RVPingTool::setSubStatus(const QString& subStatus)
{
    if (m_row)
        m_row->setSubStatus(subStatus);
}
