#include "XmlEscaping.h"

namespace {

bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

void appendXmlEscaped(QString& out, QStringView text, XmlQuotes quotes)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c == u'&') {
            out += QLatin1StringView("&amp;");
        } else if (c == u'<') {
            out += QLatin1StringView("&lt;");
        } else if (c == u'>') {
            out += QLatin1StringView("&gt;");
        } else if (c == u'"' && quotes != XmlQuotes::None) {
            out += QLatin1StringView("&quot;");
        } else if (c == u'\'' && quotes == XmlQuotes::All) {
            out += QLatin1StringView("&apos;");
        } else if (c.isHighSurrogate()) {
            if (i + 1 < size && text[i + 1].isLowSurrogate()) {
                out += c;
                out += text[++i];
            }
        } else if (!c.isLowSurrogate() && isXmlCharacter(c.unicode())) {
            out += c;
        }
    }
}

QString xmlEscaped(QStringView text, XmlQuotes quotes)
{
    QString out;
    out.reserve(text.size());
    appendXmlEscaped(out, text, quotes);
    return out;
}
