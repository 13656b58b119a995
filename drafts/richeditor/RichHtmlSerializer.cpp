#include "RichHtmlSerializer.h"

#include <QRegularExpression>
#include <array>

namespace {

using namespace Qt::StringLiterals;

// Written as a start tag alone, closed with " />"; their children never are.
bool isVoid(const QString& lowerName)
{
    return lowerName == "img"_L1 || lowerName == "br"_L1 || lowerName == "hr"_L1 ||
           lowerName == "param"_L1 || lowerName == "input"_L1;
}

// Neither the element nor what it holds is written.
bool isSkipped(const QString& lowerName)
{
    return lowerName == "head"_L1 || lowerName == "meta"_L1 || lowerName == "title"_L1;
}

// No tag; the children are written in their place.
bool isTransparent(const QString& lowerName)
{
    return lowerName == "body"_L1 || lowerName == "html"_L1;
}

// Elements whose text the HTML parser takes literally: their text is written
// back unescaped, so embed code and style sheets survive as they were.
bool holdsRawText(const QString& lowerName)
{
    static const std::array<QLatin1StringView, 8> names = {
        "script"_L1,  "style"_L1,    "xmp"_L1,      "iframe"_L1,
        "noembed"_L1, "noframes"_L1, "noscript"_L1, "plaintext"_L1};
    for (const QLatin1StringView name : names) {
        if (lowerName == name)
            return true;
    }
    return false;
}

// Text as the stored posts have it: "&", "<", ">" and the double quote
// escaped, the apostrophe left alone.
void appendEscapedText(QString& out, QStringView text)
{
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QLatin1StringView entity;
        switch (text[i].unicode()) {
        case '&':
            entity = "&amp;"_L1;
            break;
        case '<':
            entity = "&lt;"_L1;
            break;
        case '>':
            entity = "&gt;"_L1;
            break;
        case '"':
            entity = "&quot;"_L1;
            break;
        default:
            continue;
        }
        out += text.sliced(copied, i - copied);
        out += entity;
        copied = i + 1;
    }
    out += text.sliced(copied);
}

// Attribute values: what could end the value or start markup.
QString attributeValue(const QString& value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '&':
            escaped += "&amp;"_L1;
            break;
        case '<':
            escaped += "&lt;"_L1;
            break;
        case '"':
            escaped += "&quot;"_L1;
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// The leading integer of a colour component, as the engine writes them.
int colourComponent(const QString& text)
{
    static const QRegularExpression number(u"^[+-]?\\d+"_s);
    const QRegularExpressionMatch match = number.match(text.trimmed());
    const int value = match.hasMatch() ? match.captured().toInt() : 0;
    return std::clamp(value, 0, 255);
}

bool classIsTheEngines(const QString& value)
{
    return value.contains("webkit"_L1, Qt::CaseInsensitive) ||
           value.contains("khtml"_L1, Qt::CaseInsensitive) ||
           value.contains("Apple-style"_L1, Qt::CaseInsensitive);
}

// The editor's own attributes on images and other void elements.
bool isEditorAttributeOfVoid(const QString& lowerName)
{
    return lowerName == "id"_L1 || lowerName == "ondblclick"_L1 || lowerName == "onclick"_L1 ||
           lowerName == "ondrag"_L1;
}

// A place in the walk where a selection boundary lies.
struct Mark {
    const RichDomNode* node = nullptr;
    int offset = 0;
    // Past the last child of `node`: just before its end tag.
    bool atEnd = false;
    qsizetype position = -1;
};

Mark markFor(const RichDomSnapshot& snapshot, const RichDomBoundary& boundary)
{
    Mark mark;
    const RichDomNode* container = snapshot.container(boundary);
    if (!container)
        return mark;
    if (container->isElement() && !container->children.empty()) {
        if (size_t(boundary.offset) < container->children.size()) {
            mark.node = &container->children[size_t(boundary.offset)];
        } else {
            mark.node = container;
            mark.atEnd = true;
        }
        return mark;
    }
    mark.node = container;
    mark.offset =
        container->isText() ? std::clamp(boundary.offset, 0, int(container->text.size())) : 0;
    return mark;
}

class Writer {
public:
    Writer(const RichHtmlSerializer::AttachmentLookup& attachments, Mark& start, Mark& end)
        : m_attachments(attachments), m_start(start), m_end(end)
    {
    }

    // The HTML written so far, handed over.
    QString takeText() { return std::move(m_out); }
    const QStringList& temporaryKeys() const { return m_temporaryKeys; }

    void writeChildren(const RichDomNode& node, bool rawText)
    {
        for (const RichDomNode& child : node.children)
            writeNode(child, rawText);
        markEnd(node);
    }

private:
    void markBefore(const RichDomNode& node)
    {
        for (Mark* mark : {&m_start, &m_end}) {
            if (mark->node == &node && !mark->atEnd)
                mark->position = m_out.size();
        }
    }
    void markEnd(const RichDomNode& node)
    {
        for (Mark* mark : {&m_start, &m_end}) {
            if (mark->node == &node && mark->atEnd)
                mark->position = m_out.size();
        }
    }

    void writeNode(const RichDomNode& node, bool rawText)
    {
        switch (node.kind) {
        case RichDomNode::Kind::Comment:
            markBefore(node);
            m_out += "<!--"_L1 + node.text + "-->"_L1;
            return;
        case RichDomNode::Kind::Text:
            writeText(node, rawText);
            return;
        case RichDomNode::Kind::Element:
            writeElement(node);
            return;
        }
    }

    void writeText(const RichDomNode& node, bool rawText)
    {
        const auto append = [&](QStringView part) {
            // One escape for every text node, wherever the caret is.
            if (rawText)
                m_out += part;
            else
                appendEscapedText(m_out, part);
        };
        const bool holdsMark = m_start.node == &node || m_end.node == &node;
        if (!holdsMark) {
            append(node.text);
            return;
        }
        // Each boundary lands after the escaped form of the characters before it.
        std::array<Mark*, 2> marks{&m_start, &m_end};
        if (m_start.node == &node && m_end.node == &node && m_end.offset < m_start.offset)
            std::swap(marks[0], marks[1]);
        qsizetype written = 0;
        for (Mark* mark : marks) {
            if (mark->node != &node)
                continue;
            append(QStringView(node.text).mid(written, mark->offset - written));
            written = mark->offset;
            mark->position = m_out.size();
        }
        append(QStringView(node.text).mid(written));
    }

    void writeElement(const RichDomNode& node)
    {
        markBefore(node);
        const QString name = node.name.toLower();
        const bool isVoidElement = isVoid(name);
        if (isSkipped(name))
            return;
        if (isVoidElement && node.attribute("id"_L1).startsWith("handle_"_L1))
            return; // a resize handle of the page
        if (isTransparent(name)) {
            writeChildren(node, false);
            return;
        }
        if (writeAttachment(node))
            return;

        QString attributes;
        for (const auto& [attributeName, value] : node.attributes) {
            const QString lowerName = attributeName.toLower();
            if (lowerName == "class"_L1 && classIsTheEngines(value))
                continue;
            if (isVoidElement && isEditorAttributeOfVoid(lowerName))
                continue;
            const QString written = !isVoidElement && lowerName == "style"_L1
                                        ? RichHtmlSerializer::cleanStyle(value)
                                        : value;
            attributes += u' ' + lowerName + "=\""_L1 + attributeValue(written) + u'"';
        }

        // The tag that is written; empty when the element is unwrapped.
        QString tag = name;
        QString start;
        if (name == "span"_L1 &&
            ((attributes.contains("style=\"\""_L1) && attributes.size() <= 11) ||
             (node.children.size() == 1 && node.children.front().is("br"_L1)))) {
            tag.clear();
        } else if (name == "span"_L1 && (attributes == " style=\"font-weight: bold;\""_L1 ||
                                         attributes == " style=\"font-weight: 700;\""_L1)) {
            tag = u"strong"_s;
            start = u"<strong>"_s;
        } else if (name == "span"_L1 && attributes == " style=\"font-style: italic;\""_L1) {
            tag = u"em"_s;
            start = u"<em>"_s;
        } else if (attributes.isEmpty() && (name == "div"_L1 || name == "span"_L1)) {
            tag.clear();
        } else {
            // The engine's bold and italic commands write b and i.
            if (name == "b"_L1)
                tag = u"strong"_s;
            else if (name == "i"_L1)
                tag = u"em"_s;
            start = u'<' + tag + attributes + (isVoidElement ? " />"_L1 : ">"_L1);
        }
        m_out += start;
        if (isVoidElement)
            return;
        writeChildren(node, holdsRawText(name));
        if (!tag.isEmpty())
            m_out += "</"_L1 + tag + u'>';
    }

    // An element standing for an attachment is written as the attachment's
    // text alone, whatever it holds.
    bool writeAttachment(const RichDomNode& node)
    {
        if (!m_attachments)
            return false;
        for (const auto& [attributeName, value] : node.attributes) {
            if (attributeName.compare("id"_L1, Qt::CaseInsensitive) != 0)
                continue;
            const std::optional<RichHtmlSerializer::AttachmentText> attachment =
                m_attachments(value);
            if (!attachment)
                return false;
            m_out += attachment->text;
            if (attachment->temporary)
                m_temporaryKeys.append(value);
            return true;
        }
        return false;
    }

    const RichHtmlSerializer::AttachmentLookup& m_attachments;
    Mark& m_start;
    Mark& m_end;
    QString m_out;
    QStringList m_temporaryKeys;
};

// A range kept on the same characters while parts of the text are removed.
class MappedText {
public:
    MappedText(QString text, SelectedTextRange range) : m_text(std::move(text)), m_range(range) {}

    const QString& text() const { return m_text; }
    SelectedTextRange range() const { return m_range; }

    void remove(qsizetype at, qsizetype count)
    {
        if (count <= 0)
            return;
        m_text.remove(at, count);
        if (!m_range.isFound())
            return;
        const auto moved = [&](qsizetype position) {
            if (position >= at + count)
                return position - count;
            return std::min(position, at);
        };
        const qsizetype start = moved(m_range.location);
        const qsizetype end = moved(m_range.location + m_range.length);
        m_range = {start, end - start};
    }

    void removeEvery(QLatin1StringView part)
    {
        qsizetype at = 0;
        while ((at = m_text.indexOf(part, at)) >= 0)
            remove(at, part.size());
    }

    void trim()
    {
        qsizetype end = m_text.size();
        while (end > 0 && m_text.at(end - 1).isSpace())
            --end;
        remove(end, m_text.size() - end);
        qsizetype start = 0;
        while (start < m_text.size() && m_text.at(start).isSpace())
            ++start;
        remove(0, start);
    }

private:
    QString m_text;
    SelectedTextRange m_range;
};

// The first and the last text node of the division whose text is not blank.
void outerTexts(const RichDomNode& node, const RichDomNode*& first, const RichDomNode*& last)
{
    if (node.isText()) {
        if (!node.text.trimmed().isEmpty()) {
            if (!first)
                first = &node;
            last = &node;
        }
        return;
    }
    for (const RichDomNode& child : node.children)
        outerTexts(child, first, last);
}

} // namespace

RichHtmlSerializer::RichHtmlSerializer(AttachmentLookup attachments)
    : m_attachments(std::move(attachments))
{
}

RichHtmlSerializer::Result RichHtmlSerializer::serialize(const RichDomSnapshot& snapshot) const
{
    Mark start, end;
    if (snapshot.selection) {
        start = markFor(snapshot, snapshot.selection->start);
        end = markFor(snapshot, snapshot.selection->end);
    }
    Writer writer(m_attachments, start, end);
    // The content division itself is the page's wrapper, never part of the post.
    writer.writeChildren(snapshot.root, holdsRawText(snapshot.root.name.toLower()));

    SelectedTextRange range;
    if (start.position >= 0) {
        range.location = start.position;
        if (end.position >= 0)
            range.length = std::max<qsizetype>(0, end.position - start.position);
    }
    MappedText mapped(removeNonConsecutiveNoBRSpaces(writer.takeText()), range);
    mapped.trim();
    mapped.removeEvery("<p><br /></p>"_L1);
    mapped.removeEvery("<p></p>"_L1);
    mapped.removeEvery("<p> </p>"_L1);
    mapped.trim();

    Result result{mapped.text(), mapped.range(), writer.temporaryKeys()};
    // A selection from the start of the first words to the end of the last
    // is the whole post, whatever markup stands around the words.
    if (!result.html.isEmpty() && start.node && end.node && start.node->isText() &&
        end.node->isText() && start.offset == 0 && end.offset == end.node->text.size()) {
        const RichDomNode* first = nullptr;
        const RichDomNode* last = nullptr;
        outerTexts(snapshot.root, first, last);
        if (start.node == first && end.node == last)
            result.selection = {0, result.html.size()};
    }
    return result;
}

QString RichHtmlSerializer::removeNonConsecutiveNoBRSpaces(QString text)
{
    const QChar space = noBRSpace();
    const qsizetype size = text.size();
    QChar* data = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] != space)
            continue;
        const bool before = i > 0 && data[i - 1] == space;
        const bool after = i + 1 < size && data[i + 1] == space;
        if (!before && !after)
            data[i] = QLatin1Char(' ');
    }
    return text;
}

QString RichHtmlSerializer::cleanStyle(QString style)
{
    style.remove("normal normal normal "_L1);
    style.remove("/normal"_L1);
    style.remove("margin: 0.0px 0.0px 0.0px 0.0px"_L1);
    if (style.startsWith("; "_L1))
        style.remove(0, 1);
    style = style.trimmed();
    const qsizetype open = style.indexOf("rgb("_L1, 0, Qt::CaseInsensitive);
    if (open < 0)
        return style;
    const qsizetype close = style.indexOf(u')', open);
    if (close < 0)
        return style;
    const QStringList parts = style.mid(open + 4, close - open - 4).split(u',');
    if (parts.size() != 3)
        return style;
    const QString hex = QString::asprintf("#%02X%02X%02X", colourComponent(parts[0]),
                                          colourComponent(parts[1]), colourComponent(parts[2]));
    return style.replace(open, close - open + 1, hex);
}
