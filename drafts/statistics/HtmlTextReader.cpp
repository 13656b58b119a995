#include "HtmlTextReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <mutex>
#include <string_view>

namespace {

using Gap = HtmlTextPiece::Gap;

// Ends a piece read with `probeEnd`: an element no post uses, whose start
// tag autocloses nothing, so the parser's depth there tells what the piece
// left open.
constexpr std::string_view pieceEnd = "x-plumet-piece-end";
constexpr std::string_view bodyStart = "<body>";
// Inside the implied html and the body the piece is read as the content of.
constexpr int bodyDepth = 2;

constexpr int parseOptions = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                             HTML_PARSE_RECOVER | HTML_PARSE_IGNORE_ENC;

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string_view nameOf(const xmlChar* name)
{
    return name ? std::string_view(reinterpret_cast<const char*>(name)) : std::string_view();
}

// Elements whose text a browser does not show.
bool isHiddenName(std::string_view name)
{
    return isOneOf(name, {"script", "style", "title", "template"});
}

bool isFoldedSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// The state of one read, reached by the SAX callbacks through the parser's
// user data (the context itself) and the context's private pointer.
struct ReadState {
    HtmlTextPiece piece;
    bool probeEnd = false;
    bool finished = false; // the end marker was seen; nothing after it counts
    bool written = false;  // something of `piece.text` was written
    int depth = 0;
    int hiddenDepth = 0;
    int preDepth = 0;
    bool preStart = false; // right after <pre>: its first newline is not shown
    Gap pending = Gap::None;

    void ask(Gap gap) { pending = std::max(pending, gap); }

    void writeGap()
    {
        if (!written) {
            piece.leadingGap = pending;
            written = true;
        } else if (pending != Gap::None && piece.text.back() != u'\n') {
            static constexpr std::array<char16_t, 4> separators = {0, u' ', u'\t', u'\n'};
            piece.text.append(QChar(separators[size_t(pending)]));
        }
        pending = Gap::None;
    }

    void lineBreak()
    {
        if (!written) {
            piece.leadingGap = pending;
            piece.startsWithLineBreak = true;
            written = true;
        } else if (pending == Gap::Break && piece.text.back() != u'\n') {
            piece.text.append(u'\n');
        }
        pending = Gap::None;
        piece.text.append(u'\n');
        preStart = false;
    }

    void text(const QString& chunk)
    {
        for (QChar c : chunk) {
            const char16_t u = c.unicode();
            if (preDepth > 0) {
                if (preStart && u == u'\n') {
                    preStart = false;
                    continue;
                }
                preStart = false;
                writeGap();
                piece.text.append(c);
            } else if (isFoldedSpace(u)) {
                ask(Gap::Space);
            } else {
                writeGap();
                piece.text.append(c);
            }
        }
    }

    void finish()
    {
        if (!written)
            piece.leadingGap = pending;
        piece.trailingGap = pending;
    }
};

thread_local ReadState* currentRead = nullptr;

void startElement(void*, const xmlChar* rawName, const xmlChar**)
{
    ReadState& state = *currentRead;
    if (state.finished)
        return;
    const std::string_view name = nameOf(rawName);
    if (state.probeEnd && name == pieceEnd) {
        state.piece.closedAtEnd = state.depth == bodyDepth;
        state.finished = true;
        return;
    }
    ++state.depth;
    state.preStart = false;
    const QByteArrayView lower(name.data(), qsizetype(name.size()));
    if (HtmlTextReader::isParagraphName(lower))
        ++state.piece.paragraphs;
    if (isHiddenName(name)) {
        ++state.hiddenDepth;
        return;
    }
    if (state.hiddenDepth > 0)
        return;
    if (name == "br") {
        state.lineBreak();
    } else if (HtmlTextReader::isBlockName(lower)) {
        state.ask(Gap::Break);
        if (name == "pre" || name == "listing") {
            ++state.preDepth;
            state.preStart = true;
        }
    }
}

void endElement(void*, const xmlChar* rawName)
{
    ReadState& state = *currentRead;
    if (state.finished)
        return;
    const std::string_view name = nameOf(rawName);
    --state.depth;
    state.preStart = false;
    if (isHiddenName(name)) {
        state.hiddenDepth = std::max(0, state.hiddenDepth - 1);
        return;
    }
    if (state.hiddenDepth > 0)
        return;
    if (HtmlTextReader::isBlockName(QByteArrayView(name.data(), qsizetype(name.size())))) {
        state.ask(Gap::Break);
        if ((name == "pre" || name == "listing") && state.preDepth > 0)
            --state.preDepth;
    } else if (name == "td" || name == "th") {
        state.ask(Gap::Tab);
    }
}

void characters(void*, const xmlChar* text, int length)
{
    ReadState& state = *currentRead;
    if (state.finished || state.hiddenDepth > 0 || length <= 0)
        return;
    state.text(QString::fromUtf8(reinterpret_cast<const char*>(text), length));
}

void ignoreBlock(void*, const xmlChar*, int) {}

htmlSAXHandler textHandler()
{
    htmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    // No entity, subset or document callbacks: nothing is resolved or loaded.
    handler.startElement = startElement;
    handler.endElement = endElement;
    handler.characters = characters;
    handler.ignorableWhitespace = characters;
    // The text of script and style elements.
    handler.cdataBlock = ignoreBlock;
    handler.initialized = 1;
    return handler;
}

} // namespace

HtmlTextReader::HtmlTextReader()
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { xmlInitParser(); });
    m_context = htmlNewParserCtxt();
    if (m_context) {
        static const htmlSAXHandler handler = textHandler();
        std::memcpy(m_context->sax, &handler, sizeof handler);
    }
}

HtmlTextReader::~HtmlTextReader()
{
    if (m_context)
        htmlFreeParserCtxt(m_context);
}

HtmlTextPiece HtmlTextReader::read(QByteArrayView utf8, bool probeEnd)
{
    ReadState state;
    state.probeEnd = probeEnd;
    if (!m_context)
        return state.piece;
    m_input.clear();
    m_input.reserve(qsizetype(bodyStart.size() + pieceEnd.size() + 2) + utf8.size());
    m_input.append(bodyStart.data(), qsizetype(bodyStart.size()));
    m_input.append(utf8);
    if (probeEnd) {
        m_input.append('<');
        m_input.append(pieceEnd.data(), qsizetype(pieceEnd.size()));
        m_input.append('>');
    }
    ReadState* const outer = currentRead;
    currentRead = &state;
    htmlDocPtr document = htmlCtxtReadMemory(m_context, m_input.constData(), int(m_input.size()),
                                             nullptr, "UTF-8", parseOptions);
    currentRead = outer;
    if (document)
        xmlFreeDoc(document);
    state.finish();
    return state.piece;
}

bool HtmlTextReader::isParagraphName(QByteArrayView lowerName)
{
    const std::string_view name(lowerName.data(), size_t(lowerName.size()));
    return isOneOf(name, {"p", "pre", "div", "ul", "ol", "blockquote"});
}

bool HtmlTextReader::isBlockName(QByteArrayView lowerName)
{
    const std::string_view name(lowerName.data(), size_t(lowerName.size()));
    return isOneOf(name, {"p",       "div",      "pre",        "listing",  "ul",         "ol",
                          "li",      "dl",       "dt",         "dd",       "h1",         "h2",
                          "h3",      "h4",       "h5",         "h6",       "table",      "caption",
                          "thead",   "tbody",    "tfoot",      "tr",       "hr",         "address",
                          "article", "aside",    "blockquote", "center",   "details",    "summary",
                          "dialog",  "fieldset", "legend",     "figure",   "figcaption", "footer",
                          "header",  "hgroup",   "main",       "menu",     "nav",        "section",
                          "form",    "dir",      "xmp",        "plaintext"});
}
