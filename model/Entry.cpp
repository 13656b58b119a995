// One post or page of a blog: its fields with their defaults, its flags, and what it asks of its
// blog and the roads.
#include "Entry.h"

#include "Account.h"
#include "Blog.h"
#include "Category.h"
#include "EntryComparison.h"
#include "EntryCopying.h"
#include "EntryDraftRequests.h"
#include "EntryStoredForm.h"
#include "JobRow.h"
#include "ModelLog.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "Ping.h"
#include "RecordArchiving.h"
#include "ServerRoads.h"
#include "UniqueId.h"
#include "UserDefaults.h"

#include <QDebug>

using StoredValue::isNil;

namespace {

constexpr int maxPings = 10;

QVariant integerValue(const QVariant& value)
{
    return isNil(value) ? QVariant() : QVariant(value.toInt());
}

} // namespace

Entry::Entry(QObject* parent) : Genetic(parent) {}

Entry::~Entry()
{
    if (m_observesOpenRequests)
        EntryDraftRequests::stopListening(*this);
}

EntryPtr Entry::create()
{
    auto entry = std::make_shared<Entry>();
    entry->commonInit();
    entry->m_needsSave = true;
    return entry;
}

void Entry::commonInit()
{
    commonInit(newUniqueID(), QDateTime::currentDateTime());
}

void Entry::commonInit(const QString& uniqueID, const QDateTime& entryDate)
{
    setUniqueID(uniqueID);
    m_flag = LocalOnly;
    setFoundOnServer(false);
    m_entryDate = entryDate;
    setTitle(QLatin1String(""));
    setBody(QLatin1String(""));
    setExtended(QLatin1String(""));
    setSummary(QLatin1String(""));
    setKeywords(QLatin1String(""));
    m_categories = CategoryList();
    if (!m_observesOpenRequests) {
        m_observesOpenRequests = true;
        EntryDraftRequests::listen(*this);
    }
}

std::span<const RecordKey<Entry>> Entry::storedKeys()
{
    return EntryStoredForm::keys();
}

// --- texts ----------------------------------------------------------------------

void Entry::setText(QString& field, const QString& text, const char* key)
{
    field = text.isNull() ? QLatin1String("") : text;
    announce(QString::fromLatin1(key));
}

void Entry::setBody(const QString& text)
{
    setText(m_body, text, "body");
}
void Entry::setExtended(const QString& text)
{
    setText(m_extended, text, "extended");
}
void Entry::setSummary(const QString& text)
{
    setText(m_summary, text, "summary");
}
void Entry::setKeywords(const QString& text)
{
    setText(m_keywords, text, "keywords");
}

void Entry::setPermaLink(const QString& link)
{
    m_permaLink = link;
    announce(QStringLiteral("permaLink"));
}

void Entry::setEditURI(const QString& uri)
{
    m_editURI = uri;
    announce(QStringLiteral("editURI"));
}

void Entry::setAuthor(const QString& author)
{
    m_author = author;
    announce(QStringLiteral("author"));
}

QString Entry::format() const
{
    if (m_format.isNull()) {
        const EntryOwner* blog = parentBlog();
        m_format = blog ? blog->defaultFormat() : QString();
        if (m_format.isNull())
            m_format = QLatin1String("");
        countQuietChange();
    }
    return m_format;
}

void Entry::setFormat(const QString& format)
{
    m_format = format;
    announce(QStringLiteral("format"));
}

void Entry::setFormatValue(const QVariant& format)
{
    if (isNil(format))
        setFormat(QString());
    else if (format.typeId() == QMetaType::QString)
        setFormat(format.toString());
    else
        setFormat(QString::number(format.toLongLong()));
}

// --- lists ------------------------------------------------------------------------

void Entry::setCategories(std::optional<CategoryList> categories)
{
    m_categories = std::move(categories);
    announce(QStringLiteral("categories"));
}

void Entry::setAttachments(std::optional<QStringList> keys)
{
    m_attachments = std::move(keys);
    announce(QStringLiteral("attachments"));
}

void Entry::setEvents(std::optional<QVariantList> events)
{
    m_events = std::move(events);
    announce(QStringLiteral("events"));
}

void Entry::setReviews(std::optional<QVariantList> reviews)
{
    m_reviews = std::move(reviews);
    announce(QStringLiteral("reviews"));
}

PingList Entry::pingUris() const
{
    if (!m_pingUris) {
        PingList empty;
        for (int i = 0; i < maxPings; ++i)
            empty.append(std::make_shared<Ping>());
        m_pingUris = empty;
        countQuietChange();
    }
    if (m_pingUris->size() > maxPings) {
        m_pingUris->resize(maxPings);
        countQuietChange();
    }
    return *m_pingUris;
}

void Entry::setPingUris(std::optional<PingList> pings)
{
    m_pingUris = std::move(pings);
    announce(QStringLiteral("pingUris"));
}

QVariantMap Entry::pluginSettings() const
{
    if (!m_pluginSettings) {
        m_pluginSettings = QVariantMap();
        countQuietChange();
    }
    return *m_pluginSettings;
}

void Entry::setPluginSettings(std::optional<QVariantMap> settings)
{
    m_pluginSettings = std::move(settings);
    announce(QStringLiteral("pluginSettings"));
}

// --- date and flags -------------------------------------------------------------------

QDateTime Entry::entryDate() const
{
    if (!m_entryDate.isValid()) {
        m_entryDate = QDateTime::currentDateTime();
        countQuietChange();
    }
    return m_entryDate;
}

void Entry::setEntryDate(const QDateTime& date)
{
    m_entryDate = date.isValid() ? date : QDateTime::currentDateTime();
    announce(QStringLiteral("entryDate"));
}

int Entry::flag() const
{
    if (!m_flag) {
        const EntryOwner* blog = parentBlog();
        const QVariant publish =
            blog ? blog->inheritedOption(QStringLiteral("publishOption")) : QVariant();
        m_flag = (!isNil(publish) && publish.toInt() == 0) ? LocalOnly | SendAsDraft : LocalOnly;
        countQuietChange();
    }
    return *m_flag;
}

void Entry::setFlag(std::optional<int> flag)
{
    m_flag = flag;
    announce(QStringLiteral("flag"));
    announce(QStringLiteral("draftOrPublish"));
}

void Entry::addFlag(int bit)
{
    const int current = flag();
    setFlag((current & bit) ? current : current | bit);
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::refreshEntryListing), this);
}

void Entry::removeFlag(int bit)
{
    const int current = flag();
    setFlag((current & bit) ? current & ~bit : current);
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::refreshEntryListing), this);
}

void Entry::setDraftOrPublish(bool asDraft)
{
    if (asDraft)
        addFlag(SendAsDraft);
    else
        removeFlag(SendAsDraft);
}

int Entry::editMode() const
{
    if (!m_editMode) {
        m_editMode = int(UserDefaults::sharedInstance().integer(QStringLiteral("usesHTMLEditor")));
        countQuietChange();
    }
    return *m_editMode;
}

void Entry::setEditMode(std::optional<int> mode)
{
    if (m_editMode && bool(*m_editMode) == bool(mode.value_or(0)))
        return;
    m_editMode = mode;
    announce(QStringLiteral("editMode"));
}

bool Entry::hasCustomDate() const
{
    if (!m_hasCustomDate) {
        m_hasCustomDate = false;
        countQuietChange();
    }
    return *m_hasCustomDate;
}

void Entry::setHasCustomDate(std::optional<bool> custom)
{
    if (m_hasCustomDate && *m_hasCustomDate == custom.value_or(false))
        return;
    m_hasCustomDate = custom;
    announce(QStringLiteral("hasCustomDate"));
}

// --- options ---------------------------------------------------------------------------

QVariant Entry::ownerOption(const char* name, const QVariant& own) const
{
    if (!isNil(own))
        return own;
    const EntryOwner* blog = parentBlog();
    return blog ? blog->inheritedOption(QString::fromLatin1(name)) : QVariant();
}

QVariant Entry::commentOption() const
{
    return ownerOption("commentOption", m_commentOption);
}
QVariant Entry::trackbackOption() const
{
    return ownerOption("trackbackOption", m_trackbackOption);
}
QVariant Entry::pingOption() const
{
    return ownerOption("pingOption", m_pingOption);
}
QVariant Entry::notifyOption() const
{
    return ownerOption("notifyOption", m_notifyOption);
}
QVariant Entry::smartOption() const
{
    return ownerOption("smartOption", m_smartOption);
}

void Entry::setCommentOption(const QVariant& value)
{
    m_commentOption = integerValue(value);
    announce(QStringLiteral("commentOption"));
}

void Entry::setTrackbackOption(const QVariant& value)
{
    m_trackbackOption = integerValue(value);
    announce(QStringLiteral("trackbackOption"));
}

void Entry::setPingOption(const QVariant& value)
{
    m_pingOption = isNil(value) ? QVariant() : value;
    announce(QStringLiteral("pingOption"));
}

void Entry::setNotifyOption(const QVariant& value)
{
    m_notifyOption = isNil(value) ? QVariant() : value;
    announce(QStringLiteral("notifyOption"));
}

void Entry::setSmartOption(const QVariant& value)
{
    m_smartOption = isNil(value) ? QVariant() : value;
    announce(QStringLiteral("smartOption"));
}

// --- owner and state --------------------------------------------------------------------

EntryOwner* Entry::parentBlog() const
{
    if (m_parentIsObject && !m_parentObject)
        return nullptr; // the blog has gone
    return m_parent;
}

void Entry::setParentBlog(EntryOwner* blog)
{
    m_parent = blog;
    m_parentObject = dynamic_cast<QObject*>(blog);
    m_parentIsObject = m_parentObject != nullptr;
    announce(QStringLiteral("parent"));
}

Entry::Revision Entry::revision() const
{
    Revision revision{changeCount(), 0};
    if (m_categories) {
        for (const auto& category : *m_categories) {
            if (category)
                revision.records += category->changeCount();
        }
    }
    if (m_pingUris) {
        for (const auto& ping : *m_pingUris) {
            if (ping)
                revision.records += ping->changeCount();
        }
    }
    return revision;
}

void Entry::uniqueIDChanged(const QString& previous)
{
    if (EntryOwner* blog = parentBlog(); blog && previous != uniqueID())
        blog->entryIDChanged(*this, previous);
}

void Entry::foundOnServerChanged()
{
    if (EntryOwner* blog = parentBlog(); blog && foundOnServer())
        blog->entryFoundOnServer(*this);
}

void Entry::setPublishTexts(const QString& body, const QString& extended, const QString& summary)
{
    m_pubBody = body;
    m_pubExtended = extended;
    m_pubSummary = summary;
}

void Entry::setDiffs(std::optional<QVariantMap> diffs)
{
    m_diffs = std::move(diffs);
}

void Entry::resetDiffs()
{
    m_diffs.reset();
    m_pubBody.clear();
    m_pubExtended.clear();
    m_pubSummary.clear();
}

// --- server roads ---------------------------------------------------------------------------

bool Entry::publish()
{
    ServerRoads* roads = ServerRoads::sharedInstance();
    const EntryPtr self = weak_from_this().lock();
    return roads && self && roads->publish(self);
}

void Entry::setPublishUnanswered(bool unanswered)
{
    if (m_publishUnanswered == unanswered)
        return;
    m_publishUnanswered = unanswered;
    announce(QStringLiteral("publishUnanswered"));
}

void Entry::setPublishActivity(QObject* row)
{
    m_publishActivity = row;
}

Account* Entry::account() const
{
    const Blog* blog = dynamic_cast<const Blog*>(parentBlog());
    return blog ? blog->account() : nullptr;
}

QString Entry::url() const
{
    const Account* owner = account();
    return owner ? owner->url() : QString();
}

QString Entry::authUsername() const
{
    const Account* owner = account();
    return owner ? owner->authUsername() : QString();
}

void Entry::setAuthUsername(const QString& name)
{
    if (Account* owner = account())
        owner->setAuthUsername(name);
}

QString Entry::authPassword() const
{
    Account* owner = account();
    return owner ? owner->authPassword() : QString();
}

void Entry::setAuthPassword(const QString& password)
{
    if (Account* owner = account())
        owner->setAuthPassword(password);
}

namespace {
JobRow* rowOf(QObject* row)
{
    return dynamic_cast<JobRow*>(row);
}
} // namespace

void Entry::setStatus(const QString& status)
{
    setSubStatus(status);
}

void Entry::setSubStatus(const QString& status)
{
    if (JobRow* row = rowOf(m_publishActivity))
        row->setSubStatus(status);
}

void Entry::setDuration(double duration)
{
    if (JobRow* row = rowOf(m_publishActivity))
        row->setDuration(duration);
}

void Entry::setProgress(double progress)
{
    if (JobRow* row = rowOf(m_publishActivity))
        row->setProgress(progress);
}

bool Entry::deleteFromServer()
{
    if (m_beingPublished || m_deleteActivity)
        return false;
    ServerRoads* roads = ServerRoads::sharedInstance();
    const EntryPtr self = weak_from_this().lock();
    return roads && self && roads->deleteEntry(self);
}

// --- plug-in answers ------------------------------------------------------------------------

bool Entry::hasComments() const
{
    const EntryOwner* blog = parentBlog();
    return blog && blog->capabilities().supportsComments;
}

bool Entry::hasTrackback() const
{
    const EntryOwner* blog = parentBlog();
    return blog && blog->capabilities().supportsTrackback;
}

bool Entry::hasDraft() const
{
    const EntryOwner* blog = parentBlog();
    return blog && blog->capabilities().hasDraft;
}

bool Entry::isXMLRPC() const
{
    const EntryOwner* blog = parentBlog();
    return blog && blog->capabilities().supportedProtocol == 0;
}

int Entry::hasSummaryAndExtended() const
{
    const EntryOwner* blog = parentBlog();
    if (!blog)
        return 0;
    const BlogCapabilities caps = blog->capabilities();
    return (caps.hasSummaryField ? 2 : 0) + (caps.hasExtendedField ? 1 : 0);
}

// --- attachment keys --------------------------------------------------------------------------

void Entry::addKeyToAttachments(const QString& key)
{
    if (!m_attachments)
        m_attachments = QStringList();
    m_attachments->append(key);
    announce(QStringLiteral("attachments"));
}

void Entry::removeKeyFromAttachments(const QString& key)
{
    if (m_attachments)
        m_attachments->removeAll(key);
    announce(QStringLiteral("attachments"));
}

bool Entry::containsAttachment(const QString& key) const
{
    return m_attachments && m_attachments->contains(key);
}

bool Entry::textsMention(const QString& key) const
{
    return m_body.contains(key) || m_extended.contains(key) || m_summary.contains(key);
}

void Entry::removeUnusedAttachments()
{
    if (!m_attachments)
        return;
    const qsizetype before = m_attachments->size();
    m_attachments->removeIf([this](const QString& key) {
        const bool used = textsMention(key);
        if (!used)
            qCInfo(lcModel).noquote()
                << QStringLiteral("Removing attachment with id %1 as it is not in text!").arg(key);
        return !used;
    });
    if (m_attachments->size() != before) {
        announce(QStringLiteral("attachments"));
        m_needsSave = true;
    }
}

// --- copies, comparison, moving ------------------------------------------------------------------

EntryPtr Entry::copy() const
{
    return EntryCopying::copy(*this);
}

void Entry::restoreFromCopy(const Entry& saved)
{
    EntryCopying::restore(*this, saved);
}

void Entry::setSaveIfNeeded(const Entry& saved)
{
    m_needsSave = EntryComparison::differs(*this, saved);
}

EntryPtr Entry::moveToBlog(EntryOwner* target, QString* error)
{
    return EntryCopying::moveToBlog(*this, target, error);
}

// --- editing
// --------------------------------------------------------------------------------------

QObject* Entry::editor() const
{
    return EntryDraftRequests::editor(*this);
}

void Entry::edit()
{
    EntryDraftRequests::edit(*this);
}

void Entry::postOpenRequest(const QVariantMap& request)
{
    EntryDraftRequests::post(request);
}

void Entry::answerOpenRequest(const QVariantMap& request)
{
    EntryDraftRequests::answer(*this, request);
}

// --- stored forms
// ------------------------------------------------------------------------------------

QVariantMap Entry::dictionary() const
{
    return EntryStoredForm::dictionary(*this);
}

QStringList Entry::archiveClassChain() const
{
    return {QStringLiteral("Entry"), QStringLiteral("Genetic"), QStringLiteral("NSObject")};
}

void Entry::encodeWithCoder(KeyedArchiver& coder) const
{
    RecordArchiving::encode<Entry>(*this, storedKeys(), coder);
}

void Entry::initWithCoder(KeyedUnarchiver& coder)
{
    RecordArchiving::decode<Entry>(*this, storedKeys(), coder);
    removeUnusedAttachments();
}
