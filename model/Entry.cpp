#include "Entry.h"

#include "Account.h"
#include "Blog.h"
#include "Category.h"
#include "DraftRegistry.h"
#include "EntryFile.h"
#include "JobRow.h"
#include "LiveRecords.h"
#include "Localization.h"
#include "ModelLog.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "Ping.h"
#include "RecordArchiving.h"
#include "ServerRoads.h"
#include "StringExtensions.h"
#include "UniqueId.h"
#include "UserDefaults.h"

#include <QDebug>
#include <array>

using StoredValue::fromOptional;
using StoredValue::fromText;
using StoredValue::isNil;
using StoredValue::toOptional;

namespace {

constexpr int maxPings = 10;

QVariant integerValue(const QVariant& value)
{
    return isNil(value) ? QVariant() : QVariant(value.toInt());
}

bool categoriesMatch(const CategoryList& left, const CategoryList& right)
{
    if (left.size() != right.size())
        return false;
    for (qsizetype i = 0; i < left.size(); ++i) {
        const Category& a = *left[i];
        const Category& b = *right[i];
        if (a.title() != b.title() || a.isChecked() != b.isChecked() ||
            a.isPrimary() != b.isPrimary() || a.isTag() != b.isTag() ||
            a.isCategory() != b.isCategory())
            return false;
    }
    return true;
}

// Categories and pings are mutable records: a copy of an entry takes its own, so a
// flag set in one list is not silently set in the other.
template <class List> std::optional<List> recordCopies(const std::optional<List>& list)
{
    if (!list)
        return std::nullopt;
    List copies;
    copies.reserve(list->size());
    for (const auto& record : *list)
        copies.append(record ? record->copy() : record);
    return copies;
}

// The addresses that a ping list stands for: the non-empty ones, in order.
QVariantList pingAddresses(const PingList& pings)
{
    QVariantList addresses;
    for (const auto& ping : pings) {
        if (ping && !ping->address().isEmpty())
            addresses.append(ping->address());
    }
    return addresses;
}

// "Different only when both are set and unequal".
bool bothSetAndDiffer(const QVariant& left, const QVariant& right)
{
    return !isNil(left) && !isNil(right) && left != right;
}

LiveRecords<Entry>& openRequestListeners()
{
    // Never destroyed: entries may outlive static destruction.
    static auto* listeners = new LiveRecords<Entry>(
        ModelNotifications::findAndOpenEntry, [](Entry& entry, const Notification& notification) {
            entry.answerOpenRequest(notification.userInfo);
        });
    return *listeners;
}

} // namespace

Entry::Entry(QObject* parent) : Genetic(parent) {}

Entry::~Entry()
{
    if (m_observesOpenRequests)
        openRequestListeners().remove(this);
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
        openRequestListeners().add(this);
    }
}

// --- key table ----------------------------------------------------------------

std::span<const RecordKey<Entry>> Entry::storedKeys()
{
    using E = Entry;
    static const std::array<RecordKey<Entry>, 25> keys{{
        {"uniqueID", StoredKind::String, InBoth, [](const E& e) { return fromText(e.uniqueID()); },
         [](E& e, const QVariant& v) { e.setUniqueIDValue(v); }},
        {"permaLink", StoredKind::String, InBoth,
         [](const E& e) { return fromText(e.m_permaLink); },
         [](E& e, const QVariant& v) { e.setPermaLink(v.toString()); }},
        {"editURI", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_editURI); },
         [](E& e, const QVariant& v) { e.setEditURI(v.toString()); }},
        {"title", StoredKind::String, InBoth, [](const E& e) { return fromText(e.title()); },
         [](E& e, const QVariant& v) { e.setTitle(v.toString()); }},
        {"body", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_body); },
         [](E& e, const QVariant& v) { e.setBody(v.toString()); }},
        {"extended", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_extended); },
         [](E& e, const QVariant& v) { e.setExtended(v.toString()); }},
        {"summary", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_summary); },
         [](E& e, const QVariant& v) { e.setSummary(v.toString()); }},
        {"keywords", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_keywords); },
         [](E& e, const QVariant& v) { e.setKeywords(v.toString()); }},
        {"format", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_format); },
         [](E& e, const QVariant& v) { e.setFormatValue(v); }},
        {"author", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_author); },
         [](E& e, const QVariant& v) { e.setAuthor(v.toString()); }},
        {"categories", StoredKind::CategoryList, InBoth,
         [](const E& e) { return fromOptional(e.m_categories); },
         [](E& e, const QVariant& v) { e.setCategories(toOptional<CategoryList>(v)); }},
        {"attachments", StoredKind::StringList, InBoth,
         [](const E& e) { return fromOptional(e.m_attachments); },
         [](E& e, const QVariant& v) {
             e.setAttachments(isNil(v) ? std::nullopt
                                       : std::optional<QStringList>(v.toStringList()));
         }},
        {"pingUris", StoredKind::PingList, InBoth,
         [](const E& e) { return fromOptional(e.m_pingUris); },
         [](E& e, const QVariant& v) { e.setPingUris(toOptional<PingList>(v)); }},
        {"events", StoredKind::PlainList, InBoth,
         [](const E& e) { return fromOptional(e.m_events); },
         [](E& e, const QVariant& v) { e.setEvents(toOptional<QVariantList>(v)); }},
        {"reviews", StoredKind::PlainList, InBoth,
         [](const E& e) { return fromOptional(e.m_reviews); },
         [](E& e, const QVariant& v) { e.setReviews(toOptional<QVariantList>(v)); }},
        {"flag", StoredKind::Number, InBoth, [](const E& e) { return fromOptional(e.m_flag); },
         [](E& e, const QVariant& v) { e.setFlag(toOptional<int>(v)); }},
        {"editMode", StoredKind::Number, InBoth,
         [](const E& e) { return fromOptional(e.m_editMode); },
         [](E& e, const QVariant& v) { e.setEditMode(toOptional<int>(v)); }},
        {"hasCustomDate", StoredKind::Number, InBoth,
         [](const E& e) { return fromOptional(e.m_hasCustomDate); },
         [](E& e, const QVariant& v) { e.setHasCustomDate(toOptional<bool>(v)); }},
        {"commentOption", StoredKind::Number, InBoth, [](const E& e) { return e.m_commentOption; },
         [](E& e, const QVariant& v) { e.setCommentOption(v); }},
        {"trackbackOption", StoredKind::Number, InBoth,
         [](const E& e) { return e.m_trackbackOption; },
         [](E& e, const QVariant& v) { e.setTrackbackOption(v); }},
        {"pingOption", StoredKind::Number, InBoth, [](const E& e) { return e.m_pingOption; },
         [](E& e, const QVariant& v) { e.setPingOption(v); }},
        {"notifyOption", StoredKind::Number, InBoth, [](const E& e) { return e.m_notifyOption; },
         [](E& e, const QVariant& v) { e.setNotifyOption(v); }},
        {"smartOption", StoredKind::Number, InBoth, [](const E& e) { return e.m_smartOption; },
         [](E& e, const QVariant& v) { e.setSmartOption(v); }},
        {"pluginSettings", StoredKind::Dictionary, InBoth,
         [](const E& e) { return fromOptional(e.m_pluginSettings); },
         [](E& e, const QVariant& v) { e.setPluginSettings(toOptional<QVariantMap>(v)); }},
        {"entryDate", StoredKind::Date, InBoth,
         [](const E& e) { return e.m_entryDate.isValid() ? QVariant(e.m_entryDate) : QVariant(); },
         [](E& e, const QVariant& v) { e.setEntryDate(v.toDateTime()); }},
    }};
    return keys;
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

void Entry::copyFieldsFrom(const Entry& source, bool materialise)
{
    setUniqueID(source.uniqueID());
    setTitle(source.title());
    setDisplayName(source.displayName());
    setBody(source.body());
    setExtended(source.extended());
    setSummary(source.summary());
    setKeywords(source.keywords());
    setPermaLink(source.permaLink());
    setEditURI(source.editURI());
    setFormat(materialise ? source.format() : source.m_format);
    setAuthor(source.author());
    setCategories(recordCopies(source.m_categories));
    setAttachments(source.attachments());
    setPingUris(
        recordCopies(materialise ? std::optional<PingList>(source.pingUris()) : source.m_pingUris));
    setEvents(source.events());
    setReviews(source.reviews());
    setEntryDate(materialise ? source.entryDate() : source.m_entryDate);
    setFlag(materialise ? std::optional<int>(source.flag()) : source.m_flag);
    m_editMode.reset(); // the copy's value is taken even when of the same truth value
    setEditMode(materialise ? std::optional<int>(source.editMode()) : source.m_editMode);
    m_hasCustomDate.reset();
    setHasCustomDate(materialise ? std::optional<bool>(source.hasCustomDate())
                                 : source.m_hasCustomDate);
    // Options are copied as stored: one the entry leaves to its blog stays inherited.
    setCommentOption(source.m_commentOption);
    setTrackbackOption(source.m_trackbackOption);
    setPingOption(source.m_pingOption);
    setNotifyOption(source.m_notifyOption);
    setSmartOption(source.m_smartOption);
    setPluginSettings(materialise ? std::optional<QVariantMap>(source.pluginSettings())
                                  : source.m_pluginSettings);
}

EntryPtr Entry::copy() const
{
    // A bare record: the copy stands outside the blog, and were it to answer
    // "findAndOpenEntry" a request would open a second draft on it.
    auto copy = std::make_shared<Entry>();
    copy->copyFieldsFrom(*this, true);
    copy->setParentBlog(parentBlog());
    copy->m_needsSave = m_needsSave;
    return copy;
}

void Entry::restoreFromCopy(const Entry& saved)
{
    copyFieldsFrom(saved, false);
    setParentBlog(saved.parentBlog());
    m_needsSave = saved.m_needsSave;
}

void Entry::setSaveIfNeeded(const Entry& saved)
{
    auto differs = [this, &saved] {
        if (!rv::isEqualToTrimmed(title(), saved.title()) ||
            !rv::isEqualToTrimmed(body(), saved.body()) ||
            !rv::isEqualToTrimmed(extended(), saved.extended()) ||
            !rv::isEqualToTrimmed(summary(), saved.summary()))
            return true;
        if (keywords() != saved.keywords())
            return true;
        if (entryDate() != saved.entryDate())
            return true;
        if (bothSetAndDiffer(commentOption(), saved.commentOption()) ||
            bothSetAndDiffer(trackbackOption(), saved.trackbackOption()))
            return true;
        if (!m_format.isNull() && !saved.m_format.isNull() && m_format != saved.m_format)
            return true;
        if (m_categories.has_value() != saved.m_categories.has_value())
            return true;
        if (m_categories && !categoriesMatch(*m_categories, *saved.m_categories))
            return true;
        if (m_attachments.value_or(QStringList()) != saved.m_attachments.value_or(QStringList()))
            return true;
        // Trackback addresses and the draft switch are set only in the editor, so
        // an edit of either alone must not be dropped on close. "Being deleted"
        // marks a deletion under way, not an edit.
        if (pingAddresses(pingUris()) != pingAddresses(saved.pingUris()) ||
            (flag() & ~BeingDeleted) != (saved.flag() & ~BeingDeleted))
            return true;
        if (m_events && saved.m_events && m_events->size() != saved.m_events->size())
            return true;
        if (m_reviews && saved.m_reviews && m_reviews->size() != saved.m_reviews->size())
            return true;
        if (m_pluginSettings &&
            (!saved.m_pluginSettings || *m_pluginSettings != *saved.m_pluginSettings))
            return true;
        return false;
    };
    m_needsSave = differs();
}

EntryPtr Entry::moveToBlog(EntryOwner* target, QString* error)
{
    EntryOwner* source = parentBlog();
    if (!target) {
        if (error)
            *error = localized("Entry", "There is no blog to move the entry to.");
        return nullptr;
    }
    // Moving a local-only entry into its own blog would write its file and then
    // delete that same file.
    if (target == source)
        return weak_from_this().lock();
    const bool localOnly = hasFlag(LocalOnly);
    auto moved = create();
    const QString freshID = moved->uniqueID();
    moved->copyFieldsFrom(*this, true);
    moved->setUniqueID(localOnly ? uniqueID() : freshID);
    moved->setPermaLink(QString());
    moved->setEditURI(QString());
    moved->m_needsSave = true;
    moved->setFlag(LocalOnly);
    moved->setParentBlog(target);
    if (hasFlag(IsPage) && target->capabilities().supportsPages)
        moved->addFlag(IsPage);

    target->addEntry(moved);
    if (!localOnly) {
        emit movedTo(moved);
        return moved;
    }

    // The moved entry reaches the disk before the old file goes, so a crash or a
    // full disk in between leaves the post in at least one place.
    QString reason;
    if (!target->saveEntry(moved.get(), &reason)) {
        target->removeEntry(moved.get());
        if (error)
            *error = localized("Entry", "The entry could not be moved: %1").arg(reason);
        return nullptr;
    }
    // Keeps this entry alive while its old blog lets it go.
    const EntryPtr self = weak_from_this().lock();
    emit movedTo(moved);
    // Two blogs of one identifier share a folder: the file just written is this
    // entry's own, and must stay.
    const QString written = target->entryFilePath(*moved);
    if (source && !written.isEmpty() && source->entryFilePath(*this) == written)
        source->removeEntryKeepingFile(this);
    else if (source)
        source->removeEntry(this);
    return moved;
}

// --- editing
// --------------------------------------------------------------------------------------

QObject* Entry::editor() const
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    return drafts ? drafts->hasOpenDraft(this) : nullptr;
}

void Entry::edit()
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    if (!drafts)
        return;
    if (QObject* draft = drafts->hasOpenDraft(this))
        drafts->reloadEntry(draft);
    else
        drafts->openDrafts({this});
}

void Entry::postOpenRequest(const QVariantMap& request)
{
    // A blog not read yet holds no entry that could answer.
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::entriesWanted), nullptr,
        {{QStringLiteral("account"), request.value(QStringLiteral("account"))}});
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::findAndOpenEntry), nullptr, request);
}

void Entry::answerOpenRequest(const QVariantMap& request)
{
    const QString wanted = request.value(QStringLiteral("entry")).toString();
    const QString mine =
        request.contains(QStringLiteral("file")) ? rv::MD5(uniqueID()) : uniqueID();
    const EntryOwner* blog = parentBlog();
    if (wanted.isEmpty() || wanted != mine || !blog ||
        request.value(QStringLiteral("account")).toString() != blog->accountID())
        return;
    if (DraftRegistry* drafts = DraftRegistry::sharedInstance())
        drafts->openDraftForEntry(this, request.value(QStringLiteral("pos")));
}

// --- stored forms
// ------------------------------------------------------------------------------------

QVariantMap Entry::dictionary() const
{
    QVariantMap result;
    for (const auto& key : storedKeys()) {
        const QVariant value = key.read(*this);
        if (!value.isValid())
            continue;
        const QString name = QString::fromLatin1(key.name);
        switch (key.kind) {
        case StoredKind::CategoryList: {
            QVariantList list;
            for (const auto& category : value.value<CategoryList>())
                list.append(category->dictionary());
            result.insert(name, list);
            break;
        }
        case StoredKind::PingList: {
            const QVariantList addresses = pingAddresses(value.value<PingList>());
            if (!addresses.isEmpty())
                result.insert(name, addresses);
            break;
        }
        case StoredKind::Date:
            result.insert(name, EntryFile::storedDateText(value.toDateTime().toUTC()));
            break;
        default:
            result.insert(name, value);
            break;
        }
    }
    return result;
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
