#include "AtomText.h"

#include "StringEncoding.h"
#include "XmlEscaping.h"
#include "XmlNode.h"

#include <algorithm>
#include <array>

namespace {

// The HTML elements that never have content. Read as HTML, any other element
// written self-closed stays open and swallows what follows it.
bool isVoidElement(QStringView localName)
{
    static constexpr std::array<QStringView, 17> names{
        u"area",  u"base",   u"basefont", u"br",   u"col",   u"embed",  u"frame", u"hr", u"img",
        u"input", u"keygen", u"link",     u"meta", u"param", u"source", u"track", u"wbr"};
    return std::any_of(names.begin(), names.end(), [localName](QStringView name) {
        return localName.compare(name, Qt::CaseInsensitive) == 0;
    });
}

void serialize(QString& out, const XmlNode& node)
{
    switch (node.kind()) {
    case XmlNode::Kind::Text:
        appendXmlEscaped(out, node.text());
        return;
    case XmlNode::Kind::CData:
        out += QLatin1StringView("<![CDATA[");
        out += node.text();
        out += QLatin1StringView("]]>");
        return;
    case XmlNode::Kind::Document:
        for (const XmlNode& child : node.children())
            serialize(out, child);
        return;
    case XmlNode::Kind::Element:
        break;
    }
    out += u'<';
    out += node.name();
    for (const XmlNode::Attribute& attribute : node.attributes()) {
        out += u' ';
        out += attribute.name;
        out += QLatin1StringView("=\"");
        appendXmlEscaped(out, attribute.value, XmlQuotes::Double);
        out += u'"';
    }
    if (node.children().empty() && isVoidElement(node.localName())) {
        out += QLatin1StringView("/>");
        return;
    }
    out += u'>';
    for (const XmlNode& child : node.children())
        serialize(out, child);
    out += QLatin1StringView("</");
    out += node.name();
    out += u'>';
}

bool isMarkup(const XmlNode& element)
{
    const QString type = element.attribute(u"type");
    if (type.isNull())
        return element.attribute(u"mode") == u"xml";
    return type == u"xhtml" || type == u"text/html" || type == u"application/xhtml+xml";
}

// Whether a "<div" tag starts at `at` (and not, say, "<divider").
bool isDivTagAt(const QString& text, qsizetype at, bool closing)
{
    const QLatin1StringView tag = closing ? QLatin1StringView("</div") : QLatin1StringView("<div");
    if (QStringView(text).mid(at, tag.size()).compare(tag, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype after = at + tag.size();
    return after >= text.size() || text[after] == u'>' || text[after] == u'/' ||
           text[after].isSpace();
}

} // namespace

QString serializeXmlNode(const XmlNode& node)
{
    QString out;
    serialize(out, node);
    return out;
}

QString decodeCDATA(const QString& piece)
{
    static const QLatin1StringView open("<![CDATA[");
    static const QLatin1StringView close("]]>");
    QString out;
    qsizetype pos = 0;
    while (pos < piece.size()) {
        const qsizetype start = piece.indexOf(open, pos, Qt::CaseInsensitive);
        if (start < 0)
            break;
        out += rv::deXML(piece.mid(pos, start - pos));
        const qsizetype contentStart = start + open.size();
        const qsizetype end = piece.indexOf(close, contentStart);
        if (end < 0) {
            out += piece.mid(contentStart);
            return out;
        }
        out += QStringView(piece).mid(contentStart, end - contentStart);
        pos = end + close.size();
    }
    out += rv::deXML(piece.mid(pos));
    return out;
}

QString unwrapEnclosingDiv(const QString& text)
{
    qsizetype begin = 0;
    while (begin < text.size() && text[begin].isSpace())
        ++begin;
    if (!isDivTagAt(text, begin, false))
        return text;
    const qsizetype openEnd = text.indexOf(u'>', begin);
    if (openEnd < 0 || text[openEnd - 1] == u'/')
        return text;

    int depth = 1;
    qsizetype pos = openEnd + 1;
    while (depth > 0) {
        pos = text.indexOf(u'<', pos);
        if (pos < 0)
            return text;
        if (isDivTagAt(text, pos, true)) {
            if (--depth == 0)
                break;
        } else if (isDivTagAt(text, pos, false)) {
            const qsizetype tagEnd = text.indexOf(u'>', pos);
            if (tagEnd < 0)
                return text;
            if (text[tagEnd - 1] != u'/')
                ++depth;
        }
        ++pos;
    }
    const qsizetype closeEnd = text.indexOf(u'>', pos);
    if (closeEnd < 0 || !QStringView(text).mid(closeEnd + 1).trimmed().isEmpty())
        return text; // the div closes before the end: it does not wrap everything
    return text.mid(openEnd + 1, pos - openEnd - 1);
}

QString valueOfElement(const XmlNode& element)
{
    QString text;
    if (isMarkup(element)) {
        for (const XmlNode& child : element.children()) {
            QString piece = serializeXmlNode(child);
            if (piece.contains(QLatin1StringView("<![CDATA["), Qt::CaseInsensitive))
                piece = decodeCDATA(piece);
            text += piece;
        }
    } else {
        text = element.childText();
    }
    text = text.trimmed();
    if (text.startsWith(QLatin1StringView("&lt;div")))
        text = rv::deXML(text);
    return unwrapEnclosingDiv(text).trimmed();
}
