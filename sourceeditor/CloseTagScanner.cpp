#include "CloseTagScanner.h"

#include <QStringList>
#include <algorithm>
#include <array>

namespace CloseTagScanner {

namespace {

bool isNameCharacter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(':') ||
           c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.');
}

// The element name at the start of a tag body; empty when the body does not
// start with one (a "<" in text, as in "1 < 2 > 0").
QStringView leadingName(QStringView body)
{
    if (body.isEmpty() || !body[0].isLetter() || body[0].unicode() > 0x7f)
        return {};
    qsizetype end = 1;
    while (end < body.size() && isNameCharacter(body[end]))
        ++end;
    return body.first(end);
}

} // namespace

bool isVoidElement(QStringView name)
{
    // Today's void elements and the obsolete ones browsers still treat so.
    static constexpr std::array<const char*, 20> names = {
        "area",  "base",  "basefont", "bgsound", "br",    "col",     "command",
        "embed", "frame", "hr",       "img",     "input", "isindex", "keygen",
        "link",  "meta",  "param",    "source",  "track", "wbr"};
    return std::any_of(names.begin(), names.end(), [name](const char* known) {
        return name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0;
    });
}

QString closingTag(QStringView text, qsizetype end)
{
    end = std::clamp<qsizetype>(end, 0, text.size());
    QStringList closed; // end tags seen, innermost first, in lower case
    qsizetype i = end - 1;
    while (i >= 0) {
        if (text[i] != QLatin1Char('>')) {
            --i;
            continue;
        }
        const qsizetype close = i;
        // A comment may hold "<" and ">" of its own: pass over it whole.
        if (close >= 2 && text.sliced(close - 2, 2) == QLatin1String("--")) {
            const qsizetype comment = text.first(close - 1).lastIndexOf(QLatin1String("<!--"));
            if (comment >= 0) {
                i = comment - 1;
                continue;
            }
        }
        const qsizetype open = close > 0 ? text.first(close).lastIndexOf(QLatin1Char('<')) : -1;
        if (open < 0)
            break;
        const QStringView inside = text.sliced(open + 1, close - open - 1);
        if (inside.contains(QLatin1Char('>'))) {
            // Another ">" lies between: this one is text ("<p>a > b", a quoted
            // line after "<br>"), and the tag ends there.
            --i;
            continue;
        }
        i = open - 1;
        const QStringView body = inside.trimmed();
        if (body.isEmpty() || body.startsWith(QLatin1Char('!')) ||
            body.startsWith(QLatin1Char('?')))
            continue;
        if (body.startsWith(QLatin1Char('/'))) {
            const QStringView name = leadingName(body.sliced(1).trimmed());
            if (!name.isEmpty())
                closed.prepend(name.toString().toLower());
            continue;
        }
        if (body.endsWith(QLatin1Char('/')))
            continue;
        const QStringView name = leadingName(body);
        if (name.isEmpty() || isVoidElement(name))
            continue;
        if (!closed.isEmpty() && closed.first() == name.toString().toLower()) {
            closed.removeFirst();
            continue;
        }
        return QStringLiteral("</%1>").arg(name);
    }
    return {};
}

} // namespace CloseTagScanner
