// Words, letters and characters of plain text by ICU's break iterators.
#pragma once

#include "TextTally.h"

#include <QString>

struct UBreakIterator;

// Words are the word-break segments of a letter, number, kana or ideograph
// kind (ICU's dictionaries split Chinese, Japanese and Thai), letters the
// letter, mark and number clusters inside them, characters the grapheme
// clusters (an emoji sequence or a decomposed accented letter is one). Not
// thread-safe: one counter per thread.
class TextSegmentCounter {
public:
    TextSegmentCounter();
    ~TextSegmentCounter();
    TextSegmentCounter(const TextSegmentCounter&) = delete;
    TextSegmentCounter& operator=(const TextSegmentCounter&) = delete;

    TextTally tally(const QString& text);

private:
    UBreakIterator* m_words = nullptr;
    UBreakIterator* m_clusters = nullptr;
};
