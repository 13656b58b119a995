#include "PageCharset.h"

namespace PageCharset {

namespace {

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ||
           c == QLatin1Char('.') || c == QLatin1Char(':');
}

// A charset name starting at `from`: name characters only.
QString nameAt(const QString& text, qsizetype from)
{
    qsizetype end = from;
    while (end < text.size() && isNameCharacter(text.at(end)))
        ++end;
    return text.mid(from, end - from);
}

} // namespace

std::optional<QString> declaredCharset(const QString& pageText)
{
    const QLatin1String word("charset");
    const qsizetype found = pageText.indexOf(word, 0, Qt::CaseInsensitive);
    if (found < 0)
        return std::nullopt;
    qsizetype at = found + word.size();
    while (at < pageText.size() && pageText.at(at).isSpace())
        ++at;
    if (at < pageText.size() && pageText.at(at) == QLatin1Char('='))
        ++at;
    while (at < pageText.size() && pageText.at(at).isSpace())
        ++at;
    if (at >= pageText.size())
        return std::nullopt;

    const QChar first = pageText.at(at);
    if (first == QLatin1Char('"') || first == QLatin1Char('\'')) {
        // Either the quote closes a content attribute right after the "="
        // (nothing declared) or it opens an HTML5 value: only a whole name
        // followed by the same quote counts.
        const QString name = nameAt(pageText, at + 1);
        const qsizetype close = at + 1 + name.size();
        if (name.isEmpty() || close >= pageText.size() || pageText.at(close) != first)
            return std::nullopt;
        return name;
    }
    // Up to the double quote that closes the content attribute, or to the end
    // of an unquoted HTML5 value.
    const QString name = nameAt(pageText, at);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

bool needsEntities(const std::optional<QString>& charset)
{
    return !charset || !charset->contains(QLatin1String("utf"), Qt::CaseInsensitive);
}

} // namespace PageCharset
