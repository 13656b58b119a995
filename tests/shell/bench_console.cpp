#include "Benchmark.h"
#include "ConsoleObject.h"
#include "RecordedAnswer.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <cstdio>

// A 5.4 MB getRecentPosts answer added to the network console, shown and
// hidden, against the same text inserted into a plain QPlainTextEdit of the
// same size; each run lasts up to the first paint of what is on screen.
class bench_Console : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void addAnswer();

private:
    static constexpr int Rounds = 9;
    double plainOnce(const QString& text);
    double consoleOnce(const QString& text, bool shown);

    QPlainTextEdit m_plain;
    ConsoleObject* m_console = nullptr;
};

void bench_Console::initTestCase()
{
    m_plain.resize(900, 560);
    m_plain.show();
    m_console = ConsoleObject::sharedInstance();
    m_console->resize(900, 560);
    m_console->showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&m_plain));
    QVERIFY(QTest::qWaitForWindowExposed(m_console));
}

double bench_Console::plainOnce(const QString& text)
{
    m_plain.clear();
    QCoreApplication::processEvents();
    return plumet::test::millisecondsOf([&] {
        QTextCursor cursor(m_plain.document());
        cursor.insertText(text);
        m_plain.viewport()->repaint();
    });
}

double bench_Console::consoleOnce(const QString& text, bool shown)
{
    if (shown)
        m_console->showWindow();
    else
        m_console->hideWindow();
    m_console->clearConsole();
    QCoreApplication::processEvents();
    QPlainTextEdit* view = m_console->textView();
    const double ms = plumet::test::millisecondsOf([&] {
        m_console->addToConsole(text);
        if (shown)
            view->viewport()->repaint();
    });
    if (!m_console->consoleText().startsWith(QStringView(text).first(1000)))
        qFatal("the console lost the answer");
    return ms;
}

void bench_Console::addAnswer()
{
    const QString answer = plumet::test::recordedPostsAnswer(5'400'000);
    std::printf("answer: %.2f MB in %lld lines; the console shows its first %lld characters\n",
                double(answer.toUtf8().size()) / 1e6, qlonglong(answer.count(u'\n')),
                qlonglong(ConsoleObject::maximumPieceLength));
    const QString anchorName = QStringLiteral("the answer inserted into a plain QPlainTextEdit");
    plainOnce(answer);
    consoleOnce(answer, true);

    // Not among the goals: an answer the console shows whole, so that what
    // colouring costs beyond the insert is not hidden by the shortening.
    const QString whole = answer.first(ConsoleObject::maximumPieceLength - 2000);
    plumet::test::printComparison(
        "console_add_whole_256kb", QStringLiteral("the same text in a plain QPlainTextEdit"),
        plumet::test::interleaved(
            Rounds, [&] { return consoleOnce(whole, true); }, [&] { return plainOnce(whole); }));

    plumet::test::printComparison(
        "console_add_5mb", anchorName,
        plumet::test::interleaved(
            Rounds, [&] { return consoleOnce(answer, true); }, [&] { return plainOnce(answer); }));
    plumet::test::printComparison(
        "console_add_5mb_hidden", anchorName,
        plumet::test::interleaved(
            Rounds, [&] { return consoleOnce(answer, false); }, [&] { return plainOnce(answer); }));
}

QTEST_MAIN(bench_Console)
#include "bench_console.moc"
