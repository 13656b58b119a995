#include "Blog.h"

#include "Account.h"
#include "ArchiveClassRegistry.h"
#include "BlogCategories.h"
#include "BlogEntryList.h"
#include "BlogEntryStore.h"
#include "Category.h"
#include "Entry.h"
#include "EntryFile.h"
#include "Localization.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "PageCharset.h"
#include "Reachability.h"
#include "RecordArchiving.h"
#include "RefreshRoads.h"
#include "ServerRoads.h"
#include "StringExtensions.h"
#include "Template.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <array>

using StoredValue::fromOptional;
using StoredValue::fromText;
using StoredValue::isNil;

namespace {

// Options a new blog answers before anything was stored.
QVariant optionDefault(const QString& name)
{
    static const QVariantMap defaults{
        {QStringLiteral("utcMode"), true},          {QStringLiteral("commentOption"), true},
        {QStringLiteral("trackbackOption"), false}, {QStringLiteral("pingOption"), false},
        {QStringLiteral("notifyOption"), false},    {QStringLiteral("smartOption"), false},
        {QStringLiteral("publishOption"), true},    {QStringLiteral("warnOnTitle"), true},
        {QStringLiteral("warnOnSummary"), false},   {QStringLiteral("warnOnKeywords"), false},
        {QStringLiteral("warnOnCategories"), true}, {QStringLiteral("warnOnPost"), true},
        {QStringLiteral("showKeywords"), true},     {QStringLiteral("showBloglist"), false},
    };
    return defaults.value(name);
}

TemplatePtr defaultQuoteTemplate()
{
    auto quote = std::make_shared<Template>();
    quote->setTitle(QStringLiteral("$title$"));
    quote->setBody(QStringLiteral("<blockquote cite=\"$url$\">\n$quote$\n[From <a "
                                  "href=\"$url$\"><cite>$title$</cite></a>]\n</blockquote>"));
    return quote;
}

TemplatePtr defaultTagTemplate()
{
    auto tags = std::make_shared<Template>();
    tags->setUrl(QStringLiteral("https://wordpress.com/tag/"));
    tags->setSeparator(QStringLiteral(", "));
    tags->setLocation(0);
    return tags;
}

TemplatePtr emptyTemplate()
{
    return std::make_shared<Template>();
}

#define BLOG_OPTION_KEY(name)                                                                      \
    {                                                                                              \
        name, StoredKind::Number, InArchive,                                                       \
            [](const Blog& b) { return b.storedOptionValue(name); },                               \
            [](Blog& b, const QVariant& v) { b.setOption(QStringLiteral(name), v); }               \
    }

} // namespace

Blog::Blog(QObject* parent) : Genetic(parent)
{
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::didRenameCategory), this,
        [this](const Notification& notification) {
            BlogCategories::followRename(*this, notification);
        });
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::entriesWanted), this,
        [this](const Notification& notification) {
            if (m_loadDeferred &&
                notification.userInfo.value(QStringLiteral("account")).toString() == accountID())
                ensureLoaded();
        });
}

Blog::~Blog() = default;

// --- address ------------------------------------------------------------------------

void Blog::setUrl(const QString& text)
{
    if (text.isNull() || text.startsWith(QLatin1String("http")) || !m_account) {
        m_url = text;
    } else {
        const QUrl account(m_account->url());
        // Scheme, user, host and port of the account's address: its port and
        // user belong to the blog as much as its host does.
        QUrl origin = account;
        origin.setPassword(QString());
        origin.setPath(QString());
        origin.setQuery(QString());
        origin.setFragment(QString());
        const QString prefix = origin.toString(QUrl::FullyEncoded);
        if (text.startsWith(QLatin1Char('/'))) {
            m_url = prefix + text;
        } else {
            QString path = account.path(QUrl::FullyEncoded);
            if (!path.endsWith(QLatin1Char('/')))
                path += QLatin1Char('/');
            m_url = prefix + path + text;
        }
    }
    m_escURL = m_url.isNull() ? QUrl() : rv::escapedURL(m_url);
    announce(QStringLiteral("url"));
}

// --- strings --------------------------------------------------------------------------

QString Blog::timeZone() const
{
    if (m_timeZone.isEmpty())
        m_timeZone = localized("Preferences", "Use local timezone");
    return m_timeZone;
}

void Blog::setTimeZone(const QString& zone)
{
    m_timeZone = zone;
    announce(QStringLiteral("timeZone"));
}

std::optional<QTimeZone> Blog::namedTimeZone() const
{
    const QTimeZone zone(timeZone().toUtf8());
    if (!zone.isValid())
        return std::nullopt;
    return zone;
}

void Blog::setLanguage(const QString& language)
{
    m_language = language;
    announce(QStringLiteral("language"));
}

void Blog::setScriptName(const QString& name)
{
    m_scriptName = name;
    announce(QStringLiteral("scriptName"));
}

QString Blog::defaultFormat() const
{
    if (m_defaultFormat.isNull())
        m_defaultFormat = QLatin1String("");
    return m_defaultFormat;
}

void Blog::setDefaultFormat(const QString& format)
{
    m_defaultFormat = format;
    announce(QStringLiteral("defaultFormat"));
}

// --- numbers ----------------------------------------------------------------------------

QVariant Blog::option(const QString& name) const
{
    QVariant value = m_options.value(name);
    if (isNil(value)) {
        value = optionDefault(name);
        if (value.isValid())
            m_options.insert(name, value);
    }
    return value;
}

QVariant Blog::storedOptionValue(const char* name) const
{
    return m_options.value(QLatin1String(name));
}

void Blog::setOption(const QString& name, const QVariant& value)
{
    if (isNil(value))
        m_options.remove(name);
    else
        m_options.insert(name, value);
    announce(name);
}

// --- lists ----------------------------------------------------------------------------------

QList<EntryPtr> Blog::entries() const
{
    ensureLoaded();
    return m_entryList.entries();
}

void Blog::setEntries(const QList<EntryPtr>& entries)
{
    // A new list takes the place of the one not read yet.
    m_loadDeferred = false;
    if (!m_loadingQuietly)
        emit entriesAboutToBeReset();
    m_entryList.reset(entries);
    for (const auto& entry : entries)
        entry->setParentBlog(this);
    if (m_loadingQuietly)
        return;
    emit entriesReset();
    announce(QStringLiteral("entries"));
}

void Blog::setCategories(std::optional<CategoryList> categories)
{
    m_categories = std::move(categories);
    announce(QStringLiteral("categories"));
}

QVariantList Blog::pingUrls() const
{
    if (!m_pingUrls)
        m_pingUrls = QVariantList();
    return *m_pingUrls;
}

void Blog::setPingUrls(std::optional<QVariantList> urls)
{
    m_pingUrls = urls ? std::move(urls) : QVariantList();
    announce(QStringLiteral("pingUrls"));
}

void Blog::setAddresses(std::optional<QVariantList> addresses)
{
    m_addresses = addresses ? std::move(addresses) : QVariantList();
    announce(QStringLiteral("addresses"));
}

void Blog::setServices(std::optional<QVariantMap> services)
{
    m_services = std::move(services);
    announce(QStringLiteral("services"));
}

void Blog::addService(const QString& name, const QString& address)
{
    if (!m_services)
        m_services = QVariantMap();
    m_services->insert(name, address);
    announce(QStringLiteral("services"));
}

// --- templates ------------------------------------------------------------------------------

TemplatePtr Blog::templateOrDefault(std::optional<TemplatePtr>& slot,
                                    TemplatePtr (*makeDefault)()) const
{
    if (!slot || !*slot)
        slot = makeDefault();
    return *slot;
}

void Blog::storeTemplate(std::optional<TemplatePtr>& slot, const TemplatePtr& value,
                         const char* key)
{
    if (value)
        slot = value->copy();
    else
        slot.reset();
    announce(QString::fromLatin1(key));
}

TemplatePtr Blog::quoteTemplate() const
{
    return templateOrDefault(m_quoteTemplate, defaultQuoteTemplate);
}
TemplatePtr Blog::previewTemplate() const
{
    return templateOrDefault(m_previewTemplate, Template::defaultPreviewTemplate);
}
TemplatePtr Blog::linkTemplate() const
{
    return templateOrDefault(m_linkTemplate, emptyTemplate);
}
TemplatePtr Blog::richTemplate() const
{
    return templateOrDefault(m_richTemplate, Template::defaultRichTemplate);
}
TemplatePtr Blog::htmlTemplate() const
{
    return templateOrDefault(m_htmlTemplate, Template::defaultHtmlTemplate);
}
TemplatePtr Blog::tagTemplate() const
{
    return templateOrDefault(m_tagTemplate, defaultTagTemplate);
}
void Blog::setQuoteTemplate(const TemplatePtr& value)
{
    storeTemplate(m_quoteTemplate, value, "quoteTemplate");
}
void Blog::setPreviewTemplate(const TemplatePtr& value)
{
    storeTemplate(m_previewTemplate, value, "previewTemplate");
}
void Blog::setLinkTemplate(const TemplatePtr& value)
{
    storeTemplate(m_linkTemplate, value, "linkTemplate");
}
void Blog::setRichTemplate(const TemplatePtr& value)
{
    storeTemplate(m_richTemplate, value, "richTemplate");
}
void Blog::setHtmlTemplate(const TemplatePtr& value)
{
    storeTemplate(m_htmlTemplate, value, "htmlTemplate");
}
void Blog::setTagTemplate(const TemplatePtr& value)
{
    storeTemplate(m_tagTemplate, value, "tagTemplate");
}

// --- account and capabilities -----------------------------------------------------------------

Account* Blog::account() const
{
    return m_account;
}

void Blog::setAccount(Account* account)
{
    m_account = account;
    announce(QStringLiteral("parent"));
}

QString Blog::username() const
{
    return m_account ? m_account->username() : QString();
}
void Blog::setUsername(const QString& name)
{
    if (m_account)
        m_account->setUsername(name);
}
QString Blog::password() const
{
    return m_account ? m_account->password() : QString();
}
void Blog::setPassword(const QString& password)
{
    if (m_account)
        m_account->setPassword(password);
}
QString Blog::authUsername() const
{
    return m_account ? m_account->authUsername() : QString();
}
void Blog::setAuthUsername(const QString& name)
{
    if (m_account)
        m_account->setAuthUsername(name);
}
QString Blog::authPassword() const
{
    return m_account ? m_account->authPassword() : QString();
}
void Blog::setAuthPassword(const QString& password)
{
    if (m_account)
        m_account->setAuthPassword(password);
}
QString Blog::status() const
{
    return m_account ? m_account->status() : QString();
}
void Blog::setStatus(const QString& status)
{
    if (m_account)
        m_account->setStatus(status);
}
QString Blog::subStatus() const
{
    return m_account ? m_account->subStatus() : QString();
}

// --- server roads -------------------------------------------------------------------------------

bool Blog::retrieveEntries()
{
    if (m_entriesActivity || m_hasZeroEntries)
        return false;
    ServerRoads* roads = ServerRoads::sharedInstance();
    if (!roads || !m_account || !cutils::isURLOnline(m_account->escapedURL()))
        return false;
    return roads->retrieveEntries(*this);
}

bool Blog::retrievePages()
{
    if (m_pagesActivity)
        return false;
    ServerRoads* roads = ServerRoads::sharedInstance();
    if (!roads || !m_account || !cutils::isURLOnline(m_account->escapedURL()))
        return false;
    const PluginTraits traits = m_account->pluginTraits();
    if (!traits.supportsPages || traits.supportedProtocol != 0)
        return false;
    return roads->retrievePages(*this);
}

void Blog::detectEncoding(std::function<void()> done)
{
    RefreshRoads* roads = RefreshRoads::sharedInstance();
    if (!roads || !m_escURL.isValid() || m_escURL.isEmpty()) {
        if (done)
            done();
        return;
    }
    roads->detectEncoding(*this, std::move(done));
}

void Blog::applyPageEncoding(const QString& pageText, const QByteArray& contentType)
{
    if (pageText.isEmpty())
        return; // no answer: what was known stays
    setOption(QStringLiteral("convertEntities"),
              PageCharset::needsEntities(PageCharset::declaredCharset(contentType, pageText)));
}

PluginTraits Blog::pluginTraits() const
{
    return m_account ? m_account->pluginTraits() : PluginTraits();
}

bool Blog::hasComments() const
{
    return pluginTraits().supportsComments;
}
bool Blog::hasTrackback() const
{
    return pluginTraits().supportsTrackback;
}
bool Blog::hasDraft() const
{
    return pluginTraits().supportsDraft;
}
bool Blog::supportsTagLocation() const
{
    return pluginTraits().hasExtendedField;
}
bool Blog::supportsTags() const
{
    const PluginTraits traits = pluginTraits();
    return traits.supportsTags > 0 || traits.treatCategoriesAsTags;
}

void Blog::applySettingsTo(Blog& other) const
{
    other.setTimeZone(timeZone());
    other.setLanguage(language());
    other.setScriptName(scriptName());
    other.setPingUrls(pingUrls());
    other.setAddresses(addresses());
    for (const char* name : {"utcMode", "convertEntities", "commentOption", "trackbackOption",
                             "pingOption", "notifyOption", "smartOption", "publishOption"})
        other.setOption(QString::fromLatin1(name), option(QString::fromLatin1(name)));
    other.setDefaultFormat(defaultFormat());
    for (const char* name :
         {"warnOnTitle", "warnOnSummary", "warnOnKeywords", "warnOnCategories", "warnOnPost"})
        other.setOption(QString::fromLatin1(name), option(QString::fromLatin1(name)));
    other.setQuoteTemplate(quoteTemplate());
    other.setPreviewTemplate(previewTemplate());
    other.setLinkTemplate(linkTemplate());
    other.setRichTemplate(richTemplate());
    other.setHtmlTemplate(htmlTemplate());
    other.setTagTemplate(tagTemplate());
}

// --- entries and categories ---------------------------------------------------------------------

bool Blog::hasEntryWithID(const QString& id) const
{
    return entryWithID(id) != nullptr;
}

EntryPtr Blog::entryWithID(const QString& id) const
{
    ensureLoaded();
    return m_entryList.withID(id);
}

QList<EntryPtr> Blog::entriesWithIDs(const QStringList& ids) const
{
    ensureLoaded();
    return m_entryList.withIDs(ids);
}

QList<EntryPtr> Blog::entriesFoundOnServer()
{
    ensureLoaded();
    return m_entryList.foundOnServer();
}

void Blog::entryFoundOnServer(Entry& entry)
{
    m_entryList.markedFoundOnServer(entry);
}

void Blog::entryIDChanged(Entry& entry, const QString& previous)
{
    m_entryList.identifierChanged(entry, previous);
}

CategoryPtr Blog::hasCategoryWithName(const QString& name) const
{
    return m_categories ? Genetic::findRecord(*m_categories, &Genetic::title, name) : nullptr;
}

CategoryPtr Blog::processCategoryWithName(const QString& name, const QString& id)
{
    return BlogCategories::processCategoryWithName(*this, name, id);
}

void Blog::processTagWithName(const QString& name)
{
    BlogCategories::processTagsWithNames(*this, {name});
}

void Blog::processTagsWithNames(const QStringList& names)
{
    BlogCategories::processTagsWithNames(*this, names);
}

void Blog::addCategory(const CategoryPtr& category)
{
    if (category)
        BlogCategories::append(*this, {category});
}

void Blog::addTags(const CategoryList& tags)
{
    BlogCategories::addTags(*this, tags);
}

void Blog::removeTags(const CategoryList& tags)
{
    BlogCategories::removeTags(*this, tags);
}

void Blog::processCategories(const QVariant& answer)
{
    BlogCategories::processCategories(*this, answer);
}

void Blog::renameCategory(const QString& oldTitle, const QString& newTitle)
{
    BlogCategories::rename(*this, oldTitle, newTitle);
}

bool Blog::ownsCategory(const Category* category) const
{
    return BlogCategories::owns(*this, category);
}

bool Blog::refreshCategories()
{
    if (m_categoriesActivity)
        return false;
    RefreshRoads* roads = RefreshRoads::sharedInstance();
    if (!roads || !m_account || !cutils::isURLOnline(m_account->escapedURL()))
        return false;
    return roads->refreshCategories(*this);
}

// --- the entry store ------------------------------------------------------------------------

BlogEntryStore& Blog::store() const
{
    if (!m_store)
        m_store = std::make_unique<BlogEntryStore>(const_cast<Blog&>(*this));
    return *m_store;
}

bool Blog::save(QString* error)
{
    // Entries not read yet are as their files hold them.
    if (m_loadDeferred)
        return true;
    return store().save(error);
}

bool Blog::save(Entry& entry, QString* error)
{
    return store().save(entry, error);
}

bool Blog::flush(QString* error)
{
    if (m_loadDeferred || !m_store)
        return true;
    return m_store->flush(error);
}

void Blog::load()
{
    m_loadDeferred = false;
    store().load();
}

void Blog::deferLoad()
{
    m_loadDeferred = true;
}

void Blog::ensureLoaded() const
{
    if (!m_loadDeferred)
        return;
    m_loadDeferred = false;
    // Nobody has seen the list yet: it is filled without announcing a new one.
    auto* self = const_cast<Blog*>(this);
    self->m_loadingQuietly = true;
    self->store().load();
    self->m_loadingQuietly = false;
}

// --- EntryOwner
// -------------------------------------------------------------------------------------

QVariant Blog::inheritedOption(const QString& name) const
{
    return option(name);
}

BlogCapabilities Blog::capabilities() const
{
    const PluginTraits traits = pluginTraits();
    BlogCapabilities caps;
    caps.supportsComments = traits.supportsComments;
    caps.supportsTrackback = traits.supportsTrackback;
    caps.hasDraft = traits.supportsDraft;
    caps.hasSummaryField = traits.hasSummaryField;
    caps.hasExtendedField = traits.hasExtendedField;
    caps.supportsPages = traits.supportsPages;
    caps.supportedProtocol = traits.supportedProtocol;
    return caps;
}

QString Blog::accountID() const
{
    return m_account ? m_account->accountID() : QString();
}

void Blog::addEntry(const EntryPtr& entry)
{
    addEntries({entry});
}

void Blog::addEntries(const QList<EntryPtr>& entries)
{
    ensureLoaded();
    QList<EntryPtr> added;
    added.reserve(entries.size());
    for (const EntryPtr& entry : entries) {
        if (!entry)
            continue;
        entry->setParentBlog(this);
        added.append(entry);
    }
    if (added.isEmpty())
        return;
    const int first = static_cast<int>(this->entries().size());
    const int last = first + static_cast<int>(added.size()) - 1;
    emit entriesAboutToBeInserted(first, last);
    m_entryList.append(added);
    emit entriesInserted(first, last);
    announce(QStringLiteral("entries"));
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::entriesRetrieved), this);
}

void Blog::removeEntry(Entry* entry)
{
    if (!entry)
        return;
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::clearInlineWebview));
    store().removeFile(*entry);
    removeEntryKeepingFile(entry);
}

QString Blog::entryFilePath(const Entry& entry) const
{
    const QString folder = store().folder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + EntryFile::fileName(entry);
}

void Blog::removeEntryKeepingFile(Entry* entry)
{
    if (!entry)
        return;
    // Each copy of the entry in the list goes, last first, so that every row
    // announced is the row it had just before it went.
    for (;;) {
        const QList<EntryPtr> now = entries();
        const auto found = std::find_if(now.crbegin(), now.crend(),
                                        [entry](const EntryPtr& e) { return e.get() == entry; });
        if (found == now.crend())
            break;
        const int row = static_cast<int>(now.crend() - found) - 1;
        emit entriesAboutToBeRemoved(row, row);
        m_entryList.removeRows(row, row);
        emit entriesRemoved(row, row);
    }
    announce(QStringLiteral("entries"));
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::entriesRetrieved), this);
}

void Blog::removeEntries(const QList<EntryPtr>& entries)
{
    QSet<const Entry*> leaving;
    for (const EntryPtr& entry : entries) {
        if (entry)
            leaving.insert(entry.get());
    }
    if (leaving.isEmpty())
        return;
    const QList<EntryPtr> now = this->entries();
    bool any = false;
    for (const EntryPtr& entry : now) {
        if (leaving.contains(entry.get())) {
            any = true;
            break;
        }
    }
    if (!any)
        return;
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::clearInlineWebview));
    for (const EntryPtr& entry : now) {
        if (leaving.contains(entry.get()))
            store().removeFile(*entry);
    }
    // Runs of neighbouring rows go together, last run first, so that every
    // row announced is the row it had just before it went.
    int row = static_cast<int>(now.size()) - 1;
    while (row >= 0) {
        if (!leaving.contains(now.at(row).get())) {
            --row;
            continue;
        }
        const int last = row;
        while (row >= 0 && leaving.contains(now.at(row).get()))
            --row;
        const int first = row + 1;
        emit entriesAboutToBeRemoved(first, last);
        m_entryList.removeRows(first, last);
        emit entriesRemoved(first, last);
    }
    announce(QStringLiteral("entries"));
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::entriesRetrieved), this);
}

bool Blog::saveEntry(Entry* entry, QString* error)
{
    return entry && save(*entry, error);
}

// --- archive
// ----------------------------------------------------------------------------------------

std::span<const RecordKey<Blog>> Blog::storedKeys()
{
    using B = Blog;
    static const std::array<RecordKey<Blog>, 35> keys{{
        {"uniqueID", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.uniqueID()); },
         [](B& b, const QVariant& v) { b.setUniqueIDValue(v); }},
        {"title", StoredKind::String, InArchive, [](const B& b) { return fromText(b.title()); },
         [](B& b, const QVariant& v) { b.setTitle(v.toString()); }},
        {"url", StoredKind::String, InArchive, [](const B& b) { return fromText(b.m_url); },
         [](B& b, const QVariant& v) { b.setUrl(v.toString()); }},
        {"timeZone", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.m_timeZone); },
         [](B& b, const QVariant& v) { b.setTimeZone(v.toString()); }},
        {"language", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.m_language); },
         [](B& b, const QVariant& v) { b.setLanguage(v.toString()); }},
        {"scriptName", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.m_scriptName); },
         [](B& b, const QVariant& v) { b.setScriptName(v.toString()); }},
        {"categories", StoredKind::CategoryList, InArchive,
         [](const B& b) { return fromOptional(b.m_categories); },
         [](B& b, const QVariant& v) { b.setCategories(v.value<CategoryList>()); }},
        {"pingUrls", StoredKind::PlainList, InArchive,
         [](const B& b) { return fromOptional(b.m_pingUrls); },
         [](B& b, const QVariant& v) { b.setPingUrls(v.toList()); }},
        {"addresses", StoredKind::PlainList, InArchive,
         [](const B& b) { return fromOptional(b.m_addresses); },
         [](B& b, const QVariant& v) { b.setAddresses(v.toList()); }},
        {"services", StoredKind::Dictionary, InArchive,
         [](const B& b) { return fromOptional(b.m_services); },
         [](B& b, const QVariant& v) { b.setServices(v.toMap()); }},
        BLOG_OPTION_KEY("utcMode"),
        BLOG_OPTION_KEY("convertEntities"),
        BLOG_OPTION_KEY("commentOption"),
        BLOG_OPTION_KEY("trackbackOption"),
        BLOG_OPTION_KEY("pingOption"),
        BLOG_OPTION_KEY("notifyOption"),
        BLOG_OPTION_KEY("smartOption"),
        BLOG_OPTION_KEY("publishOption"),
        {"defaultFormat", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.m_defaultFormat); },
         [](B& b, const QVariant& v) { b.setDefaultFormat(v.toString()); }},
        BLOG_OPTION_KEY("warnOnTitle"),
        BLOG_OPTION_KEY("warnOnSummary"),
        BLOG_OPTION_KEY("warnOnKeywords"),
        BLOG_OPTION_KEY("warnOnCategories"),
        BLOG_OPTION_KEY("warnOnPost"),
        BLOG_OPTION_KEY("showKeywords"),
        BLOG_OPTION_KEY("showBloglist"),
        BLOG_OPTION_KEY("showExtraEdit"),
        BLOG_OPTION_KEY("extraEditTab"),
        BLOG_OPTION_KEY("showOptions"),
        {"quoteTemplate", StoredKind::Template, InArchive,
         [](const B& b) { return fromOptional(b.m_quoteTemplate); },
         [](B& b, const QVariant& v) { b.setQuoteTemplate(v.value<TemplatePtr>()); }},
        {"previewTemplate", StoredKind::Template, InArchive,
         [](const B& b) { return fromOptional(b.m_previewTemplate); },
         [](B& b, const QVariant& v) { b.setPreviewTemplate(v.value<TemplatePtr>()); }},
        {"linkTemplate", StoredKind::Template, InArchive,
         [](const B& b) { return fromOptional(b.m_linkTemplate); },
         [](B& b, const QVariant& v) { b.setLinkTemplate(v.value<TemplatePtr>()); }},
        {"richTemplate", StoredKind::Template, InArchive,
         [](const B& b) { return fromOptional(b.m_richTemplate); },
         [](B& b, const QVariant& v) { b.setRichTemplate(v.value<TemplatePtr>()); }},
        {"htmlTemplate", StoredKind::Template, InArchive,
         [](const B& b) { return fromOptional(b.m_htmlTemplate); },
         [](B& b, const QVariant& v) { b.setHtmlTemplate(v.value<TemplatePtr>()); }},
        {"tagTemplate", StoredKind::Template, InArchive,
         [](const B& b) { return fromOptional(b.m_tagTemplate); },
         [](B& b, const QVariant& v) { b.setTagTemplate(v.value<TemplatePtr>()); }},
    }};
    return keys;
}

QStringList Blog::archiveClassChain() const
{
    return {QStringLiteral("Blog"), QStringLiteral("Genetic"), QStringLiteral("NSObject")};
}

void Blog::encodeWithCoder(KeyedArchiver& coder) const
{
    RecordArchiving::encode<Blog>(*this, storedKeys(), coder);
}

void Blog::initWithCoder(KeyedUnarchiver& coder)
{
    RecordArchiving::decode<Blog>(*this, storedKeys(), coder);
    setFoundOnServer(false);
}

namespace {
const bool blogClassRegistered =
    (ArchiveClassRegistry::registerClass<Blog>(QStringLiteral("Blog")), true);
} // namespace
