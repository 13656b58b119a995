#include "QuoteDraft.h"

#include "Entry.h"
#include "Localization.h"
#include "Ping.h"
#include "Template.h"

#include <QUrl>
#include <array>

namespace QuoteDraft {

namespace {

QString decoded(QStringView value)
{
    // QUrl::fromPercentEncoding leaves "+" alone and decodes UTF-8.
    return QUrl::fromPercentEncoding(value.toUtf8());
}

} // namespace

UrlQuery parseUrl(const QString& text)
{
    QStringView query(text);
    const qsizetype question = query.indexOf(QLatin1Char('?'));
    if (question >= 0) {
        query = query.mid(question + 1);
    } else {
        const qsizetype colon = query.indexOf(QLatin1Char(':'));
        query = colon >= 0 ? query.mid(colon + 1) : query;
    }
    std::optional<QString> title, url, selection, trackback;
    for (QStringView pair : query.split(QLatin1Char('&'))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QStringView key = pair.left(equals);
        const QStringView value = pair.mid(equals + 1);
        std::optional<QString>* slot = nullptr;
        if (key == u"t")
            slot = &title;
        else if (key == u"u")
            slot = &url;
        else if (key == u"s")
            slot = &selection;
        else if (key == u"p")
            slot = &trackback;
        if (slot && !*slot)
            *slot = decoded(value);
    }
    UrlQuery result;
    result.title = title.value_or(QString());
    result.url = webAddress(url.value_or(QString()));
    result.selection = selection.value_or(QString());
    result.trackback = webAddress(trackback.value_or(QString()));
    return result;
}

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString webAddress(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty())
        return {};
    return trimmed;
}

QString quoteHtml(const QString& selection)
{
    QString text = selection;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text = escaped(text.trimmed());
    // Blank lines first, left to right; only the newlines left inside a
    // paragraph become line breaks, not those the paragraph marks bring.
    QStringList paragraphs = text.split(QLatin1String("\n\n"));
    for (QString& paragraph : paragraphs)
        paragraph.replace(QLatin1String("\n"), QLatin1String("<br />\n"));
    return QLatin1String("<p>") + paragraphs.join(QLatin1String("\n</p><p>\n")) +
           QLatin1String("</p>");
}

QString fillPlaceholders(const QString& text, const Fields& values)
{
    const std::array<std::pair<QLatin1String, const QString*>, 5> placeholders{{
        {QLatin1String("$title$"), &values.title},
        {QLatin1String("$url$"), &values.url},
        {QLatin1String("$quote$"), &values.quote},
        {QLatin1String("$source-name$"), &values.sourceName},
        {QLatin1String("$source-url$"), &values.sourceUrl},
    }};
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        bool replaced = false;
        if (text.at(i) == QLatin1Char('$')) {
            for (const auto& [name, value] : placeholders) {
                if (QStringView(text).mid(i).startsWith(name)) {
                    out += *value;
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text.at(i++);
    }
    return out;
}

Filled fill(const Template* quoteTemplate, const Fields& plain, const QString& quoteHtml)
{
    const QString titleText = quoteTemplate ? quoteTemplate->title() : QString();
    const QString bodyText = quoteTemplate ? quoteTemplate->body() : QString();
    Fields html{escaped(plain.title), escaped(plain.url), quoteHtml, escaped(plain.sourceName),
                escaped(plain.sourceUrl)};
    Filled filled;
    filled.title = fillPlaceholders(titleText, plain).simplified();
    filled.body = QLatin1String("<p>&nbsp;</p>\n") + fillPlaceholders(bodyText, html) +
                  QLatin1String("\n<p>&nbsp;</p>");
    return filled;
}

namespace {

EntryPtr makeEntry(const Filled& filled)
{
    EntryPtr entry = Entry::create();
    entry->setTitle(filled.title);
    entry->setBody(filled.body);
    return entry;
}

void addTrackback(Entry& entry, const QString& address)
{
    if (address.isEmpty())
        return;
    PingList pings = entry.pingUris();
    for (PingPtr& ping : pings) {
        if (!ping || ping->address().isEmpty()) {
            ping = Ping::pingWithTitle(QString(), address);
            entry.setPingUris(pings);
            return;
        }
    }
}

} // namespace

EntryPtr entryFromUrl(const QString& url, const Template* quoteTemplate)
{
    const UrlQuery query = parseUrl(url);
    Fields plain;
    plain.title = query.title.isEmpty() ? localized("Draft", "Untitled") : query.title;
    plain.url = query.url;
    plain.quote = query.selection;
    EntryPtr entry = makeEntry(fill(quoteTemplate, plain, quoteHtml(query.selection)));
    addTrackback(*entry, query.trackback);
    return entry;
}

EntryPtr entryFromItem(const QVariantMap& item, const Template* quoteTemplate)
{
    const auto text = [&item](const char* key) {
        return item.value(QString::fromLatin1(key)).toString();
    };
    const QString title = text("title");
    const QString description = text("description");
    const QString summary = text("summary");
    const QString page = webAddress(text("url"));
    const QString sourceName = text("sourceName");
    QString link = webAddress(text("permalink"));
    if (link.isEmpty())
        link = webAddress(text("link"));
    if (link.isEmpty())
        link = page;
    if (title.isEmpty() && description.isEmpty() && summary.isEmpty() && link.isEmpty())
        return nullptr;
    Fields plain;
    plain.title = title.isEmpty() ? sourceName : title;
    plain.url = link;
    plain.quote = description.isEmpty() ? summary : description;
    plain.sourceName = sourceName;
    plain.sourceUrl = page;
    return makeEntry(fill(quoteTemplate, plain, escaped(plain.quote)));
}

} // namespace QuoteDraft
