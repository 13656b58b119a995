#include "AddonTesting.h"
#include "TestSupport.h"
#include "UserDefaults.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace plumet::test;

namespace {

PLUMETAddonProtocol* scripts()
{
    return builtInAddons().pluginForKey(QStringLiteral("Scripts"));
}

} // namespace

class tst_ScriptRunner : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void answersAsAMenuAddon();
    void listsTheScriptsFolder();
    void createsAMissingFolder();
    void runsWithEachInterpreter_data();
    void runsWithEachInterpreter();
    void usersInterpreterIsUsed();
    void emptyOutputLeavesTheText();
    void textFileRunsAsNothing();
    void failuresAreShownAndLeaveTheText_data();
    void failuresAreShownAndLeaveTheText();
    void largeOutputDoesNotStall();
    void concurrentRunsKeepTheirOwnText();
    void stoppingOrClosingKillsTheScript_data();
    void stoppingOrClosingKillsTheScript();
    void settingsPageWritesInterpreterPaths();
    void scriptThatNeverEndsIsStoppedAtTheLimit();

private:
    // Runs a script on the selection of "hello world" and waits for its end.
    QString runOn(const QString& script, qsizetype start = 0, qsizetype length = 5);
    QString pidFile() const { return m_work.filePath("pid"); }

    QTemporaryDir m_work;
};

void tst_ScriptRunner::initTestCase()
{
    QVERIFY(scripts());
    QDir(scriptsFolder()).removeRecursively();
    writeScript("upper.sh", "tr a-z A-Z\n");
    writeScript("reverse.py", "import sys\nsys.stdout.write(sys.stdin.read()[::-1])\n");
    writeScript("wrap.pl", "local $/; my $t = <STDIN>; print \"<em>$t</em>\";\n");
    writeScript("shout.rb", "print STDIN.read.upcase + \"!\"\n");
    writeScript("backwards.php", "<?php echo strrev(stream_get_contents(STDIN));\n");
    writeScript("quiet.sh", "cat > /dev/null\n");
    writeScript("notes.txt", "Not a script.\n");
    writeScript("grumble.sh", "cat > /dev/null; echo 'bad input on line 1' >&2; exit 4\n");
    writeScript("warns.sh", "cat > /dev/null; echo 'only a warning' >&2\n");
    writeScript("python-only.py", "import sys\nprint(sys.version_info[0])\n");
    // Writes 10 MB before it reads a byte of its input.
    writeScript("flood.py", "import sys\nsys.stdout.write('x' * 10 * 1024 * 1024)\n"
                            "sys.stdout.write(sys.stdin.read())\n");
    // Each says it is running, then waits (at most half a minute) until the
    // other one says so too: both end well only when they run side by side.
    const auto meeting = [this](const char* mine, const char* theirs) {
        return QStringLiteral("touch '%1'; i=0; while [ ! -e '%2' ]; do i=$((i+1)); "
                              "if [ $i -gt 600 ]; then echo 'ran alone' >&2; exit 1; fi; "
                              "sleep 0.05; done; tr a-z A-Z\n")
            .arg(m_work.filePath(mine), m_work.filePath(theirs))
            .toUtf8();
    };
    writeScript("meet-first.sh", meeting("first-running", "second-running"));
    writeScript("meet-second.sh", meeting("second-running", "first-running"));
    writeScript("forever.sh",
                QStringLiteral("echo $$ > '%1'; sleep 1000 & wait\n").arg(pidFile()).toUtf8());
    // Never listed: other kinds and upper-case extensions.
    writeScript("compiled.scpt", "");
    writeScript("LOUD.SH", "tr a-z A-Z\n");
    writeScript("readme.md", "");
}

void tst_ScriptRunner::init()
{
    QFile::remove(pidFile());
    for (const char* name : {"first-running", "second-running"})
        QFile::remove(m_work.filePath(name));
    for (const char* key : {"rv_scriptrunner_pythonpath", "rv_scriptrunner_rubypath"})
        UserDefaults::sharedInstance().remove(key);
}

QString tst_ScriptRunner::runOn(const QString& script, qsizetype start, qsizetype length)
{
    DraftStandIn draft("hello world");
    draft.text.select(start, length);
    draft.addons.callAddon("Scripts", script);
    if (!QTest::qWaitFor([&] { return draft.ended.count() > 0; }, 20000))
        return QStringLiteral("(still running) ") + draft.sheetText();
    return draft.text.text();
}

void tst_ScriptRunner::answersAsAMenuAddon()
{
    QCOMPARE(scripts()->role(), int(PLUMETAddonProtocol::MenuAddon));
    QVERIFY(!scripts()->requiresFullText());
    QVERIFY(scripts()->toolbarIcon().isNull());
    const QString description = scripts()->addonDescription();
    // The folder as the user writes it.
    QString folder = scriptsFolder();
    folder.replace(QDir::homePath(), "~");
    QVERIFY2(description.contains("placed in " + folder + "/ and"), qPrintable(description));
    QVERIFY(description.contains(".py, .js and .sh"));
    QVERIFY(!description.contains(".scpt"));
}

void tst_ScriptRunner::listsTheScriptsFolder()
{
    QCOMPARE(scripts()->subActions(),
             (QStringList{"backwards", "flood", "forever", "grumble", "meet-first", "meet-second",
                          "notes", "python-only", "quiet", "reverse", "shout", "upper", "warns",
                          "wrap"}));
    // Two files of one name make one entry.
    writeScript("upper.pl", "print uc(join('', <STDIN>));\n");
    QCOMPARE(scripts()->subActions().count("upper"), 1);
    QFile::remove(scriptsFolder() + "/upper.pl");
}

void tst_ScriptRunner::createsAMissingFolder()
{
    const QString moved = m_work.filePath("scripts");
    QVERIFY(QDir().rename(scriptsFolder(), moved));
    QVERIFY(scripts()->subActions().isEmpty());
    QVERIFY(QFileInfo(scriptsFolder()).isDir());
    QVERIFY(QDir(scriptsFolder()).removeRecursively());
    QVERIFY(QDir().rename(moved, scriptsFolder()));
    QVERIFY(!scripts()->subActions().isEmpty());
}

void tst_ScriptRunner::runsWithEachInterpreter_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("result");
    QTest::newRow("sh") << "upper"
                        << "HELLO world";
    QTest::newRow("py") << "reverse"
                        << "olleh world";
    QTest::newRow("pl") << "wrap"
                        << "<em>hello</em> world";
    QTest::newRow("php") << "backwards"
                         << "olleh world";
    QTest::newRow("rb") << "shout"
                        << "HELLO! world";
}

void tst_ScriptRunner::runsWithEachInterpreter()
{
    QFETCH(QString, script);
    QFETCH(QString, result);
    if (script == "shout" && !QFileInfo::exists("/usr/bin/ruby"))
        QSKIP("ruby is not installed");
    if (script == "backwards" && !QFileInfo::exists("/usr/bin/php"))
        QSKIP("php is not installed");
    QCOMPARE(runOn(script), result);
}

void tst_ScriptRunner::usersInterpreterIsUsed()
{
    // Without a setting, Python scripts go to Python 3.
    QCOMPARE(runOn("python-only", 0, 11), QStringLiteral("3\n"));

    const QString wrapper = m_work.filePath("python wrapper");
    QFile file(wrapper);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf 'wrapped:'\nexec /usr/bin/python3 \"$@\"\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    UserDefaults::sharedInstance().setValue("rv_scriptrunner_pythonpath", wrapper);
    QCOMPARE(runOn("reverse"), QStringLiteral("wrapped:olleh world"));
}

void tst_ScriptRunner::emptyOutputLeavesTheText()
{
    DraftStandIn draft("hello world");
    draft.text.select(0, 5);
    draft.addons.callAddon("Scripts", "quiet");
    QTRY_COMPARE(draft.ended.count(), 1);
    QCOMPARE(draft.text.text(), QStringLiteral("hello world"));
    QCOMPARE(draft.text.replacements(), 0);
    QVERIFY(!draft.sheetShown());
}

void tst_ScriptRunner::textFileRunsAsNothing()
{
    DraftStandIn draft("hello world");
    draft.addons.callAddon("Scripts", "notes");
    QCOMPARE(draft.ended.count(), 1);
    QVERIFY(!draft.sheetShown());
    QCOMPARE(draft.text.replacements(), 0);
}

void tst_ScriptRunner::failuresAreShownAndLeaveTheText_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("interpreterKey");
    QTest::addColumn<QString>("interpreter");
    QTest::addColumn<QStringList>("said");
    QTest::newRow("non-zero exit")
        << "grumble" << QString() << QString()
        << QStringList{"“grumble.sh” ended with exit code 4", "bad input on line 1"};
    QTest::newRow("nothing but errors")
        << "warns" << QString() << QString()
        << QStringList{"“warns.sh” printed nothing", "only a warning"};
    QTest::newRow("missing interpreter")
        << "shout"
        << "rv_scriptrunner_rubypath"
        << "/opt/nowhere/ruby"
        << QStringList{"“shout.rb” needs /opt/nowhere/ruby, which is not installed"};
    QTest::newRow("script gone") << "vanished" << QString() << QString()
                                 << QStringList{"“vanished” is no longer in the scripts folder"};
}

void tst_ScriptRunner::failuresAreShownAndLeaveTheText()
{
    QFETCH(QString, script);
    QFETCH(QString, interpreterKey);
    QFETCH(QString, interpreter);
    QFETCH(QStringList, said);
    if (!interpreterKey.isEmpty())
        UserDefaults::sharedInstance().setValue(interpreterKey, interpreter);
    DraftStandIn draft("hello world");
    draft.text.select(0, 5);
    draft.addons.callAddon("Scripts", script);
    QVERIFY(draft.sheetShown());
    for (const QString& words : said)
        QTRY_VERIFY2(draft.sheetText().contains(words), qPrintable(draft.sheetText()));
    QCOMPARE(draft.ended.count(), 0);
    QVERIFY(draft.clickButton("Close"));
    QCOMPARE(draft.ended.count(), 1);
    QCOMPARE(draft.text.text(), QStringLiteral("hello world"));
}

void tst_ScriptRunner::largeOutputDoesNotStall()
{
    const QString input = QStringLiteral("line of input\n").repeated(80000);
    DraftStandIn draft(input);
    draft.text.select(0, input.size());
    draft.addons.callAddon("Scripts", "flood");
    QTRY_COMPARE_WITH_TIMEOUT(draft.ended.count(), 1, 30000);
    QCOMPARE(draft.text.text().size(), 10 * 1024 * 1024 + input.size());
    QVERIFY(draft.text.text().endsWith(input));
}

void tst_ScriptRunner::concurrentRunsKeepTheirOwnText()
{
    DraftStandIn first("first draft");
    DraftStandIn second("second draft");
    first.text.select(0, 11);
    second.text.select(0, 12);
    // Were the interface held while a script runs, the first could never
    // meet the second.
    first.addons.callAddon("Scripts", "meet-first");
    second.addons.callAddon("Scripts", "meet-second");
    QTRY_VERIFY2_WITH_TIMEOUT(first.ended.count() == 1, qPrintable(first.sheetText()), 60000);
    QTRY_VERIFY2_WITH_TIMEOUT(second.ended.count() == 1, qPrintable(second.sheetText()), 60000);
    QCOMPARE(first.text.text(), QStringLiteral("FIRST DRAFT"));
    QCOMPARE(second.text.text(), QStringLiteral("SECOND DRAFT"));
}

void tst_ScriptRunner::stoppingOrClosingKillsTheScript_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("stop button") << "stop";
    QTest::newRow("sheet closed") << "sheet";
    QTest::newRow("draft closes") << "draft";
}

void tst_ScriptRunner::stoppingOrClosingKillsTheScript()
{
    QFETCH(QString, how);
    DraftStandIn draft("hello world");
    draft.text.select(0, 5);
    draft.addons.callAddon("Scripts", "forever");
    QTRY_VERIFY(QFileInfo(pidFile()).size() > 0);
    QFile file(pidFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const qint64 pid = file.readAll().trimmed().toLongLong();
    QVERIFY(draft.sheetText().contains("Running “forever”"));
    if (how == "stop")
        QVERIFY(draft.clickButton("Stop"));
    else if (how == "sheet")
        draft.addons.addonSheet()->reject();
    else
        draft.addons.dispose();
    QCOMPARE(draft.ended.count(), 1);
    QVERIFY(!draft.sheetShown());
    QTRY_VERIFY(!plumet::test::processAlive(pid));
    QCOMPARE(draft.text.text(), QStringLiteral("hello world"));
}

void tst_ScriptRunner::settingsPageWritesInterpreterPaths()
{
    QWidget* page = scripts()->preferencesView();
    QVERIFY(page);
    QCOMPARE(page->findChildren<QLineEdit*>().size(), 5);
    auto* python = page->findChild<QLineEdit*>("rv_scriptrunner_pythonpath");
    QVERIFY(python);
    QCOMPARE(python->placeholderText(), QStringLiteral("/usr/bin/python3"));
    python->setText("/opt/python/bin/python3");
    emit python->editingFinished();
    QCOMPARE(UserDefaults::sharedInstance().string("rv_scriptrunner_pythonpath"),
             QStringLiteral("/opt/python/bin/python3"));
    python->clear();
    emit python->editingFinished();
    QVERIFY(!UserDefaults::sharedInstance().value("rv_scriptrunner_pythonpath").isValid());
}

void tst_ScriptRunner::scriptThatNeverEndsIsStoppedAtTheLimit()
{
    DraftStandIn draft("hello world");
    draft.text.select(0, 5);
    QElapsedTimer clock;
    clock.start();
    draft.addons.callAddon("Scripts", "forever");
    QTRY_VERIFY_WITH_TIMEOUT(draft.sheetText().contains("longer than 60 seconds"), 75000);
    QVERIFY(clock.elapsed() >= 59000);
    QFile file(pidFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTRY_VERIFY(!plumet::test::processAlive(file.readAll().trimmed().toLongLong()));
    QVERIFY(draft.clickButton("Close"));
    QCOMPARE(draft.text.text(), QStringLiteral("hello world"));
}

PLUMET_ADDON_TEST_MAIN(tst_ScriptRunner)
#include "tst_scriptrunner.moc"
