#include "HTMLTagScanner.h"

#include "StringEncoding.h"

namespace {

bool isNameEnd(QChar c)
{
    return c.isSpace() || c == u'=' || c == u'>' || c == u'/' || c == u'"' || c == u'\'';
}

// Reads attributes from `pos` up to the tag's closing ">" (outside quotes).
// Returns the index just past ">", or -1 when the text ends first.
qsizetype scanAttributes(QStringView text, qsizetype pos, QVariantMap& attributes)
{
    const qsizetype size = text.size();
    while (pos < size) {
        const QChar c = text[pos];
        if (c == u'>')
            return pos + 1;
        if (c.isSpace() || c == u'/' || c == u'"' || c == u'\'' || c == u'=') {
            ++pos; // stray characters between attributes are skipped
            continue;
        }
        const qsizetype nameStart = pos;
        while (pos < size && !isNameEnd(text[pos]))
            ++pos;
        const QString name = text.mid(nameStart, pos - nameStart).toString().toLower();

        qsizetype look = pos;
        while (look < size && text[look].isSpace())
            ++look;
        if (look >= size || text[look] != u'=')
            continue; // an attribute without a value
        pos = look + 1;
        while (pos < size && text[pos].isSpace())
            ++pos;
        if (pos >= size)
            return -1;

        QString value;
        const QChar quote = text[pos];
        if (quote == u'"' || quote == u'\'') {
            const qsizetype close = text.indexOf(quote, pos + 1);
            if (close < 0)
                return -1;
            value = text.mid(pos + 1, close - pos - 1).toString();
            pos = close + 1;
        } else {
            const qsizetype valueStart = pos;
            while (pos < size && !text[pos].isSpace() && text[pos] != u'>')
                ++pos;
            value = text.mid(valueStart, pos - valueStart).toString();
        }
        if (!value.isEmpty())
            attributes.insert(name, HTMLTagScanner::decodeReferences(value));
    }
    return -1;
}

qsizetype tagNameEnd(QStringView text, qsizetype start)
{
    qsizetype pos = start + 1;
    if (pos < text.size() && text[pos] == u'/')
        ++pos;
    while (pos < text.size() && !isNameEnd(text[pos]))
        ++pos;
    return pos;
}

} // namespace

std::optional<HTMLTagScanner::Tag> HTMLTagScanner::tagAt(QStringView text, qsizetype start)
{
    Tag tag;
    tag.start = start;
    tag.end = scanAttributes(text, tagNameEnd(text, start), tag.attributes);
    if (tag.end < 0)
        return std::nullopt;
    return tag;
}

std::optional<HTMLTagScanner::Tag> HTMLTagScanner::findTag(QStringView text, QStringView name,
                                                           qsizetype from)
{
    qsizetype pos = from;
    while ((pos = text.indexOf(u'<', pos)) >= 0) {
        const qsizetype nameEnd = tagNameEnd(text, pos);
        if (text.mid(pos + 1, nameEnd - pos - 1).compare(name, Qt::CaseInsensitive) == 0)
            return tagAt(text, pos);
        ++pos;
    }
    return std::nullopt;
}

QVariantMap HTMLTagScanner::parseAttributes(QStringView tagText)
{
    QVariantMap attributes;
    qsizetype pos = 0;
    while (pos < tagText.size() && tagText[pos].isSpace())
        ++pos;
    if (pos < tagText.size() && tagText[pos] == u'<')
        pos = tagNameEnd(tagText, pos);
    scanAttributes(tagText, pos, attributes);
    return attributes;
}

QString HTMLTagScanner::decodeReferences(QStringView text)
{
    constexpr qsizetype longestName = 32;
    QString decoded;
    decoded.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype amp = text.indexOf(u'&', pos);
        if (amp < 0)
            break;
        decoded += text.mid(pos, amp - pos);
        qsizetype end = amp + 1;
        while (end < text.size() && end - amp <= longestName &&
               (text[end].isLetterOrNumber() || text[end] == u'#') && text[end].unicode() < 128)
            ++end;
        const QString name = text.mid(amp + 1, end - amp - 1).toString();
        QString character;
        if (end < text.size() && text[end] == u';' && !name.isEmpty())
            character = name == u"apos" ? QStringLiteral("'") : rv::convertSingleEntity(name);
        if (character.isEmpty() || character == name) {
            decoded += u'&'; // not a reference: the "&" stands for itself
            pos = amp + 1;
        } else {
            decoded += character;
            pos = end + 1;
        }
    }
    decoded += text.mid(pos);
    return decoded;
}
