#include "ConsoleColorizer.h"
#include "ConsoleHighlighter.h"
#include "ConsoleLogFile.h"
#include "RecordedAnswer.h"
#include "ThreadCpuTimer.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// One letter per character: T text, C code (inside a tag), A attribute value, B bracket.
QString roleMap(const QString& text)
{
    QString map(text.size(), QLatin1Char('?'));
    qsizetype expectedStart = 0;
    for (const ConsoleSpan& span : colorizeConsoleText(text)) {
        if (span.start != expectedStart)
            return QStringLiteral("gap at %1").arg(expectedStart);
        const char letter = "TCAB"[static_cast<int>(span.role)];
        for (qsizetype i = span.start; i < span.start + span.length; ++i)
            map[i] = QLatin1Char(letter);
        expectedStart = span.start + span.length;
    }
    return map;
}

QChar roleLetter(ConsoleRole role)
{
    return QLatin1Char("TCAB"[static_cast<int>(role)]);
}

// The colours of each piece on its own, one letter per character of the
// document the pieces make; "-" where a block ends.
QString wholePieceColours(const QStringList& pieces)
{
    QString map;
    for (QString piece : pieces) {
        piece.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        QString colours(piece.size(), QLatin1Char('?'));
        for (const ConsoleSpan& span : colorizeConsoleText(piece))
            colours.replace(span.start, span.length, QString(span.length, roleLetter(span.role)));
        for (qsizetype i = 0; i < piece.size(); ++i)
            if (piece.at(i) == u'\n')
                colours[i] = QLatin1Char('-');
        map += colours;
    }
    return map;
}

// The same pieces appended to a document, coloured block by block.
QString blockColours(const QStringList& pieces)
{
    QTextDocument document;
    ConsoleHighlighter highlighter(&document);
    for (const QString& piece : pieces)
        highlighter.append(piece);
    QString map(document.characterCount() - 1, QLatin1Char('-'));
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        for (const ConsoleSpan& span : highlighter.spans(block))
            map.replace(block.position() + span.start, span.length,
                        QString(span.length, roleLetter(span.role)));
    }
    return map;
}

} // namespace

class tst_ConsoleColorizer : public QObject {
    Q_OBJECT
private slots:
    void colours_data();
    void colours();
    void blocksColourAsTheirWholePiece_data();
    void blocksColourAsTheirWholePiece();
    void blocksOfRandomPieces();
    void tenMegabyteAnswer();
    void suggestedFileName_data();
    void suggestedFileName();
};

void tst_ConsoleColorizer::colours_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("roles");
    QTest::newRow("tag with attribute, word, closing tag") << R"(<a href="x">hi</a>)"
                                                           << "BCCCCCCCAAABTTBCCB";
    QTest::newRow("plain text") << "hello"
                                << "TTTTT";
    QTest::newRow("no < but a >: only the first > is a bracket") << "a>b>"
                                                                 << "TBTT";
    QTest::newRow("ends inside a tag") << "x<methodName a"
                                       << "TBCCCCCCCCCCCC";
    QTest::newRow("two attribute values") << R"(<i a="1" b="2">)"
                                          << "BCCCCAAACCCAAAB";
    QTest::newRow("unpaired quote ends the search") << R"(<i a="1>)"
                                                    << "BCCCCCCB";
    QTest::newRow("quotes outside tags are text") << R"("q"<b>)"
                                                  << "TTTBCB";
    QTest::newRow("> after the last tag stays text") << "<b>x>y"
                                                     << "BCBTTT";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("response log line")
        << "Status            : 200\n<ok/>" << QStringLiteral("T").repeated(24) + "BCCCB";
}

void tst_ConsoleColorizer::colours()
{
    QFETCH(QString, text);
    QFETCH(QString, roles);
    QCOMPARE(roleMap(text), roles);
}

void tst_ConsoleColorizer::blocksColourAsTheirWholePiece_data()
{
    // A block is coloured on its own, long after its piece was appended; what
    // lies beyond it (the tag's end, the closing quote) comes from what was
    // noted about the lines when the piece came.
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("tag over three lines") << QStringList{"a <b\nc=\"d\"\ne> f\n"};
    QTest::newRow("quoted value over lines") << QStringList{"<a b=\"1\n2\n3\" c>d"};
    QTest::newRow("quote closing after the tag's end") << QStringList{"<a b=\"1\n>\"\n<c>"};
    QTest::newRow("tag that never closes") << QStringList{"x <a b=\"1\"\n\"2\"\n", "<ok/>"};
    QTest::newRow("lone bracket on a later line") << QStringList{"a\nb\nc > d > e"};
    QTest::newRow("pieces sharing a line") << QStringList{"<a hr", "ef>", "x>y", "<b \"c\n\">"};
    QTest::newRow("windows line ends") << QStringList{"<a\r\nb=\"1\r\n2\">\r", "\r\n<c>"};
    QTest::newRow("response log") << QStringList{
        "Response:\nStatus            : 200\n\n",
        "<?xml version=\"1.0\"?>\n<methodResponse><params><param><value>\n"
        "<string>a &lt;b&gt;</string></value></param></params></methodResponse>\n\n"};
}

void tst_ConsoleColorizer::blocksColourAsTheirWholePiece()
{
    QFETCH(QStringList, pieces);
    QCOMPARE(blockColours(pieces), wholePieceColours(pieces));
}

void tst_ConsoleColorizer::blocksOfRandomPieces()
{
    QRandomGenerator random(20261210);
    const QString alphabet = QStringLiteral("<>\"\"a \n\n\r");
    for (int round = 0; round < 3000; ++round) {
        QStringList pieces;
        for (int p = 0, count = random.bounded(1, 4); p < count; ++p) {
            QString piece;
            for (int i = 0, length = random.bounded(1, 40); i < length; ++i)
                piece += alphabet.at(random.bounded(int(alphabet.size())));
            pieces << piece;
        }
        const QString expected = wholePieceColours(pieces);
        const QString actual = blockColours(pieces);
        if (actual != expected) {
            QStringList shown;
            for (const QString& piece : pieces)
                shown << QString::fromLatin1(piece.toUtf8().toPercentEncoding());
            QFAIL(qPrintable(QStringLiteral("pieces %1\n   blocks %2\n   whole  %3")
                                 .arg(shown.join(QLatin1Char(' ')), actual, expected)));
        }
    }
}

void tst_ConsoleColorizer::tenMegabyteAnswer()
{
    // A real answer has its quotes near the top only: a quote search not bounded
    // by its tag ran to the end of the text from every tag.
    const QString answer = plumet::test::recordedPostsAnswer(10'000'000);
    plumet::test::ThreadCpuTimer timer;
    const QList<ConsoleSpan> spans = colorizeConsoleText(answer);
    const QList<ConsoleState> lines = consoleLineStates(answer);
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    QCOMPARE(spans.last().start + spans.last().length, answer.size());
    QCOMPARE(lines.size(), answer.count(u'\n'));
    QCOMPARE(spans.at(0), (ConsoleSpan{0, 1, ConsoleRole::Bracket}));
    QCOMPARE(spans.at(2), (ConsoleSpan{14, 5, ConsoleRole::Attribute})); // "1.0"
}

void tst_ConsoleColorizer::suggestedFileName_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::newRow("xml") << "Request with URL:\n<?xml version=\"1.0\"?>"
                         << "plumet-source.xml";
    QTest::newRow("html wins") << "<?xml?><HTML>"
                               << "plumet-source.html";
    QTest::newRow("plain") << "Connection failed:"
                           << "plumet-source.txt";
}

void tst_ConsoleColorizer::suggestedFileName()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QCOMPARE(ConsoleLogFile::suggestedFileName(text), name);
}

QTEST_MAIN(tst_ConsoleColorizer)
#include "tst_consolecolorizer.moc"
