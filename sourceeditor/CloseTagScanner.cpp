#include "CloseTagScanner.h"

#include <QStringList>
#include <algorithm>
#include <array>

namespace CloseTagScanner {

namespace {

// The name at the start of a tag body: up to the first white space.
QStringView leadingName(QStringView body)
{
    qsizetype end = 0;
    while (end < body.size() && !body[end].isSpace())
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
        i = open - 1;
        const QStringView body = text.sliced(open + 1, close - open - 1).trimmed();
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
