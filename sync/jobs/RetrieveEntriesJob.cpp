#include "RetrieveEntriesJob.h"

#include "Account.h"
#include "ActivityItem.h"
#include "Blog.h"
#include "Localization.h"
#include "PLUMETPageProtocol.h"
#include "PLUMETPluginProtocol.h"
#include "PluginManager.h"
#include "RESTCall.h"
#include "RoadRequests.h"
#include "StringExtensions.h"
#include "UserDefaults.h"
#include "XmlRpcCall.h"

#include <QtConcurrent>

namespace {

Account* accountOf(Blog* blog)
{
    return blog ? blog->account() : nullptr;
}

} // namespace

RetrieveEntriesJob::RetrieveEntriesJob(Blog* blog, Kind kind, QObject* parent)
    : AccountCallJob(accountOf(blog), parent), m_blog(blog), m_kind(kind)
{
    setReadsAnswersAsTheyArrive(true);
    if (blog) {
        setStatus(retrievingStatus(*blog, kind));
        // A blog that goes away takes its road with it.
        connect(blog, &QObject::destroyed, this, &Job::cancel);
    }
}

QString RetrieveEntriesJob::retrievingStatus(const Blog& blog, Kind kind)
{
    return (kind == Kind::Pages ? localized("Blog", "Retrieving pages for \"%1\"...")
                                : localized("Blog", "Retrieving posts for \"%1\"..."))
        .arg(ActivityItem::shownName(blog.displayName()));
}

int RetrieveEntriesJob::numberOfPosts()
{
    const qint64 number = UserDefaults::sharedInstance().integer(QStringLiteral("num_entries"));
    return number < 1 || number > 100000 ? 20 : static_cast<int>(number);
}

void RetrieveEntriesJob::doStart()
{
    m_account = accountOf(m_blog);
    m_plugin = m_account ? m_account->plugin() : nullptr;
    m_atom = m_plugin && m_plugin->supportedProtocol() != PLUMETPluginProtocol::XmlRpc;
    if (!m_plugin || (m_atom && m_kind == Kind::Pages)) {
        fail({0, RoadRequests::xmlrpcRequestFailed()});
        return;
    }
    if (m_atom) {
        if (!sendAtom())
            fail({0,
                  localized("Account", "For some obscure reason the request could not be made.")});
    } else if (!sendXmlRpc()) {
        fail({0, requestFailure()});
    }
}

bool RetrieveEntriesJob::sendXmlRpc()
{
    XmlRpcCall::Request request;
    request.objects = RoadRequests::login(*m_account);
    request.objects.insert(QStringLiteral("blogid"), m_blog->uniqueID());
    // Sent with the pages too: without a count WordPress lists ten of them only.
    request.objects.insert(QStringLiteral("numberOfPosts"), numberOfPosts());
    if (m_kind == Kind::Pages) {
        PLUMETPageProtocol* pages =
            PluginManager::sharedInstance().pageBuilderForKey(m_account->pluginKey());
        if (!pages)
            return false;
        pages->xmlrpcPageListRequest(request.objects, request.keys, request.method);
    } else {
        m_plugin->xmlrpcEntryListRequest(request.objects, request.keys, request.method);
    }
    return startCall(xmlRpcCall(m_account->escapedURL(), request));
}

bool RetrieveEntriesJob::sendAtom()
{
    const QVariantMap services = m_blog->services();
    if (services.isEmpty())
        return false;
    QString base = services.value(QStringLiteral("service.feed")).toString();
    if (base.isEmpty())
        base = services.value(QStringLiteral("service.post")).toString();
    if (base.isEmpty())
        base = m_account->url();
    const QUrl address = rv::escapedURL(
        base + QStringLiteral("?max-results=%1").arg(numberOfPosts()), QStringLiteral("#%"));
    return startCall(
        RoadRequests::atomCall(*m_account, *m_plugin, address, "GET", this, this, timeOut()));
}

void RetrieveEntriesJob::callFinished(RESTCall* call)
{
    if (call->answerSize() == 0) {
        fail({0, RoadRequests::noData()});
        return;
    }
    // An XML-RPC list was read as it arrived; an Atom feed is read on the worker.
    std::optional<DecodeResult> answer;
    if (!m_atom && call->readsXmlRpcAnswer())
        answer = call->takeXmlRpcAnswer();
    setSubStatus(localized("Blog", "Parsing data..."));
    m_reading = new QFutureWatcher<Reading>(this);
    connect(m_reading, &QFutureWatcher<Reading>::finished, this, &RetrieveEntriesJob::merge);
    m_reading->setFuture(QtConcurrent::run(&RetrieveEntriesJob::read,
                                           answer ? QByteArray() : call->restData(), answer, m_atom,
                                           call->url(), m_plugin, m_kind));
}

RetrieveEntriesJob::Reading RetrieveEntriesJob::read(const QByteArray& data,
                                                     const std::optional<DecodeResult>& decoded,
                                                     bool atom, const QUrl& address,
                                                     PLUMETPluginProtocol* plugin, Kind kind)
{
    Reading reading;
    const DecodeResult answer =
        decoded ? *decoded : RoadRequests::decodeAnswer(data, atom, address);
    if (answer.isFault()) {
        reading.error = answer.faultString();
        return reading;
    }
    const QVariant& value = answer.value();
    QVariantList items;
    if (atom) {
        const QVariantMap feed = value.toMap();
        if (!feed.contains(QStringLiteral("items"))) {
            reading.error = RoadRequests::invalidData();
            return reading;
        }
        items = feed.value(QStringLiteral("items")).toList();
    } else if (value.typeId() == QMetaType::QVariantList) {
        items = value.toList();
    } else {
        reading.error =
            kind == Kind::Pages
                ? localized("Blog", "The response from the server did not contain valid data: "
                                    "Pages must be returned in an array.")
                : localized("Blog", "The response from the server did not contain valid data: "
                                    "Posts must be returned in an array.");
        return reading;
    }
    reading.listed = EntryListMerge::read(items, *plugin, kind);
    return reading;
}

void RetrieveEntriesJob::merge()
{
    const Reading reading = m_reading->result();
    m_reading->deleteLater();
    m_reading = nullptr;
    if (isFinished())
        return;
    if (!m_blog) {
        cancel();
        return;
    }
    if (!reading.error.isEmpty()) {
        fail({0, reading.error});
        return;
    }
    m_listed =
        EntryListMerge::merge(*m_blog, reading.listed, m_kind, EntryListMerge::optionsFor(*m_blog));
    succeed();
}

void RetrieveEntriesJob::doCancel()
{
    AccountCallJob::doCancel();
    if (m_reading) {
        // The reading finishes on its own; nobody waits for it.
        m_reading->disconnect(this);
        m_reading->deleteLater();
        m_reading = nullptr;
    }
}
