#include "EntryServerMerge.h"

#include "Account.h"
#include "Blog.h"
#include "BlogClock.h"
#include "BlogEntryStore.h"
#include "Category.h"
#include "Entry.h"
#include "EntryContent.h"
#include "EntryRenderer.h"
#include "HtmlCharacters.h"
#include "Localization.h"
#include "ModelLog.h"
#include "RVDiffTool.h"
#include "ServerPostReader.h"
#include "StringEncoding.h"
#include "StringExtensions.h"
#include "SupportFolder.h"
#include "Template.h"
#include "UserDefaults.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

QString withoutControls(const QString& text)
{
    return text.isEmpty() ? text : rv::removeControlChars(text);
}

// What a text says once its form is set aside: trimWhitespace of
// reduceAllWhiteSpace of trimHTML, in one pass. Markup goes, the end of a tag
// leaving a space; returns and tabs are spaces; a run of spaces is one. A
// refresh normalises every body that differs from the one sent, so no
// intermediate texts are built.
QString normalised(const QString& text)
{
    QString out(text.size(), Qt::Uninitialized);
    QChar* const begin = out.data();
    QChar* at = begin;
    int depth = 0;
    const auto put = [&](QChar c) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
        if (c != u' ' || at == begin || at[-1] != u' ')
            *at++ = c;
    };
    for (const QChar c : text) {
        if (c == u'<') {
            ++depth;
        } else if (c == u'>' && depth > 1) {
            --depth;
        } else if (c == u'>' && depth == 1) {
            put(u' ');
            depth = 0;
        } else if (depth == 0) {
            put(c);
        }
    }
    out.truncate(at - begin);
    return std::move(out).trimmed();
}

// Elements that bring content of their own into a post: a server that strips
// one (as WordPress does for authors without unfiltered HTML) has changed the
// post, though its words stay.
bool isContentElement(QStringView name)
{
    static const QStringList names{
        QStringLiteral("applet"), QStringLiteral("audio"),  QStringLiteral("canvas"),
        QStringLiteral("embed"),  QStringLiteral("form"),   QStringLiteral("frame"),
        QStringLiteral("iframe"), QStringLiteral("img"),    QStringLiteral("input"),
        QStringLiteral("math"),   QStringLiteral("object"), QStringLiteral("picture"),
        QStringLiteral("script"), QStringLiteral("source"), QStringLiteral("style"),
        QStringLiteral("svg"),    QStringLiteral("track"),  QStringLiteral("video")};
    for (const QString& known : names)
        if (name.compare(known, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool endsName(QChar c)
{
    return c.isSpace() || c == u'/' || c == u'=' || c == u'>';
}

// What one tag (the text between "<" and ">") adds to a text's markup
// substance: its name when it is a content element, and the addresses of its
// src and href attributes, unquoted and with their entities decoded.
void addTagSubstance(QStringView tag, QStringList& substance)
{
    if (tag.isEmpty() || tag.front() == u'/' || tag.front() == u'!' || tag.front() == u'?')
        return;
    qsizetype at = 0;
    while (at < tag.size() && !endsName(tag.at(at)))
        ++at;
    const QStringView name = tag.left(at);
    if (isContentElement(name))
        substance << name.toString().toLower();
    while (at < tag.size()) {
        while (at < tag.size() && (tag.at(at).isSpace() || tag.at(at) == u'/'))
            ++at;
        const qsizetype nameStart = at;
        while (at < tag.size() && !endsName(tag.at(at)))
            ++at;
        const QStringView attribute = tag.mid(nameStart, at - nameStart);
        if (attribute.isEmpty()) {
            ++at; // a stray "=" or ">"
            continue;
        }
        while (at < tag.size() && tag.at(at).isSpace())
            ++at;
        if (at >= tag.size() || tag.at(at) != u'=')
            continue;
        ++at;
        while (at < tag.size() && tag.at(at).isSpace())
            ++at;
        QStringView value;
        if (at < tag.size() && (tag.at(at) == u'"' || tag.at(at) == u'\'')) {
            const QChar quote = tag.at(at++);
            qsizetype end = tag.indexOf(quote, at);
            if (end < 0)
                end = tag.size();
            value = tag.mid(at, end - at);
            at = end + 1;
        } else {
            const qsizetype start = at;
            while (at < tag.size() && !tag.at(at).isSpace())
                ++at;
            value = tag.mid(start, at - start);
        }
        if (attribute.compare(u"src", Qt::CaseInsensitive) == 0 ||
            attribute.compare(u"href", Qt::CaseInsensitive) == 0) {
            const QString address = value.trimmed().toString();
            substance << attribute.toString().toLower() + u'=' +
                             (address.contains(u'&') ? rv::convertEntities(address) : address);
        }
    }
}

// The part of a text's markup that is not form: the content elements in
// their order and the addresses the markup points to. Tags are found as
// normalised() finds them.
QStringList markupSubstance(const QString& text)
{
    QStringList substance;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'<') {
            if (depth++ == 0)
                start = i + 1;
        } else if (c == u'>' && depth > 1) {
            --depth;
        } else if (c == u'>' && depth == 1) {
            addTagSubstance(QStringView(text).mid(start, i - start), substance);
            depth = 0;
        }
    }
    return substance;
}

// Two texts that differ only in form: the same words once markup and white
// space are set aside, and the same content elements and addresses.
bool differOnlyInForm(const QString& server, const QString& sent)
{
    return normalised(server) == normalised(sent) &&
           markupSubstance(server) == markupSubstance(sent);
}

QString idText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    bool whole = false;
    const qlonglong number = value.toLongLong(&whole);
    return whole ? QString::number(number) : value.toString();
}

// Moves the folder, or copies it and then removes the original where a
// rename cannot (another file system). False when the files stay where they were.
bool moveFolder(const QString& from, const QString& to)
{
    if (QDir().rename(from, to))
        return true;
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    for (const QFileInfo& item : source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                      QDir::Hidden | QDir::System)) {
        const QString target = to + QLatin1Char('/') + item.fileName();
        const bool moved = item.isDir() ? moveFolder(item.filePath(), target)
                                        : QFile::copy(item.filePath(), target);
        if (!moved)
            return false;
    }
    return QDir(from).removeRecursively();
}

struct FieldWord {
    const char* key;
    const char* word;
};

// The fields a read-back may not keep, in the order they are named, with the
// words that name them.
constexpr FieldWord fieldWords[] = {
    {"title", QT_TRANSLATE_NOOP("Entry", "the title")},
    {"description", QT_TRANSLATE_NOOP("Entry", "the main text")},
    {"mt_text_more", QT_TRANSLATE_NOOP("Entry", "the extended text")},
    {"mt_excerpt", QT_TRANSLATE_NOOP("Entry", "the summary")},
    {"mt_keywords", QT_TRANSLATE_NOOP("Entry", "the keywords")},
    {"mt_convert_breaks", QT_TRANSLATE_NOOP("Entry", "the text format")},
    {"categories", QT_TRANSLATE_NOOP("Entry", "the categories")},
    {"tags", QT_TRANSLATE_NOOP("Entry", "the tags")},
    {"wp_slug", QT_TRANSLATE_NOOP("Entry", "the slug")},
    {"wp_password", QT_TRANSLATE_NOOP("Entry", "the post password")},
    {"custom_fields", QT_TRANSLATE_NOOP("Entry", "the custom fields")},
};

// The plug-in settings a publish sends along (the WordPress driver's).
constexpr const char* sentSettings[] = {"wp_slug", "wp_password", "custom_fields"};

int fieldOrder(const QString& key)
{
    for (int i = 0; i < int(std::size(fieldWords)); ++i)
        if (key == QLatin1String(fieldWords[i].key))
            return i;
    return int(std::size(fieldWords));
}

bool given(const QVariantMap& post, const char* key)
{
    return !StoredValue::isNil(post.value(QLatin1String(key)));
}

// No value, or one that holds nothing: blank text, an empty list or record.
bool holdsNothing(const QVariant& value)
{
    if (StoredValue::isNil(value))
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().trimmed().isEmpty();
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return value.toList().isEmpty();
    case QMetaType::QVariantMap:
        return value.toMap().isEmpty();
    default:
        return false;
    }
}

int tagLocation(const Blog* blog)
{
    const TemplatePtr tagTemplate = blog ? blog->tagTemplate() : TemplatePtr();
    return tagTemplate ? tagTemplate->location().value_or(0) : 0;
}

// The blog's tags travel in the keywords, as the publish puts them there.
bool keywordsCarryTags(const Blog* blog)
{
    const int support = blog ? blog->pluginTraits().supportsTags : 0;
    const int location = tagLocation(blog);
    return support != 2 && (location == 3 || support == 1);
}

// Whether the copy holds the field the blog's tags come back in: without it
// the copy says nothing about them.
bool carriesTags(const QVariantMap& post, const Blog* blog)
{
    if (given(post, "mt_tags"))
        return true;
    const PluginTraits traits = blog ? blog->pluginTraits() : PluginTraits();
    if (traits.treatCategoriesAsTags)
        return given(post, "categories");
    if (keywordsCarryTags(blog))
        return given(post, "mt_keywords");
    if (traits.supportsTags == 2)
        return false;
    // The tag block, in the text the publish puts it in.
    const int location = tagLocation(blog);
    if (location == 2 && traits.hasSummaryField)
        return given(post, "mt_excerpt");
    if (location == 1 && traits.hasExtendedField && given(post, "mt_text_more"))
        return true;
    return given(post, "description");
}

} // namespace

const QString EntryServerMerge::notKeptKey = QStringLiteral("notkept");

QString EntryServerMerge::notKeptSentence(const QStringList& fields)
{
    QStringList words;
    for (const QString& field : fields) {
        const int at = fieldOrder(field);
        words << (at < int(std::size(fieldWords)) ? localized("Entry", fieldWords[at].word)
                                                  : field);
    }
    if (words.isEmpty())
        return {};
    QString list = words.constLast();
    if (words.size() > 1)
        list = localized("Entry", "%1 and %2")
                   .arg(words.mid(0, words.size() - 1).join(QStringLiteral(", ")), list);
    return localized("Entry", "The server did not keep %1.").arg(list);
}

QString EntryServerMerge::attachmentFolder(const Entry& entry, const QString& uniqueID)
{
    const Blog* blog = dynamic_cast<const Blog*>(entry.parentBlog());
    const Account* account = blog ? blog->account() : nullptr;
    if (!account || !Account::isSafeAccountID(account->accountID()))
        return {};
    const QString support = cutils::applicationSupportFolder();
    if (support.isEmpty())
        return {};
    return QStringLiteral("%1/%2/%3/%4")
        .arg(support, account->accountID(), rv::MD5(blog->uniqueID()), rv::MD5(uniqueID));
}

void EntryServerMerge::createBuffers()
{
    QString body = withoutControls(m_entry.body());
    QString extended = withoutControls(m_entry.extended());
    QString summary = withoutControls(m_entry.summary());
    const EntryContent content(m_entry);
    content.applyAttachmentMarkup(body);
    content.applyAttachmentMarkup(extended);
    content.applyAttachmentMarkup(summary);
    m_entry.setPublishTexts(body, extended, summary);
}

bool EntryServerMerge::processPostID(const QVariant& postID)
{
    const QString newID = idText(postID);
    if (newID.isEmpty())
        return false;
    const QString oldID = m_entry.uniqueID();
    if (newID != oldID) {
        // Most posts have no attachment folder: the new one is named only for one that moves.
        const QString oldFolder = attachmentFolder(m_entry, oldID);
        const bool hasFolder = !oldFolder.isEmpty() && QFileInfo(oldFolder).isDir();
        const QString newFolder = hasFolder ? attachmentFolder(m_entry, newID) : QString();
        if (hasFolder && !moveFolder(oldFolder, newFolder)) {
            // The post has its new id on the server whatever happens here: the
            // entry takes it, and the user hears where the files are.
            m_problem = localized("Entry", "The attachments of \"%1\" could not be moved to "
                                           "\"%2\": they are still in \"%3\".")
                            .arg(m_entry.displayName(), newFolder, oldFolder);
            qCWarning(lcModel).noquote() << m_problem;
        }
        m_entry.setUniqueID(newID);
    }
    if (m_entry.hasFlag(Entry::LocalOnly))
        m_entry.removeFlag(Entry::LocalOnly);
    m_entry.setNeedsSave(true);
    if (newID == oldID)
        return true;

    // The file under the new name first: a crash in between leaves the post
    // on disk under one name or the other, never under none. A save that
    // fails leaves the old file for the next save that works to remove. A
    // blog's writer keeps that order by itself: the publish goes on meanwhile.
    EntryOwner* owner = m_entry.parentBlog();
    Blog* blog = dynamic_cast<Blog*>(owner);
    if (blog)
        blog->store().renameFile(m_entry, oldID);
    QString error;
    if (blog ? !blog->store().queueSave(m_entry, &error)
             : owner && !owner->saveEntry(&m_entry, &error))
        qCWarning(lcModel).noquote()
            << QStringLiteral("\"%1\" keeps its old file until it can be saved: %2")
                   .arg(m_entry.displayName(), error);
    return true;
}

void EntryServerMerge::mergeDate(const QVariantMap& post, QVariantMap& diffs)
{
    const Blog* blog = dynamic_cast<const Blog*>(m_entry.parentBlog());
    // Read once, on the blog's clock where the server sent no zone; never
    // shifted again, so an entry the server kept as it was sent stays as it is.
    const QDateTime server = BlogClock::postInstant(post, blog);
    // A date nobody can read says nothing about the post: it changes nothing.
    if (!server.isValid())
        return;
    const QDateTime local = m_entry.entryDate();
    // Most copies carry the very date the entry has: nothing to change.
    const qint64 apartMs = local.isValid() ? local.msecsTo(server) : -1;
    if (apartMs == 0)
        return;
    const qint64 apart = local.isValid() ? apartMs / 1000 : dateTolerance + 1;
    if (UserDefaults::sharedInstance().boolean(QStringLiteral("ignoreTime")) ||
        std::abs(apart) <= dateTolerance) {
        m_entry.setEntryDate(server.toLocalTime());
        return;
    }
    // The date as the server wrote it goes along, so that the user may read
    // its clock in another zone.
    const QVariant sent = post.value(QStringLiteral("datecreated"));
    const QDateTime written = sent.typeId() == QMetaType::QDateTime ? sent.toDateTime() : server;
    diffs.insert(QStringLiteral("datecreated"), server.toLocalTime());
    diffs.insert(QStringLiteral("oridate"), written.isValid() ? written : server.toLocalTime());
}

void EntryServerMerge::mergeText(const QVariant& value, const QString& name, const QString& sent,
                                 void (Entry::*setter)(const QString&), QVariantMap& diffs)
{
    if (value.isNull() || !value.isValid())
        return;
    const QString server = EntryRenderer(m_entry).extractTags(value.toString());
    if (isReadBack() && server.trimmed().isEmpty() && !sent.trimmed().isEmpty()) {
        m_notKept << name;
        return;
    }
    // For a blog that takes only ASCII the server holds the text as it went
    // out (stray "&" as "&#38;") and as the way back reads it.
    const Blog* blog = dynamic_cast<const Blog*>(m_entry.parentBlog());
    const QString expected = blog && blog->convertEntities()
                                 ? rv::decodeCharactersInHTML(rv::encodeCharactersInHTML(sent))
                                 : sent;
    // Texts alike as they stand are alike normalised; most are.
    if (server == expected || differOnlyInForm(server, expected))
        (m_entry.*setter)(server);
    else
        diffs.insert(name, server);
}

void EntryServerMerge::compareWithXML(const QVariantMap& post, Copy copy)
{
    m_copy = copy;
    m_notKept.clear();
    if (m_entry.pubBody().isNull())
        createBuffers();
    m_entry.setDiffs(QVariantMap());
    QVariantMap diffs;

    enum { ID, Date, Title, Body, Extended, Summary, Keywords };
    const auto values =
        ServerPostReader::valuesOf<7>(post, {u"id", u"datecreated", u"title", u"description",
                                             u"mt_text_more", u"mt_excerpt", u"mt_keywords"});
    const auto value = [&values](int key) { return values[key] ? *values[key] : QVariant(); };

    const QString atomID = value(ID).toString();
    if (!atomID.isEmpty()) {
        const QString last = atomID.split(QLatin1Char('-')).constLast();
        processPostID(last.isEmpty() ? atomID : last);
    }

    mergeDate(post, diffs);

    // What the copy may take away, as the entry has it now.
    const CategoryList before = m_entry.categories().value_or(CategoryList());
    QList<std::pair<bool, bool>> beforeKinds;
    for (const CategoryPtr& record : before)
        beforeKinds.append({record->isCategory(), record->isTag()});
    const QVariant format = isReadBack() ? QVariant(m_entry.format()) : QVariant();
    const QVariantMap settings = isReadBack() ? m_entry.pluginSettings() : QVariantMap();

    ServerPostReader::setOtherContent(m_entry, post, true);
    keepOtherSentFields(post, format, settings);

    const Blog* blog = dynamic_cast<const Blog*>(m_entry.parentBlog());
    const QVariant titleValue = value(Title);
    if (titleValue.isValid() && !titleValue.isNull()) {
        QString title = titleValue.toString();
        if (blog && blog->convertEntities())
            title = rv::stringWithEntitiesConverted(title);
        title = rv::trimWhitespace(title);
        if (isReadBack() && title.isEmpty() && !rv::trimWhitespace(m_entry.title()).isEmpty())
            m_notKept << QStringLiteral("title");
        else if (title == rv::trimWhitespace(m_entry.title()))
            m_entry.setTitle(title);
        else
            diffs.insert(QStringLiteral("title"), title);
    }

    mergeText(value(Body), QStringLiteral("description"), m_entry.pubBody(), &Entry::setBody,
              diffs);
    mergeText(value(Extended), QStringLiteral("mt_text_more"), m_entry.pubExtended(),
              &Entry::setExtended, diffs);
    mergeText(value(Summary), QStringLiteral("mt_excerpt"), m_entry.pubSummary(),
              &Entry::setSummary, diffs);

    // Keywords that differ land in the entry's diffs themselves.
    m_entry.setDiffs(diffs);
    const QVariant keywords = value(Keywords);
    if (keywords.isValid() && !keywords.isNull()) {
        const QString text = keywords.toString();
        if (isReadBack() && !keywordsCarryTags(blog) && text.trimmed().isEmpty() &&
            !m_entry.keywords().trimmed().isEmpty())
            m_notKept << QStringLiteral("mt_keywords");
        else
            EntryContent(m_entry).tagsFromKeywords(text);
    }
    // Once the texts and keywords have brought back the tags they carry.
    keepCategoriesAndTags(post, before, beforeKinds);

    QVariantMap all = m_entry.diffs().value_or(QVariantMap());
    if (!m_notKept.isEmpty()) {
        std::sort(m_notKept.begin(), m_notKept.end(),
                  [](const QString& a, const QString& b) { return fieldOrder(a) < fieldOrder(b); });
        all.insert(notKeptKey, m_notKept);
        m_entry.setDiffs(all);
    }
    // What the server did not keep is no change of the user's.
    if (all.isEmpty() || (all.size() == 1 && all.contains(notKeptKey))) {
        if (m_entry.hasFlag(Entry::ChangedLocally))
            m_entry.removeFlag(Entry::ChangedLocally);
    }
    if (all.isEmpty()) {
        // The copies agree again: nothing is left to compare.
        RVDiffTool::sharedInstance().removeEntry(&m_entry);
        return;
    }
    if (EntryPtr shared = m_entry.weak_from_this().lock())
        RVDiffTool::sharedInstance().addEntry(shared);
}

void EntryServerMerge::keepCategoriesAndTags(const QVariantMap& post, const CategoryList& before,
                                             const QList<std::pair<bool, bool>>& beforeKinds)
{
    bool hadCategories = false, hadTags = false;
    for (const auto& [category, tag] : beforeKinds) {
        hadCategories = hadCategories || category;
        hadTags = hadTags || tag;
    }
    if (!hadCategories && !hadTags)
        return;
    CategoryList list = m_entry.categories().value_or(CategoryList());
    bool hasCategories = false, hasTags = false;
    for (const CategoryPtr& record : list) {
        hasCategories = hasCategories || record->isCategory();
        hasTags = hasTags || record->isTag();
    }
    const Blog* blog = dynamic_cast<const Blog*>(m_entry.parentBlog());
    const PluginTraits traits = blog ? blog->pluginTraits() : PluginTraits();
    // Where categories come back as tags, the tags say it all.
    const bool keepCategories = !traits.treatCategoriesAsTags && hadCategories && !hasCategories &&
                                (isReadBack() || !given(post, "categories"));
    const bool keepTags = hadTags && !hasTags && (isReadBack() || !carriesTags(post, blog));
    if (!keepCategories && !keepTags)
        return;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const bool asCategory = keepCategories && beforeKinds.at(i).first;
        const bool asTag = keepTags && beforeKinds.at(i).second;
        if (!asCategory && !asTag)
            continue;
        CategoryPtr record = Genetic::findRecord(list, &Genetic::title, before.at(i)->title());
        if (!record) {
            // A copy: the record may be the blog's own, and only one of its
            // kinds may be coming back.
            record = before.at(i)->copy();
            record->setIsCategory(false);
            record->setIsTag(false);
            list.append(record);
        }
        if (asCategory)
            record->setIsCategory(true);
        if (asTag)
            record->setIsTag(true);
    }
    m_entry.setCategories(list);
    if (!isReadBack())
        return;
    if (keepCategories)
        m_notKept << QStringLiteral("categories");
    if (keepTags)
        m_notKept << QStringLiteral("tags");
}

void EntryServerMerge::keepOtherSentFields(const QVariantMap& post, const QVariant& format,
                                           const QVariantMap& settings)
{
    if (!isReadBack())
        return;
    if (post.contains(QStringLiteral("mt_convert_breaks")) &&
        holdsNothing(post.value(QStringLiteral("mt_convert_breaks"))) && !holdsNothing(format)) {
        m_entry.setFormatValue(format);
        m_notKept << QStringLiteral("mt_convert_breaks");
    }
    QVariantMap now = m_entry.pluginSettings();
    bool kept = false;
    for (const char* name : sentSettings) {
        const QString key = QLatin1String(name);
        if (!post.contains(key) || !holdsNothing(post.value(key)) ||
            holdsNothing(settings.value(key)))
            continue;
        now.insert(key, settings.value(key));
        m_notKept << key;
        kept = true;
    }
    if (kept)
        m_entry.setPluginSettings(now);
}
