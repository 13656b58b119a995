#include "AddonTesting.h"

#include <QElapsedTimer>

using namespace plumet::test;

class tst_ScriptRunnerJs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void mainGetsTheTextAndAnswers_data();
    void mainGetsTheTextAndAnswers();
    void noAnswerLeavesTheText_data();
    void noAnswerLeavesTheText();
    void failuresAreShown_data();
    void failuresAreShown();
    void concurrentRunsKeepTheirOwnDrafts();
    void mainThatNeverReturnsIsStoppedAtTheLimit();
};

void tst_ScriptRunnerJs::initTestCase()
{
    QDir(scriptsFolder()).removeRecursively();
    writeScript("upper.js", "function main(text) { return text.toUpperCase(); }\n");
    writeScript("echo.js", "function main(text) { return text; }\n");
    writeScript("count.js", "function main(text) { return text.length; }\n");
    writeScript("bracket.js", "function main(text) { return '[' + text + ']'; }\n");
    writeScript("nothing.js", "function main(text) { }\n");
    writeScript("empty.js", "function main(text) { return ''; }\n");
    writeScript("throws.js", "function main(text) { throw new Error('no luck today'); }\n");
    writeScript("nomain.js", "function other(text) { return text; }\n");
    writeScript("broken.js", "function main(text) { return text +; }\n");
    writeScript("spin.js", "function main(text) { for (;;) {} }\n");
}

void tst_ScriptRunnerJs::mainGetsTheTextAndAnswers_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("answer");
    QTest::newRow("upper") << "upper"
                           << "héllo"
                           << "HÉLLO";
    // Characters that would end a string, a script or a line if the text were
    // pasted into the call.
    const QString tricky =
        QStringLiteral("a \"quote\" 'and' \\back</script>\n\u2028line\u2029 $1 ${x}");
    QTest::newRow("tricky text") << "echo" << tricky << tricky;
    QTest::newRow("number answer") << "count"
                                   << "abcd"
                                   << "4";
}

void tst_ScriptRunnerJs::mainGetsTheTextAndAnswers()
{
    QFETCH(QString, script);
    QFETCH(QString, selection);
    QFETCH(QString, answer);
    DraftStandIn draft("<" + selection + ">");
    draft.text.select(1, selection.size());
    draft.addons.callAddon("Scripts", script);
    QTRY_COMPARE_WITH_TIMEOUT(draft.ended.count(), 1, 20000);
    QCOMPARE(draft.text.text(), "<" + answer + ">");
}

void tst_ScriptRunnerJs::noAnswerLeavesTheText_data()
{
    QTest::addColumn<QString>("script");
    QTest::newRow("undefined") << "nothing";
    QTest::newRow("empty string") << "empty";
}

void tst_ScriptRunnerJs::noAnswerLeavesTheText()
{
    QFETCH(QString, script);
    DraftStandIn draft("keep");
    draft.text.select(0, 4);
    draft.addons.callAddon("Scripts", script);
    QTRY_COMPARE_WITH_TIMEOUT(draft.ended.count(), 1, 20000);
    QCOMPARE(draft.text.replacements(), 0);
    QCOMPARE(draft.text.text(), QStringLiteral("keep"));
}

void tst_ScriptRunnerJs::failuresAreShown_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("said");
    QTest::newRow("throws") << "throws"
                            << QStringList{"“throws.js” failed", "Error: no luck today"};
    QTest::newRow("no main") << "nomain" << QStringList{"“nomain.js” has no function called main"};
    QTest::newRow("syntax error") << "broken"
                                  << QStringList{"“broken.js” has no function called main",
                                                 "SyntaxError"};
}

void tst_ScriptRunnerJs::failuresAreShown()
{
    QFETCH(QString, script);
    QFETCH(QStringList, said);
    DraftStandIn draft("keep");
    draft.text.select(0, 4);
    draft.addons.callAddon("Scripts", script);
    for (const QString& words : said)
        QTRY_VERIFY2_WITH_TIMEOUT(draft.sheetText().contains(words), qPrintable(draft.sheetText()),
                                  20000);
    QVERIFY(draft.clickButton("Close"));
    QCOMPARE(draft.ended.count(), 1);
    QCOMPARE(draft.text.text(), QStringLiteral("keep"));
}

void tst_ScriptRunnerJs::concurrentRunsKeepTheirOwnDrafts()
{
    // Started together, before either page has loaded: each answer must reach
    // the draft that asked, with that draft's text.
    DraftStandIn first("one");
    DraftStandIn second("two");
    DraftStandIn third("three");
    for (DraftStandIn* draft : {&first, &second, &third}) {
        draft->text.select(0, draft->text.text().size());
        draft->addons.callAddon("Scripts", "bracket");
    }
    for (DraftStandIn* draft : {&first, &second, &third})
        QTRY_COMPARE_WITH_TIMEOUT(draft->ended.count(), 1, 20000);
    QCOMPARE(first.text.text(), QStringLiteral("[one]"));
    QCOMPARE(second.text.text(), QStringLiteral("[two]"));
    QCOMPARE(third.text.text(), QStringLiteral("[three]"));
}

void tst_ScriptRunnerJs::mainThatNeverReturnsIsStoppedAtTheLimit()
{
    DraftStandIn draft("keep");
    draft.text.select(0, 4);
    QElapsedTimer clock;
    clock.start();
    draft.addons.callAddon("Scripts", "spin");
    QTRY_VERIFY_WITH_TIMEOUT(draft.sheetText().contains("longer than 60 seconds"), 75000);
    QVERIFY(clock.elapsed() >= 59000);
    QVERIFY(draft.clickButton("Close"));
    QCOMPARE(draft.text.text(), QStringLiteral("keep"));

    // Other runs still work after a page had to be given up.
    DraftStandIn next("after");
    next.text.select(0, 5);
    next.addons.callAddon("Scripts", "upper");
    QTRY_COMPARE_WITH_TIMEOUT(next.ended.count(), 1, 20000);
    QCOMPARE(next.text.text(), QStringLiteral("AFTER"));
}

PLUMET_ADDON_TEST_MAIN(tst_ScriptRunnerJs)
#include "tst_scriptrunnerjs.moc"
