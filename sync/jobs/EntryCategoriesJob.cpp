#include "EntryCategoriesJob.h"

#include "Account.h"
#include "ActivityItem.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryListMerge.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "RESTCall.h"
#include "RoadRequests.h"
#include "XmlRpcCall.h"

EntryCategoriesJob::EntryCategoriesJob(Blog* blog, const QList<EntryPtr>& queue, QObject* parent)
    : AccountCallJob(blog ? blog->account() : nullptr, parent), m_blog(blog)
{
    // The row counts posts, not the bytes of each answer.
    setShowsTransfer(false);
    setReadsAnswersAsTheyArrive(true);
    for (const EntryPtr& entry : queue)
        m_queue.append(entry);
    setStatus(localized("Blog", "Retrieving categories for posts..."));
    m_pacing.setSingleShot(true);
    m_pacing.setInterval(defaultPacing);
    connect(&m_pacing, &QTimer::timeout, this, &EntryCategoriesJob::requestNext);
    if (blog)
        connect(blog, &QObject::destroyed, this, &Job::cancel);
}

void EntryCategoriesJob::doStart()
{
    m_account = m_blog ? m_blog->account() : nullptr;
    m_plugin = m_account ? m_account->plugin() : nullptr;
    if (!m_plugin) {
        fail({0, RoadRequests::xmlrpcRequestFailed()});
        return;
    }
    Job::setProgress(0, queued());
    requestNext();
}

void EntryCategoriesJob::requestNext()
{
    if (m_current >= queued()) {
        succeed();
        return;
    }
    const EntryPtr entry = m_queue.at(m_current).lock();
    ++m_current;
    Job::setProgress(m_current, queued());
    if (!entry || entry->parentBlog() != m_blog.data()) { // gone meanwhile
        requestNext();
        return;
    }
    m_asked = entry;
    setStatus(localized("Blog", "Retrieving categories for \"%1\"...")
                  .arg(ActivityItem::shownName(entry->displayName())));
    XmlRpcCall::Request request;
    request.objects = RoadRequests::login(*m_account);
    request.objects.insert(QStringLiteral("postid"), entry->uniqueID());
    m_plugin->xmlrpcEntryCategoriesRequest(request.objects, request.keys, request.method);
    if (!startCall(xmlRpcCall(m_account->escapedURL(), request)))
        fail({0, requestFailure()});
}

void EntryCategoriesJob::callFinished(RESTCall* call)
{
    if (call->answerSize() == 0) {
        fail({0, RoadRequests::noData()});
        return;
    }
    setSubStatus(localized("Blog", "Parsing data..."));
    const DecodeResult answer = RoadRequests::decodeAnswer(*call, false);
    if (answer.isFault()) {
        fail({0, answer.faultString()});
        return;
    }
    if (answer.value().typeId() != QMetaType::QVariantList) {
        fail({0, localized("Blog", "The response from the server did not contain valid data: "
                                   "Categories must be returned as an array.")});
        return;
    }
    if (const EntryPtr entry = m_asked.lock())
        EntryListMerge::mergeEntryCategories(*entry, answer.value().toList());
    setSubStatus(QString());
    if (m_current >= queued())
        succeed();
    else
        m_pacing.start();
}

void EntryCategoriesJob::doCancel()
{
    m_pacing.stop();
    AccountCallJob::doCancel();
}
