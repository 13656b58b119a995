// The numbers of the Word Count panel for a 1 MB post while its author types:
// one first count, then 100 one-character edits, each counted through the
// per-block cache, against a bare ICU word-break count over the plain text of
// the same edited post (its text prepared beforehand, its iterator open),
// interleaved.
#include "Benchmark.h"
#include "LargePost.h"
#include "TextStatistics.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <unicode/ubrk.h>

using namespace plumet::test;

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    constexpr int edits = 100;
    const QString post = makePost(1024 * 1024);

    QRandomGenerator random(145);
    std::vector<QString> edited;
    std::vector<QString> plainTexts;
    QString current = post;
    for (int i = 0; i < edits; ++i) {
        current = typeOneCharacter(current, random);
        edited.push_back(current);
        plainTexts.push_back(TextStatistics::plainText(current));
    }

    TextStatistics statistics;
    TextCounts first;
    const double firstCount = plumet::test::millisecondsOf([&] { first = statistics.count(post); });
    std::printf("text_statistics_1mb_key: %lld bytes of HTML, %lld characters of text: "
                "%d paragraphs, %d lines, %d words, %d letters, %d characters\n",
                static_cast<long long>(post.toUtf8().size()),
                static_cast<long long>(plainTexts.front().size()), first.paragraphs, first.lines,
                first.words, first.letters, first.characters);
    std::printf("first count: %.1f ms (%d blocks read)\n", firstCount,
                statistics.blocksRecounted());

    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator* wordBreaks = ubrk_open(UBRK_WORD, "", nullptr, 0, &status);
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "no ICU word iterator: %s\n", u_errorName(status));
        return 1;
    }

    int oursAt = 0;
    int anchorAt = 0;
    int recounted = 0;
    double longest = 0;
    std::vector<TextCounts> counted(edits);
    std::vector<int> anchorWords(edits);
    const auto ours = [&] {
        const int i = oursAt++;
        const double ms = plumet::test::millisecondsOf(
            [&] { counted[size_t(i)] = statistics.count(edited[size_t(i)]); });
        recounted = std::max(recounted, statistics.blocksRecounted());
        longest = std::max(longest, ms);
        return ms;
    };
    const auto anchor = [&] {
        const int i = anchorAt++;
        return plumet::test::millisecondsOf([&] {
            const QString& text = plainTexts[size_t(i)];
            UErrorCode textStatus = U_ZERO_ERROR;
            ubrk_setText(wordBreaks, reinterpret_cast<const UChar*>(text.utf16()),
                         int32_t(text.size()), &textStatus);
            int words = 0;
            ubrk_first(wordBreaks);
            while (ubrk_next(wordBreaks) != UBRK_DONE) {
                if (ubrk_getRuleStatus(wordBreaks) != UBRK_WORD_NONE)
                    ++words;
            }
            anchorWords[size_t(i)] = words;
        });
    };
    const plumet::test::Comparison comparison = plumet::test::interleaved(edits, ours, anchor);
    ubrk_close(wordBreaks);

    std::printf("edits: longest %.2f ms, at most %d blocks read per edit\n", longest, recounted);
    plumet::test::printComparison(
        "text_statistics_1mb_key",
        QStringLiteral("a bare ICU word-break count over the edited post's plain text"),
        comparison);

    const TextCounts fresh = TextStatistics::countFresh(edited.back());
    if (!(counted.back() == fresh)) {
        std::fprintf(stderr, "the cached count differs from a fresh one: %d words against %d\n",
                     counted.back().words, fresh.words);
        return 1;
    }
    if (counted.back().words < anchorWords.back() / 2) {
        std::fprintf(stderr, "ours counted %d words, the anchor %d\n", counted.back().words,
                     anchorWords.back());
        return 1;
    }
    return 0;
}
