// The numbers of the Word Count panel, counted from a post's HTML.
#pragma once

#include <QString>

// Paragraphs, lines, words, letters and characters of a post. Words and
// characters are user-perceived (grapheme clusters), in every script.
struct TextCounts {
    // Elements p, pre, div, ul, ol and blockquote.
    int paragraphs = 0;
    // Lines of the shown text without its blank ends (at least 1).
    int lines = 0;
    // Word segments of letters, numbers, kana or ideographs (ICU's
    // dictionaries split Chinese, Japanese and Thai).
    int words = 0;
    // The letter, mark and number clusters of the words.
    int letters = 0;
    // Grapheme clusters of the shown text without its blank ends, the line
    // breaks between blocks included.
    int characters = 0;
    bool operator==(const TextCounts&) const = default;
};

// Counts a post, remembering its numbers per top-level block so that the
// next count after an edit recounts only the blocks that changed. Reads the
// HTML without ever fetching anything. Not thread-safe: one counter per
// thread; a count may run on any thread.
class TextStatistics {
public:
    TextStatistics();
    ~TextStatistics();
    TextStatistics(const TextStatistics&) = delete;
    TextStatistics& operator=(const TextStatistics&) = delete;

    TextCounts count(const QString& html);

    // How many blocks the last count() read anew; the others' numbers came
    // from the cache.
    int blocksRecounted() const;

    // The same numbers without the cache.
    static TextCounts countFresh(const QString& html);

    // The text the numbers are counted in: what a browser shows of `html`,
    // a line break between blocks.
    static QString plainText(const QString& html);

private:
    class Cache;
    Cache* m_cache;
};
