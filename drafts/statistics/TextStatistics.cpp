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

} // namespace

// The reader, the counter and the numbers of the blocks of the last count,
// keyed by their markup.
class TextStatistics::Cache {
public:
    HtmlTextReader reader;
    TextSegmentCounter counter;
    QHash<QByteArray, BlockNumbers> blocks;
    int recounted = 0;

    BlockNumbers numbers(QByteArrayView markup, QHash<QByteArray, BlockNumbers>& kept)
    {
        const QByteArray key = QByteArray::fromRawData(markup.data(), markup.size());
        auto found = kept.constFind(key);
        if (found != kept.constEnd())
            return *found;
        auto old = blocks.find(key);
        if (old != blocks.end())
            return *kept.insert(old.key(), *old);
        ++recounted;
        const BlockNumbers fresh = numbersOf(reader.read(markup, true), counter);
        return *kept.insert(markup.toByteArray(), fresh);
    }
};

TextStatistics::TextStatistics() : m_cache(new Cache) {}

TextStatistics::~TextStatistics()
{
    delete m_cache;
}

TextCounts TextStatistics::count(const QString& html)
{
    const QByteArray utf8 = html.toUtf8();
    const std::vector<qsizetype> cuts = HtmlBlockSplitter::cuts(utf8);
    QHash<QByteArray, BlockNumbers> kept;
    m_cache->recounted = 0;
    kept.reserve(qsizetype(cuts.size() + 1));
    BlockJoiner joiner;
    bool joined = true;
    qsizetype start = 0;
    for (size_t i = 0; i <= cuts.size() && joined; ++i) {
        const qsizetype end = i < cuts.size() ? cuts[i] : utf8.size();
        const BlockNumbers block =
            m_cache->numbers(QByteArrayView(utf8.constData() + start, end - start), kept);
        if (end < utf8.size() && !block.closedAtEnd) {
            // The block leaves an element open that the next one is inside
            // of: the rest of the post is read as one.
            joined = joiner.add(m_cache->numbers(
                QByteArrayView(utf8.constData() + start, utf8.size() - start), kept));
            break;
        }
        joined = joiner.add(block);
        start = end;
    }
    m_cache->blocks = std::move(kept);
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
    const HtmlTextPiece piece = reader.read(html.toUtf8(), false);
    return countsOf(counter.tally(piece.text), piece.paragraphs);
}

QString TextStatistics::plainText(const QString& html)
{
    HtmlTextReader reader;
    const HtmlTextPiece piece = reader.read(html.toUtf8(), false);
    return piece.text;
}
