#include "HtmlSanitizer.h"

#include "AsciiChars.h"
#include "StringEncoding.h"
#include "StringExtensions.h"
#include "UtilitiesLog.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <algorithm>
#include <initializer_list>
#include <utility>

// Must stand outside any namespace: it declares the resource's init function.
static void initSanitizerResources()
{
    Q_INIT_RESOURCE(utilities);
}

struct HtmlSanitizer::Tag {
    QString name;
    bool end = false;
    bool selfClosing = false;
    QList<std::pair<QString, QString>> attributes; // kept names only, once each; raw values
    qsizetype next = 0;                            // the index after its ">"
};

namespace {

using rv::isAsciiAlnum;
using rv::isAsciiDigit;
using rv::isAsciiLetter;
using rv::isHexDigit;

// What the grammar of HTML says, whatever the rules keep.
const QSet<QString>& voidElements()
{
    static const QSet<QString> names{
        QStringLiteral("area"),   QStringLiteral("base"),   QStringLiteral("br"),
        QStringLiteral("col"),    QStringLiteral("embed"),  QStringLiteral("frame"),
        QStringLiteral("hr"),     QStringLiteral("img"),    QStringLiteral("input"),
        QStringLiteral("keygen"), QStringLiteral("link"),   QStringLiteral("meta"),
        QStringLiteral("param"),  QStringLiteral("source"), QStringLiteral("track"),
        QStringLiteral("wbr")};
    return names;
}

// Elements whose content is text up to their own end tag, never markup.
const QSet<QString>& rawTextElements()
{
    static const QSet<QString> names{QStringLiteral("script"),   QStringLiteral("style"),
                                     QStringLiteral("xmp"),      QStringLiteral("iframe"),
                                     QStringLiteral("noembed"),  QStringLiteral("noframes"),
                                     QStringLiteral("noscript"), QStringLiteral("textarea"),
                                     QStringLiteral("title"),    QStringLiteral("plaintext")};
    return names;
}

// Block elements that end an open paragraph, as a browser ends it.
const QSet<QString>& paragraphClosers()
{
    static const QSet<QString> names{
        QStringLiteral("blockquote"), QStringLiteral("div"), QStringLiteral("dl"),
        QStringLiteral("dd"),         QStringLiteral("dt"),  QStringLiteral("figure"),
        QStringLiteral("figcaption"), QStringLiteral("h1"),  QStringLiteral("h2"),
        QStringLiteral("h3"),         QStringLiteral("h4"),  QStringLiteral("h5"),
        QStringLiteral("h6"),         QStringLiteral("hr"),  QStringLiteral("li"),
        QStringLiteral("ol"),         QStringLiteral("p"),   QStringLiteral("pre"),
        QStringLiteral("table"),      QStringLiteral("ul")};
    return names;
}

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

QString asciiLower(QStringView text)
{
    QString lower = text.toString();
    for (QChar& c : lower) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return lower;
}

QStringList stringsOf(const QJsonValue& value)
{
    QStringList list;
    for (const QJsonValue& item : value.toArray()) {
        if (item.isString())
            list.append(item.toString());
    }
    return list;
}

// Character references in an attribute value decoded as a browser decodes
// them there: numeric ones always, named ones only with their ";" (so that
// "?a=1&copy=2" stays an address). Anything else stays as written.
QString decodeAttribute(QStringView value)
{
    if (!value.contains(u'&'))
        return value.toString();
    QString out;
    out.reserve(value.size());
    const qsizetype n = value.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (value[i] != u'&') {
            out.append(value[i]);
            continue;
        }
        qsizetype k = i + 1;
        qsizetype semicolon = -1;
        if (k < n && value[k] == u'#') {
            ++k;
            const bool hex = k < n && (value[k] == u'x' || value[k] == u'X');
            if (hex)
                ++k;
            const qsizetype digits = k;
            while (k < n && (hex ? isHexDigit(value[k]) : isAsciiDigit(value[k])) &&
                   k - digits < 10)
                ++k;
            if (k == digits) {
                out.append(u'&');
                continue;
            }
            if (k < n && value[k] == u';')
                semicolon = k;
        } else {
            while (k < n && isAsciiAlnum(value[k]) && k - i < 40)
                ++k;
            if (k == i + 1 || k >= n || value[k] != u';') {
                out.append(u'&');
                continue;
            }
            semicolon = k;
        }
        const QString name = value.sliced(i + 1, k - i - 1).toString();
        const QString decoded = rv::convertSingleEntity(name);
        if (decoded == name) {
            out.append(u'&');
            continue;
        }
        out.append(decoded);
        i = semicolon >= 0 ? semicolon : k - 1;
    }
    return out;
}

// Where the raw text of `name` that starts at `from` ends: at its end tag, or
// at the end of the input.
qsizetype rawTextEnd(QStringView html, qsizetype from, const QString& name)
{
    if (name == QLatin1String("plaintext"))
        return html.size();
    qsizetype at = from;
    while ((at = html.indexOf(u"</", at)) >= 0) {
        const qsizetype after = at + 2 + name.size();
        if (after <= html.size() &&
            html.sliced(at + 2, name.size()).compare(name, Qt::CaseInsensitive) == 0 &&
            (after == html.size() || isSpace(html[after]) || html[after] == u'/' ||
             html[after] == u'>'))
            return at;
        at += 2;
    }
    return html.size();
}

// The index after the end of the comment that begins at `at` ("<!--").
qsizetype commentEnd(QStringView html, qsizetype at)
{
    const qsizetype body = at + 4;
    if (html.sliced(body).startsWith(u">"))
        return body + 1;
    if (html.sliced(body).startsWith(u"->"))
        return body + 2;
    qsizetype dashes = body;
    while ((dashes = html.indexOf(u"--", dashes)) >= 0) {
        if (html.sliced(dashes + 2).startsWith(u">"))
            return dashes + 3;
        if (html.sliced(dashes + 2).startsWith(u"!>"))
            return dashes + 4;
        ++dashes;
    }
    return html.size();
}

void appendEscaped(QString& out, QStringView text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out.append(QLatin1String("&amp;"));
            break;
        case '<':
            out.append(QLatin1String("&lt;"));
            break;
        case '>':
            out.append(QLatin1String("&gt;"));
            break;
        case '"':
            out.append(QLatin1String("&quot;"));
            break;
        default:
            out.append(c);
        }
    }
}

// Open elements, innermost last, with a count per name so that an end tag
// of an element that is not open costs nothing however deep the stack is.
struct ElementStack {
    QStringList names;
    QHash<QString, int> counts;

    qsizetype size() const { return names.size(); }
    bool isEmpty() const { return names.isEmpty(); }
    void push(const QString& name)
    {
        names.append(name);
        ++counts[name];
    }
    QString pop()
    {
        const QString name = names.takeLast();
        if (--counts[name] == 0)
            counts.remove(name);
        return name;
    }
    qsizetype lastIndexOf(const QString& name) const
    {
        return counts.contains(name) ? names.lastIndexOf(name) : -1;
    }
};

} // namespace

HtmlSanitizer::HtmlSanitizer(const QByteArray& rulesJson)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(rulesJson, &error);
    if (!document.isObject()) {
        qCWarning(lcUtilities).noquote()
            << "the HTML rules do not read:" << error.errorString() << "at" << error.offset;
        return;
    }
    const QJsonObject rules = document.object();
    for (const QString& name : stringsOf(rules.value(QLatin1String("removeWithContent"))))
        m_removed.insert(name.toLower());
    const QJsonObject elements = rules.value(QLatin1String("elements")).toObject();
    for (auto it = elements.begin(); it != elements.end(); ++it) {
        QSet<QString> attributes;
        for (const QString& attribute : stringsOf(it.value()))
            attributes.insert(attribute.toLower());
        if (it.key() == QLatin1String("*"))
            m_everyElement = attributes;
        else
            m_elements.insert(it.key().toLower(), attributes);
    }
    m_never = stringsOf(rules.value(QLatin1String("neverKeep")));
    const QJsonObject addresses = rules.value(QLatin1String("addresses")).toObject();
    for (auto it = addresses.begin(); it != addresses.end(); ++it)
        m_addresses.insert(it.key().toLower(), stringsOf(it.value()));
    const QJsonObject required = rules.value(QLatin1String("required")).toObject();
    for (auto it = required.begin(); it != required.end(); ++it)
        m_required.insert(it.key().toLower(), stringsOf(it.value()));
    m_maxDepth = qMax(1, rules.value(QLatin1String("maxDepth")).toInt(256));
}

const HtmlSanitizer& HtmlSanitizer::sharedInstance()
{
    static const HtmlSanitizer rules = [] {
        initSanitizerResources();
        QFile file(QString::fromLatin1(rulesPath));
        if (!file.open(QIODevice::ReadOnly))
            qCWarning(lcUtilities, "RVUtilities: cannot read %s", rulesPath);
        return HtmlSanitizer(file.readAll());
    }();
    return rules;
}

QStringView HtmlSanitizer::clipboardFragment(QStringView html)
{
    static constexpr QLatin1StringView start("<!--StartFragment-->");
    static constexpr QLatin1StringView end("<!--EndFragment-->");
    qsizetype from = html.indexOf(start, 0, Qt::CaseInsensitive);
    from = from < 0 ? 0 : from + start.size();
    const qsizetype to = html.indexOf(end, from, Qt::CaseInsensitive);
    return html.sliced(from, (to < 0 ? html.size() : to) - from);
}

bool HtmlSanitizer::keepsAttribute(const QString& element, QStringView name) const
{
    for (const QString& never : m_never) {
        if (never.endsWith(u'*')
                ? name.startsWith(QStringView(never).chopped(1), Qt::CaseInsensitive)
                : name.compare(never, Qt::CaseInsensitive) == 0)
            return false;
    }
    const auto rule = m_elements.constFind(element);
    if (rule == m_elements.cend())
        return false;
    const QString lower = asciiLower(name);
    return rule->contains(lower) || m_everyElement.contains(lower);
}

QString HtmlSanitizer::keptValue(const QString& attribute, const QString& value) const
{
    const auto prefixes = m_addresses.constFind(attribute);
    if (prefixes == m_addresses.cend())
        return value.isNull() ? QStringLiteral("") : value;
    // A browser reads an address without its tabs and line breaks, and
    // without the controls and spaces around it: so is it checked.
    QString address;
    address.reserve(value.size());
    for (const QChar c : value) {
        if (c != u'\t' && c != u'\n' && c != u'\r')
            address.append(c);
    }
    qsizetype first = 0;
    qsizetype last = address.size();
    while (first < last && address[first].unicode() <= 0x20)
        ++first;
    while (last > first && address[last - 1].unicode() <= 0x20)
        --last;
    address = address.sliced(first, last - first);
    for (const QString& prefix : *prefixes) {
        if (!address.isEmpty() && address.startsWith(prefix, Qt::CaseInsensitive))
            return address;
    }
    return {};
}

bool HtmlSanitizer::writeStartTag(QString& out, const Tag& tag) const
{
    QList<std::pair<QString, QString>> kept;
    for (const auto& [name, raw] : tag.attributes) {
        QString value = keptValue(name, decodeAttribute(raw));
        if (!value.isNull())
            kept.append({name, std::move(value)});
    }
    for (const QString& required : m_required.value(tag.name)) {
        if (std::none_of(kept.cbegin(), kept.cend(), [&required](const auto& attribute) {
                return attribute.first == required;
            }))
            return false;
    }
    out.append(u'<');
    out.append(tag.name);
    for (const auto& [name, value] : kept) {
        out.append(u' ');
        out.append(name);
        out.append(QLatin1String("=\""));
        appendEscaped(out, value);
        out.append(u'"');
    }
    out.append(u'>');
    return true;
}

QString HtmlSanitizer::sanitize(QStringView html) const
{
    const qsizetype n = html.size();
    QString out;
    out.reserve(n);
    ElementStack open;     // kept elements not closed yet
    ElementStack removing; // removed elements the input is inside

    const auto closeTo = [&](qsizetype index) {
        while (open.size() > index) {
            out.append(QLatin1String("</"));
            out.append(open.pop());
            out.append(u'>');
        }
    };
    // The innermost open `names` element above any of `boundaries`, or -1.
    const auto openIndex = [&](std::initializer_list<QLatin1StringView> names,
                               std::initializer_list<QLatin1StringView> boundaries) {
        if (std::none_of(names.begin(), names.end(), [&](QLatin1StringView name) {
                return open.counts.contains(QString(name));
            }))
            return qsizetype(-1);
        for (qsizetype k = open.size() - 1; k >= 0; --k) {
            for (const QLatin1StringView name : names) {
                if (open.names[k] == name)
                    return k;
            }
            for (const QLatin1StringView boundary : boundaries) {
                if (open.names[k] == boundary)
                    return qsizetype(-1);
            }
        }
        return qsizetype(-1);
    };

    // Reads the tag at `at` ("<" then a letter, or "</" then a letter). False
    // when the input ends inside it: a browser drops such a tag, and so
    // does this.
    const auto readTag = [&](qsizetype at, Tag& tag) {
        qsizetype i = at + 1;
        tag.end = html[i] == u'/';
        if (tag.end)
            ++i;
        const qsizetype nameStart = i;
        while (i < n && !isSpace(html[i]) && html[i] != u'/' && html[i] != u'>')
            ++i;
        tag.name = asciiLower(html.sliced(nameStart, i - nameStart));
        const bool wantsAttributes = !tag.end && removing.isEmpty() &&
                                     m_elements.contains(tag.name) && open.size() < m_maxDepth;
        while (i < n) {
            const QChar c = html[i];
            if (isSpace(c)) {
                ++i;
                continue;
            }
            if (c == u'>') {
                tag.next = i + 1;
                return true;
            }
            if (c == u'/') {
                tag.selfClosing = i + 1 < n && html[i + 1] == u'>';
                ++i;
                continue;
            }
            tag.selfClosing = false;
            const qsizetype attributeStart = i++;
            while (i < n && !isSpace(html[i]) && html[i] != u'/' && html[i] != u'>' &&
                   html[i] != u'=')
                ++i;
            const QStringView name = html.sliced(attributeStart, i - attributeStart);
            while (i < n && isSpace(html[i]))
                ++i;
            QStringView value;
            if (i < n && html[i] == u'=') {
                ++i;
                while (i < n && isSpace(html[i]))
                    ++i;
                if (i < n && (html[i] == u'"' || html[i] == u'\'')) {
                    const qsizetype close = html.indexOf(html[i], i + 1);
                    if (close < 0)
                        return false;
                    value = html.sliced(i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    const qsizetype valueStart = i;
                    while (i < n && !isSpace(html[i]) && html[i] != u'>')
                        ++i;
                    value = html.sliced(valueStart, i - valueStart);
                }
            }
            if (wantsAttributes && keepsAttribute(tag.name, name)) {
                // The first of the same name counts, as in a browser.
                QString lower = asciiLower(name);
                if (std::none_of(tag.attributes.cbegin(), tag.attributes.cend(),
                                 [&lower](const auto& kept) { return kept.first == lower; }))
                    tag.attributes.append({std::move(lower), value.toString()});
            }
        }
        return false;
    };

    qsizetype i = 0;
    while (i < n) {
        const qsizetype lt = html.indexOf(u'<', i);
        const qsizetype textEnd = lt < 0 ? n : lt;
        if (removing.isEmpty())
            out.append(html.sliced(i, textEnd - i));
        if (lt < 0)
            break;
        i = lt;
        const QChar next = i + 1 < n ? html[i + 1] : QChar();
        if (html.sliced(i).startsWith(u"<!--")) {
            i = commentEnd(html, i);
            continue;
        }
        if (next == u'!' || next == u'?' ||
            (next == u'/' && i + 2 < n && !isAsciiLetter(html[i + 2]))) {
            // A doctype, a processing instruction, "</>" or a bogus comment.
            const qsizetype close = html.indexOf(u'>', i + 2);
            i = close < 0 ? n : close + 1;
            continue;
        }
        if (!isAsciiLetter(next) && !(next == u'/' && i + 2 < n)) {
            if (removing.isEmpty())
                out.append(QLatin1String("&lt;"));
            ++i;
            continue;
        }
        Tag tag;
        if (!readTag(i, tag))
            break;
        i = tag.next;
        const bool isVoid = voidElements().contains(tag.name);

        if (tag.end) {
            if (!removing.isEmpty()) {
                const qsizetype at = removing.lastIndexOf(tag.name);
                while (at >= 0 && removing.size() > at)
                    removing.pop();
                continue;
            }
            const qsizetype at = open.lastIndexOf(tag.name);
            if (at >= 0)
                closeTo(at);
            continue;
        }

        const bool removed = m_removed.contains(tag.name);
        const bool selfClosedForeign = tag.selfClosing && (tag.name == QLatin1String("svg") ||
                                                           tag.name == QLatin1String("math"));
        if (removed && !isVoid && !selfClosedForeign && removing.size() < m_maxDepth)
            removing.push(tag.name);
        if (rawTextElements().contains(tag.name)) {
            const qsizetype end = rawTextEnd(html, i, tag.name);
            if (removing.isEmpty())
                appendEscaped(out, html.sliced(i, end - i));
            i = end;
            continue;
        }
        if (!removing.isEmpty() || removed || !m_elements.contains(tag.name) ||
            open.size() >= m_maxDepth)
            continue; // removed, or its tags go and its content stays

        if (paragraphClosers().contains(tag.name)) {
            const qsizetype paragraph = openIndex(
                {QLatin1StringView("p")}, {QLatin1StringView("table"), QLatin1StringView("td"),
                                           QLatin1StringView("th"), QLatin1StringView("caption")});
            if (paragraph >= 0)
                closeTo(paragraph);
        }
        if (tag.name == QLatin1String("li")) {
            const qsizetype item = openIndex(
                {QLatin1StringView("li")},
                {QLatin1StringView("ul"), QLatin1StringView("ol"), QLatin1StringView("table")});
            if (item >= 0)
                closeTo(item);
        } else if (tag.name == QLatin1String("dt") || tag.name == QLatin1String("dd")) {
            const qsizetype item = openIndex({QLatin1StringView("dt"), QLatin1StringView("dd")},
                                             {QLatin1StringView("dl"), QLatin1StringView("table")});
            if (item >= 0)
                closeTo(item);
        }
        if (writeStartTag(out, tag) && !isVoid)
            open.push(tag.name);
    }
    closeTo(0);
    return out.trimmed();
}
