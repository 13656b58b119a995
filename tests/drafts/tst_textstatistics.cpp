#include "TextStatistics.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTest>
#include <QThread>
#include <memory>

Q_DECLARE_METATYPE(TextCounts)

namespace {

TextCounts counts(int paragraphs, int lines, int words, int letters, int characters)
{
    return {paragraphs, lines, words, letters, characters};
}

QString describe(const TextCounts& c)
{
    return QStringLiteral("paragraphs %1, lines %2, words %3, letters %4, characters %5")
        .arg(c.paragraphs)
        .arg(c.lines)
        .arg(c.words)
        .arg(c.letters)
        .arg(c.characters);
}

// A post of many top-level blocks of every kind the counter joins.
QString mixedPost()
{
    QString html;
    for (int i = 0; i < 12; ++i) {
        html +=
            QStringLiteral("<p>Paragraph %1 with <b>bold</b> and <i>it</i>alic text.</p>\n").arg(i);
        html += QStringLiteral("<ul><li>one</li><li>two &amp; three</li></ul>");
        html += QStringLiteral("Loose text %1<br>after a break<br>\n").arg(i);
        html += QStringLiteral("<pre>\n  code line\n\tindented</pre>");
        html += QStringLiteral("<table><tr><td>a</td><td>b</td></tr></table>");
        html += QStringLiteral(
            "<div>我喜欢在河边散步。ภาษาไทย 👩‍👩‍👧 🇫🇷 "
            "Cafe\u0301</div>");
        html += QStringLiteral("<h2>Heading</h2>  \n\n");
    }
    return html;
}

} // namespace

class TstTextStatistics : public QObject {
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void editsRecountOnlyTheirBlock();
    void cachedNumbersFollowRandomEdits();
    void nothingIsFetched();
    void countsOnAnyThread();
};

void TstTextStatistics::numbers_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<TextCounts>("expected");

    QTest::newRow("empty") << QString() << counts(0, 1, 0, 0, 0);
    QTest::newRow("only spaces") << QStringLiteral(" \n\t ") << counts(0, 1, 0, 0, 0);
    QTest::newRow("empty paragraph") << QStringLiteral("<p></p>") << counts(1, 1, 0, 0, 0);
    QTest::newRow("one paragraph")
        << QStringLiteral("<p>Hello world</p>") << counts(1, 1, 2, 10, 11);
    QTest::newRow("two paragraphs")
        << QStringLiteral("<p>One two.</p><p>Three</p>") << counts(2, 2, 3, 11, 14);
    // A <param> is no paragraph, however it starts.
    QTest::newRow("param") << QStringLiteral(
                                  "<p>a<object><param name=\"x\" value=\"y\"></object></p>")
                           << counts(1, 1, 1, 1, 1);
    QTest::newRow("upper case") << QStringLiteral("<P>Up</P><DIV>down</DIV>")
                                << counts(2, 2, 2, 6, 7);
    QTest::newRow("every paragraph kind")
        << QStringLiteral("<p>a</p><pre>b</pre><div>c</div><ul><li>d</li></ul><ol><li>e</li></ol>"
                          "<blockquote>f</blockquote><section>g</section>")
        << counts(6, 7, 7, 7, 13);
    // Its first newline is not shown; the others are lines, its spaces kept.
    QTest::newRow("pre") << QStringLiteral("<pre>\nline one\n  line two\n</pre>")
                         << counts(1, 2, 4, 14, 19);
    QTest::newRow("entities") << QStringLiteral(
                                     "<p>Fish &amp; chips &eacute;t&eacute; &#x1F600;</p>")
                              << counts(1, 1, 3, 12, 18);
    // Dictionary words, every letter counted: no word loses its first one to
    // the word before it.
    QTest::newRow("chinese") << QStringLiteral("<p>我喜欢在河边散步。</p>")
                             << counts(1, 1, 6, 8, 9);
    QTest::newRow("thai") << QStringLiteral("<p>ภาษาไทยง่ายนิดเดียว</p>") << counts(1, 1, 5, 16, 16);
    QTest::newRow("words without a space")
        << QStringLiteral("<p>a😀b one,two</p>") << counts(1, 1, 4, 8, 11);
    QTest::newRow("emoji sequences and flags")
        << QStringLiteral("<p>👩‍👩‍👧 🇫🇷 👍🏽</p>") << counts(1, 1, 0, 0, 5);
    QTest::newRow("decomposed accents")
        << QStringLiteral("<p>Cafe\u0301 re\u0301sume\u0301</p>") << counts(1, 1, 2, 10, 11);
    QTest::newRow("punctuation is no word")
        << QStringLiteral("<p>Wait ... \u2014 !! ok</p>") << counts(1, 1, 2, 6, 16);
    QTest::newRow("line breaks") << QStringLiteral("<p>one<br>two<br><br>three</p>")
                                 << counts(1, 4, 3, 11, 14);
    QTest::newRow("lists and tables")
        << QStringLiteral("<ul><li>a</li><li>b</li></ul><table><tr><td>x</td><td>y</td></tr>"
                          "<tr><td>z</td></tr></table>")
        << counts(1, 4, 5, 5, 9);
    QTest::newRow("inline markup inside a word")
        << QStringLiteral("<p>in<b>line</b>d</p>") << counts(1, 1, 1, 7, 7);
    QTest::newRow("scripts and styles are not shown")
        << QStringLiteral("<p>shown</p><script>var hidden = \"<p>\";</script><style>p{}</style>")
        << counts(1, 1, 1, 5, 5);
    QTest::newRow("folded whitespace")
        << QStringLiteral("  lead   text \n\n <div>\n block </div> tail ")
        << counts(1, 3, 4, 17, 20);
    QTest::newRow("a NUL character")
        << QStringLiteral("<p>a%1b</p><p>c</p>").arg(QChar(0)) << counts(2, 2, 2, 3, 4);
    QTest::newRow("comment") << QStringLiteral("<p>a<!-- <p>no</p> -->b</p>")
                             << counts(1, 1, 1, 2, 2);
    QTest::newRow("unclosed paragraphs")
        << QStringLiteral("<p>one<p>two<div>three") << counts(3, 3, 3, 11, 13);
    QTest::newRow("a stray end tag")
        << QStringLiteral("<p>a<div>b</div>c</p>d<p>e</p>") << counts(3, 4, 4, 5, 8);
    // Unfinished at the post's end: the last piece is read as the post ends.
    QTest::newRow("an unfinished instruction") << QStringLiteral("<?l") << counts(0, 1, 1, 1, 1);
    QTest::newRow("an unfinished instruction after blocks")
        << QStringLiteral("<p>a</p><p>b</p><?php echo 1") << counts(2, 2, 2, 2, 3);
    QTest::newRow("an unfinished comment")
        << QStringLiteral("<p>a</p><p>b</p><!-- c") << counts(2, 2, 2, 2, 3);
    QTest::newRow("an unfinished tag")
        << QStringLiteral("<p>a</p><p>b</p><p class='x") << counts(3, 2, 2, 2, 3);
}

void TstTextStatistics::numbers()
{
    QFETCH(QString, html);
    QFETCH(TextCounts, expected);
    const TextCounts fresh = TextStatistics::countFresh(html);
    QVERIFY2(fresh == expected, qPrintable(describe(fresh)));
    TextStatistics statistics;
    const TextCounts cached = statistics.count(html);
    QVERIFY2(cached == expected, qPrintable(describe(cached)));
    QVERIFY(statistics.count(html) == expected);
    QCOMPARE(statistics.blocksRecounted(), 0);
}

void TstTextStatistics::editsRecountOnlyTheirBlock()
{
    QString html = mixedPost();
    TextStatistics statistics;
    const TextCounts before = statistics.count(html);
    // Blocks that read the same are read once.
    QVERIFY(statistics.blocksRecounted() > 20);
    const qsizetype at = html.indexOf(QStringLiteral("Paragraph 5"));
    html.insert(at, QStringLiteral("New "));
    const TextCounts after = statistics.count(html);
    QCOMPARE(statistics.blocksRecounted(), 1);
    QCOMPARE(after.words, before.words + 1);
    QVERIFY(after == TextStatistics::countFresh(html));
}

void TstTextStatistics::cachedNumbersFollowRandomEdits()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    const QStringList insertions = {
        QStringLiteral("a"),  QStringLiteral(" "),      QStringLiteral("\n"), QStringLiteral("<"),
        QStringLiteral(">"),  QStringLiteral("&"),      QStringLiteral("/"),  QStringLiteral("\""),
        QStringLiteral("河"), QStringLiteral("\u0301"), QStringLiteral("ไ"),  QStringLiteral("😀")};
    QString html = mixedPost();
    TextStatistics statistics;
    for (int edit = 0; edit < 200; ++edit) {
        const qsizetype at = qsizetype(random.bounded(int(html.size()) + 1));
        switch (random.bounded(4)) {
        case 0:
        case 1:
            html.insert(at, insertions[random.bounded(int(insertions.size()))]);
            break;
        case 2:
            if (at < html.size())
                html.remove(at, html.at(at).isHighSurrogate() ? 2 : 1);
            break;
        default:
            html.insert(at, QStringLiteral("</p><p>"));
            break;
        }
        const TextCounts cached = statistics.count(html);
        const TextCounts fresh = TextStatistics::countFresh(html);
        QVERIFY2(cached == fresh, qPrintable(QStringLiteral("seed %1, edit %2: cached %3, fresh %4")
                                                 .arg(seed)
                                                 .arg(edit)
                                                 .arg(describe(cached), describe(fresh))));
    }
}

void TstTextStatistics::nothingIsFetched()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
    const QString html =
        QStringLiteral(
            "<!DOCTYPE html SYSTEM \"%1doctype.dtd\">"
            "<!DOCTYPE doc [<!ENTITY far SYSTEM \"%1entity.txt\">]>"
            "<p>Look &far; <img src=\"%1image.png\"></p>"
            "<link rel=\"stylesheet\" href=\"%1style.css\">"
            "<script src=\"%1script.js\"></script>"
            "<iframe src=\"%1frame.html\"></iframe><object data=\"%1object.svg\"></object>"
            "<p style=\"background: url(%1background.png)\">there</p>")
            .arg(base);
    // A parser that fetched would wait for the answer this server never sends.
    TextCounts cached;
    TextCounts fresh;
    std::unique_ptr<QThread> counting(QThread::create([&] {
        TextStatistics statistics;
        cached = statistics.count(html);
        fresh = TextStatistics::countFresh(html);
    }));
    counting->start();
    QVERIFY(counting->wait(20000));
    QVERIFY(!server.waitForNewConnection(200));
    QVERIFY(!server.hasPendingConnections());
    QVERIFY(cached == fresh);
    QVERIFY(fresh.words > 0);
}

void TstTextStatistics::countsOnAnyThread()
{
    const QString html = mixedPost();
    const TextCounts expected = TextStatistics::countFresh(html);
    TextCounts results[3];
    std::unique_ptr<QThread> threads[3];
    for (int i = 0; i < 3; ++i) {
        threads[i].reset(QThread::create([&html, &result = results[i]] {
            TextStatistics statistics;
            result = statistics.count(html);
        }));
        threads[i]->start();
    }
    for (int i = 0; i < 3; ++i) {
        QVERIFY(threads[i]->wait(20000));
        QVERIFY(results[i] == expected);
    }
}

QTEST_GUILESS_MAIN(TstTextStatistics)
#include "tst_textstatistics.moc"
