#include "XmlEscaping.h"

#include <cstring>

namespace {

bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Walks the text once, handing each piece of the escaped text to the sink:
// sink.entity(escape) for an escaped character, sink.keep(code point, units)
// for a character kept as it is. Characters XML cannot carry are skipped.
template <typename Sink> void escape(QStringView text, XmlQuotes quotes, Sink& sink)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c == u'&') {
            sink.entity(QLatin1StringView("&amp;"));
        } else if (c == u'<') {
            sink.entity(QLatin1StringView("&lt;"));
        } else if (c == u'>') {
            sink.entity(QLatin1StringView("&gt;"));
        } else if (c == u'"' && quotes != XmlQuotes::None) {
            sink.entity(QLatin1StringView("&quot;"));
        } else if (c == u'\'' && quotes == XmlQuotes::All) {
            sink.entity(QLatin1StringView("&apos;"));
        } else if (c.isHighSurrogate()) {
            if (i + 1 < size && text[i + 1].isLowSurrogate()) {
                sink.keep(QChar::surrogateToUcs4(c, text[i + 1]), text.sliced(i, 2));
                ++i;
            }
        } else if (!c.isLowSurrogate() && isXmlCharacter(c.unicode())) {
            sink.keep(c.unicode(), text.sliced(i, 1));
        }
    }
}

struct Utf16Sink {
    QString& out;
    void entity(QLatin1StringView escaped) { out += escaped; }
    void keep(char32_t, QStringView units) { out += units; }
};

// Counts the UTF-8 bytes of the escaped text.
struct Utf8Length {
    qsizetype length = 0;
    void entity(QLatin1StringView escaped) { length += escaped.size(); }
    void keep(char32_t c, QStringView)
    {
        length += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    }
};

// Writes the UTF-8 bytes of the escaped text where there is room for them.
struct Utf8Writer {
    char* target;
    void entity(QLatin1StringView escaped)
    {
        std::memcpy(target, escaped.data(), size_t(escaped.size()));
        target += escaped.size();
    }
    void keep(char32_t c, QStringView)
    {
        if (c < 0x80) {
            *target++ = char(c);
        } else if (c < 0x800) {
            *target++ = char(0xC0 | (c >> 6));
            *target++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *target++ = char(0xE0 | (c >> 12));
            *target++ = char(0x80 | ((c >> 6) & 0x3F));
            *target++ = char(0x80 | (c & 0x3F));
        } else {
            *target++ = char(0xF0 | (c >> 18));
            *target++ = char(0x80 | ((c >> 12) & 0x3F));
            *target++ = char(0x80 | ((c >> 6) & 0x3F));
            *target++ = char(0x80 | (c & 0x3F));
        }
    }
};

} // namespace

void appendXmlEscaped(QString& out, QStringView text, XmlQuotes quotes)
{
    Utf16Sink sink{out};
    escape(text, quotes, sink);
}

void appendXmlEscaped(QByteArray& out, QStringView text, XmlQuotes quotes)
{
    // Measured first, so that a large text takes no more room than it needs.
    Utf8Length length;
    escape(text, quotes, length);
    const qsizetype start = out.size();
    out.resize(start + length.length);
    Utf8Writer writer{out.data() + start};
    escape(text, quotes, writer);
}

QString xmlEscaped(QStringView text, XmlQuotes quotes)
{
    QString out;
    out.reserve(text.size());
    appendXmlEscaped(out, text, quotes);
    return out;
}
