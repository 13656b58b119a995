#include "EntryContent.h"

#include "Attachment.h"
#include "AttachmentLibrary.h"
#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "EntryRenderer.h"
#include "Ping.h"
#include "SentenceSummary.h"
#include "StringExtensions.h"
#include "Template.h"
#include "UserDefaults.h"

QString EntryContent::trimSpacesAndTabs(const QString& text)
{
    qsizetype start = 0, end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

Blog* EntryContent::blog() const
{
    return dynamic_cast<Blog*>(m_entry.parentBlog());
}

// --- attachment keys ----------------------------------------------------------------

std::optional<QHash<QString, AttachmentPtr>> EntryContent::attachmentsFromKeys()
{
    const auto keys = m_entry.attachments();
    if (!keys)
        return std::nullopt;
    AttachmentLibrary* library = AttachmentLibrary::sharedInstance();
    const bool known = library && library->isLoaded();
    QHash<QString, AttachmentPtr> found;
    QStringList kept;
    for (const QString& key : *keys) {
        if (!m_entry.textsMention(key))
            continue;
        AttachmentPtr attachment = library ? library->attachmentForKey(key) : nullptr;
        if (attachment || !known) {
            // Until the library is loaded nothing can be called gone.
            if (attachment)
                found.insert(key, attachment);
            kept.append(key);
        } else {
            m_entry.setBody(QString(m_entry.body()).replace(key, QLatin1String(" ")));
            m_entry.setExtended(QString(m_entry.extended()).replace(key, QLatin1String(" ")));
            m_entry.setSummary(QString(m_entry.summary()).replace(key, QLatin1String(" ")));
        }
    }
    if (kept.size() != keys->size()) {
        m_entry.setAttachments(kept);
        m_entry.setNeedsSave(true);
    }
    return found;
}

void EntryContent::applyAttachmentMarkup(QString& text) const
{
    const auto keys = m_entry.attachments();
    if (!keys)
        return;
    AttachmentLibrary* library = AttachmentLibrary::sharedInstance();
    Blog* owner = blog();
    const TemplatePtr linkTemplate = owner ? owner->linkTemplate() : TemplatePtr();
    for (const QString& key : *keys) {
        if (!text.contains(key))
            continue;
        const AttachmentPtr attachment = library ? library->attachmentForKey(key) : nullptr;
        if (attachment)
            text.replace(key, attachment->generateMarkup(false, linkTemplate.get()));
        else if (library && library->isLoaded())
            text.replace(key, QLatin1String(" "));
        // else the key stays: a library not (yet) read knows nothing to be gone
    }
}

void EntryContent::applyMarkupToContents(const QString& search, const QString& markup)
{
    m_entry.setBody(QString(m_entry.body()).replace(search, markup));
    m_entry.setExtended(QString(m_entry.extended()).replace(search, markup));
    m_entry.setSummary(QString(m_entry.summary()).replace(search, markup));
    auto replaced = [&](const QString& text) {
        return text.isNull() ? text : QString(text).replace(search, markup);
    };
    m_entry.setPublishTexts(replaced(m_entry.pubBody()), replaced(m_entry.pubExtended()),
                            replaced(m_entry.pubSummary()));
}

// --- categories and tags ------------------------------------------------------------------

CategoryPtr EntryContent::hasCategoryWithName(const QString& name) const
{
    return Genetic::findRecord(m_entry.categories().value_or(CategoryList()), &Genetic::title,
                               name);
}

CategoryPtr EntryContent::hasCategoryWithID(const QString& id) const
{
    return Genetic::findRecord(m_entry.categories().value_or(CategoryList()), &Genetic::uniqueID,
                               id);
}

void EntryContent::addCategories(const CategoryList& categories)
{
    CategoryList list = m_entry.categories().value_or(CategoryList());
    list.append(categories);
    m_entry.setCategories(list);
}

void EntryContent::clearCategories()
{
    CategoryList list = m_entry.categories().value_or(CategoryList());
    list.removeIf([](const CategoryPtr& c) { return c->isCategory() && !c->isTag(); });
    for (const auto& category : list) {
        category->setIsCategory(false);
        category->setUniqueID(QString());
    }
    m_entry.setCategories(list);
}

void EntryContent::clearTags()
{
    CategoryList list = m_entry.categories().value_or(CategoryList());
    list.removeIf([](const CategoryPtr& c) { return c->isTag() && !c->isCategory(); });
    for (const auto& category : list)
        category->setIsTag(false);
    m_entry.setCategories(list);
}

CategoryPtr EntryContent::addTag(const QString& title)
{
    addTags({title});
    return hasCategoryWithName(title.isEmpty() ? Genetic::untitled() : title);
}

void EntryContent::addTags(const QStringList& titles)
{
    if (titles.isEmpty()) // most texts a refresh reads name no tags
        return;
    CategoryList list = m_entry.categories().value_or(CategoryList());
    // By title, the first record of each title winning as in hasCategoryWithName.
    QHash<QString, CategoryPtr> byTitle;
    for (auto it = list.crbegin(); it != list.crend(); ++it)
        byTitle.insert((*it)->title(), *it);
    const qsizetype known = list.size();
    QStringList names;
    for (const QString& title : titles) {
        CategoryPtr& tag = byTitle[title.isEmpty() ? Genetic::untitled() : title];
        if (!tag) {
            tag = Category::withTitle(title);
            list.append(tag);
        }
        tag->setIsTag(true);
        names.append(tag->title());
    }
    if (list.size() != known)
        m_entry.setCategories(list);
    if (Blog* owner = blog())
        owner->processTagsWithNames(names);
}

void EntryContent::tagsFromKeywords(const QString& keywords)
{
    if (keywords.isNull())
        return;
    Blog* owner = blog();
    const int supportsTags = owner ? owner->pluginTraits().supportsTags : 0;
    const TemplatePtr tagTemplate = owner ? owner->tagTemplate() : TemplatePtr();
    const int location = tagTemplate ? tagTemplate->location().value_or(0) : 0;
    if (supportsTags != 2 && (location == 3 || supportsTags == 1)) {
        const QChar separator =
            keywords.contains(QLatin1Char(',')) ? QLatin1Char(',') : QLatin1Char(' ');
        QStringList names;
        for (const QString& part : keywords.split(separator)) {
            // Names go out XML-encoded and come back so (WordPress keeps every
            // term name escaped): decoded as category names are, or "A & B"
            // would come home as "A &amp; B" and be encoded again next time.
            const QString name = rv::decodeXML(rv::trimWhitespace(part));
            if (!name.isEmpty())
                names.append(name);
        }
        addTags(names);
        return;
    }
    auto diffs = m_entry.diffs();
    if (diffs && keywords != m_entry.keywords()) {
        diffs->insert(QStringLiteral("mt_keywords"), keywords);
        m_entry.setDiffs(diffs);
    } else {
        m_entry.setKeywords(keywords);
    }
}

QVariantMap EntryContent::categoryRecord(const Category& category)
{
    return {{QStringLiteral("categoryId"), category.uniqueID()},
            {QStringLiteral("isPrimary"), category.isPrimary()}};
}

void EntryContent::getCatsAndTags(QVariantList& categories, QStringList& tags,
                                  bool hasMTTypePublish) const
{
    for (const auto& category : m_entry.categories().value_or(CategoryList())) {
        if (category->isCategory()) {
            if (hasMTTypePublish && !category->uniqueID().isEmpty())
                categories.append(categoryRecord(*category));
            else
                categories.append(rv::encodeXML(category->title()));
        }
        if (category->isTag())
            tags.append(rv::encodeXML(category->title()));
    }
}

QVariantList EntryContent::getMTCats() const
{
    QVariantList records;
    for (const auto& category : m_entry.categories().value_or(CategoryList())) {
        if (category->isCategory() && !category->uniqueID().isEmpty())
            records.append(categoryRecord(*category));
    }
    return records;
}

QString EntryContent::asCategories() const
{
    QStringList names;
    for (const auto& category : m_entry.categories().value_or(CategoryList())) {
        if (category->isCategory())
            names.append(category->title());
    }
    return names.join(QLatin1Char(','));
}

void EntryContent::setAsCategories(const QString& names)
{
    Blog* owner = blog();
    if (names.isEmpty() || !owner)
        return;
    CategoryList list = m_entry.categories().value_or(CategoryList());
    for (const QString& part : names.split(QLatin1Char(','))) {
        const QString name = trimSpacesAndTabs(part);
        const CategoryPtr known = owner->hasCategoryWithName(name);
        if (!known || !known->isCategory() || hasCategoryWithName(name))
            continue;
        known->setIsChecked(true);
        list.append(known);
    }
    m_entry.setCategories(list);
}

QString EntryContent::asTags() const
{
    QStringList names;
    for (const auto& category : m_entry.categories().value_or(CategoryList())) {
        if (category->isTag())
            names.append(category->title());
    }
    return names.join(QLatin1Char(','));
}

void EntryContent::setAsTags(const QString& names)
{
    if (names.isEmpty())
        return;
    Blog* owner = blog();
    for (const QString& part : names.split(QLatin1Char(','))) {
        const QString name = trimSpacesAndTabs(part);
        CategoryPtr tag = hasCategoryWithName(name);
        if (!tag && owner && (tag = owner->hasCategoryWithName(name))) {
            CategoryList list = m_entry.categories().value_or(CategoryList());
            list.append(tag);
            m_entry.setCategories(list);
        }
        if (!tag)
            tag = addTag(name);
        tag->setIsTag(true);
        tag->setIsChecked(true);
    }
}

QString EntryContent::asTrackbacks() const
{
    QStringList addresses;
    for (const auto& ping : m_entry.pingUris()) {
        if (!ping->address().isEmpty())
            addresses.append(ping->address());
    }
    return addresses.join(QLatin1Char(','));
}

void EntryContent::setAsTrackbacks(const QString& addresses)
{
    if (addresses.isEmpty())
        return;
    PingList pings;
    for (const QString& address : addresses.split(QLatin1Char(',')))
        pings.append(Ping::pingWithTitle(QString(), address));
    m_entry.setPingUris(pings);
}

void EntryContent::clearEmptyPings()
{
    PingList pings = m_entry.pingUris();
    pings.removeIf([](const PingPtr& ping) { return ping->address().isEmpty(); });
    m_entry.setPingUris(pings);
}

// --- excerpts -------------------------------------------------------------------------------

std::optional<QString> EntryContent::createExcerpt()
{
    return createExcerptFromFormattedText(EntryRenderer(m_entry).formattedText());
}

std::optional<QString> EntryContent::createExcerptFromFormattedText(const QString& text)
{
    const int sentences =
        int(UserDefaults::sharedInstance().integer(QStringLiteral("summary_num")));
    if (text.isEmpty() || sentences < 1)
        return std::nullopt;
    const auto excerpt = SentenceSummary(rv::trimHTML(rv::trimWhitespace(text))).summary(sentences);
    if (excerpt && m_entry.hasSummaryAndExtended() >= 1)
        m_entry.setSummary(*excerpt);
    return excerpt;
}

QString EntryContent::createExcerpt(int sentences) const
{
    if (!m_entry.summary().isEmpty())
        return m_entry.summary();
    const QString text = rv::trimWhitespace(rv::trimHTML(m_entry.body() + m_entry.extended()));
    if (text.size() <= 512)
        return text;
    if (const auto excerpt = SentenceSummary(text).summary(sentences))
        return *excerpt;
    return text.left(256);
}
