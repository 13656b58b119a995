#include "PageCharset.h"

#include "HTMLTagScanner.h"

namespace PageCharset {

namespace {

bool isTagNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u':';
}

// The name of the tag whose "<" is at `at` (without a "/"), empty for a
// closing tag or a "<" that starts no tag.
QStringView tagNameAt(QStringView text, qsizetype at)
{
    qsizetype end = at + 1;
    while (end < text.size() && isTagNameCharacter(text[end]))
        ++end;
    return text.mid(at + 1, end - at - 1);
}

// Where the text of a raw-text element ("script", "style") that starts at
// `from` ends: at its closing tag, or the end of the text.
qsizetype rawTextEnd(QStringView text, qsizetype from, QStringView name)
{
    for (qsizetype at = text.indexOf(u"</", from); at >= 0; at = text.indexOf(u"</", at + 2)) {
        if (text.mid(at + 2, name.size()).compare(name, Qt::CaseInsensitive) == 0)
            return at;
    }
    return text.size();
}

std::optional<QString> fromMeta(const QVariantMap& attributes)
{
    const QString charset = attributes.value(QStringLiteral("charset")).toString().trimmed();
    if (!charset.isEmpty())
        return charset;
    if (attributes.value(QStringLiteral("http-equiv"))
            .toString()
            .trimmed()
            .compare(QLatin1String("content-type"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return fromParameter(attributes.value(QStringLiteral("content")).toString());
}

} // namespace

std::optional<QString> fromParameter(QStringView text)
{
    constexpr QStringView word = u"charset";
    qsizetype at = 0;
    while ((at = text.indexOf(word, at, Qt::CaseInsensitive)) >= 0) {
        at += word.size();
        while (at < text.size() && text[at].isSpace())
            ++at;
        if (at >= text.size() || text[at] != u'=')
            continue; // "charset" in another word or value: look further
        ++at;
        while (at < text.size() && text[at].isSpace())
            ++at;
        if (at >= text.size())
            return std::nullopt;
        QStringView value;
        const QChar quote = text[at];
        if (quote == u'"' || quote == u'\'') {
            const qsizetype close = text.indexOf(quote, at + 1);
            if (close < 0)
                return std::nullopt;
            value = text.mid(at + 1, close - at - 1);
        } else {
            qsizetype end = at;
            while (end < text.size() && !text[end].isSpace() && text[end] != u';' &&
                   text[end] != u'"' && text[end] != u'\'')
                ++end;
            value = text.mid(at, end - at);
        }
        value = value.trimmed();
        if (value.isEmpty())
            return std::nullopt;
        return value.toString();
    }
    return std::nullopt;
}

std::optional<QString> fromPage(QStringView pageText)
{
    qsizetype at = 0;
    while ((at = pageText.indexOf(u'<', at)) >= 0) {
        if (pageText.mid(at, 4) == u"<!--") {
            const qsizetype close = pageText.indexOf(u"-->", at + 4);
            if (close < 0)
                return std::nullopt;
            at = close + 3;
            continue;
        }
        const QStringView name = tagNameAt(pageText, at);
        if (name.compare(u"body", Qt::CaseInsensitive) == 0)
            return std::nullopt;
        const bool meta = name.compare(u"meta", Qt::CaseInsensitive) == 0;
        const bool rawText = name.compare(u"script", Qt::CaseInsensitive) == 0 ||
                             name.compare(u"style", Qt::CaseInsensitive) == 0;
        if (!meta && !rawText) {
            ++at;
            continue;
        }
        const std::optional<HTMLTagScanner::Tag> tag = HTMLTagScanner::tagAt(pageText, at);
        if (!tag)
            return std::nullopt; // the page ends inside the tag
        if (meta) {
            if (std::optional<QString> charset = fromMeta(tag->attributes))
                return charset;
            at = tag->end;
        } else {
            at = rawTextEnd(pageText, tag->end, name);
        }
    }
    return std::nullopt;
}

std::optional<QString> declaredCharset(const QByteArray& contentType, QStringView pageText)
{
    if (std::optional<QString> charset = fromParameter(QString::fromLatin1(contentType)))
        return charset;
    return fromPage(pageText);
}

bool needsEntities(const std::optional<QString>& charset)
{
    return !charset || !charset->contains(QLatin1String("utf"), Qt::CaseInsensitive);
}

} // namespace PageCharset
