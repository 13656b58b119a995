#include "ConsoleLogFile.h"
#include "ConsoleObject.h"
#include "ConsoleSink.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

namespace {

QColor colourAt(QPlainTextEdit* view, int position)
{
    QTextCursor cursor(view->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat().foreground().color();
}

const QString exchange = QStringLiteral(
    "Request with URL:\nhttps://blog.test/xmlrpc.php\nand data:\n"
    "<?xml version=\"1.0\"?>\n<methodCall><methodName>metaWeblog.getRecentPosts</methodName>"
    "<params><param><value><string>writer</string></value></param>"
    "<param><value><string>******</string></value></param></params></methodCall>\n\n"
    "Response:\nStatus            : 200\nContent-Type      : text/xml; charset=UTF-8\n\n"
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodResponse><params><param><value>"
    "<array><data><value><struct><member><name>title</name><value><string>Hello "
    "world</string></value></member></struct></value></data></array></value></param>"
    "</params></methodResponse>\n\n");

} // namespace

class TestConsoleObject : public QObject {
    Q_OBJECT
private slots:
    void installsItselfAndColoursEachAppend();
    void hiddenConsoleKeepsOnlyTheLatestExchange();
    void savesAtomically();
    void closingOnlyHides();
    void screenshot();
};

void TestConsoleObject::installsItselfAndColoursEachAppend()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    QCOMPARE(&ConsoleSink::shared(), static_cast<ConsoleSink*>(console));
    console->clearConsole();
    ConsoleSink::shared().addToConsole(QStringLiteral("<a href=\"x\">hi</a>"));
    QPlainTextEdit* view = console->textView();
    QCOMPARE(colourAt(view, 0), QColor::fromRgbF(1, 0.83f, 0.43f)); // "<" bracket
    QCOMPARE(colourAt(view, 1), QColor::fromRgbF(0, 1, 0));         // tag name
    QCOMPARE(colourAt(view, 8), QColor::fromRgbF(1, 0.45f, 0.46f)); // quoted value
    QCOMPARE(colourAt(view, 12), QColor::fromRgbF(1, 1, 1));        // word
    // A tag split across two appends is not joined.
    console->clearConsole();
    console->addToConsole(QStringLiteral("<a hr"));
    console->addToConsole(QStringLiteral("ef>"));
    QCOMPARE(colourAt(view, 5), QColor::fromRgbF(1, 1, 1));
    QCOMPARE(colourAt(view, 7), QColor::fromRgbF(1, 0.83f, 0.43f));
}

void TestConsoleObject::hiddenConsoleKeepsOnlyTheLatestExchange()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    console->hideWindow();
    ConsoleSink::beginExchange();
    console->addToConsole(QStringLiteral("first"));
    ConsoleSink::beginExchange();
    console->addToConsole(QStringLiteral("second"));
    QCOMPARE(console->consoleText(), QStringLiteral("second"));

    console->showWindow();
    ConsoleSink::beginExchange();
    console->addToConsole(QStringLiteral("third"));
    QCOMPARE(console->consoleText(), QStringLiteral("secondthird"));
    console->hideWindow();
}

void TestConsoleObject::savesAtomically()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("plumet-source.xml"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old log");
    old.close();

    QVERIFY(ConsoleLogFile::save(path, QStringLiteral("<?xml?>\nnew log ✓")));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), QStringLiteral("<?xml?>\nnew log ✓"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"plumet-source.xml"});

    // A folder that cannot be written leaves no partial file and says why.
    QString error;
    QVERIFY(!ConsoleLogFile::save(folder.filePath(QStringLiteral("missing/x.txt")),
                                  QStringLiteral("x"), &error));
    QVERIFY(!error.isEmpty());
}

void TestConsoleObject::closingOnlyHides()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    console->showWindow();
    console->addToConsole(QStringLiteral("kept"));
    QVERIFY(console->close() == false || !console->isVisible());
    QVERIFY(!console->isVisible());
    QCOMPARE(ConsoleObject::sharedInstance(), console);
    QVERIFY(console->consoleText().endsWith(QStringLiteral("kept")));
}

void TestConsoleObject::screenshot()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    console->clearConsole();
    console->resize(900, 560);
    console->showWindow();
    ConsoleSink::beginExchange();
    for (const QString& line : exchange.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts))
        console->addToConsole(line + QStringLiteral("\n\n"));
    QVERIFY(QTest::qWaitForWindowExposed(console));
    const QString path = qEnvironmentVariable("PLUMET_SCREENSHOT_DIR", QDir::tempPath()) +
                         QStringLiteral("/plumet-console.png");
    QVERIFY(console->grab().save(path));
    console->hideWindow();
}

QTEST_MAIN(TestConsoleObject)
#include "tst_consoleobject.moc"
