#include "TextStatistics.h"

#include "HtmlBlockSplitter.h"
#include "HtmlTextReader.h"
#include "TextSegmentCounter.h"
#include "TextTally.h"

#include <QByteArray>
#include <QHash>
#include <algorithm>

namespace {

using Gap = HtmlTextPiece::Gap;

// What the numbers of a post need of one of its top-level blocks.
struct BlockNumbers {
    TextTally tally;
    int paragraphs = 0;
    bool hasText = false;
    bool endsWithNewline = false;
    bool startsWithLineBreak = false;
    Gap leadingGap = Gap::None;
    Gap trailingGap = Gap::None;
    bool closedAtEnd = false;
};

BlockNumbers numbersOf(const HtmlTextPiece& piece, TextSegmentCounter& counter)
{
    BlockNumbers numbers;
    numbers.tally = counter.tally(piece.text);
    numbers.paragraphs = piece.paragraphs;
    numbers.hasText = !piece.text.isEmpty();
    numbers.endsWithNewline = piece.text.endsWith(u'\n');
    numbers.startsWithLineBreak = piece.startsWithLineBreak;
    numbers.leadingGap = piece.leadingGap;
    numbers.trailingGap = piece.trailingGap;
    numbers.closedAtEnd = piece.closedAtEnd;
    return numbers;
}

TextCounts countsOf(const TextTally& tally, int paragraphs)
{
    TextCounts counts;
    counts.paragraphs = paragraphs;
    counts.lines = tally.lines();
    counts.words = tally.words;
    counts.letters = tally.letters;
    counts.characters = tally.characters();
    return counts;
}

// Joins the blocks' numbers in order, as the text of the whole post joins
// their texts: the gap the blocks ask for between them is written before
// the next text, unless a line break ends the text so far.
class BlockJoiner {
public:
    // False when the blocks meet without a line break between them, where a
    // word or a cluster could cross: their numbers do not add up then.
    bool add(const BlockNumbers& block)
    {
        m_paragraphs += block.paragraphs;
        if (!block.hasText) {
            m_pending = std::max({m_pending, block.leadingGap, block.trailingGap});
            return true;
        }
        if (m_hasText && !m_endsWithNewline) {
            const Gap gap = std::max(m_pending, block.leadingGap);
            if (gap == Gap::Break)
                m_tally = m_tally + TextTally::newline();
            else if (!block.startsWithLineBreak)
                return false;
        }
        m_tally = m_tally + block.tally;
        m_hasText = true;
        m_endsWithNewline = block.endsWithNewline;
        m_pending = block.trailingGap;
        return true;
    }

    TextCounts counts() const { return countsOf(m_tally, m_paragraphs); }

private:
    TextTally m_tally;
    int m_paragraphs = 0;
    bool m_hasText = false;
    bool m_endsWithNewline = false;
    Gap m_pending = Gap::None;
};

// The post as the reader takes it. A browser drops NUL characters from the
// text; the parser would stop at the first one.
QByteArray postBytes(const QString& html)
{
    QByteArray utf8 = html.toUtf8();
    if (utf8.contains('\0'))
        utf8.removeIf([](char c) { return c == '\0'; });
    return utf8;
}

} // namespace

// The reader, the counter and the numbers of the blocks of the last count,
// keyed by their markup.
class TextStatistics::Cache {
public:
    HtmlTextReader reader;
    TextSegmentCounter counter;
    int recounted = 0;

    // Starts a count.
    void begin()
    {
        ++m_count;
        m_used = 0;
        recounted = 0;
    }

    // A block the post goes on after is read with the marker that tells
    // whether it closed all it opened; the post's last one is read as the
    // post ends, since an unfinished tag, comment or instruction there
    // would swallow the marker and its text would change.
    BlockNumbers numbers(QByteArrayView markup, bool last)
    {
        ++m_used;
        QHash<QByteArray, Entry>& blocks = m_blocks[last ? 1 : 0];
        auto found = blocks.find(QByteArray::fromRawData(markup.data(), markup.size()));
        if (found != blocks.end()) {
            found->lastUsed = m_count;
            return found->numbers;
        }
        ++recounted;
        const BlockNumbers fresh = numbersOf(reader.read(markup, !last), counter);
        blocks.insert(markup.toByteArray(), {fresh, m_count});
        return fresh;
    }

    // Ends a count: forgets the blocks it did not use once they outnumber
    // those it did.
    void end()
    {
        if (m_blocks[0].size() + m_blocks[1].size() <= m_used + 8)
            return;
        for (QHash<QByteArray, Entry>& blocks : m_blocks)
            blocks.removeIf([this](const auto& block) { return block->lastUsed != m_count; });
    }

private:
    struct Entry {
        BlockNumbers numbers;
        quint64 lastUsed = 0;
    };
    QHash<QByteArray, Entry> m_blocks[2]; // followed by more, last
    quint64 m_count = 0;
    qsizetype m_used = 0;
};

TextStatistics::TextStatistics() : m_cache(new Cache) {}

TextStatistics::~TextStatistics()
{
    delete m_cache;
}

TextCounts TextStatistics::count(const QString& html)
{
    const QByteArray utf8 = postBytes(html);
    const std::vector<qsizetype> cuts = HtmlBlockSplitter::cuts(utf8);
    m_cache->begin();
    BlockJoiner joiner;
    bool joined = true;
    qsizetype start = 0;
    for (size_t i = 0; i <= cuts.size() && joined; ++i) {
        const qsizetype end = i < cuts.size() ? cuts[i] : utf8.size();
        const bool last = end == utf8.size();
        const BlockNumbers block =
            m_cache->numbers(QByteArrayView(utf8.constData() + start, end - start), last);
        if (!last && !block.closedAtEnd) {
            // The block leaves an element open that the next one is inside
            // of: the rest of the post is read as one.
            joined = joiner.add(m_cache->numbers(
                QByteArrayView(utf8.constData() + start, utf8.size() - start), true));
            break;
        }
        joined = joiner.add(block);
        start = end;
    }
    m_cache->end();
    if (!joined)
        return countFresh(html);
    return joiner.counts();
}

int TextStatistics::blocksRecounted() const
{
    return m_cache->recounted;
}

TextCounts TextStatistics::countFresh(const QString& html)
{
    HtmlTextReader reader;
    TextSegmentCounter counter;
    const HtmlTextPiece piece = reader.read(postBytes(html), false);
    return countsOf(counter.tally(piece.text), piece.paragraphs);
}

QString TextStatistics::plainText(const QString& html)
{
    HtmlTextReader reader;
    const HtmlTextPiece piece = reader.read(postBytes(html), false);
    return piece.text;
}
