// The fields a publish sends for its entry: the XML-RPC content map, the Atom
// entry data and the tag block the blog's tag template asks for.

#include "PublishContent.h"

#include "Blog.h"
#include "BlogClock.h"
#include "Category.h"
#include "Entry.h"
#include "EntryContent.h"
#include "HtmlCharacters.h"
#include "PLUMETPluginProtocol.h"
#include "StringExtensions.h"
#include "Template.h"

#include <QUrl>

PublishContent::PublishContent(Entry& entry, const Blog& blog, PLUMETPluginProtocol& plugin)
    : m_entry(entry), m_blog(blog), m_plugin(plugin)
{
}

QString PublishContent::tagBlock(const QStringList& tags) const
{
    const TemplatePtr tagTemplate = m_blog.tagTemplate();
    QString base = tagTemplate ? tagTemplate->url() : QString();
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    const QString separator = tagTemplate ? tagTemplate->separator() : QStringLiteral(", ");
    QStringList links;
    // Tag names and the address come from the user and from the server: as
    // markup they would break the post, or add to it. The address takes the
    // name itself, percent-escaped.
    const QString address = rv::encodeXML(base);
    for (const QString& tag : tags)
        links << QStringLiteral("<a href=\"%1%2\" rel=\"tag\">%3</a>")
                     .arg(address, QString::fromLatin1(QUrl::toPercentEncoding(tag)),
                          rv::encodeXML(tag));
    return QStringLiteral("\n<div class=\"posttagsblock\">") + links.join(separator) +
           QStringLiteral("</div>");
}

QStringList PublishContent::tagTitles() const
{
    QStringList titles;
    for (const auto& category : m_entry.categories().value_or(CategoryList()))
        if (category->isTag())
            titles.append(category->title());
    return titles;
}

QVariantMap PublishContent::xmlRpcContent(bool separateCategories) const
{
    QVariantList categories;
    QStringList tags;
    EntryContent(m_entry).getCatsAndTags(categories, tags, separateCategories);

    QVariantMap content;
    if (!separateCategories && !categories.isEmpty())
        content.insert(QStringLiteral("categories"), categories);

    const TemplatePtr tagTemplate = m_blog.tagTemplate();
    const QString separator = tagTemplate ? tagTemplate->separator() : QStringLiteral(", ");
    const int location = tagTemplate ? tagTemplate->location().value_or(0) : 0;
    QString keywords = m_entry.keywords();
    QString block;
    if (!tags.isEmpty()) {
        const int support = m_plugin.supportsTags();
        const bool intoKeywords = support == PLUMETPluginProtocol::TagsInKeywords ||
                                  (support != PLUMETPluginProtocol::TagsAsMtTags && location == 3 &&
                                   m_plugin.hasKeywordsField());
        if (support == PLUMETPluginProtocol::TagsAsMtTags) {
            content.insert(QStringLiteral("mt_tags"), tags.join(QLatin1Char(',')));
        } else if (intoKeywords) {
            if (!keywords.isEmpty())
                keywords += separator;
            keywords += tags.join(separator);
        } else {
            block = tagBlock(tagTitles());
        }
    }

    // The block goes onto a copy: the buffers stay what the comparison reads.
    QString body = m_entry.pubBody();
    QString extended = m_entry.pubExtended();
    QString summary = m_entry.pubSummary();
    if (!block.isEmpty()) {
        if (location == 1 && !extended.isEmpty() && m_plugin.hasExtendedField())
            extended += block;
        else if (location == 2 && m_plugin.hasSummaryField())
            summary += block;
        else
            body += block;
    }

    const bool convert = m_blog.convertEntities();
    auto text = [convert](const QString& value) {
        const QString plain = value.isNull() ? QLatin1String("") : value;
        return convert ? rv::stringWithCharactersEncoded(plain) : plain;
    };
    auto html = [convert](const QString& value) {
        const QString plain = value.isNull() ? QLatin1String("") : value;
        return convert ? rv::encodeCharactersInHTML(plain) : plain;
    };
    content.insert(QStringLiteral("title"), text(m_entry.title()));
    content.insert(QStringLiteral("description"), html(body));
    content.insert(QStringLiteral("mt_text_more"), html(extended));
    content.insert(QStringLiteral("mt_excerpt"), html(summary));
    // Always sent, empty or not: a server that misses it on an edit takes the
    // post's tags away.
    content.insert(QStringLiteral("mt_keywords"), text(keywords));
    content.insert(QStringLiteral("dateCreated"),
                   BlogClock::toBlogClock(m_entry.entryDate(), m_blog));
    // A date without a zone names two instants where the blog's clock shows a
    // time twice (clocks going back); a server that knows this field
    // (WordPress, whatever the driver) takes the instant from it instead.
    if (!m_blog.utcMode())
        content.insert(QStringLiteral("date_created_gmt"),
                       BlogClock::utcClock(m_entry.entryDate()));
    content.insert(QStringLiteral("mt_allow_comments"), m_entry.commentOption().toInt());
    content.insert(QStringLiteral("mt_allow_pings"), m_entry.trackbackOption().toInt());
    content.insert(QStringLiteral("mt_convert_breaks"), m_entry.format());
    return content;
}

QVariantMap PublishContent::atomData()
{
    // The entry document escapes what it writes, so names go in as they are typed;
    // XML-RPC servers get them encoded, as WordPress keeps its names.
    QVariantList categories;
    QStringList tags;
    for (const auto& category : m_entry.categories().value_or(CategoryList())) {
        if (category->isCategory())
            categories.append(category->title());
        if (category->isTag())
            tags.append(category->title());
    }
    QVariantMap data;
    data.insert(QStringLiteral("publish"), !m_entry.hasFlag(Entry::SendAsDraft));
    if (m_plugin.treatCategoriesAsTags()) {
        for (const QString& tag : tags)
            categories.append(tag);
        data.insert(QStringLiteral("categories"), categories);
    } else {
        if (!categories.isEmpty())
            data.insert(QStringLiteral("categories"), categories);
        if (!tags.isEmpty()) // Atom has no other place for the block than the body
            m_entry.setPublishTexts(m_entry.pubBody() + tagBlock(tags), m_entry.pubExtended(),
                                    m_entry.pubSummary());
    }
    const bool convert = m_blog.convertEntities();
    auto text = [convert](const QString& value) {
        const QString plain = value.isNull() ? QLatin1String("") : value;
        return convert ? rv::stringWithCharactersEncoded(plain) : plain;
    };
    const QString body = m_entry.pubBody().isNull() ? QLatin1String("") : m_entry.pubBody();
    data.insert(QStringLiteral("title"), text(m_entry.title()));
    data.insert(QStringLiteral("description"), convert ? rv::encodeCharactersInHTML(body) : body);
    data.insert(QStringLiteral("dateCreated"), m_entry.entryDate());
    data.insert(QStringLiteral("mt_allow_comments"), m_entry.commentOption());

    return data;
}
