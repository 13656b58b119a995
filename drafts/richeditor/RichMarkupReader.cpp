#include "RichMarkupReader.h"

#include <array>

namespace {

using namespace Qt::StringLiterals;

// Deeper nesting is written flat rather than exhausting the stack later.
constexpr size_t MaximumDepth = 1000;

bool isVoid(QStringView name)
{
    static const std::array<QLatin1StringView, 18> names = {
        "area"_L1,  "base"_L1,  "br"_L1,    "col"_L1,      "embed"_L1,   "hr"_L1,
        "img"_L1,   "input"_L1, "link"_L1,  "meta"_L1,     "param"_L1,   "source"_L1,
        "track"_L1, "wbr"_L1,   "frame"_L1, "basefont"_L1, "bgsound"_L1, "keygen"_L1};
    for (const QLatin1StringView n : names) {
        if (name.compare(n, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool holdsRawText(QStringView name)
{
    static const std::array<QLatin1StringView, 8> names = {
        "script"_L1,  "style"_L1,    "xmp"_L1,      "iframe"_L1,
        "noembed"_L1, "noframes"_L1, "noscript"_L1, "plaintext"_L1};
    for (const QLatin1StringView n : names) {
        if (name.compare(n, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isNameStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// A part of the markup without a copy: the snapshot keeps the markup alive.
QString viewOf(QStringView part)
{
    return QString::fromRawData(part.data(), part.size());
}

// The character references the engine writes, and numeric ones for safety.
QString decoded(QStringView text)
{
    if (!text.contains(u'&'))
        return viewOf(text);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'&') {
            out += c;
            continue;
        }
        const qsizetype end = text.indexOf(u';', i + 1);
        if (end < 0 || end - i > 10) {
            out += c;
            continue;
        }
        const QStringView name = text.sliced(i + 1, end - i - 1);
        char32_t value = 0;
        if (name == u"amp")
            value = u'&';
        else if (name == u"lt")
            value = u'<';
        else if (name == u"gt")
            value = u'>';
        else if (name == u"quot")
            value = u'"';
        else if (name == u"nbsp")
            value = 0xA0;
        else if (name == u"apos")
            value = u'\'';
        else if (name.startsWith(u'#')) {
            bool ok = false;
            const uint number = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                                    ? name.sliced(2).toUInt(&ok, 16)
                                    : name.sliced(1).toUInt(&ok, 10);
            if (ok && number > 0 && number <= 0x10FFFF)
                value = number;
        }
        if (!value) {
            out += c;
            continue;
        }
        out += QString::fromUcs4(&value, 1);
        i = end;
    }
    return out;
}

class Reader {
public:
    explicit Reader(QStringView markup) : m_text(markup) {}

    std::vector<RichDomNode> read()
    {
        RichDomNode top;
        top.kind = RichDomNode::Kind::Element;
        m_open.push_back(&top);
        while (m_at < m_text.size()) {
            if (m_text[m_at] == u'<' && readMarkup())
                continue;
            const qsizetype next = m_text.indexOf(u'<', m_at + 1);
            const qsizetype end = next < 0 ? m_text.size() : next;
            appendText(decoded(m_text.sliced(m_at, end - m_at)));
            m_at = end;
        }
        return std::move(top.children);
    }

private:
    RichDomNode& current() { return *m_open.back(); }

    void appendText(const QString& text)
    {
        if (text.isEmpty())
            return;
        std::vector<RichDomNode>& children = current().children;
        if (!children.empty() && children.back().isText()) {
            children.back().text += text;
            return;
        }
        RichDomNode node;
        node.kind = RichDomNode::Kind::Text;
        node.text = text;
        children.push_back(std::move(node));
    }

    // A comment, an end tag or a start tag at m_at; false when the "<" is text.
    bool readMarkup()
    {
        const QStringView rest = m_text.sliced(m_at);
        if (rest.startsWith(u"<!--")) {
            const qsizetype close = m_text.indexOf(u"-->", m_at + 4);
            const qsizetype end = close < 0 ? m_text.size() : close;
            RichDomNode comment;
            comment.kind = RichDomNode::Kind::Comment;
            comment.text = viewOf(m_text.sliced(m_at + 4, end - m_at - 4));
            current().children.push_back(std::move(comment));
            m_at = close < 0 ? m_text.size() : close + 3;
            return true;
        }
        if (rest.size() > 2 && rest[1] == u'/' && isNameStart(rest[2])) {
            const qsizetype close = m_text.indexOf(u'>', m_at);
            const qsizetype end = close < 0 ? m_text.size() : close;
            closeElement(m_text.sliced(m_at + 2, end - m_at - 2).trimmed());
            m_at = close < 0 ? m_text.size() : close + 1;
            return true;
        }
        if (rest.size() > 1 && isNameStart(rest[1])) {
            readStartTag();
            return true;
        }
        return false;
    }

    void closeElement(QStringView name)
    {
        for (size_t i = m_open.size(); i-- > 1;) {
            if (m_open[i]->name.compare(name, Qt::CaseInsensitive) == 0) {
                m_open.resize(i);
                return;
            }
        }
    }

    void skipBlanks()
    {
        while (m_at < m_text.size() && m_text[m_at].isSpace())
            ++m_at;
    }

    void readStartTag()
    {
        ++m_at; // "<"
        const qsizetype nameStart = m_at;
        while (m_at < m_text.size() && !m_text[m_at].isSpace() && m_text[m_at] != u'>' &&
               m_text[m_at] != u'/')
            ++m_at;
        RichDomNode element;
        element.kind = RichDomNode::Kind::Element;
        element.name = viewOf(m_text.sliced(nameStart, m_at - nameStart));
        for (;;) {
            skipBlanks();
            if (m_at >= m_text.size())
                break;
            if (m_text[m_at] == u'>') {
                ++m_at;
                break;
            }
            if (m_text[m_at] == u'/') {
                ++m_at;
                continue;
            }
            const qsizetype attributeStart = m_at;
            while (m_at < m_text.size() && !m_text[m_at].isSpace() && m_text[m_at] != u'=' &&
                   m_text[m_at] != u'>')
                ++m_at;
            const QString attribute = viewOf(m_text.sliced(attributeStart, m_at - attributeStart));
            QString value;
            skipBlanks();
            if (m_at < m_text.size() && m_text[m_at] == u'=') {
                ++m_at;
                skipBlanks();
                const QChar quote = m_at < m_text.size() ? m_text[m_at] : QChar();
                if (quote == u'"' || quote == u'\'') {
                    const qsizetype close = m_text.indexOf(quote, m_at + 1);
                    const qsizetype end = close < 0 ? m_text.size() : close;
                    value = decoded(m_text.sliced(m_at + 1, end - m_at - 1));
                    m_at = close < 0 ? m_text.size() : close + 1;
                } else {
                    const qsizetype valueStart = m_at;
                    while (m_at < m_text.size() && !m_text[m_at].isSpace() && m_text[m_at] != u'>')
                        ++m_at;
                    value = decoded(m_text.sliced(valueStart, m_at - valueStart));
                }
            }
            if (!attribute.isEmpty())
                element.attributes.append({attribute, value});
        }

        const QString name = element.name;
        current().children.push_back(std::move(element));
        RichDomNode& added = current().children.back();
        if (isVoid(name))
            return;
        if (holdsRawText(name)) {
            // Everything up to the matching end tag is the element's text.
            const QString endTag = "</"_L1 + name;
            const qsizetype close = m_text.indexOf(endTag, m_at, Qt::CaseInsensitive);
            const qsizetype end = close < 0 ? m_text.size() : close;
            if (end > m_at) {
                RichDomNode text;
                text.kind = RichDomNode::Kind::Text;
                text.text = viewOf(m_text.sliced(m_at, end - m_at));
                added.children.push_back(std::move(text));
            }
            const qsizetype after = close < 0 ? -1 : m_text.indexOf(u'>', close);
            m_at = after < 0 ? m_text.size() : after + 1;
            return;
        }
        if (m_open.size() < MaximumDepth)
            m_open.push_back(&added);
    }

    QStringView m_text;
    qsizetype m_at = 0;
    // Open elements from the top; pointers stay valid because only the
    // innermost one's children grow.
    std::vector<RichDomNode*> m_open;
};

} // namespace

std::vector<RichDomNode> RichMarkupReader::read(const QString& markup)
{
    return Reader(markup).read();
}
