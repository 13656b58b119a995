#include "ConsoleColorizer.h"
#include "ConsoleLogFile.h"

#include <QTest>

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

} // namespace

class TestConsoleColorizer : public QObject {
    Q_OBJECT
private slots:
    void colours_data();
    void colours();
    void suggestedFileName_data();
    void suggestedFileName();
};

void TestConsoleColorizer::colours_data()
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

void TestConsoleColorizer::colours()
{
    QFETCH(QString, text);
    QFETCH(QString, roles);
    QCOMPARE(roleMap(text), roles);
}

void TestConsoleColorizer::suggestedFileName_data()
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

void TestConsoleColorizer::suggestedFileName()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QCOMPARE(ConsoleLogFile::suggestedFileName(text), name);
}

QTEST_GUILESS_MAIN(TestConsoleColorizer)
#include "tst_consolecolorizer.moc"
