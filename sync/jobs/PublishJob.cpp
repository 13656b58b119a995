// One publish of one entry: its requests in their phases, its answers, and its end.

#include "PublishJob.h"

#include "Account.h"
#include "ActivityItem.h"
#include "AddonManager.h"
#include "AtomDecoder.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "DraftRegistry.h"
#include "Entry.h"
#include "EntryContent.h"
#include "HttpErrors.h"
#include "JobsLog.h"
#include "Localization.h"
#include "PLUMETPageProtocol.h"
#include "PLUMETPluginProtocol.h"
#include "PluginManager.h"
#include "PublishAnswers.h"
#include "PublishContent.h"
#include "RESTCall.h"
#include "RVPingTool.h"
#include "RoadRequests.h"
#include "StringExtensions.h"
#include "TextDecoding.h"
#include "XMLRPCDecoder.h"
#include "XmlRpcCall.h"

#include <QDebug>

namespace {

QString accountText(const char* text)
{
    return localized("Account", text);
}

QString notAvailable()
{
    return accountText(
        "Your blog system has not made this action available to third-party clients yet.");
}

bool isSuccessStatus(int status)
{
    return status >= 200 && status < 300;
}

// A status that is no success, with the reason the server's page gives.
QString refusedStatus(int status, const QByteArray& page)
{
    const RestError refusal{
        0, localized("Entry", "The server refused the entry (HTTP status %1).").arg(status)};
    return HttpErrors::withServerWords(refusal, page).message;
}

} // namespace

PublishJob::PublishJob(EntryPtr entry, QObject* parent)
    : AccountCallJob(nullptr, parent), m_entry(std::move(entry))
{
    if (m_entry)
        setStatus(publishingStatus(*m_entry));
    // A job stopped before it ran lets its entry go as well.
    QObject::connect(this, &Job::finished, this, [this] { releaseEntry(Outcome::Cancelled); });
}

QString PublishJob::publishingStatus(const Entry& entry)
{
    return localized("Entry", "Publishing \"%1\"...")
        .arg(ActivityItem::shownName(entry.displayName()));
}

void PublishJob::showFailureInDraft(Entry& entry, const QString& message)
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    if (!drafts || message.isEmpty())
        return;
    drafts->openDrafts({&entry});
    if (QObject* draft = drafts->hasOpenDraft(&entry))
        drafts->handleErrorMessage(draft, localized("Entry", "Publishing Failure!"), message);
}

// --- start ---------------------------------------------------------------------------------

void PublishJob::doStart()
{
    m_blog = m_entry ? dynamic_cast<Blog*>(m_entry->parentBlog()) : nullptr;
    m_account = m_blog ? m_blog->account() : nullptr;
    m_plugin = m_account ? m_account->plugin() : nullptr;
    if (!m_plugin) {
        finish(Outcome::Failed, notAvailable());
        return;
    }
    m_xmlrpc = m_plugin->supportedProtocol() == PLUMETPluginProtocol::XmlRpc;
    m_isEdit = !m_entry->hasFlag(Entry::LocalOnly);
    if (!m_xmlrpc) {
        m_phase = Phase::NewPost;
        sendAtom();
        return;
    }
    m_separateCategories =
        !m_entry->hasFlag(Entry::IsPage) && m_plugin->needsSeparateCategoryRequests();
    if (m_entry->hasFlag(Entry::LocalOnly))
        m_phase = Phase::NewPost;
    else if (m_separateCategories)
        m_phase = Phase::SeparateCategories;
    else
        m_phase = Phase::PublishEdit;
    sendPhase();
}

void PublishJob::sendPhase()
{
    switch (m_phase) {
    case Phase::NewPost:
    case Phase::PublishEdit:
        sendPublish();
        break;
    case Phase::SeparateCategories:
        sendCategories();
        break;
    case Phase::Retrieve:
        sendRetrieve();
        break;
    case Phase::Done:
        finish(Outcome::Published);
        break;
    }
}

// --- XML-RPC requests ------------------------------------------------------------------------

QVariantMap PublishJob::login() const
{
    return {{QStringLiteral("username"), m_account->username()},
            {QStringLiteral("password"), m_account->password()}};
}

bool PublishJob::sendXmlRpc(const QString& method, const QVariantMap& objects,
                            const QStringList& keys, bool convertUTC)
{
    return sendCall(xmlRpcCall(m_account->escapedURL(), {method, objects, keys, convertUTC}));
}

bool PublishJob::sendCall(RESTCall* call)
{
    if (!startCall(call))
        return false;
    ++m_requests;
    return true;
}

PLUMETPageProtocol* PublishJob::pageBuilder()
{
    PLUMETPageProtocol* pages =
        PluginManager::sharedInstance().pageBuilderForKey(m_account->pluginKey());
    if (!pages)
        finish(Outcome::Failed, notAvailable());
    return pages;
}

void PublishJob::sendPublish()
{
    setStatus(publishingStatus(*m_entry));
    const bool localOnly = m_entry->hasFlag(Entry::LocalOnly);
    // With separate categories a new post is made unpublished; the edit after
    // its categories publishes it.
    const bool publish = (m_phase == Phase::NewPost && m_separateCategories)
                             ? false
                             : !m_entry->hasFlag(Entry::SendAsDraft);
    QVariantMap objects = login();
    if (localOnly)
        objects.insert(QStringLiteral("blogid"), m_blog->uniqueID());
    else
        objects.insert(QStringLiteral("postid"), m_entry->uniqueID());
    objects.insert(QStringLiteral("publish"), publish);
    objects.insert(
        QStringLiteral("content"),
        PublishContent(*m_entry, *m_blog, *m_plugin).xmlRpcContent(m_separateCategories));

    QStringList keys;
    QString method;
    const QVariantMap extra = m_entry->pluginSettings();
    if (m_entry->hasFlag(Entry::IsPage)) {
        PLUMETPageProtocol* pages = pageBuilder();
        if (!pages)
            return;
        objects.insert(QStringLiteral("blogid"), m_blog->uniqueID());
        pages->xmlrpcPublishPageRequest(objects, keys, method, !localOnly, extra);
    } else {
        m_plugin->xmlrpcPublishRequest(objects, keys, method, !localOnly, extra);
    }
    if (localOnly && !markUnanswered())
        return;
    if (!sendXmlRpc(method, objects, keys, m_blog->utcMode()))
        finish(Outcome::Failed, requestFailure());
}

void PublishJob::sendCategories()
{
    setStatus(localized("Entry", "Publishing categories for \"%1\"...")
                  .arg(ActivityItem::shownName(m_entry->displayName())));
    QVariantMap objects = login();
    objects.insert(QStringLiteral("postid"), m_entry->uniqueID());
    objects.insert(QStringLiteral("categories"), EntryContent(*m_entry).getMTCats());
    QStringList keys;
    QString method;
    m_plugin->xmlrpcPostCategoriesRequest(objects, keys, method);
    if (!sendXmlRpc(method, objects, keys, false))
        finish(Outcome::Failed, requestFailure());
}

void PublishJob::sendRetrieve()
{
    setStatus(localized("Entry", "Retrieving data for \"%1\"...")
                  .arg(ActivityItem::shownName(m_entry->displayName())));
    QVariantMap objects = login();
    objects.insert(QStringLiteral("postid"), m_entry->uniqueID());
    QStringList keys;
    QString method;
    if (m_entry->hasFlag(Entry::IsPage)) {
        PLUMETPageProtocol* pages = pageBuilder();
        if (!pages)
            return;
        objects.insert(QStringLiteral("blog_id"), m_blog->uniqueID());
        pages->xmlrpcRetrievePageRequest(objects, keys, method);
    } else {
        m_plugin->xmlrpcRetrieveEntryRequest(objects, keys, method);
    }
    if (!sendXmlRpc(method, objects, keys, m_blog->utcMode()))
        finish(Outcome::Failed, requestFailure());
}

// --- Atom request ------------------------------------------------------------------------------

void PublishJob::sendAtom()
{
    setStatus(publishingStatus(*m_entry));
    QString target;
    QByteArray method = "POST";
    m_atomPost = true;
    const QString postService = m_blog->services().value(QStringLiteral("service.post")).toString();
    if (m_entry->hasFlag(Entry::LocalOnly) || m_entry->editURI().isEmpty()) {
        target = postService;
    } else {
        target = m_entry->editURI();
        method = "PUT";
        m_atomPost = false;
    }

    const QVariantMap data = PublishContent(*m_entry, *m_blog, *m_plugin).atomData();

    const QUrl address = rv::escapedURL(target, QStringLiteral("#%"));
    const QString document = target.isEmpty()
                                 ? QString()
                                 : m_plugin->atomPublishRequest(address, data, &rv::encodeXML,
                                                                !m_entry->hasFlag(Entry::LocalOnly),
                                                                m_entry->pluginSettings());
    if (document.isNull()) {
        finish(Outcome::Failed, notAvailable());
        return;
    }
    if (m_atomPost && !markUnanswered())
        return;
    auto* call = atomCall(address, method);
    call->setData(document.toUtf8(), "application/atom+xml");
    if (!sendCall(call))
        finish(Outcome::Failed,
               accountText("For some obscure reason an Atom request could not be made."));
}

RESTCall* PublishJob::atomCall(const QUrl& address, const QByteArray& method)
{
    auto* call = new RESTCall(address, this, this);
    call->setTimeOut(timeOut());
    call->setMethod(method);
    const QVariantMap headers =
        m_plugin->authenticationHeaders(address, m_account->username(), m_account->password());
    if (!headers.isEmpty())
        call->addHeaders(RESTCall::headerList(headers));
    return call;
}

void PublishJob::takeAtomLocation(const RESTCall& call)
{
    PublishAnswers answers(*m_entry);
    const std::optional<QUrl> address = answers.takeLocation(call);
    if (!address) {
        // Stored, but this copy cannot be tied to it: a success would make the
        // next publish a second post.
        finish(Outcome::Failed,
               localized("Entry", "The server stored \"%1\" without saying where, so this copy "
                                  "cannot be linked to it. Look at the blog before publishing "
                                  "again: publishing now would post it a second time.")
                   .arg(ActivityItem::shownName(m_entry->displayName())));
        return;
    }
    noteProblem(answers.problem());
    keepAnswer();
    // The server's copy, as its entry answer would have given it.
    m_phase = Phase::Retrieve;
    setStatus(localized("Entry", "Retrieving data for \"%1\"...")
                  .arg(ActivityItem::shownName(m_entry->displayName())));
    if (!sendCall(atomCall(*address, "GET")))
        finish(Outcome::Failed,
               accountText("For some obscure reason an Atom request could not be made."));
}

// --- answers -------------------------------------------------------------------------------------

void PublishJob::callFailed(const RestError& error)
{
    finish(Outcome::Failed, error.message);
}

void PublishJob::callFinished(RESTCall* call)
{
    const QByteArray& data = call->restData();
    const int status = call->httpStatus();
    if (!m_xmlrpc) {
        // Only a 2xx status means the server stored the entry.
        if (!isSuccessStatus(status)) {
            refusedWithoutPost(status);
            finish(Outcome::Failed, refusedStatus(status, data));
            return;
        }
        if (data.isEmpty() && m_atomPost && m_phase == Phase::NewPost) {
            // A new post answered without its entry: its address says where it is.
            takeAtomLocation(*call);
            return;
        }
        if (data.isEmpty() && m_phase != Phase::Retrieve) { // an edit stored, nothing to read
            queuePings();
            m_phase = Phase::Done;
            finish(Outcome::Published);
            return;
        }
    }
    if (data.isEmpty()) {
        finish(Outcome::Failed, RoadRequests::noData());
        return;
    }
    const DecodeResult decoded =
        m_xmlrpc ? XMLRPCDecoder::decode(data)
                 : AtomDecoder::decode(URLUtilities::correctEncoding(data), call->url());
    if (decoded.isFault()) {
        refusedWithoutPost();
        finish(Outcome::Failed, decoded.faultString());
        return;
    }
    if (!isSuccessStatus(status)) {
        refusedWithoutPost(status);
        finish(Outcome::Failed, refusedStatus(status, data));
        return;
    }
    QString message = RoadRequests::invalidData();
    if (!decoded.value().isValid() || decoded.value().isNull() ||
        !processAnswer(decoded.value(), &message)) {
        finish(Outcome::Failed, message);
        return;
    }
    advance();
}

bool PublishJob::processAnswer(const QVariant& answer, QString* message)
{
    if (m_xmlrpc)
        return processXmlRpc(answer, message);
    if (answer.toMap().isEmpty())
        return false;
    mergeServerCopy(answer);
    keepAnswer();
    queuePings();
    m_phase = Phase::Done;
    return true;
}

bool PublishJob::processXmlRpc(const QVariant& answer, QString* message)
{
    switch (m_phase) {
    case Phase::NewPost: {
        PublishAnswers answers(*m_entry);
        const bool taken = answers.takePostID(answer);
        noteProblem(answers.problem());
        if (taken)
            keepAnswer();
        return taken;
    }
    case Phase::SeparateCategories:
    case Phase::PublishEdit:
        // Servers answer true; an explicit false is a refusal, not a success.
        if (answer.typeId() == QMetaType::Bool && !answer.toBool()) {
            *message = localized("Entry", "The server did not accept the changes to \"%1\".")
                           .arg(ActivityItem::shownName(m_entry->displayName()));
            return false;
        }
        return true;
    case Phase::Retrieve: {
        if (m_plugin->correctEntryDictionary(answer).isEmpty())
            return false;
        mergeServerCopy(answer);
        queuePings();
        return true;
    }
    case Phase::Done:
        break;
    }
    return false;
}

void PublishJob::mergeServerCopy(const QVariant& answer)
{
    PublishAnswers answers(*m_entry);
    answers.mergeReadBack(m_plugin->correctEntryDictionary(answer));
    noteProblem(answers.problem());
}

bool PublishJob::markUnanswered()
{
    QString error;
    if (m_mark.set(*m_entry, *m_blog, &error))
        return true;
    // Sent without the mark on disk, a publish cut short could post it twice.
    finish(Outcome::Failed,
           localized("Entry", "\"%1\" was not sent: its file could not be saved first: %2")
               .arg(ActivityItem::shownName(m_entry->displayName()), error));
    return false;
}

void PublishJob::keepAnswer()
{
    noteProblem(m_mark.keep(*m_entry, *m_blog));
}

void PublishJob::refusedWithoutPost(int status)
{
    m_mark.refused(*m_entry, *m_blog, status);
}

void PublishJob::noteProblem(const QString& problem)
{
    if (problem.isEmpty())
        return;
    m_problem = m_problem.isEmpty() ? problem : m_problem + QLatin1Char(' ') + problem;
}

void PublishJob::advance()
{
    if (m_phase == Phase::Done) {
        finish(Outcome::Published);
        return;
    }
    if (m_separateCategories)
        m_phase = static_cast<Phase>(static_cast<int>(m_phase) + 1);
    else
        m_phase = m_phase == Phase::Retrieve ? Phase::Done : Phase::Retrieve;
    sendPhase();
}

void PublishJob::queuePings()
{
    RVPingTool& pings = RVPingTool::sharedInstance();
    if (m_blog->option(QStringLiteral("pingOption")).toBool() && !m_blog->pingUrls().isEmpty() &&
        !m_entry->hasFlag(Entry::SendAsDraft))
        pings.addItem(m_blog.data());
    EntryContent(*m_entry).clearEmptyPings();
    if (!m_entry->pingUris().isEmpty())
        pings.addItem(m_entry);
}

// --- end
// ------------------------------------------------------------------------------------------

void PublishJob::finish(Outcome outcome, const QString& message)
{
    if (isFinished())
        return;
    releaseEntry(outcome);
    switch (outcome) {
    case Outcome::Published:
        succeed();
        break;
    case Outcome::Failed: {
        const EntryPtr entry = m_entry;
        const QString reason = message;
        fail(RestError{0, reason});
        // Once the entry is no longer being published: only then does its draft open.
        if (entry)
            showFailureInDraft(*entry, reason);
        break;
    }
    case Outcome::Cancelled:
        cancel();
        break;
    }
}

void PublishJob::releaseEntry(Outcome outcome)
{
    if (m_released || !m_entry)
        return;
    m_released = true;
    m_entry->setBeingPublished(false);
    m_entry->setPublishActivity(nullptr);
    const bool compared = !m_entry->diffs().value_or(QVariantMap()).isEmpty();
    if (outcome != Outcome::Published || !compared)
        m_entry->setPublishTexts({}, {}, {});
    if (outcome != Outcome::Published)
        return;
    if (m_blog) {
        m_blog->setHasZeroEntries(false);
        if (m_entry->needsSave()) {
            // Handed to the blog's writer: the publish ends without waiting
            // for the disk, and a write that fails shows at the next save.
            QString error;
            if (!m_blog->store().queueSave(*m_entry, &error))
                qCWarning(lcJobs).noquote() << "The published entry is not saved yet:" << error;
        }
    }
    announcePublished();
}

void PublishJob::announcePublished()
{
    if (!m_entry->notifyOption().toBool())
        return;
    QVariantMap data = m_entry->dictionary();
    data.insert(QStringLiteral("blogtitle"), m_blog ? m_blog->title() : QString());
    data.insert(QStringLiteral("blogurl"), m_blog ? m_blog->url() : QString());
    data.insert(QStringLiteral("isAnEdit"), m_isEdit);
    AddonManager::sharedInstance().processNotification(
        {{QString::number(AddonManager::EntryPublished), data}});
}

// --- the HTTP call's questions -------------------------------------------------------------------

void PublishJob::doCancel()
{
    AccountCallJob::doCancel();
    releaseEntry(Outcome::Cancelled);
}

Account* PublishJob::loginAccount() const
{
    return m_entry ? m_entry->account() : nullptr;
}
