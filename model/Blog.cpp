// One weblog of an account: its address, settings, account fields, entries and categories, and the
// roads it starts.
#include "Blog.h"

#include "Account.h"
#include "ArchiveClassRegistry.h"
#include "BlogCategories.h"
#include "BlogEntryList.h"
#include "BlogEntryStore.h"
#include "BlogRoadRequests.h"
#include "BlogSettings.h"
#include "BlogStoredForm.h"
#include "Category.h"
#include "Entry.h"
#include "EntryFile.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "RecordArchiving.h"
#include "StringExtensions.h"
#include "Template.h"

#include <QSet>
#include <algorithm>

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
    return m_settings.timeZone();
}

void Blog::setTimeZone(const QString& zone)
{
    m_settings.setTimeZone(zone);
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
    m_settings.setLanguage(language);
    announce(QStringLiteral("language"));
}

void Blog::setScriptName(const QString& name)
{
    m_settings.setScriptName(name);
    announce(QStringLiteral("scriptName"));
}

QString Blog::defaultFormat() const
{
    return m_settings.defaultFormat();
}

void Blog::setDefaultFormat(const QString& format)
{
    m_settings.setDefaultFormat(format);
    announce(QStringLiteral("defaultFormat"));
}

// --- numbers ----------------------------------------------------------------------------

QVariant Blog::option(const QString& name) const
{
    return m_settings.option(name);
}

void Blog::setOption(const QString& name, const QVariant& value)
{
    m_settings.setOption(name, value);
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
    return m_settings.pingUrls();
}

void Blog::setPingUrls(std::optional<QVariantList> urls)
{
    m_settings.setPingUrls(std::move(urls));
    announce(QStringLiteral("pingUrls"));
}

void Blog::setAddresses(std::optional<QVariantList> addresses)
{
    m_settings.setAddresses(std::move(addresses));
    announce(QStringLiteral("addresses"));
}

void Blog::setServices(std::optional<QVariantMap> services)
{
    m_settings.setServices(std::move(services));
    announce(QStringLiteral("services"));
}

void Blog::addService(const QString& name, const QString& address)
{
    m_settings.addService(name, address);
    announce(QStringLiteral("services"));
}

// --- templates ------------------------------------------------------------------------------

void Blog::storeTemplate(BlogSettings::TemplateSlot slot, const TemplatePtr& value, const char* key)
{
    m_settings.setTemplate(slot, value);
    announce(QString::fromLatin1(key));
}

TemplatePtr Blog::quoteTemplate() const
{
    return m_settings.templateIn(BlogSettings::TemplateSlot::Quote);
}
TemplatePtr Blog::previewTemplate() const
{
    return m_settings.templateIn(BlogSettings::TemplateSlot::Preview);
}
TemplatePtr Blog::linkTemplate() const
{
    return m_settings.templateIn(BlogSettings::TemplateSlot::Link);
}
TemplatePtr Blog::richTemplate() const
{
    return m_settings.templateIn(BlogSettings::TemplateSlot::Rich);
}
TemplatePtr Blog::htmlTemplate() const
{
    return m_settings.templateIn(BlogSettings::TemplateSlot::Html);
}
TemplatePtr Blog::tagTemplate() const
{
    return m_settings.templateIn(BlogSettings::TemplateSlot::Tag);
}
void Blog::setQuoteTemplate(const TemplatePtr& value)
{
    storeTemplate(BlogSettings::TemplateSlot::Quote, value, "quoteTemplate");
}
void Blog::setPreviewTemplate(const TemplatePtr& value)
{
    storeTemplate(BlogSettings::TemplateSlot::Preview, value, "previewTemplate");
}
void Blog::setLinkTemplate(const TemplatePtr& value)
{
    storeTemplate(BlogSettings::TemplateSlot::Link, value, "linkTemplate");
}
void Blog::setRichTemplate(const TemplatePtr& value)
{
    storeTemplate(BlogSettings::TemplateSlot::Rich, value, "richTemplate");
}
void Blog::setHtmlTemplate(const TemplatePtr& value)
{
    storeTemplate(BlogSettings::TemplateSlot::Html, value, "htmlTemplate");
}
void Blog::setTagTemplate(const TemplatePtr& value)
{
    storeTemplate(BlogSettings::TemplateSlot::Tag, value, "tagTemplate");
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
    return BlogRoadRequests::retrieveEntries(*this);
}

bool Blog::retrievePages()
{
    return BlogRoadRequests::retrievePages(*this);
}

void Blog::detectEncoding(std::function<void()> done)
{
    BlogRoadRequests::detectEncoding(*this, std::move(done));
}

void Blog::applyPageEncoding(const QString& pageText, const QByteArray& contentType)
{
    BlogRoadRequests::applyPageEncoding(*this, pageText, contentType);
}

// --- capabilities ---------------------------------------------------------------------------

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
    return BlogRoadRequests::refreshCategories(*this);
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
    return BlogStoredForm::keys();
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
