#include "RichHtmlSerializer.h"

#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

// How the writer treats an element, by its lower-case name.
enum class Role {
    Plain,
    Void,        // a start tag alone, closed with " />"; its children never written
    Skipped,     // neither the element nor what it holds is written
    Transparent, // no tag; the children are written in its place
    RawText,     // its text is taken literally by the HTML parser and written back unescaped
    Span,
    Div,
    Bold,
    Italic,
    Paragraph,
};

Role roleOf(QStringView name)
{
    switch (name.size()) {
    case 1:
        switch (name[0].unicode()) {
        case 'p':
            return Role::Paragraph;
        case 'b':
            return Role::Bold;
        case 'i':
            return Role::Italic;
        }
        break;
    case 2:
        if (name == u"br" || name == u"hr")
            return Role::Void;
        break;
    case 3:
        if (name == u"img")
            return Role::Void;
        if (name == u"div")
            return Role::Div;
        if (name == u"xmp")
            return Role::RawText;
        break;
    case 4:
        if (name == u"span")
            return Role::Span;
        if (name == u"head" || name == u"meta")
            return Role::Skipped;
        if (name == u"body" || name == u"html")
            return Role::Transparent;
        break;
    case 5:
        if (name == u"param" || name == u"input")
            return Role::Void;
        if (name == u"title")
            return Role::Skipped;
        if (name == u"style")
            return Role::RawText;
        break;
    case 6:
        if (name == u"script" || name == u"iframe")
            return Role::RawText;
        break;
    case 7:
        if (name == u"noembed")
            return Role::RawText;
        break;
    case 8:
        if (name == u"noframes" || name == u"noscript")
            return Role::RawText;
        break;
    case 9:
        if (name == u"plaintext")
            return Role::RawText;
        break;
    }
    return Role::Plain;
}

// A name in lower case; the same string, uncopied, when it is already (as
// the engine's markup has them).
QString lowerCased(const QString& name)
{
    for (const QChar c : name) {
        if ((c >= u'A' && c <= u'Z') || c.unicode() > 127)
            return name.toLower();
    }
    return name;
}

// The text being written. A post is written in a great many short pieces:
// these appends are inline, with no check beyond the room left.
class Output {
public:
    qsizetype size() const { return m_size; }
    QChar* data() { return m_data; }
    QStringView view(qsizetype from = 0) const { return QStringView(m_data + from, m_size - from); }
    void reserve(qsizetype size)
    {
        if (size > m_text.size())
            grow(size - m_size);
    }
    void truncate(qsizetype size) { m_size = std::min(size, m_size); }
    void clear() { m_size = 0; }

    Output& operator+=(QStringView text)
    {
        room(text.size());
        std::copy_n(text.data(), text.size(), m_data + m_size);
        m_size += text.size();
        return *this;
    }
    Output& operator+=(QLatin1StringView text)
    {
        room(text.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            m_data[m_size + i] = QChar(uchar(text[i].toLatin1()));
        m_size += text.size();
        return *this;
    }
    Output& operator+=(QChar c)
    {
        room(1);
        m_data[m_size++] = c;
        return *this;
    }

    // The text written, handed over.
    QString take()
    {
        m_text.resize(m_size);
        m_data = nullptr;
        m_size = 0;
        return std::move(m_text);
    }

private:
    void room(qsizetype count)
    {
        if (m_size + count > m_text.size())
            grow(count);
    }
    void grow(qsizetype count)
    {
        // resize() leaves the new characters unset; they are written before being read.
        m_text.resize(std::max<qsizetype>(m_size + count, 2 * m_text.size() + 64));
        m_data = m_text.data();
    }

    QString m_text;
    QChar* m_data = nullptr;
    qsizetype m_size = 0;
};

// Text as the stored posts have it: "&", "<", ">" and the double quote
// escaped, the apostrophe left alone. The post's own non-breaking spaces
// (their offsets in the text node, counted from `base` for this part of it,
// in `authorSpaces`) are written as "&nbsp;"; where each other one lands in
// `out` is added to `noBRSpaces`.
void appendEscapedText(Output& out, QStringView text, std::vector<qsizetype>& noBRSpaces,
                       const std::vector<int>* authorSpaces = nullptr, qsizetype base = 0)
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
        case 0xA0:
            if (authorSpaces &&
                std::binary_search(authorSpaces->begin(), authorSpaces->end(), int(base + i))) {
                entity = "&nbsp;"_L1;
                break;
            }
            noBRSpaces.push_back(out.size() + i - copied);
            continue;
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
void appendAttributeValue(Output& out, QStringView value)
{
    qsizetype copied = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        QLatin1StringView entity;
        switch (value[i].unicode()) {
        case '&':
            entity = "&amp;"_L1;
            break;
        case '<':
            entity = "&lt;"_L1;
            break;
        case '"':
            entity = "&quot;"_L1;
            break;
        default:
            continue;
        }
        out += value.sliced(copied, i - copied);
        out += entity;
        copied = i + 1;
    }
    out += value.sliced(copied);
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

    // The post's own non-breaking spaces, which stay.
    void keepAuthorSpaces(const RichDomSnapshot& snapshot)
    {
        for (const RichDomBoundary& place : snapshot.authorSpaces) {
            const RichDomNode* text = snapshot.container(place);
            if (text && text->isText() && place.offset >= 0 && place.offset < text->text.size())
                m_authorSpaces[text].push_back(place.offset);
        }
        for (auto& [node, offsets] : m_authorSpaces)
            std::sort(offsets.begin(), offsets.end());
    }

    // The HTML written so far, handed over, each placeholder space of the
    // texts with none beside it back to a plain space. The engine keeps a
    // run of spaces with them, so runs stay; what scripts, styles and
    // attribute values hold is never touched.
    QString takeText()
    {
        const QChar space = RichHtmlSerializer::noBRSpace();
        const qsizetype size = m_out.size();
        QChar* data = m_out.data();
        for (const qsizetype at : m_noBRSpaces) {
            const bool before = at > 0 && data[at - 1] == space;
            const bool after = at + 1 < size && data[at + 1] == space;
            if (!before && !after)
                data[at] = u' ';
        }
        m_noBRSpaces.clear();
        return m_out.take();
    }
    const QStringList& temporaryKeys() const { return m_temporaryKeys; }
    void reserve(qsizetype size) { m_out.reserve(size); }

    void writeNodes(const RichDomNode* nodes, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            writeNode(nodes[i], false);
    }

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

    // Takes back what was written from `at` on; a boundary inside moves to `at`.
    void cut(qsizetype at)
    {
        m_out.truncate(at);
        while (!m_noBRSpaces.empty() && m_noBRSpaces.back() >= at)
            m_noBRSpaces.pop_back();
        for (Mark* mark : {&m_start, &m_end}) {
            if (mark->position > at)
                mark->position = at;
        }
    }

    void writeNode(const RichDomNode& node, bool rawText)
    {
        switch (node.kind) {
        case RichDomNode::Kind::Comment:
            markBefore(node);
            m_out += "<!--"_L1;
            m_out += QStringView(node.text);
            m_out += "-->"_L1;
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
        const std::vector<int>* authorSpaces = nullptr;
        if (!m_authorSpaces.empty()) {
            const auto found = m_authorSpaces.find(&node);
            if (found != m_authorSpaces.end())
                authorSpaces = &found->second;
        }
        qsizetype base = 0;
        const auto append = [&](QStringView part) {
            // One escape for every text node, wherever the caret is.
            if (rawText)
                m_out += part;
            else
                appendEscapedText(m_out, part, m_noBRSpaces, authorSpaces, base);
            base += part.size();
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
        const QString name = lowerCased(node.name);
        const Role role = roleOf(name);
        const bool isVoidElement = role == Role::Void;
        if (role == Role::Skipped)
            return;
        if (isVoidElement && node.attribute("id"_L1).startsWith("handle_"_L1))
            return; // a resize handle of the page
        if (role == Role::Transparent) {
            writeChildren(node, false);
            return;
        }
        if (writeAttachment(node))
            return;

        // One buffer for every element's attributes: they are written out
        // before the children are.
        Output& attributes = m_attributes;
        attributes.clear();
        for (const auto& [attributeName, value] : node.attributes) {
            const QString lowerName = lowerCased(attributeName);
            if (lowerName == "class"_L1 && classIsTheEngines(value))
                continue;
            if (isVoidElement && isEditorAttributeOfVoid(lowerName))
                continue;
            attributes += u' ';
            attributes += QStringView(lowerName);
            attributes += "=\""_L1;
            appendAttributeValue(attributes, !isVoidElement && lowerName == "style"_L1
                                                 ? RichHtmlSerializer::cleanStyle(value)
                                                 : value);
            attributes += u'"';
        }

        // The tag that is written; empty when the element is unwrapped.
        QString tag = name;
        bool writesAttributes = true;
        if (role == Role::Span &&
            ((attributes.view().contains("style=\"\""_L1) && attributes.size() <= 11) ||
             (node.children.size() == 1 && node.children.front().is("br"_L1)))) {
            tag.clear();
        } else if (role == Role::Span && (attributes.view() == " style=\"font-weight: bold;\""_L1 ||
                                          attributes.view() == " style=\"font-weight: 700;\""_L1)) {
            tag = u"strong"_s;
            writesAttributes = false;
        } else if (role == Role::Span && attributes.view() == " style=\"font-style: italic;\""_L1) {
            tag = u"em"_s;
            writesAttributes = false;
        } else if (attributes.size() == 0 && (role == Role::Div || role == Role::Span)) {
            tag.clear();
        } else if (role == Role::Bold) {
            // The engine's bold and italic commands write b and i.
            tag = u"strong"_s;
        } else if (role == Role::Italic) {
            tag = u"em"_s;
        }
        const qsizetype start = m_out.size();
        if (!tag.isEmpty()) {
            m_out += u'<';
            m_out += QStringView(tag);
            if (writesAttributes)
                m_out += attributes.view();
            m_out += isVoidElement ? " />"_L1 : ">"_L1;
        }
        if (isVoidElement)
            return;
        const bool bareParagraph = role == Role::Paragraph && attributes.size() == 0;
        const qsizetype childrenStart = m_out.size();
        writeChildren(node, role == Role::RawText);
        if (tag.isEmpty())
            return;
        // A paragraph holding nothing, a lone line break or a lone space is
        // the engine's empty line, never part of the post.
        if (bareParagraph) {
            const QStringView children = m_out.view(childrenStart);
            if (children.isEmpty() || children == u"<br />" || children == u" " ||
                children == QStringView(u"\u00a0")) {
                cut(start);
                return;
            }
        }
        m_out += "</"_L1;
        m_out += QStringView(tag);
        m_out += u'>';
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
            m_out += QStringView(attachment->text);
            if (attachment->temporary)
                m_temporaryKeys.append(value);
            return true;
        }
        return false;
    }

    const RichHtmlSerializer::AttachmentLookup& m_attachments;
    Mark& m_start;
    Mark& m_end;
    Output m_out;
    // Where the placeholder spaces of texts stand in m_out.
    std::vector<qsizetype> m_noBRSpaces;
    Output m_attributes;
    QStringList m_temporaryKeys;
    std::unordered_map<const RichDomNode*, std::vector<int>> m_authorSpaces;
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
    writer.keepAuthorSpaces(snapshot);
    // The post comes out about as long as the engine's markup of it.
    writer.reserve(snapshot.markup.size() + snapshot.markup.size() / 8);
    // The content division itself is the page's wrapper, never part of the post.
    writer.writeChildren(snapshot.root, roleOf(lowerCased(snapshot.root.name)) == Role::RawText);

    SelectedTextRange range;
    if (start.position >= 0) {
        range.location = start.position;
        if (end.position >= 0)
            range.length = std::max<qsizetype>(0, end.position - start.position);
    }
    MappedText mapped(writer.takeText(), range);
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

RichHtmlSerializer::Result RichHtmlSerializer::serialize(const RichDomSnapshot& snapshot,
                                                        size_t first, size_t count) const
{
    Mark start, end;
    Writer writer(m_attachments, start, end);
    writer.keepAuthorSpaces(snapshot);
    const std::vector<RichDomNode>& children = snapshot.root.children;
    first = std::min(first, children.size());
    count = std::min(count, children.size() - first);
    writer.writeNodes(children.data() + first, count);
    return {writer.takeText(), {}, writer.temporaryKeys()};
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
