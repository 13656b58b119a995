#include "FormatterManager.h"
#include "TextileRunner.h"
#include "ThreadCpuTimer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

FormatterManager& formatters()
{
    static FormatterManager* manager = [] {
        auto* m = new FormatterManager;
        m->setUserFolder(QString());
        m->loadFormatters();
        return m;
    }();
    return *manager;
}

PLUMETFormatterProtocol* convertBreaksFormatter()
{
    return formatters().formatterForKey("ConvertBreaks");
}

PLUMETFormatterProtocol* textileFormatter()
{
    return formatters().formatterForKey("Textile");
}

QString writeScript(const QTemporaryDir& dir, const QByteArray& body)
{
    const QString path = dir.filePath("textile.perl");
    QFile script(path);
    if (script.open(QIODevice::WriteOnly))
        script.write(body);
    return path;
}

} // namespace

class tst_Formatters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void convertBreaks_data();
    void convertBreaks();
    void convertBreaksHostile_data();
    void convertBreaksHostile();
    void willHandleFormat_data();
    void willHandleFormat();
    void textile_data();
    void textile();
    void textileLargePost();
    void textileFailures_data();
    void textileFailures();
    void textileTimeLimit();
    void failedFormatterLeavesTextUnchanged();
};

void tst_Formatters::initTestCase()
{
    QCOMPARE(formatters().loadErrors(), QStringList());
    QCOMPARE(formatters().formatterKeys(), (QStringList{"ConvertBreaks", "Textile"}));
    QVERIFY(convertBreaksFormatter()->allowsHTMLEditing());
    QVERIFY(convertBreaksFormatter()->urlTemplate().isNull());
    QVERIFY(!textileFormatter()->allowsHTMLEditing());
    QCOMPARE(textileFormatter()->urlTemplate(), QStringLiteral("$text$ ($title$):$url$"));
}

void tst_Formatters::convertBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("html");

    QTest::newRow("paragraphs and a line break") << "Line one\nLine two\n\nLine three"
                                                 << "<p>Line one<br/>Line two</p><p>Line three</p>";
    QTest::newRow("heading stays unwrapped") << "<h2>Title</h2>\n\nText"
                                             << "<h2>Title</h2><p>Text</p>";
    QTest::newRow("list stays unwrapped") << "<ul>\n<li>a</li>\n</ul>\n\nx"
                                          << "<ul><li>a</li></ul><p>x</p>";
    QTest::newRow("division stays unwrapped") << "<div class=\"x\">block</div>"
                                              << "<div class=\"x\">block</div>";
    QTest::newRow("division swallows the next line") << "<div>a</div>\n\nb"
                                                     << "<div>a</div>\nb";
    QTest::newRow("rule stays unwrapped") << "<hr />\n\nafter"
                                          << "<hr /><p>after</p>";
    QTest::newRow("closing tag name") << "</blockquote>\n\nx"
                                      << "</blockquote><p>x</p>";
    QTest::newRow("emphasis is wrapped") << "<em>hi</em> there\n\nnext"
                                         << "<p><em>hi</em> there</p><p>next</p>";
    QTest::newRow("list item is wrapped") << "<li>x</li>"
                                          << "<p><li>x</li></p>";
    QTest::newRow("paragraph tag anywhere") << "a\n\nb <P class=x>c</P>"
                                            << "a\n\nb <P class=x>c</P>";
    QTest::newRow("preformatted text") << "x\n\n<pre>code\n\nmore</pre>"
                                       << "x\n\n<pre>code\n\nmore</pre>";
    QTest::newRow("three line feeds") << "a\n\n\nb"
                                      << "<p>a</p><p><br/>b</p>";
    QTest::newRow("windows line ends") << "a\r\nb\r\n\r\nc"
                                       << "<p>a<br/>b</p><p>c</p>";
    QTest::newRow("lone carriage return") << "a\rb"
                                          << "<p>a\rb</p>";
    QTest::newRow("break tags at line ends") << "a<br>\nb<br />\nc"
                                             << "<p>a<br/>b<br/>c</p>";
    QTest::newRow("spaces around line ends") << "a   \n  b"
                                             << "<p>a<br/>b</p>";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only line feeds") << "\n\n\n\n"
                                     << "";
}

void tst_Formatters::convertBreaks()
{
    QFETCH(QString, text);
    QFETCH(QString, html);
    QCOMPARE(convertBreaksFormatter()->formatText(text), html);
}

void tst_Formatters::convertBreaksHostile_data()
{
    // Long runs of what the normalising rules remove one at a time when applied
    // until nothing changes; the answers are those of rule-by-rule replacement.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("html");
    const int n = 200000;
    const QString spaces(n, QLatin1Char(' '));
    const QString lineFeeds(n, QLatin1Char('\n'));
    QTest::newRow("spaces before a line feed") << "a" + spaces + "\nb"
                                               << "<p>a<br/>b</p>";
    QTest::newRow("spaces after a line feed") << "a\n" + spaces + "b"
                                              << "<p>a<br/>b</p>";
    QTest::newRow("space, line feed, over and over") << "a" + QString(" \n").repeated(n) + "b"
                                                     << "<p>a</p><p>b</p>";
    QTest::newRow("line feed, space, over and over") << "a" + QString("\n ").repeated(n) + "b"
                                                     << "<p>a</p><p>b</p>";
    QTest::newRow("spaces before a list item") << spaces + "<li>x</li>"
                                               << "<p><li>x</li></p>";
    QTest::newRow("line feeds before a list item") << "a" + lineFeeds + "<li>x</li>"
                                                   << "<p>a<li>x</li></p>";
    QTest::newRow("line feeds after a list item") << "<li>x</li>" + lineFeeds + "b"
                                                  << "<p><li>x</li>b</p>";
    QTest::newRow("list items with space and line feed")
        << QString("<li>x</li> \n").repeated(n)
        << "<p>" + QString("<li>x</li>").repeated(n) + "</p>";
    // The space before a carriage return outlives the rules that ran before
    // line ends were made plain line feeds.
    QTest::newRow("space before windows line ends") << QString(" \r\n").repeated(n) + "a"
                                                    << "<p> </p><p>a</p>";
}

void tst_Formatters::convertBreaksHostile()
{
    QFETCH(QString, text);
    QFETCH(QString, html);
    plumet::test::ThreadCpuTimer timer;
    const QString formatted = convertBreaksFormatter()->formatText(text);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(formatted, html);
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
}

void tst_Formatters::willHandleFormat_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("convertBreaks");
    QTest::addColumn<bool>("textile");
    QTest::newRow("Convert Breaks") << "Convert Breaks" << true << false;
    QTest::newRow("CONVERT") << "CONVERT" << true << false;
    QTest::newRow("linebreaks") << "linebreaks" << true << false;
    QTest::newRow("default") << "default" << true << false;
    QTest::newRow("__default__") << "__default__" << true << false;
    QTest::newRow("textile_2") << "textile_2" << false << true;
    QTest::newRow("Textile") << "Textile" << false << true;
    QTest::newRow("markdown") << "markdown" << false << false;
}

void tst_Formatters::willHandleFormat()
{
    QFETCH(QString, format);
    QFETCH(bool, convertBreaks);
    QFETCH(bool, textile);
    QCOMPARE(convertBreaksFormatter()->willHandleFormat(format), convertBreaks);
    QCOMPARE(textileFormatter()->willHandleFormat(format), textile);
}

void tst_Formatters::textile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("html");
    QTest::newRow("heading") << "h1. A heading"
                             << "<h1>A heading</h1>";
    QTest::newRow("ampersand") << "Fish & chips"
                               << "<p>Fish &amp; chips</p>";
    QTest::newRow("non-ASCII") << "h2. Café Crème 😀 – ✓"
                               << "<h2>Café Crème 😀 – ✓</h2>";
    QTest::newRow("strong") << "Some *bold* text"
                            << "<p>Some <strong>bold</strong> text</p>";
}

void tst_Formatters::textile()
{
    QFETCH(QString, text);
    QFETCH(QString, html);
    QCOMPARE(textileFormatter()->formatText(text).trimmed(), html);
}

void tst_Formatters::textileLargePost()
{
    // Far more than a pipe holds, in both directions.
    const QString paragraph = "Plain words in a paragraph of a long post, with one & in it.\n\n";
    QString text;
    while (text.size() < 1024 * 1024)
        text += paragraph;
    const QString html = textileFormatter()->formatText(text);
    const int paragraphs = int(text.size() / paragraph.size());
    QCOMPARE(int(html.count("<p>Plain words")), paragraphs);
    QCOMPARE(int(html.count("&amp;")), paragraphs);
    QVERIFY(html.trimmed().endsWith("</p>"));
}

void tst_Formatters::textileFailures_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("reason");
    QTest::newRow("dies") << QByteArray("die \"no textile today\\n\";\n") << "no textile today";
    QTest::newRow("syntax error") << QByteArray("print (;\n") << "syntax error";
    QTest::newRow("missing module")
        << QByteArray("use Text::NoSuchModule;\n") << "Text/NoSuchModule.pm";
}

void tst_Formatters::textileFailures()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const TextileRunner::Result result = TextileRunner(writeScript(dir, script)).run("h1. x");
    QVERIFY(result.html.isEmpty());
    QVERIFY2(result.error.contains(reason), qPrintable(result.error));

    const TextileRunner::Result missing = TextileRunner(dir.filePath("gone.perl")).run("x");
    QVERIFY(missing.html.isEmpty());
    QVERIFY2(missing.error.contains("missing"), qPrintable(missing.error));
}

void tst_Formatters::textileTimeLimit()
{
    QTemporaryDir dir;
    const QString script = writeScript(dir, "sleep 30;\n");
    QElapsedTimer timer;
    timer.start();
    const TextileRunner::Result result = TextileRunner(script, 500).run("x");
    // Stopped at the limit, not at the script's own end half a minute on.
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(result.html.isEmpty());
    QVERIFY2(result.error.contains("longer than"), qPrintable(result.error));
}

void tst_Formatters::failedFormatterLeavesTextUnchanged()
{
    // A user's copy of the Textile bundle whose script fails replaces the
    // built-in one; posting through it must keep the text, not send nothing.
    QTemporaryDir user;
    const QString builtIn = formatters().builtInFolder() + "/textile.formatter";
    const QString copy = user.filePath("textile.formatter");
    QVERIFY(QDir().mkpath(copy + "/Resources"));
    for (const QString& name : QDir(builtIn).entryList(QDir::Files))
        QVERIFY(QFile::copy(builtIn + "/" + name, copy + "/" + name));
    QFile script(copy + "/Resources/textile.perl");
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("die \"broken converter\\n\";\n");
    script.close();

    FormatterManager manager;
    manager.setUserFolder(user.path());
    manager.loadFormatters();
    PLUMETFormatterProtocol* broken = manager.formatterForFormat("textile_2");
    QVERIFY(broken);
    QVERIFY(broken != textileFormatter());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("broken converter"));
    QCOMPARE(FormatterManager::formatText(broken, "h1. Keep me"), QStringLiteral("h1. Keep me"));
}

QTEST_GUILESS_MAIN(tst_Formatters)
#include "tst_formatters.moc"
