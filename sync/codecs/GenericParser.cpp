#include "GenericParser.h"

#include "HTMLTagScanner.h"
#include "StringEncoding.h"
#include "TextDecoding.h"

#include <QCoreApplication>
#include <QUrl>

GenericParser::GenericParser(QString text) : m_text(std::move(text)) {}

GenericParser GenericParser::fromData(const QByteArray& data)
{
    return GenericParser(URLUtilities::textFromData(data));
}

GenericParser::~GenericParser() = default;

void GenericParser::parseLinks(QStringView text)
{
    qsizetype from = 0;
    while (const auto tag = HTMLTagScanner::findTag(text, u"link", from)) {
        if (!tag->attributes.isEmpty())
            m_parsedArray.append(tag->attributes);
        from = tag->end;
    }
}

QVariantMap GenericParser::parseAttributes(QStringView tagText)
{
    return HTMLTagScanner::parseAttributes(tagText);
}

bool GenericParser::extractMeta()
{
    if (m_text.isEmpty()) {
        m_errorString = QCoreApplication::translate("GenericParser", "There is no data to parse.");
        return false;
    }
    m_parsedArray.clear();
    const qsizetype headEnd = m_text.indexOf(QLatin1StringView("</head"), 0, Qt::CaseInsensitive);
    const QStringView head = headEnd < 0 ? QStringView(m_text) : QStringView(m_text).left(headEnd);
    if (head.isEmpty())
        return false;
    parseLinks(head);
    const bool found = !m_parsedArray.isEmpty();
    if (!head.contains(QLatin1StringView("stylesheet"), Qt::CaseInsensitive) &&
        head.contains(QLatin1StringView("@import"), Qt::CaseInsensitive))
        getCSSImport(head);
    return found;
}

void GenericParser::getCSSImport(QStringView text)
{
    static const QLatin1StringView keyword("@import");
    const qsizetype start = text.indexOf(keyword, 0, Qt::CaseInsensitive);
    if (start < 0)
        return;
    const qsizetype valueStart = start + keyword.size();
    const qsizetype end = text.indexOf(u';', valueStart);
    QString address = text.mid(valueStart, end < 0 ? -1 : end - valueStart).toString();
    address.remove(QLatin1StringView("url("), Qt::CaseInsensitive);
    address.remove(u')');
    address.remove(u'"');
    address.remove(u'\'');
    m_parsedArray.append({{QStringLiteral("rel"), QStringLiteral("stylesheet")},
                          {QStringLiteral("href"), address.trimmed()}});
}

QString GenericParser::extractTag(QStringView text, QStringView tagOpening)
{
    const qsizetype found = text.indexOf(tagOpening, 0, Qt::CaseInsensitive);
    if (found < 0)
        return {};
    const qsizetype start = found + tagOpening.size();
    const qsizetype end = text.indexOf(u'<', start);
    return rv::deXML(text.mid(start, end < 0 ? -1 : end - start).toString());
}

void GenericParser::extractTags(QVariantMap& post)
{
    const QString content = post.value(QStringLiteral("content")).toString();
    QVariantList names;
    qsizetype pos = 0;
    while ((pos = content.indexOf(u'<', pos)) >= 0) {
        const auto tag = HTMLTagScanner::tagAt(content, pos);
        if (!tag)
            break;
        pos = tag->end;
        const QStringList rel =
            tag->attributes.value(QStringLiteral("rel")).toString().split(u' ', Qt::SkipEmptyParts);
        const QString href = tag->attributes.value(QStringLiteral("href")).toString();
        if (!rel.contains(QLatin1StringView("tag"), Qt::CaseInsensitive) || href.isEmpty())
            continue;
        QString name = href;
        while (name.endsWith(u'/'))
            name.chop(1);
        name = name.mid(name.lastIndexOf(u'/') + 1);
        // "+" is a space in a query-style name, but "%2B" is a real plus sign,
        // so the pluses go before the percent escapes are read.
        name.replace(u'+', u' ');
        name = rv::convertEntities(QUrl::fromPercentEncoding(name.toUtf8()));
        if (!name.isEmpty())
            names.append(name);
    }
    if (names.isEmpty())
        return;
    QVariantList categories = post.value(QStringLiteral("categories")).toList();
    categories.append(names);
    post.insert(QStringLiteral("categories"), categories);
}
