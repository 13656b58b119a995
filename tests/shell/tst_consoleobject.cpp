#include "ConsoleLogFile.h"
#include "ConsoleObject.h"
#include "ConsoleSink.h"
#include "ConsoleTextView.h"
#include "RecordedAnswer.h"
#include "ThreadCpuTimer.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

namespace {

// The colour the character at `position` is drawn in.
QColor colourAt(QPlainTextEdit* view, int position)
{
    const QTextBlock block = view->document()->findBlock(position);
    const int offset = position - block.position();
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (offset >= range.start && offset < range.start + range.length)
            return range.format.foreground().color();
    }
    return view->palette().color(QPalette::Text);
}

const QColor bracketColour = QColor::fromRgbF(1, 0.83f, 0.43f);
const QColor tagColour = QColor::fromRgbF(0, 1, 0);
const QColor attributeColour = QColor::fromRgbF(1, 0.45f, 0.46f);
const QColor textColour = QColor::fromRgbF(1, 1, 1);

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

class tst_ConsoleObject : public QObject {
    Q_OBJECT
private slots:
    void installsItselfAndColoursEachAppend();
    void hiddenConsoleColoursOnShow();
    void onlyWhatIsShownIsColoured();
    void longPieceShowsItsHeadAndWhatWasLeftOut();
    void historyIsBounded();
    void hiddenConsoleKeepsOnlyTheLatestExchange();
    void savesAtomically();
    void closingOnlyHides();
    void screenshot();
};

void tst_ConsoleObject::installsItselfAndColoursEachAppend()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    QCOMPARE(&ConsoleSink::sharedInstance(), static_cast<ConsoleSink*>(console));
    console->showWindow();
    console->clearConsole();
    ConsoleSink::sharedInstance().addToConsole(QStringLiteral("<a href=\"x\">hi</a>"));
    QPlainTextEdit* view = console->textView();
    QCOMPARE(colourAt(view, 0), bracketColour);   // "<"
    QCOMPARE(colourAt(view, 1), tagColour);       // tag name
    QCOMPARE(colourAt(view, 8), attributeColour); // quoted value
    QCOMPARE(colourAt(view, 12), textColour);     // word
    // A tag split across two appends is not joined.
    console->clearConsole();
    console->addToConsole(QStringLiteral("<a hr"));
    console->addToConsole(QStringLiteral("ef>"));
    QCOMPARE(colourAt(view, 5), textColour);
    QCOMPARE(colourAt(view, 7), bracketColour);
    console->hideWindow();
}

void tst_ConsoleObject::hiddenConsoleColoursOnShow()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    console->hideWindow();
    console->clearConsole();
    console->addToConsole(QStringLiteral("<a href=\"x\">hi</a>\n"));
    console->addToConsole(QStringLiteral("<b>"));
    QPlainTextEdit* view = console->textView();
    QVERIFY(view->document()->isEmpty()); // kept as plain text
    QCOMPARE(console->consoleText(), QStringLiteral("<a href=\"x\">hi</a>\n<b>"));

    console->showWindow();
    QCOMPARE(view->toPlainText(), QStringLiteral("<a href=\"x\">hi</a>\n<b>"));
    QCOMPARE(colourAt(view, 0), bracketColour);
    QCOMPARE(colourAt(view, 8), attributeColour);
    QCOMPARE(colourAt(view, 12), textColour);
    QCOMPARE(colourAt(view, 20), tagColour);
    console->hideWindow();
}

void tst_ConsoleObject::onlyWhatIsShownIsColoured()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    console->resize(720, 480);
    console->showWindow();
    console->clearConsole();
    QString lines;
    for (int i = 0; i < 2000; ++i)
        lines += QStringLiteral("<value><string a=\"%1\">line</string></value>\n").arg(i);
    console->addToConsole(lines);
    QPlainTextEdit* view = console->textView();
    QTextDocument* document = view->document();
    const QTextBlock first = document->firstBlock();
    const QTextBlock last = document->findBlockByNumber(1999);
    QVERIFY(first.layout()->formats().isEmpty()); // out of view at the top
    QCOMPARE(colourAt(view, last.position() + 1), tagColour);
    QCOMPARE(colourAt(view, last.position() + 17), attributeColour);

    // A new colour reaches what is on screen at once, the rest when it is shown.
    UserDefaults::sharedInstance().setColor(QStringLiteral("console_html_color"), {0, 0, 1, 1});
    QCOMPARE(colourAt(view, last.position() + 1), QColor::fromRgbF(0, 0, 1));
    QVERIFY(first.layout()->formats().isEmpty());
    view->verticalScrollBar()->setValue(0);
    QCOMPARE(colourAt(view, first.position() + 1), QColor::fromRgbF(0, 0, 1));
    QCOMPARE(colourAt(view, first.position() + 17), attributeColour);
    UserDefaults::sharedInstance().remove(QStringLiteral("console_html_color"));
    QCOMPARE(colourAt(view, first.position() + 1), tagColour);
    console->hideWindow();
}

void tst_ConsoleObject::longPieceShowsItsHeadAndWhatWasLeftOut()
{
    // Ten megabytes of a real answer shown at once, coloured, without a wait.
    ConsoleObject* console = ConsoleObject::sharedInstance();
    console->showWindow();
    console->clearConsole();
    const QString answer = plumet::test::recordedPostsAnswer(10'000'000);
    plumet::test::ThreadCpuTimer timer;
    console->addToConsole(answer);
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));

    const qsizetype shown = ConsoleObject::maximumPieceLength;
    const QString text = console->consoleText();
    QVERIFY(text.startsWith(answer.first(shown)));
    const qint64 leftOut = answer.sliced(shown).toUtf8().size();
    QCOMPARE(text.sliced(shown),
             QStringLiteral("\n… %1 bytes not shown\n\n").arg(QLocale().toString(leftOut)));
    QPlainTextEdit* view = console->textView();
    const QTextBlock notice = view->document()->lastBlock().previous().previous();
    QVERIFY(notice.text().startsWith(QStringLiteral("… ")));
    QCOMPARE(colourAt(view, notice.position()), textColour);

    // A hidden console keeps the same head and line.
    console->hideWindow();
    console->clearConsole();
    console->addToConsole(answer);
    QCOMPARE(console->consoleText(), text);
    console->clearConsole();
}

void tst_ConsoleObject::historyIsBounded()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    console->showWindow();
    console->clearConsole();
    QPlainTextEdit* view = console->textView();
    QTextDocument* document = view->document();

    // Whole lines go from the top; a tag cut in two keeps its colours.
    console->addToConsole(QStringLiteral("<tag\n") + QStringLiteral("inside\n").repeated(20000) +
                          QStringLiteral(">\n"));
    const QString lines = QStringLiteral("<member><name>a</name></member>\n").repeated(5000);
    for (int i = 0; i < 7; ++i)
        console->addToConsole(lines);
    QCOMPARE(document->blockCount(), ConsoleTextView::maximumBlocks);
    QCOMPARE(document->firstBlock().text(), QStringLiteral("inside"));
    view->verticalScrollBar()->setValue(0);
    QCOMPARE(colourAt(view, 0), tagColour);

    // Long lines go by their characters.
    console->clearConsole();
    const QString longLines =
        (QStringLiteral("<a>") + QString(996, QLatin1Char('w')) + u'\n').repeated(200);
    for (int i = 0; i < 50; ++i)
        console->addToConsole(longLines);
    QVERIFY(document->characterCount() <= ConsoleTextView::maximumCharacters + 1);
    QVERIFY(document->characterCount() > ConsoleTextView::maximumCharacters - 1000);
    QVERIFY(document->firstBlock().text().startsWith(QStringLiteral("<a>")));
    console->clearConsole();
    console->hideWindow();
}

void tst_ConsoleObject::hiddenConsoleKeepsOnlyTheLatestExchange()
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

void tst_ConsoleObject::savesAtomically()
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

void tst_ConsoleObject::closingOnlyHides()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    console->showWindow();
    console->addToConsole(QStringLiteral("kept"));
    QVERIFY(console->close() == false || !console->isVisible());
    QVERIFY(!console->isVisible());
    QCOMPARE(ConsoleObject::sharedInstance(), console);
    QVERIFY(console->consoleText().endsWith(QStringLiteral("kept")));
}

void tst_ConsoleObject::screenshot()
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

QTEST_MAIN(tst_ConsoleObject)
#include "tst_consoleobject.moc"
