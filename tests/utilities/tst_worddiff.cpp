#include "StringEncoding.h"
#include "WordDiff.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <ctime>

namespace {

// The thread's processor time in milliseconds: what the comparison costs,
// whatever else the machine is doing.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1.0e6;
}

QString unescaped(QString html)
{
    html.replace(QLatin1String("&lt;"), QLatin1String("<"));
    html.replace(QLatin1String("&gt;"), QLatin1String(">"));
    html.replace(QLatin1String("&quot;"), QLatin1String("\""));
    html.replace(QLatin1String("&#39;"), QLatin1String("'"));
    html.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return html;
}

// The first text back from a difference (what was removed kept, what was
// added dropped), or the second.
QString side(const QString& diff, bool first)
{
    static const QRegularExpression del(QStringLiteral("<del>(.*?)</del>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression ins(QStringLiteral("<ins>(.*?)</ins>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    QString text = diff;
    text.replace(first ? ins : del, QString());
    text.replace(first ? del : ins, QStringLiteral("\\1"));
    return unescaped(text);
}

// A difference is safe when, its own four tags taken out, no character of
// markup is left.
bool onlyOwnMarkup(const QString& diff)
{
    QString rest = diff;
    for (const char* tag : {"<del>", "</del>", "<ins>", "</ins>"})
        rest.remove(QLatin1String(tag));
    return !rest.contains(QLatin1Char('<')) && !rest.contains(QLatin1Char('>')) &&
           !rest.contains(QLatin1Char('"')) && !rest.contains(QLatin1Char('\''));
}

// The pieces of the first text the difference keeps: all of them but those
// inside <del>. A removed stretch starts and ends where pieces do, so cutting
// it again gives the very pieces it held.
qsizetype sharedPieces(const QString& before, const QString& diff)
{
    static const QRegularExpression del(QStringLiteral("<del>(.*?)</del>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    qsizetype count = rv::wordDiffPieces(before).size();
    for (const QRegularExpressionMatch& match : del.globalMatch(diff))
        count -= rv::wordDiffPieces(unescaped(match.captured(1))).size();
    return count;
}

// The length of the longest common subsequence of the pieces of two texts.
qsizetype longestCommonSequence(const QString& a, const QString& b)
{
    const QList<QStringView> x = rv::wordDiffPieces(a);
    const QList<QStringView> y = rv::wordDiffPieces(b);
    std::vector<std::vector<qsizetype>> best(size_t(x.size() + 1),
                                             std::vector<qsizetype>(size_t(y.size() + 1), 0));
    for (qsizetype i = x.size() - 1; i >= 0; --i) {
        for (qsizetype j = y.size() - 1; j >= 0; --j) {
            best[size_t(i)][size_t(j)] = x[i] == y[j] ? best[size_t(i + 1)][size_t(j + 1)] + 1
                                                      : std::max(best[size_t(i + 1)][size_t(j)],
                                                                 best[size_t(i)][size_t(j + 1)]);
        }
    }
    return best[0][0];
}

QString randomText(QRandomGenerator& random, const QStringList& vocabulary, qsizetype length,
                   const QStringList& separators)
{
    QString text;
    text.reserve(length + 32);
    while (text.size() < length) {
        text += vocabulary.at(random.bounded(int(vocabulary.size())));
        text += separators.at(random.bounded(int(separators.size())));
    }
    return text;
}

QStringList words(int count, const QString& prefix)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << prefix + QString::number(i, 36);
    return list;
}

} // namespace

class tst_WordDiff : public QObject {
    Q_OBJECT
private slots:
    void pieces_data();
    void pieces();
    void differences_data();
    void differences();
    void everyPieceIsEscapedAndBothTextsComeBack();
    void findsTheLongestSharedSequence();
    void aSpentBudgetStillGivesAWholeAnswer();
    void megabyteTextsTakeBoundedTime_data();
    void megabyteTextsTakeBoundedTime();
};

void tst_WordDiff::pieces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("words and spaces") << "two  words\n" << QStringList{"two", "  ", "words", "\n"};
    QTest::newRow("whole tags") << "<p class=\"a b\">x</p>"
                                << QStringList{"<p class=\"a b\">", "x", "</p>"};
    QTest::newRow("comment") << "a<!-- note -->b" << QStringList{"a", "<!-- note -->", "b"};
    QTest::newRow("references") << "Tom&amp;Jerry &#233;t&#xE9;"
                                << QStringList{"Tom",    "&amp;", "Jerry", " ",
                                               "&#233;", "t",     "&#xE9;"};
    QTest::newRow("no reference without ;") << "&amp x" << QStringList{"&", "amp", " ", "x"};
    QTest::newRow("a lone less-than") << "a < b" << QStringList{"a", " ", "<", " ", "b"};
    QTest::newRow("unclosed tag") << "<a href" << QStringList{"<", "a", " ", "href"};
    QTest::newRow("punctuation alone")
        << "don't, ok." << QStringList{"don", "'", "t", ",", " ", "ok", "."};
    QTest::newRow("letters beyond Latin")
        << QString::fromUtf8("naïve Grüße 東京")
        << QStringList{QString::fromUtf8("naïve"), " ", QString::fromUtf8("Grüße"), " ",
                       QString::fromUtf8("東京")};
    QTest::newRow("combining mark stays in its word")
        << QString::fromUtf8("cafe\u0301 x")
        << QStringList{QString::fromUtf8("cafe\u0301"), " ", "x"};
    QTest::newRow("emoji is one piece")
        << QString::fromUtf8("a😀b") << QStringList{"a", QString::fromUtf8("😀"), "b"};
}

void tst_WordDiff::pieces()
{
    QFETCH(QString, text);
    QFETCH(QStringList, pieces);
    QStringList found;
    for (const QStringView piece : rv::wordDiffPieces(text))
        found << piece.toString();
    QCOMPARE(found, pieces);
}

void tst_WordDiff::differences_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("diff");
    QTest::newRow("same") << "one two"
                          << "one two"
                          << "one two";
    QTest::newRow("both empty") << ""
                                << ""
                                << "";
    QTest::newRow("all new") << ""
                             << "new text"
                             << "<ins>new text</ins>";
    QTest::newRow("all gone") << "old text"
                              << ""
                              << "<del>old text</del>";
    QTest::newRow("a word replaced") << "the quick fox"
                                     << "the slow fox"
                                     << "the <del>quick</del><ins>slow</ins> fox";
    QTest::newRow("a word added") << "red blue"
                                  << "red green blue"
                                  << "red <ins>green </ins>blue";
    QTest::newRow("part of a word is the whole word") << "colour"
                                                      << "color"
                                                      << "<del>colour</del><ins>color</ins>";
    QTest::newRow("space alone between changes joins them")
        << "one two three"
        << "uno dos three"
        << "<del>one two</del><ins>uno dos</ins> three";
    QTest::newRow("white space changed") << "a b"
                                         << "a\n\nb"
                                         << "a<del> </del><ins>\n\n</ins>b";
    QTest::newRow("a tag changed")
        << "<p>Hello</p>"
        << "<p class=\"x\">Hello</p>"
        << "<del>&lt;p&gt;</del><ins>&lt;p class=&quot;x&quot;&gt;</ins>Hello&lt;/p&gt;";
    QTest::newRow("a tag added around a word")
        << "a big deal"
        << "a <b>big</b> deal"
        << "a <ins>&lt;b&gt;</ins>big<ins>&lt;/b&gt;</ins> deal";
    QTest::newRow("a reference is one piece")
        << "Tom &amp; Jerry"
        << "Tom &lt; Jerry"
        << "Tom <del>&amp;amp;</del><ins>&amp;lt;</ins> Jerry";
    QTest::newRow("quotes and apostrophes")
        << "say \"hi\""
        << "say 'hi'"
        << "say <del>&quot;</del><ins>&#39;</ins>hi<del>&quot;</del><ins>&#39;</ins>";
    QTest::newRow("script from the server")
        << "text"
        << "text<script>alert(1)</script>"
        << "text<ins>&lt;script&gt;alert(1)&lt;/script&gt;</ins>";
}

void tst_WordDiff::differences()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, diff);
    QCOMPARE(rv::wordDiff(before, after), diff);
}

void tst_WordDiff::everyPieceIsEscapedAndBothTextsComeBack()
{
    const QStringList vocabulary{
        "<script>alert(1)</script>",
        "<img src=x onerror=\"alert(1)\">",
        "</del>",
        "<ins>",
        "&amp;",
        "&lt;",
        "&",
        "<",
        ">",
        "\"",
        "'",
        "word",
        "other",
        "<p>",
        "</p>",
        "<!--",
        "-->",
        "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src *\">",
        "&#x3c;"};
    const QStringList separators{" ", "", "\n", "  "};
    QRandomGenerator random(21);
    for (int round = 0; round < 300; ++round) {
        const QString a = randomText(random, vocabulary, random.bounded(200), separators);
        const QString b = randomText(random, vocabulary, random.bounded(200), separators);
        const QString diff = rv::wordDiff(a, b);
        QVERIFY2(onlyOwnMarkup(diff), qPrintable(diff));
        QCOMPARE(side(diff, true), a);
        QCOMPARE(side(diff, false), b);
    }
}

void tst_WordDiff::findsTheLongestSharedSequence()
{
    // Without white space no change is joined with its neighbour, so the
    // shared text is what the search found.
    const QStringList vocabulary{"a", "b", "c", "dd", "eee", "<i>", "</i>", "&amp;", ".", ","};
    QRandomGenerator random(7);
    for (int round = 0; round < 300; ++round) {
        const QString a = randomText(random, vocabulary, random.bounded(120), {""});
        const QString b = randomText(random, vocabulary, random.bounded(120), {""});
        const QString diff = rv::wordDiff(a, b);
        QVERIFY2(sharedPieces(a, diff) == longestCommonSequence(a, b),
                 qPrintable(a + " | " + b + " | " + diff));
    }
}

void tst_WordDiff::aSpentBudgetStillGivesAWholeAnswer()
{
    QRandomGenerator random(3);
    const QStringList vocabulary = words(30, QStringLiteral("w"));
    const QString a = randomText(random, vocabulary, 20000, {" ", "\n"});
    const QString b = randomText(random, vocabulary, 20000, {" ", "\n"});
    const QString poor = rv::wordDiff(a, b, rv::WordDiffLimits{1000});
    QCOMPARE(side(poor, true), a);
    QCOMPARE(side(poor, false), b);
    // A real budget finds more of what is shared.
    const QString good = rv::wordDiff(a, b);
    QCOMPARE(side(good, true), a);
    QCOMPARE(side(good, false), b);
    QVERIFY(sharedPieces(a, good) > sharedPieces(a, poor));
}

void tst_WordDiff::megabyteTextsTakeBoundedTime_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    constexpr qsizetype megabyte = 1024 * 1024;
    QRandomGenerator random(1);
    const QStringList separators{" ", " ", " ", "\n", "<br>", "</p>\n<p>", ", ", ". "};
    const QStringList many = words(5000, QStringLiteral("x"));
    const QString post = randomText(random, many, megabyte, separators);

    // An edited copy: one piece in a hundred replaced, some added and removed.
    QString edited;
    edited.reserve(post.size() + 1000);
    for (const QStringView piece : rv::wordDiffPieces(post)) {
        const int dice = random.bounded(300);
        if (dice == 0)
            continue;
        if (dice == 1)
            edited += QStringLiteral("inserted ");
        edited += dice == 2 ? QStringLiteral("changed") : piece.toString();
    }
    QTest::newRow("an edited post") << post << edited;

    const QStringList few = words(40, QStringLiteral("y"));
    QTest::newRow("unrelated texts of the same words")
        << randomText(random, few, megabyte, separators)
        << randomText(random, few, megabyte, separators);
    QTest::newRow("nothing shared")
        << randomText(random, many, megabyte, {" "})
        << randomText(random, words(5000, QStringLiteral("z")), megabyte, {"\n"});
    QTest::newRow("one side empty") << post << QString();
    QString markup;
    while (markup.size() < megabyte)
        markup += QStringLiteral("<div class=\"c%1\"><span>&amp;%2</span></div>\n")
                      .arg(random.bounded(50))
                      .arg(random.bounded(50));
    QString otherMarkup = markup;
    otherMarkup.replace(QLatin1String("span"), QLatin1String("em"));
    QTest::newRow("markup throughout") << markup << otherMarkup;
    QTest::newRow("lines reversed") << post << [&] {
        QStringList lines = post.split(QLatin1Char('\n'));
        std::reverse(lines.begin(), lines.end());
        return lines.join(QLatin1Char('\n'));
    }();
}

void tst_WordDiff::megabyteTextsTakeBoundedTime()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    const double start = threadMilliseconds();
    const QString diff = rv::wordDiff(before, after);
    const double spent = threadMilliseconds() - start;
    qInfo("%.1f ms", spent);
    // Far below what an unbounded diff of two megabytes takes (minutes), with
    // room for the slower and busier machines the tests run on (350 ms seen
    // for the worst row on an idle one).
    QVERIFY2(spent < 1000.0, qPrintable(QStringLiteral("%1 ms").arg(spent)));
    QCOMPARE(side(diff, true), before);
    QCOMPARE(side(diff, false), after);
}

QTEST_GUILESS_MAIN(tst_WordDiff)
#include "tst_worddiff.moc"
