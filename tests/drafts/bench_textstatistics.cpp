// The numbers of the Word Count panel for a 1 MB post while its author types:
// one first count, then 100 one-character edits, each counted through the
// per-block cache, against a bare ICU word-break count over the plain text of
// the same edited post (its text prepared beforehand, its iterator open),
// interleaved.
#include "Benchmark.h"
#include "TextStatistics.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <unicode/ubrk.h>

namespace {

// About 1 MB of UTF-8: paragraphs in English and Chinese, lists, a table,
// preformatted code, entities and emoji sequences, top-level blocks of a few
// hundred bytes as a post has them.
QString makePost(qsizetype bytes)
{
    QRandomGenerator random(38);
    const QStringList words = {QStringLiteral("river"),   QStringLiteral("walks"),
                               QStringLiteral("morning"), QStringLiteral("the"),
                               QStringLiteral("café"),    QStringLiteral("naïve"),
                               QStringLiteral("bridge"),  QStringLiteral("of"),
                               QStringLiteral("stones"),  QStringLiteral("and")};
    const auto sentence = [&](int length) {
        QString text;
        for (int i = 0; i < length; ++i) {
            if (i > 0)
                text += u' ';
            text += words[random.bounded(int(words.size()))];
        }
        return text + QStringLiteral(".");
    };
    QString html;
    qsizetype size = 0;
    for (int section = 0; size < bytes; ++section) {
        QString part;
        part += QStringLiteral("<h2>Section %1</h2>\n").arg(section);
        part += QStringLiteral("<p>%1 <b>%2</b> &amp; %3 &eacute;t&eacute; &#x1F600;</p>\n")
                    .arg(sentence(30), sentence(4), sentence(20));
        part += QStringLiteral("<p>我喜欢在河边散步，早上的空气很新鲜。%1 👩‍👩‍👧 "
                               "🇫🇷 "
                               "👍🏽</p>\n")
                    .arg(sentence(12));
        part += QStringLiteral("<ul>");
        for (int i = 0; i < 5; ++i)
            part += QStringLiteral("<li>%1</li>").arg(sentence(6));
        part += QStringLiteral("</ul>\n");
        if (section % 4 == 0) {
            part += QStringLiteral("<table>");
            for (int row = 0; row < 6; ++row)
                part +=
                    QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(sentence(2), sentence(3));
            part += QStringLiteral("</table>\n");
        }
        if (section % 3 == 0)
            part += QStringLiteral("<pre>\nint walk(int km) {\n    return km * 2; // &lt;ok&gt;\n}"
                                   "</pre>\n");
        part += QStringLiteral("%1<br>\n").arg(sentence(10));
        size += part.toUtf8().size();
        html += part;
    }
    return html;
}

// Types one character at the end of a word somewhere in the post's text (the
// post has spaces only in its text).
QString typeOneCharacter(const QString& html, QRandomGenerator& random)
{
    qsizetype at = html.indexOf(u' ', qsizetype(random.bounded(int(html.size()))));
    if (at < 0)
        at = html.indexOf(u' ');
    QString edited = html;
    edited.insert(at, u's');
    return edited;
}

} // namespace

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
