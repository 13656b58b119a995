#include "HtmlBlockSplitter.h"

#include "HtmlTextReader.h"

#include <QByteArray>
#include <string_view>

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isNameChar(char c)
{
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':' ||
           c == '.';
}

bool isTagSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    for (std::string_view n : names) {
        if (n == name)
            return true;
    }
    return false;
}

bool isVoidName(std::string_view name)
{
    return isOneOf(name,
                   {"area", "base", "basefont", "br", "col", "embed", "frame", "hr", "img", "input",
                    "isindex", "keygen", "link", "meta", "param", "source", "track", "wbr"});
}

// Tags that change how the parser reads the rest of the document.
bool changesTheDocument(std::string_view name)
{
    return isOneOf(name, {"html", "head", "body", "frameset", "noframes"});
}

bool startsWithNoCase(std::string_view text, std::string_view lowerPrefix)
{
    if (text.size() < lowerPrefix.size())
        return false;
    for (size_t i = 0; i < lowerPrefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != lowerPrefix[i])
            return false;
    }
    return true;
}

class Scanner {
public:
    explicit Scanner(std::string_view html) : m_html(html) {}

    // False when the post must not be cut at all.
    bool run(std::vector<qsizetype>& cuts)
    {
        size_t at = 0;
        while (at < m_html.size()) {
            const size_t open = m_html.find('<', at);
            if (open == std::string_view::npos || open + 1 >= m_html.size())
                return true;
            const char next = m_html[open + 1];
            if (next == '!' || next == '?') {
                if (m_html.compare(open, 4, "<!--") != 0)
                    return false;
                const size_t close = m_html.find("-->", open + 4);
                if (close == std::string_view::npos)
                    return true;
                at = close + 3;
            } else if (next == '/' && open + 2 < m_html.size() && isAsciiLetter(m_html[open + 2])) {
                const std::string name = readName(open + 2);
                if (changesTheDocument(name))
                    return false;
                closeElement(name);
                const size_t close = m_html.find('>', open + 2);
                if (close == std::string_view::npos)
                    return true;
                at = close + 1;
            } else if (isAsciiLetter(next)) {
                const std::string name = readName(open + 1);
                if (changesTheDocument(name))
                    return false;
                bool selfClosed = false;
                const size_t close = tagEnd(open + 1 + name.size(), selfClosed);
                if (close == std::string_view::npos)
                    return true;
                const QByteArrayView lower(name.data(), qsizetype(name.size()));
                if (m_open.empty() && open > 0 && HtmlTextReader::isBlockName(lower))
                    add(cuts, qsizetype(open));
                at = close + 1;
                if (name == "br") {
                    if (m_open.empty() && at < m_html.size())
                        add(cuts, qsizetype(at));
                } else if (!selfClosed && !isVoidName(name)) {
                    if (name == "script" || name == "style") {
                        at = rawTextEnd(at, name);
                        if (at == std::string_view::npos)
                            return true;
                    } else {
                        m_open.push_back(name);
                    }
                }
            } else {
                at = open + 1;
            }
        }
        return true;
    }

private:
    static void add(std::vector<qsizetype>& cuts, qsizetype at)
    {
        if (cuts.empty() || cuts.back() < at)
            cuts.push_back(at);
    }

    std::string readName(size_t at) const
    {
        std::string name;
        while (at < m_html.size() && isNameChar(m_html[at])) {
            char c = m_html[at++];
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
            name.push_back(c);
        }
        return name;
    }

    // The '>' that ends a start tag whose attributes begin at `at`: quotes
    // count only around a value, as the parser reads them.
    size_t tagEnd(size_t at, bool& selfClosed) const
    {
        bool afterEquals = false;
        while (at < m_html.size()) {
            const char c = m_html[at];
            if (c == '>') {
                selfClosed = at > 0 && m_html[at - 1] == '/';
                return at;
            }
            if (afterEquals && (c == '"' || c == '\'')) {
                const size_t quote = m_html.find(c, at + 1);
                if (quote == std::string_view::npos)
                    return quote;
                at = quote + 1;
                afterEquals = false;
                continue;
            }
            if (c == '=')
                afterEquals = true;
            else if (!isTagSpace(c))
                afterEquals = false;
            ++at;
        }
        return std::string_view::npos;
    }

    // Past the end tag of a script or style element whose text begins at `at`.
    size_t rawTextEnd(size_t at, std::string_view name) const
    {
        while (true) {
            const size_t open = m_html.find("</", at);
            if (open == std::string_view::npos)
                return open;
            if (startsWithNoCase(m_html.substr(open + 2), name)) {
                const size_t close = m_html.find('>', open + 2);
                return close == std::string_view::npos ? close : close + 1;
            }
            at = open + 2;
        }
    }

    void closeElement(const std::string& name)
    {
        for (size_t i = m_open.size(); i > 0; --i) {
            if (m_open[i - 1] == name) {
                m_open.resize(i - 1);
                return;
            }
        }
    }

    std::string_view m_html;
    std::vector<std::string> m_open;
};

} // namespace

std::vector<qsizetype> HtmlBlockSplitter::cuts(QByteArrayView utf8)
{
    std::vector<qsizetype> result;
    Scanner scanner(std::string_view(utf8.data(), size_t(utf8.size())));
    if (!scanner.run(result))
        result.clear();
    return result;
}
