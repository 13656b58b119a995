#include "StringEncoding.h"

#include "EntityTables.h"
#include "StringExtensions.h"

#include <QTextDocumentFragment>
#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rv {

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;
constexpr char32_t largestCodePoint = 0x10FFFF;

bool isValidCodePoint(char32_t value)
{
    return value != 0 && value <= largestCodePoint && !QChar::isSurrogate(value);
}

void appendCodePoint(QString& out, char32_t value)
{
    if (!isValidCodePoint(value))
        value = replacementCharacter;
    if (QChar::requiresSurrogates(value)) {
        out.append(QChar(QChar::highSurrogate(value)));
        out.append(QChar(QChar::lowSurrogate(value)));
    } else {
        out.append(QChar(char16_t(value)));
    }
}

QString codePointText(char32_t value)
{
    QString out;
    appendCodePoint(out, value);
    return out;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

int hexValue(QChar c)
{
    if (isAsciiDigit(c))
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// Reads the digits of a numeric reference from `pos`. Saturates above the Unicode
// range so that a long run of digits cannot overflow. Returns the index after the
// digits (== pos when there are none).
qsizetype readNumber(QStringView text, qsizetype pos, int base, char32_t& value)
{
    value = 0;
    qsizetype i = pos;
    for (; i < text.size(); ++i) {
        const int digit = base == 16 ? hexValue(text[i])
                                     : (isAsciiDigit(text[i]) ? text[i].unicode() - u'0' : -1);
        if (digit < 0)
            break;
        value = std::min<char32_t>(value * base + digit, largestCodePoint + 1);
    }
    return i;
}

// Decodes the reference starting at the "&" at `amp` into `out` and returns the
// index just after it. When no reference starts there, appends the "&" alone.
qsizetype decodeReferenceAt(QStringView text, qsizetype amp, QString& out,
                            const EntityTables& tables)
{
    const qsizetype size = text.size();
    qsizetype pos = amp + 1;
    if (pos < size && text[pos] == u'#') {
        ++pos;
        const bool hex = pos < size && (text[pos] == u'x' || text[pos] == u'X');
        if (hex)
            ++pos;
        char32_t value = 0;
        const qsizetype end = readNumber(text, pos, hex ? 16 : 10, value);
        if (end == pos) {
            out.append(u'&');
            return amp + 1;
        }
        appendCodePoint(out, hex ? value : tables.remapNumeric(value));
        return end < size && text[end] == u';' ? end + 1 : end;
    }

    qsizetype end = pos;
    while (end < size && (isAsciiLetter(text[end]) || isAsciiDigit(text[end])))
        ++end;
    const bool terminated = end < size && text[end] == u';';
    if (end > pos && (terminated || end == size)) {
        if (const char32_t value = tables.namedCodePoint(text.mid(pos, end - pos).toString())) {
            appendCodePoint(out, value);
            return terminated ? end + 1 : end;
        }
    }
    out.append(u'&');
    return amp + 1;
}

// True when the "&" at `amp` begins a character reference of 3 to 9 characters
// between "&" and ";" (such as "&amp;" or "&#128512;").
bool startsCharacterReference(QStringView text, qsizetype amp)
{
    // Only the next nine characters can hold the ";", so look no further: a long
    // text of ampersands without any ";" stays linear.
    const qsizetype distance = text.mid(amp + 1, 9).indexOf(u';') + 1;
    if (distance < 3)
        return false;
    const QStringView body = text.mid(amp + 1, distance - 1);
    const auto all = [](QStringView part, auto predicate) {
        return !part.isEmpty() && std::all_of(part.begin(), part.end(), predicate);
    };
    if (body.startsWith(u"#x", Qt::CaseInsensitive))
        return all(body.mid(2), [](QChar c) { return hexValue(c) >= 0; });
    if (body.startsWith(u'#'))
        return all(body.mid(1), isAsciiDigit);
    return isAsciiLetter(body[0]) &&
           all(body, [](QChar c) { return isAsciiLetter(c) || isAsciiDigit(c); });
}

// Calls visit(codePoint, isLoneSurrogate) for every code point of the text.
template <typename Visitor> void forEachCodePoint(const QString& text, Visitor visit)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            visit(QChar::surrogateToUcs4(c, text[i + 1]), false);
            ++i;
        } else {
            visit(char32_t(c.unicode()), c.isSurrogate());
        }
    }
}

bool isLegalURLCharacter(QChar c, QStringView extra)
{
    return c.isLetter() || c.isDigit() || extra.contains(c);
}

} // namespace

QString escapeStrayAmpersands(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && !startsCharacterReference(text, i))
            out.append(u"&#38;");
        else
            out.append(text[i]);
    }
    return out;
}

QString deXMLSingleEntity(const QString& name)
{
    static const QHash<QString, QString> xmlEntities = {
        {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},
        {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},
        {QStringLiteral("#13"), QStringLiteral("\n")},
        {QStringLiteral("amp"), QStringLiteral("&")},
        {QStringLiteral("#38"), QStringLiteral("&")},
    };
    return xmlEntities.value(name, name);
}

QString convertSingleEntity(const QString& name)
{
    const QString xml = deXMLSingleEntity(name);
    if (xml.size() == 1)
        return xml;
    const EntityTables& tables = EntityTables::sharedInstance();
    if (name.startsWith(u'#')) {
        const bool hex = name.startsWith(u"#x", Qt::CaseInsensitive);
        const qsizetype start = hex ? 2 : 1;
        char32_t value = 0;
        if (start == name.size() || readNumber(name, start, hex ? 16 : 10, value) != name.size())
            return name;
        return codePointText(hex ? value : tables.remapNumeric(value));
    }
    if (const char32_t value = tables.namedCodePoint(name))
        return codePointText(value);
    return name;
}

QString convertEntities(const QString& text)
{
    if (!text.contains(u'&'))
        return text;
    const QString xml = deXML(text);
    if (!xml.contains(u'&'))
        return xml;

    const EntityTables& tables = EntityTables::sharedInstance();
    QString out;
    out.reserve(xml.size());
    qsizetype pos = 0;
    while (pos < xml.size()) {
        const qsizetype amp = xml.indexOf(u'&', pos);
        if (amp < 0) {
            out.append(QStringView(xml).mid(pos));
            break;
        }
        out.append(QStringView(xml).mid(pos, amp - pos));
        pos = decodeReferenceAt(xml, amp, out, tables);
    }
    return out;
}

QString enXML(const QString& text)
{
    return encodeXML(text).replace(u'\'', QStringLiteral("&apos;"));
}

QString deXML(const QString& text)
{
    QString s = text;
    s.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    s.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    s.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    s.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    s.replace(QStringLiteral("&#13;"), QStringLiteral("\n"));
    const bool hadEscapedAmpersand = s.contains(u"&amp;");
    s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    if (!hadEscapedAmpersand)
        s.replace(QStringLiteral("&#38;"), QStringLiteral("&"));
    return s;
}

QString encodeNonASCII(const QString& text)
{
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&out](char32_t value, bool loneSurrogate) {
        if (loneSurrogate)
            value = replacementCharacter;
        if (value > 127)
            out.append(QStringLiteral("&#%1;").arg(uint(value)));
        else
            out.append(QChar(char16_t(value)));
    });
    return out;
}

// Characters are written by their Unicode value: XML reads "&#150;" as a C1 control,
// so the Windows-1252 remap of the decoder is never used in this direction.
QString encodeCharacters(const QString& text)
{
    return encodeNonASCII(escapeStrayAmpersands(text));
}

bool containsControlChars(QStringView text)
{
    const auto control = [](char16_t unit) {
        return unit < 0x20 && unit != u'\t' && unit != u'\n' && unit != u'\r';
    };
    const char16_t* at = text.utf16();
    const char16_t* const end = at + text.size();
#if defined(__SSE2__)
    const __m128i highestControl = _mm_set1_epi16(0x1F);
    const __m128i zero = _mm_setzero_si128();
    for (; end - at >= 8; at += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        // Zero where a unit is at most 0x1F: then the eight are looked at one by one.
        const __m128i clipped = _mm_subs_epu16(units, highestControl);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(clipped, zero)) && std::any_of(at, at + 8, control))
            return true;
    }
#endif
    return std::any_of(at, end, control);
}

QString removeControlChars(const QString& text)
{
    // Most text has nothing to remove: it is handed back shared, not copied.
    const auto plain = [](QChar ch) {
        const char16_t unit = ch.unicode();
        return (unit >= 0x20 || unit == u'\t' || unit == u'\n' || unit == u'\r') &&
               !ch.isSurrogate() && !(unit >= 0xFDD0 && unit <= 0xFDEF) && unit < 0xFFFE;
    };
    const auto* at = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* const end = at + text.size();
#if defined(__SSE2__)
    // Nearly all text lies between the controls and the surrogates: blocks of
    // eight units are checked against that range at once, up to the first
    // block that leaves it.
    const __m128i lowest = _mm_set1_epi16(0x20);
    const __m128i highestPlain = _mm_set1_epi16(short(0xD7FF - 0x20));
    const __m128i zero = _mm_setzero_si128();
    for (; end - at >= 8; at += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        // Below 0x20 wraps round to the top: above the highest plain either way.
        const __m128i above = _mm_subs_epu16(_mm_sub_epi16(units, lowest), highestPlain);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(above, zero)) != 0xFFFF)
            break;
    }
#endif
    if (std::all_of(at, end, [&plain](char16_t unit) { return plain(QChar(unit)); }))
        return text;
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&out](char32_t value, bool loneSurrogate) {
        if (loneSurrogate)
            return;
        if (value < 0x20 && value != u'\t' && value != u'\n' && value != u'\r')
            return;
        // Code points our Unicode tables do not know yet are kept: XML carries them, and
        // they are most often characters (new emoji) newer than the library.
        if (QChar::isNonCharacter(value))
            return;
        appendCodePoint(out, value);
    });
    return out;
}

QString stripHTML(const QString& text)
{
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(u'<', pos);
        if (open < 0) {
            out.append(QStringView(text).mid(pos));
            break;
        }
        out.append(QStringView(text).mid(pos, open - pos));
        const qsizetype close = text.indexOf(u'>', open + 1);
        if (close < 0)
            break;
        pos = close + 1;
    }
    return out;
}

QString removeBreaksInTags(const QString& text)
{
    QString out = text;
    bool inTag = false;
    for (QChar& c : out) {
        if (c == u'<')
            inTag = true;
        else if (c == u'>')
            inTag = false;
        else if (inTag && (c == u'\r' || c == u'\n'))
            c = u' ';
    }
    return out;
}

QString renderHTML(const QString& html)
{
    if (html.isEmpty())
        return html;
    return QTextDocumentFragment::fromHtml(html).toPlainText();
}

QString htmlFromPlainText(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    bool inParagraph = false;
    qsizetype blankLines = 0;
    qsizetype at = 0;
    while (at <= text.size()) {
        // One line, whatever ends it: "\r\n", "\n" or "\r".
        qsizetype end = at;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = text.sliced(at, end - at);
        at = end + (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
        if (line.trimmed().isEmpty()) {
            ++blankLines;
            continue;
        }
        if (inParagraph)
            out.append(blankLines > 0 ? QLatin1String("</p>\n<p>") : QLatin1String("<br>\n"));
        else
            out.append(QLatin1String("<p>"));
        inParagraph = true;
        blankLines = 0;
        out.append(encodeXML(line.toString()));
    }
    if (inParagraph)
        out.append(QLatin1String("</p>"));
    return out;
}

std::optional<QString> validURL(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    static constexpr QStringView extra = u"+.,-/:?_#&=%@~";
    for (const QChar c : text) {
        if (!isLegalURLCharacter(c, extra))
            return std::nullopt;
    }
    return text.contains(u"://") ? text : QStringLiteral("http://") + text;
}

} // namespace rv
