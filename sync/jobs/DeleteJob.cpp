#include "DeleteJob.h"

#include "Account.h"
#include "ActivityItem.h"
#include "Blog.h"
#include "Entry.h"
#include "Localization.h"
#include "PLUMETPageProtocol.h"
#include "PLUMETPluginProtocol.h"
#include "PluginManager.h"
#include "RESTCall.h"
#include "RoadRequests.h"
#include "StringExtensions.h"
#include "XmlRpcCall.h"

namespace {

Blog* blogOf(const EntryPtr& entry)
{
    return entry ? dynamic_cast<Blog*>(entry->parentBlog()) : nullptr;
}

Account* accountOf(const EntryPtr& entry)
{
    const Blog* blog = blogOf(entry);
    return blog ? blog->account() : nullptr;
}

} // namespace

DeleteJob::DeleteJob(EntryPtr entry, QObject* parent)
    : AccountCallJob(accountOf(entry), parent), m_entry(std::move(entry))
{
    setReadsAnswersAsTheyArrive(true);
    if (m_entry)
        setStatus(deletingStatus(*m_entry));
    // However the job ends without deleting, the entry is not left marked.
    connect(this, &Job::finished, this, [this] {
        if (state() != State::Finished)
            keepEntry();
    });
}

QString DeleteJob::deletingStatus(const Entry& entry)
{
    return localized("Entry", "Deleting \"%1\"...")
        .arg(ActivityItem::shownName(entry.displayName()));
}

void DeleteJob::doStart()
{
    m_blog = blogOf(m_entry);
    m_account = accountOf(m_entry);
    m_plugin = m_account ? m_account->plugin() : nullptr;
    if (!m_plugin) {
        failWith(0, RoadRequests::xmlrpcRequestFailed());
        return;
    }
    // A blog that goes while its entry is being deleted stops the deletion.
    if (m_blog)
        connect(m_blog, &QObject::destroyed, this, &Job::cancel);
    m_atom = m_plugin->supportedProtocol() != PLUMETPluginProtocol::XmlRpc;
    if (m_atom)
        sendAtom();
    else if (m_entry->hasFlag(Entry::IsPage) &&
             !PluginManager::sharedInstance().pageBuilderForKey(m_account->pluginKey()))
        failWith(0, localized("Entry", "\"%1\" is a page, and this blog system has no pages "
                                       "to delete it from.")
                        .arg(ActivityItem::shownName(m_entry->displayName())));
    else if (!sendXmlRpc())
        failWith(0, requestFailure());
}

bool DeleteJob::sendXmlRpc()
{
    XmlRpcCall::Request request;
    request.objects = RoadRequests::login(*m_account);
    request.objects.insert(QStringLiteral("postid"), m_entry->uniqueID());
    request.objects.insert(QStringLiteral("publish"), true);
    if (m_entry->hasFlag(Entry::IsPage)) {
        PLUMETPageProtocol* pages =
            PluginManager::sharedInstance().pageBuilderForKey(m_account->pluginKey());
        if (!pages)
            return false;
        request.objects.insert(QStringLiteral("blogid"), m_blog->uniqueID());
        pages->xmlrpcDeletePageRequest(request.objects, request.keys, request.method);
    } else {
        m_plugin->xmlrpcDeleteEntryRequest(request.objects, request.keys, request.method);
    }
    return startCall(xmlRpcCall(m_account->escapedURL(), request));
}

void DeleteJob::sendAtom()
{
    const QString editURI = m_entry->editURI();
    if (editURI.isEmpty()) {
        failWith(0, localized("Account", "There is no access point to send DELETE requests to. "
                                         "This blog system may not support deleting posts by "
                                         "third party clients."));
        return;
    }
    const QUrl address = rv::escapedURL(editURI, QStringLiteral("#%"));
    if (!startCall(RoadRequests::atomCall(*m_account, *m_plugin, address, "DELETE", this, this,
                                          timeOut())))
        failWith(0, localized("Account", "The ATOM delete request could not be prepared."));
}

void DeleteJob::callFinished(RESTCall* call)
{
    if (m_atom) {
        // The status says whether the server deleted; an Atom server need not
        // say more.
        const int status = call->httpStatus();
        if (status < 200 || status > 299) {
            failWith(status,
                     localized("Entry", "The server did not delete \"%1\" (HTTP status %2).")
                         .arg(ActivityItem::shownName(m_entry->displayName()))
                         .arg(status));
            return;
        }
        deleted();
        return;
    }
    if (call->answerSize() == 0) {
        failWith(0, RoadRequests::noData());
        return;
    }
    const DecodeResult answer = RoadRequests::decodeAnswer(*call, false);
    if (answer.isFault()) {
        failWith(answer.faultCode().toInt(), answer.faultString());
        return;
    }
    const QVariant& value = answer.value();
    if (!value.isValid() || value.isNull()) {
        failWith(0, RoadRequests::invalidData());
        return;
    }
    if (value.typeId() == QMetaType::Bool && !value.toBool()) {
        failWith(0, localized("Entry", "The server did not delete \"%1\".")
                        .arg(ActivityItem::shownName(m_entry->displayName())));
        return;
    }
    deleted();
}

void DeleteJob::deleted()
{
    if (m_blog)
        m_blog->removeEntry(m_entry.get());
    succeed();
}

void DeleteJob::failWith(int code, const QString& message)
{
    fail(RestError{code, message});
}

void DeleteJob::keepEntry()
{
    if (m_entry && m_entry->hasFlag(Entry::BeingDeleted))
        m_entry->removeFlag(Entry::BeingDeleted);
}
