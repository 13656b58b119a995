#include "RichBlockMap.h"

#include <QHash>
#include <algorithm>
#include <unordered_map>

namespace {

using namespace Qt::StringLiterals;

bool isLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool nameIn(QStringView name, std::initializer_list<QLatin1StringView> names)
{
    for (const QLatin1StringView candidate : names) {
        if (name.compare(candidate, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isVoid(QStringView name)
{
    return nameIn(name, {"area"_L1, "base"_L1, "br"_L1, "col"_L1, "embed"_L1, "hr"_L1, "img"_L1,
                         "input"_L1, "link"_L1, "meta"_L1, "param"_L1, "source"_L1, "track"_L1,
                         "wbr"_L1, "keygen"_L1, "basefont"_L1, "bgsound"_L1, "frame"_L1});
}

// Elements whose text the parser takes as it stands, up to their end tag.
bool isRawText(QStringView name)
{
    return nameIn(name, {"script"_L1, "style"_L1, "textarea"_L1, "title"_L1, "xmp"_L1,
                         "iframe"_L1, "noembed"_L1, "noframes"_L1, "noscript"_L1});
}

// Start tags before which the parser closes an open paragraph.
bool closesParagraph(QStringView name)
{
    return nameIn(name, {"address"_L1, "article"_L1, "aside"_L1, "blockquote"_L1, "center"_L1,
                         "details"_L1, "dialog"_L1, "dir"_L1, "div"_L1, "dl"_L1, "fieldset"_L1,
                         "figcaption"_L1, "figure"_L1, "footer"_L1, "form"_L1, "header"_L1,
                         "hgroup"_L1, "hr"_L1, "li"_L1, "dd"_L1, "dt"_L1, "listing"_L1, "main"_L1,
                         "menu"_L1, "nav"_L1, "ol"_L1, "p"_L1, "pre"_L1, "section"_L1,
                         "summary"_L1, "table"_L1, "ul"_L1, "xmp"_L1, "h1"_L1, "h2"_L1, "h3"_L1,
                         "h4"_L1, "h5"_L1, "h6"_L1});
}

// The end of the tag that starts at `at` (after its ">"), quoted values read
// as such; the end of the text when it never ends.
qsizetype tagEnd(QStringView text, qsizetype at)
{
    QChar quote;
    for (qsizetype i = at + 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            // Only a value opens a quote: after "=" and any blanks.
            qsizetype j = i - 1;
            while (j > at && text[j].isSpace())
                --j;
            if (text[j] == u'=')
                quote = c;
        } else if (c == u'>') {
            return i + 1;
        }
    }
    return text.size();
}

// A "<" at `at` that starts a tag, an end tag, a comment or a declaration.
bool opensMarkup(QStringView text, qsizetype at)
{
    if (text[at] != u'<' || at + 1 >= text.size())
        return false;
    const QChar after = text[at + 1];
    return isLetter(after) || after == u'/' || after == u'!' || after == u'?';
}

QStringView tagName(QStringView text, qsizetype from)
{
    qsizetype end = from;
    while (end < text.size() && !text[end].isSpace() && text[end] != u'/' && text[end] != u'>')
        ++end;
    return text.mid(from, end - from);
}

size_t hashOf(const RichDomNode& node, size_t seed = 0)
{
    size_t h = qHashMulti(seed, int(node.kind), node.name.toCaseFolded(), node.text);
    for (const auto& [name, value] : node.attributes)
        h = qHashMulti(h, name.toCaseFolded(), value);
    for (const RichDomNode& child : node.children)
        h = hashOf(child, h);
    return h;
}

} // namespace

QList<qsizetype> RichBlockMap::pieceLengths(QStringView source)
{
    QList<qsizetype> lengths;
    QList<QStringView> open; // element names, outermost first
    qsizetype pieceStart = 0;
    qsizetype i = 0;
    const qsizetype size = source.size();
    const auto cut = [&](qsizetype at) {
        if (at > pieceStart) {
            lengths.append(at - pieceStart);
            pieceStart = at;
        }
    };
    while (i < size) {
        if (!opensMarkup(source, i)) {
            // Text, up to the next tag; a "<" that opens nothing is text.
            qsizetype next = source.indexOf(u'<', i + 1);
            while (next >= 0 && !opensMarkup(source, next))
                next = source.indexOf(u'<', next + 1);
            i = next < 0 ? size : next;
            if (open.isEmpty())
                cut(i);
            continue;
        }
        const QChar after = source[i + 1];
        if (source.mid(i).startsWith(u"<!--")) {
            const qsizetype end = source.indexOf(u"-->", i + 4);
            i = end < 0 ? size : end + 3;
        } else if (after == u'!' || after == u'?' ||
                   (after == u'/' && (i + 2 >= size || !isLetter(source[i + 2])))) {
            const qsizetype end = source.indexOf(u'>', i + 1);
            i = end < 0 ? size : end + 1;
        } else if (after == u'/') {
            const QStringView name = tagName(source, i + 2);
            i = tagEnd(source, i);
            for (qsizetype k = open.size() - 1; k >= 0; --k) {
                if (open[k].compare(name, Qt::CaseInsensitive) == 0) {
                    open.resize(k);
                    break;
                }
            }
        } else {
            const QStringView name = tagName(source, i + 1);
            if (closesParagraph(name)) {
                for (qsizetype k = open.size() - 1; k >= 0; --k) {
                    if (open[k].compare(u"p", Qt::CaseInsensitive) == 0) {
                        open.resize(k);
                        break;
                    }
                }
            }
            if (nameIn(name, {"li"_L1, "dt"_L1, "dd"_L1, "option"_L1, "tr"_L1, "td"_L1, "th"_L1}) &&
                !open.isEmpty() && open.last().compare(name, Qt::CaseInsensitive) == 0)
                open.removeLast();
            if (open.isEmpty())
                cut(i);
            const qsizetype end = tagEnd(source, i);
            const bool selfClosed = end >= 2 && end <= size && source[end - 1] == u'>' &&
                                    source[end - 2] == u'/';
            if (nameIn(name, {"plaintext"_L1})) {
                i = size;
            } else if (isRawText(name)) {
                // Up to the end tag of the same name, whatever stands between.
                qsizetype close = end;
                i = size;
                while ((close = source.indexOf(u"</", close)) >= 0) {
                    if (source.mid(close + 2, name.size()).compare(name, Qt::CaseInsensitive) ==
                        0) {
                        i = tagEnd(source, close);
                        break;
                    }
                    close += 2;
                }
            } else {
                i = end;
                if (!isVoid(name) && !selfClosed)
                    open.append(name);
            }
        }
        if (open.isEmpty())
            cut(i);
    }
    cut(size);
    return lengths;
}

std::optional<RichBlockMap> RichBlockMap::make(const QString& source,
                                               const QList<qsizetype>& lengths,
                                               const QList<int>& nodePieces,
                                               std::vector<RichDomNode> baseline,
                                               QString baselineMarkup)
{
    qsizetype total = 0;
    for (const qsizetype length : lengths)
        total += length;
    const qsizetype pieces = lengths.size();
    if (total != source.size() || pieces == 0 || nodePieces.size() != 2 * qsizetype(baseline.size()))
        return std::nullopt;
    QList<qsizetype> starts(pieces + 1, 0);
    for (qsizetype k = 0; k < pieces; ++k)
        starts[k + 1] = starts[k] + lengths[k];

    RichBlockMap map;
    // A block: the pieces its nodes came from, and those after them that gave
    // no node (a stray end tag, say), up to the next node's first piece.
    int nextPiece = 0;
    int previousFirst = 0;
    for (size_t n = 0; n < baseline.size(); ++n) {
        const int first = nodePieces[qsizetype(2 * n)];
        const int last = nodePieces[qsizetype(2 * n + 1)];
        if (first < previousFirst || last < first || last >= pieces)
            return std::nullopt;
        previousFirst = first;
        if (!map.m_blocks.isEmpty() && first < nextPiece) {
            // Shares a piece with the block before: one block.
            Block& block = map.m_blocks.last();
            if (last + 1 > nextPiece)
                nextPiece = last + 1;
            block.nodeCount = n - block.firstNode + 1;
            block.sourceLength = starts[nextPiece] - block.sourceStart;
            continue;
        }
        if (first < nextPiece)
            return std::nullopt;
        Block block;
        // Pieces that gave nothing go with the block after them.
        block.sourceStart = map.m_blocks.isEmpty() ? 0 : starts[nextPiece];
        block.firstNode = n;
        block.nodeCount = 1;
        nextPiece = last + 1;
        block.sourceLength = starts[nextPiece] - block.sourceStart;
        map.m_blocks.append(block);
    }
    if (map.m_blocks.isEmpty())
        return std::nullopt;
    // Pieces after the last node's go with the last block.
    Block& lastBlock = map.m_blocks.last();
    lastBlock.sourceLength = source.size() - lastBlock.sourceStart;
    for (Block& block : map.m_blocks)
        block.hash = hashOf(baseline[block.firstNode]);
    map.m_source = source;
    map.m_baselineMarkup = std::move(baselineMarkup);
    map.m_baseline = std::move(baseline);
    return map;
}

bool RichBlockMap::equal(const RichDomNode& a, const RichDomNode& b)
{
    if (a.kind != b.kind || a.text != b.text || a.children.size() != b.children.size() ||
        a.attributes != b.attributes || a.name.compare(b.name, Qt::CaseInsensitive) != 0)
        return false;
    for (size_t i = 0; i < a.children.size(); ++i) {
        if (!equal(a.children[i], b.children[i]))
            return false;
    }
    return true;
}

QList<RichBlockMap::Part> RichBlockMap::splice(const std::vector<RichDomNode>& now,
                                               const Serialize& serialize) const
{
    std::vector<size_t> hashes(now.size());
    std::unordered_map<size_t, std::vector<size_t>> positions; // node hash -> places in `now`
    for (size_t i = 0; i < now.size(); ++i) {
        hashes[i] = hashOf(now[i]);
        positions[hashes[i]].push_back(i);
    }
    std::unordered_map<size_t, std::vector<qsizetype>> blocksByHash;
    for (qsizetype b = 0; b < m_blocks.size(); ++b)
        blocksByHash[m_blocks[b].hash].push_back(b);

    const auto matchesAt = [&](qsizetype b, size_t i) {
        const Block& block = m_blocks[b];
        if (i + block.nodeCount > now.size() || hashes[i] != block.hash)
            return false;
        for (size_t k = 0; k < block.nodeCount; ++k) {
            if (!equal(m_baseline[block.firstNode + k], now[i + k]))
                return false;
        }
        return true;
    };
    // A few candidates each way: runs of equal nodes (blank lines) must not
    // make the search quadratic; missing a match only serializes more.
    constexpr int Candidates = 8;
    const auto nextPlace = [&](qsizetype b, size_t from) -> std::optional<size_t> {
        const auto found = positions.find(m_blocks[b].hash);
        if (found == positions.end())
            return std::nullopt;
        const std::vector<size_t>& list = found->second;
        int tried = 0;
        for (auto it = std::lower_bound(list.begin(), list.end(), from);
             it != list.end() && tried < Candidates; ++it, ++tried) {
            if (matchesAt(b, *it))
                return *it;
        }
        return std::nullopt;
    };
    const auto nextBlock = [&](size_t i, qsizetype from) -> std::optional<qsizetype> {
        const auto found = blocksByHash.find(hashes[i]);
        if (found == blocksByHash.end())
            return std::nullopt;
        const std::vector<qsizetype>& list = found->second;
        int tried = 0;
        for (auto it = std::lower_bound(list.begin(), list.end(), from);
             it != list.end() && tried < Candidates; ++it, ++tried) {
            if (matchesAt(*it, i))
                return *it;
        }
        return std::nullopt;
    };

    QList<Part> parts;
    size_t freshStart = 0;
    const auto flushFresh = [&](size_t end) {
        if (end > freshStart)
            parts.append({serialize(freshStart, end - freshStart), true});
    };
    size_t i = 0;
    qsizetype b = 0;
    while (b < m_blocks.size() && i < now.size()) {
        if (matchesAt(b, i)) {
            flushFresh(i);
            const Block& block = m_blocks[b];
            parts.append({m_source.mid(block.sourceStart, block.sourceLength), false});
            i += block.nodeCount;
            freshStart = i;
            ++b;
            continue;
        }
        const std::optional<size_t> place = nextPlace(b, i);
        const std::optional<qsizetype> later = nextBlock(i, b + 1);
        if (place && (!later || *place - i <= size_t(*later - b)))
            i = *place; // the nodes before it are new
        else if (later)
            b = *later; // the blocks before it are gone or changed
        else {
            ++i;
            ++b;
        }
    }
    flushFresh(now.size());
    return parts;
}

QString RichBlockMap::join(const QList<Part>& parts)
{
    QString text;
    qsizetype size = 0;
    for (const Part& part : parts)
        size += part.text.size();
    text.reserve(size);
    for (const Part& part : parts)
        text += part.text;
    return text;
}
