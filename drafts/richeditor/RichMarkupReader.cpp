#include "RichMarkupReader.h"

#include <array>
#include <iterator>

namespace {

using namespace Qt::StringLiterals;

// Deeper nesting is written flat rather than exhausting the stack later.
constexpr size_t MaximumDepth = 1000;

// `name` is `lower` in any case; `lower` is in lower case.
bool sameName(QStringView name, QLatin1StringView lower)
{
    if (name.size() != lower.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const char16_t folded = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        if (folded != char16_t(lower[i].unicode()))
            return false;
    }
    return true;
}

// What the engine writes of an element after its start tag: nothing (void
// elements), its literal text up to the end tag, or markup.
enum class Content { Markup, None, RawText };

Content contentOf(QStringView name)
{
    static const std::array<QLatin1StringView, 18> voidNames = {
        "area"_L1,  "base"_L1,  "br"_L1,    "col"_L1,      "embed"_L1,   "hr"_L1,
        "img"_L1,   "input"_L1, "link"_L1,  "meta"_L1,     "param"_L1,   "source"_L1,
        "track"_L1, "wbr"_L1,   "frame"_L1, "basefont"_L1, "bgsound"_L1, "keygen"_L1};
    static const std::array<QLatin1StringView, 8> rawTextNames = {
        "script"_L1,  "style"_L1,    "xmp"_L1,      "iframe"_L1,
        "noembed"_L1, "noframes"_L1, "noscript"_L1, "plaintext"_L1};
    // Most elements of a post (p, a, b, i, li, ul, em, strong) are none of these.
    if (name.size() < 2 || name.size() > 9)
        return Content::Markup;
    for (const QLatin1StringView n : voidNames) {
        if (sameName(name, n))
            return Content::None;
    }
    for (const QLatin1StringView n : rawTextNames) {
        if (sameName(name, n))
            return Content::RawText;
    }
    return Content::Markup;
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

// Where `c` next stands in `text` from `from` on, or -1. Texts between tags
// are short: a plain loop beats the library's set-up.
qsizetype find(QStringView text, qsizetype from, char16_t c)
{
    const QChar* data = text.data();
    for (qsizetype i = from; i < text.size(); ++i) {
        if (data[i].unicode() == c)
            return i;
    }
    return -1;
}

// The character a reference between "&" and ";" names, or 0.
char32_t referenced(QStringView name)
{
    if (name == u"amp")
        return u'&';
    if (name == u"lt")
        return u'<';
    if (name == u"gt")
        return u'>';
    if (name == u"quot")
        return u'"';
    if (name == u"nbsp")
        return 0xA0;
    if (name == u"apos")
        return u'\'';
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint number = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                                ? name.sliced(2).toUInt(&ok, 16)
                                : name.sliced(1).toUInt(&ok, 10);
        if (ok && number > 0 && number <= 0x10FFFF)
            return number;
    }
    return 0;
}

// The character references the engine writes, and numeric ones for safety.
QString decoded(QStringView text)
{
    qsizetype at = find(text, 0, u'&');
    if (at < 0)
        return viewOf(text);
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    for (; at >= 0; at = find(text, at + 1, u'&')) {
        const qsizetype end = find(text.first(std::min(text.size(), at + 11)), at + 1, u';');
        if (end < 0)
            continue;
        const char32_t value = referenced(text.sliced(at + 1, end - at - 1));
        if (!value)
            continue;
        out += text.sliced(copied, at - copied);
        if (QChar::requiresSurrogates(value)) {
            out += QChar(QChar::highSurrogate(value));
            out += QChar(QChar::lowSurrogate(value));
        } else {
            out += QChar(char16_t(value));
        }
        copied = end + 1;
        at = end;
    }
    out += text.sliced(copied);
    return out;
}

class Reader {
public:
    explicit Reader(QStringView markup) : m_text(markup) {}

    std::vector<RichDomNode> read()
    {
        m_levels.resize(1);
        while (m_at < m_text.size()) {
            if (m_text[m_at] == u'<' && readMarkup())
                continue;
            const qsizetype next = find(m_text, m_at + 1, u'<');
            const qsizetype end = next < 0 ? m_text.size() : next;
            appendText(decoded(m_text.sliced(m_at, end - m_at)));
            m_at = end;
        }
        closeLevels(1);
        return std::move(m_levels.front());
    }

private:
    // The children gathered so far of the innermost open element.
    std::vector<RichDomNode>& children() { return m_levels[m_depth]; }

    // Ends the open elements from the innermost up to the one at `depth`:
    // each takes its children, in one allocation of the right size.
    void closeLevels(size_t depth)
    {
        for (; m_depth >= depth && m_depth > 0; --m_depth) {
            std::vector<RichDomNode>& gathered = m_levels[m_depth];
            RichDomNode& element = m_levels[m_depth - 1].back();
            element.children.assign(std::make_move_iterator(gathered.begin()),
                                    std::make_move_iterator(gathered.end()));
            gathered.clear();
        }
    }

    void appendText(const QString& text)
    {
        if (text.isEmpty())
            return;
        std::vector<RichDomNode>& children = this->children();
        if (!children.empty() && children.back().isText()) {
            children.back().text += text;
            return;
        }
        RichDomNode& node = children.emplace_back();
        node.kind = RichDomNode::Kind::Text;
        node.text = text;
    }

    // A comment, an end tag or a start tag at m_at; false when the "<" is text.
    bool readMarkup()
    {
        const QStringView rest = m_text.sliced(m_at);
        if (rest.size() > 3 && rest[1] == u'!' && rest[2] == u'-' && rest[3] == u'-') {
            const qsizetype close = m_text.indexOf(u"-->", m_at + 4);
            const qsizetype end = close < 0 ? m_text.size() : close;
            RichDomNode comment;
            comment.kind = RichDomNode::Kind::Comment;
            comment.text = viewOf(m_text.sliced(m_at + 4, end - m_at - 4));
            children().push_back(std::move(comment));
            m_at = close < 0 ? m_text.size() : close + 3;
            return true;
        }
        if (rest.size() > 2 && rest[1] == u'/' && isNameStart(rest[2])) {
            const qsizetype close = find(m_text, m_at, u'>');
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
        // Usually the innermost element, written as its start tag was.
        if (m_depth > 0 && m_levels[m_depth - 1].back().name == name) {
            closeLevels(m_depth);
            return;
        }
        for (size_t depth = m_depth; depth > 0; --depth) {
            if (m_levels[depth - 1].back().name.compare(name, Qt::CaseInsensitive) == 0) {
                closeLevels(depth);
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
        // Made in place: the innermost element's children do not change
        // while its attributes are read.
        RichDomNode& element = children().emplace_back();
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
                    const qsizetype close = find(m_text, m_at + 1, quote.unicode());
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

        const QString& name = element.name;
        const Content content = contentOf(name);
        if (content == Content::None)
            return;
        if (content == Content::RawText) {
            // Everything up to the matching end tag is the element's text.
            const QString endTag = "</"_L1 + name;
            const qsizetype close = m_text.indexOf(endTag, m_at, Qt::CaseInsensitive);
            const qsizetype end = close < 0 ? m_text.size() : close;
            if (end > m_at) {
                RichDomNode text;
                text.kind = RichDomNode::Kind::Text;
                text.text = viewOf(m_text.sliced(m_at, end - m_at));
                element.children.push_back(std::move(text));
            }
            const qsizetype after = close < 0 ? -1 : m_text.indexOf(u'>', close);
            m_at = after < 0 ? m_text.size() : after + 1;
            return;
        }
        if (m_depth + 1 < MaximumDepth) {
            ++m_depth;
            if (m_levels.size() <= m_depth)
                m_levels.emplace_back();
        }
    }

    QStringView m_text;
    qsizetype m_at = 0;
    // m_levels[0] gathers the top nodes, m_levels[d] the children of the
    // open element at depth d, which is the last node of m_levels[d - 1].
    // The gathering vectors are kept for the next element at their depth.
    std::vector<std::vector<RichDomNode>> m_levels;
    size_t m_depth = 0;
};

} // namespace

std::vector<RichDomNode> RichMarkupReader::read(const QString& markup)
{
    return Reader(markup).read();
}
