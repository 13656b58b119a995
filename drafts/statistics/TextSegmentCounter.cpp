#include "TextSegmentCounter.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>

namespace {

UBreakIterator* openIterator(UBreakIteratorType type)
{
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator* iterator = ubrk_open(type, "", nullptr, 0, &status);
    if (U_FAILURE(status)) {
        if (iterator)
            ubrk_close(iterator);
        return nullptr;
    }
    return iterator;
}

char32_t codePointAt(const char16_t* text, int32_t at, int32_t end)
{
    const char16_t unit = text[at];
    if (QChar::isHighSurrogate(unit) && at + 1 < end && QChar::isLowSurrogate(text[at + 1]))
        return QChar::surrogateToUcs4(unit, text[at + 1]);
    return unit;
}

bool isLetterLike(char32_t codePoint)
{
    return (U_GET_GC_MASK(UChar32(codePoint)) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

bool isBlank(const char16_t* text, int32_t start, int32_t end)
{
    for (int32_t i = start; i < end; ++i) {
        if (!QChar::isSpace(text[i]))
            return false;
    }
    return true;
}

} // namespace

TextSegmentCounter::TextSegmentCounter()
    : m_words(openIterator(UBRK_WORD)), m_clusters(openIterator(UBRK_CHARACTER))
{
}

TextSegmentCounter::~TextSegmentCounter()
{
    if (m_words)
        ubrk_close(m_words);
    if (m_clusters)
        ubrk_close(m_clusters);
}

TextTally TextSegmentCounter::tally(const QString& text)
{
    TextTally tally;
    if (text.isEmpty() || !m_words || !m_clusters)
        return tally;
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    const int32_t length = int32_t(text.size());
    UErrorCode status = U_ZERO_ERROR;
    ubrk_setText(m_words, units, length, &status);
    ubrk_setText(m_clusters, units, length, &status);
    if (U_FAILURE(status))
        return tally;

    // The word segment the current cluster starts in, and whether it is a
    // word (not spaces or punctuation).
    ubrk_first(m_words);
    int32_t wordEnd = ubrk_next(m_words);
    bool isWord = wordEnd != UBRK_DONE && ubrk_getRuleStatus(m_words) != UBRK_WORD_NONE;
    int wordLetters = 0;
    auto endWord = [&] {
        if (isWord && wordLetters > 0)
            ++tally.words;
        wordLetters = 0;
    };

    bool seenContent = false;
    int blankRun = 0;
    int newlineRun = 0;
    int32_t start = ubrk_first(m_clusters);
    for (int32_t end = ubrk_next(m_clusters); end != UBRK_DONE;
         start = end, end = ubrk_next(m_clusters)) {
        ++tally.clusters;
        while (wordEnd != UBRK_DONE && wordEnd <= start) {
            endWord();
            wordEnd = ubrk_next(m_words);
            isWord = wordEnd != UBRK_DONE && ubrk_getRuleStatus(m_words) != UBRK_WORD_NONE;
        }
        const bool newline = end - start == 1 && units[start] == u'\n';
        if (newline)
            ++tally.newlines;
        if (isBlank(units, start, end)) {
            ++blankRun;
            newlineRun += newline ? 1 : 0;
            continue;
        }
        if (!seenContent) {
            tally.leadingBlankClusters = blankRun;
            tally.leadingNewlines = newlineRun;
            seenContent = true;
        }
        blankRun = 0;
        newlineRun = 0;
        if (isWord && isLetterLike(codePointAt(units, start, end))) {
            ++wordLetters;
            ++tally.letters;
        }
    }
    endWord();
    tally.blank = !seenContent;
    if (seenContent) {
        tally.trailingBlankClusters = blankRun;
        tally.trailingNewlines = newlineRun;
    } else {
        tally.leadingBlankClusters = tally.trailingBlankClusters = tally.clusters;
        tally.leadingNewlines = tally.trailingNewlines = tally.newlines;
    }
    return tally;
}
