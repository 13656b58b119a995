#include "HtmlCharacters.h"

#include "StringEncoding.h"

#include <QStringView>

namespace rv {

namespace {

enum class Part {
    Text, // between tags: references are read here
    Tag,  // a tag with its attributes: references are read in values
    AsIs, // a comment, or the text of a script or style: nothing is read
};

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Whether a "<" at `at` starts a tag (or a comment, doctype or processing
// instruction) rather than standing for itself, as in "a < b".
bool startsTag(QStringView html, qsizetype at)
{
    if (at + 1 >= html.size())
        return false;
    const QChar next = html[at + 1];
    if (isAsciiLetter(next) || next == u'!' || next == u'?')
        return true;
    return next == u'/' && at + 2 < html.size() && isAsciiLetter(html[at + 2]);
}

// The index just past the ">" that ends the tag at `at`; quoted attribute
// values may hold ">". The end of the text when the tag never closes.
qsizetype tagEnd(QStringView html, qsizetype at)
{
    qsizetype pos = at + 1;
    while (pos < html.size()) {
        const QChar c = html[pos];
        if (c == u'>')
            return pos + 1;
        if (c == u'=') {
            ++pos;
            while (pos < html.size() && html[pos].isSpace())
                ++pos;
            if (pos < html.size() && (html[pos] == u'"' || html[pos] == u'\'')) {
                const qsizetype close = html.indexOf(html[pos], pos + 1);
                if (close < 0)
                    return html.size();
                pos = close + 1;
            }
            continue;
        }
        ++pos;
    }
    return html.size();
}

// The element name of an opening tag at `at` ("<script ..."), lower case
// ASCII; empty for closing tags and the rest.
QStringView openingName(QStringView html, qsizetype at)
{
    qsizetype end = at + 1;
    while (end < html.size() && (isAsciiLetter(html[end]) || isAsciiDigit(html[end])))
        ++end;
    return html.mid(at + 1, end - at - 1);
}

// Where the text of a script or style element starting at `from` ends: at
// its closing tag, else at the end of the text (as a browser reads it).
qsizetype rawTextEnd(QStringView html, qsizetype from, QStringView name)
{
    for (qsizetype at = html.indexOf(u"</", from); at >= 0; at = html.indexOf(u"</", at + 2)) {
        if (html.mid(at + 2, name.size()).compare(name, Qt::CaseInsensitive) == 0) {
            const qsizetype after = at + 2 + name.size();
            if (after >= html.size() || !isAsciiLetter(html[after]))
                return at;
        }
    }
    return html.size();
}

// Calls visit(part, kind) for consecutive parts that together make the text.
template <typename Visitor> void forEachPart(QStringView html, Visitor visit)
{
    qsizetype pos = 0;
    qsizetype textStart = 0;
    while ((pos = html.indexOf(u'<', pos)) >= 0) {
        if (!startsTag(html, pos)) {
            ++pos;
            continue;
        }
        if (pos > textStart)
            visit(html.mid(textStart, pos - textStart), Part::Text);
        if (html.mid(pos, 4) == u"<!--") {
            const qsizetype close = html.indexOf(u"-->", pos + 4);
            const qsizetype end = close < 0 ? html.size() : close + 3;
            visit(html.mid(pos, end - pos), Part::AsIs);
            pos = textStart = end;
            continue;
        }
        const qsizetype end = tagEnd(html, pos);
        visit(html.mid(pos, end - pos), Part::Tag);
        const QStringView name = openingName(html, pos);
        pos = textStart = end;
        if (name.compare(u"script", Qt::CaseInsensitive) == 0 ||
            name.compare(u"style", Qt::CaseInsensitive) == 0) {
            const qsizetype rawEnd = rawTextEnd(html, end, name);
            if (rawEnd > end)
                visit(html.mid(end, rawEnd - end), Part::AsIs);
            pos = textStart = rawEnd;
        }
    }
    if (html.size() > textStart)
        visit(html.mid(textStart), Part::Text);
}

// Whether the way out has anything to do: an "&" or a character outside ASCII.
bool needsEncoding(QStringView html)
{
    for (const QChar c : html)
        if (c == u'&' || c.unicode() > 127)
            return true;
    return false;
}

// Appends the part with each "&#N;" of a character from U+00A0 on decoded,
// N written as encodeNonASCII writes it (no leading zero). References of
// ASCII, of the C1 range (which browsers read as Windows-1252) and anything
// that is not a character stay as written.
void appendDecoded(QStringView part, QString& out)
{
    qsizetype pos = 0;
    while (pos < part.size()) {
        const qsizetype amp = part.indexOf(u"&#", pos);
        if (amp < 0)
            break;
        qsizetype end = amp + 2;
        char32_t value = 0;
        while (end < part.size() && isAsciiDigit(part[end]) && value <= 0x10FFFF) {
            value = value * 10 + (part[end].unicode() - u'0');
            ++end;
        }
        const bool reference =
            end > amp + 2 && part[amp + 2] != u'0' && end < part.size() && part[end] == u';';
        if (!reference || value < 0xA0 || value > 0x10FFFF || QChar::isSurrogate(value)) {
            out.append(part.mid(pos, amp + 2 - pos));
            pos = amp + 2;
            continue;
        }
        out.append(part.mid(pos, amp - pos));
        if (QChar::requiresSurrogates(value)) {
            out.append(QChar(QChar::highSurrogate(value)));
            out.append(QChar(QChar::lowSurrogate(value)));
        } else {
            out.append(QChar(char16_t(value)));
        }
        pos = end + 1;
    }
    out.append(part.mid(pos));
}

} // namespace

QString encodeCharactersInHTML(const QString& html)
{
    if (!needsEncoding(html))
        return html;
    QString out;
    out.reserve(html.size() + html.size() / 8);
    forEachPart(html, [&out](QStringView part, Part kind) {
        switch (kind) {
        case Part::Text:
            out.append(encodeNonASCII(escapeStrayAmpersands(part.toString())));
            break;
        case Part::Tag:
            out.append(encodeNonASCII(part.toString()));
            break;
        case Part::AsIs:
            out.append(part);
            break;
        }
    });
    return out;
}

QString decodeCharactersInHTML(const QString& html)
{
    if (!html.contains(u"&#"))
        return html;
    QString out;
    out.reserve(html.size());
    forEachPart(html, [&out](QStringView part, Part kind) {
        if (kind == Part::AsIs)
            out.append(part);
        else
            appendDecoded(part, out);
    });
    return out;
}

} // namespace rv
