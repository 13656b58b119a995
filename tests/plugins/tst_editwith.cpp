#include "AddonTesting.h"
#include "TestSupport.h"
#include "UserDefaults.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

using namespace plumet::test;

namespace {

const QString tableKey = QStringLiteral("rv_editwith_apps");

PLUMETAddonProtocol* editWith()
{
    return builtInAddons().pluginForKey(QStringLiteral("Edit With"));
}

QVariantMap defaultTable()
{
    return {
        {"gedit", "gedit --wait %f"},
        {"Kate", "kate --block %f"},
        {"GVim", "gvim -f %f"},
        {"Emacs", "emacsclient -c %f"},
        {"Visual Studio Code", "code --wait %f"},
    };
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int mode(const QString& path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777)
                                                                     : -1;
}

} // namespace

class tst_EditWith : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void answersAsAMenuAddon();
    void tableIsResetOnlyWhenUnusable_data();
    void tableIsResetOnlyWhenUnusable();
    void offersOnlyInstalledEditors();
    void blockingEditorBringsTheTextBack();
    void saveByRenameNeverEndsTheSession();
    void editorFailures_data();
    void editorFailures();
    void nonBlockingEditorWaitsForDone();
    void closingTheDraftOrSheetEndsTheSession_data();
    void closingTheDraftOrSheetEndsTheSession();
    void iconComesFromTheDesktopFile();
    void leftoversAreRemovedAtQuit();

private:
    // A fake editor: a shell script that logs its file (its last argument)
    // and its process id, then runs `body` with the file as $f; wait_for_go
    // waits for letEditorGo().
    QString writeEditor(const QString& name, const QString& body);
    void useEditor(const QString& name, const QString& commandLine);
    QString editedFile() const { return readFile(m_work.filePath("file")).trimmed(); }
    qint64 editorPid() const { return readFile(m_work.filePath("pid")).trimmed().toLongLong(); }
    void letEditorGo() const { QFile(m_work.filePath("go")).open(QIODevice::WriteOnly); }

    QTemporaryDir m_temp;
    QTemporaryDir m_work;
};

void tst_EditWith::initTestCase()
{
    // Everything the add-on writes lands where the test can see it.
    qputenv("TMPDIR", m_temp.path().toLocal8Bit());
    QVERIFY(editWith());
}

void tst_EditWith::init()
{
    for (const char* name : {"file", "pid", "go"})
        QFile::remove(m_work.filePath(name));
}

// Editors are let go, never stopped: the test ends its own.
void tst_EditWith::cleanup()
{
    letEditorGo();
    QTRY_VERIFY(!plumet::test::processAlive(editorPid()));
}

QString tst_EditWith::writeEditor(const QString& name, const QString& body)
{
    const QString path = m_work.filePath(name);
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write(QStringLiteral("#!/bin/sh\n"
                                "for f; do :; done\n"
                                "printf '%s\\n' \"$f\" > '%1/file'\n"
                                "echo $$ > '%1/pid'\n"
                                "go='%1/go'\n"
                                // Ends with the test, whatever the test does.
                                "wait_for_go() { while [ ! -e \"$go\" ] && [ -d '%1' ]; do "
                                "sleep 0.05; done; }\n")
                     .arg(m_work.path())
                     .toUtf8());
    script.write(body.toUtf8());
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

void tst_EditWith::useEditor(const QString& name, const QString& commandLine)
{
    UserDefaults::sharedInstance().setValue(tableKey, QVariantMap{{name, commandLine}});
}

void tst_EditWith::answersAsAMenuAddon()
{
    QCOMPARE(editWith()->role(), int(PLUMETAddonProtocol::MenuAddon));
    QVERIFY(editWith()->requiresFullText());
    QVERIFY(editWith()->toolbarIcon().isNull());
    QVERIFY(!editWith()->preferencesView());
    QCOMPARE(editWith()->addonDescription(),
             QStringLiteral("This addon lets you edit drafts using an external editor."));
}

void tst_EditWith::tableIsResetOnlyWhenUnusable_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("reset");
    QTest::newRow("missing") << QVariant() << true;
    QTest::newRow("not a dictionary") << QVariant("gedit --wait %f") << true;
    QTest::newRow("empty") << QVariant(QVariantMap()) << true;
    QTest::newRow("one editor") << QVariant(QVariantMap{{"Mine", "mine --wait %f"}}) << false;
    QVariantMap five = defaultTable();
    five.remove("Kate");
    five.insert("Mine", "mine --wait %f");
    five.remove("gedit");
    QTest::newRow("five editors") << QVariant(five) << false;
}

void tst_EditWith::tableIsResetOnlyWhenUnusable()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, reset);
    if (stored.isValid())
        UserDefaults::sharedInstance().setValue(tableKey, stored);
    else
        UserDefaults::sharedInstance().remove(tableKey);
    editWith()->subActions();
    const QVariant now = UserDefaults::sharedInstance().value(tableKey);
    QCOMPARE(now.toMap(), reset ? defaultTable() : stored.toMap());
}

void tst_EditWith::offersOnlyInstalledEditors()
{
    const QString editor = writeEditor("fake editor", "exit 0\n");
    UserDefaults::sharedInstance().setValue(
        tableKey, QVariantMap{{"Zed", QStringLiteral("\"%1\" %f").arg(editor)},
                              {"gone", "/nonexistent/editor %f"},
                              {"also gone", "no-such-editor-anywhere --wait %f"},
                              {"alpha", QStringLiteral("\"%1\" --wait").arg(editor)}});
    QCOMPARE(editWith()->subActions(), (QStringList{"alpha", "Zed"}));

    UserDefaults::sharedInstance().remove(tableKey);
    QStringList installed;
    for (const auto& [name, command] : defaultTable().asKeyValueRange()) {
        if (!QStandardPaths::findExecutable(command.toString().section(' ', 0, 0)).isEmpty())
            installed << name;
    }
    QCOMPARE(editWith()->subActions().size(), installed.size());
}

void tst_EditWith::blockingEditorBringsTheTextBack()
{
    // A path with a space: the command line is split as a shell would.
    const QString editor =
        writeEditor("blocking editor", "wait_for_go\n"
                                       "printf 'Edited <b>outside</b>' > \"$f\"\n");
    useEditor("Fake", QStringLiteral("\"%1\" --wait %f").arg(editor));
    DraftStandIn draft("Hello <b>world</b>");
    draft.text.select(0, 5);
    draft.addons.callAddon("Edit With", "Fake");
    QVERIFY(draft.sheetShown());
    QTRY_VERIFY(!editedFile().isEmpty());

    // A private file in a private folder, under a name nobody can guess.
    const QFileInfo file(editedFile());
    const QFileInfo folder(file.absolutePath());
    QCOMPARE(folder.absolutePath(), QDir(m_temp.path()).canonicalPath());
    QVERIFY(folder.fileName().startsWith("plumet-edit-"));
    QCOMPARE(mode(folder.filePath()), 0700);
    QCOMPARE(mode(file.filePath()), 0600);
    QVERIFY(!file.fileName().contains("000001"));
    // The whole text, not the selection.
    QCOMPARE(readFile(file.filePath()), QStringLiteral("Hello <b>world</b>"));
    QVERIFY(draft.sheetText().contains("Editing in Fake"));

    letEditorGo();
    QTRY_COMPARE(draft.ended.count(), 1);
    QCOMPARE(draft.text.text(), QStringLiteral("Edited <b>outside</b>"));
    QVERIFY(!draft.sheetShown());
    QVERIFY(!file.exists());
}

void tst_EditWith::saveByRenameNeverEndsTheSession()
{
    const QString editor = writeEditor(
        "renaming editor", "printf 'First save' > \"$f.new\" && mv \"$f.new\" \"$f\"\n"
                           "wait_for_go\n"
                           "printf 'Second save' > \"$f.new\" && mv \"$f.new\" \"$f\"\n");
    useEditor("Renamer", QStringLiteral("\"%1\" %f").arg(editor));
    DraftStandIn draft("Original");
    draft.addons.callAddon("Edit With", "Renamer");
    QTRY_VERIFY(draft.sheetText().contains("Saved at"));
    // A save is not the end: the text only comes back when the editor closes.
    QTest::qWait(200);
    QVERIFY(draft.sheetShown());
    QCOMPARE(draft.text.text(), QStringLiteral("Original"));

    letEditorGo();
    QTRY_COMPARE(draft.ended.count(), 1);
    QCOMPARE(draft.text.text(), QStringLiteral("Second save"));
}

void tst_EditWith::editorFailures_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("reasons");
    QTest::newRow("missing editor")
        << QString() << "/nonexistent/editor --wait %f"
        << QStringList{"could not be started", "/nonexistent/editor is not installed"};
    QTest::newRow("editor fails") << "echo 'cannot open display :9' >&2; exit 2\n"
                                  << QString()
                                  << QStringList{"exit code 2", "cannot open display :9"};
    QTest::newRow("editor crashes") << "kill -SEGV $$\n"
                                    << QString() << QStringList{"stopped unexpectedly"};
}

void tst_EditWith::editorFailures()
{
    QFETCH(QString, body);
    QFETCH(QString, commandLine);
    QFETCH(QStringList, reasons);
    if (commandLine.isEmpty())
        commandLine = QStringLiteral("\"%1\" %f").arg(writeEditor("failing editor", body));
    useEditor("Broken", commandLine);
    DraftStandIn draft("Keep me");
    draft.addons.callAddon("Edit With", "Broken");
    QVERIFY(draft.sheetShown());
    // Said in words, in the sheet; never an empty sheet or a silent nothing.
    for (const QString& reason : reasons)
        QTRY_VERIFY2(draft.sheetText().contains(reason), qPrintable(draft.sheetText()));
    QVERIFY(draft.clickButton("Close"));
    QCOMPARE(draft.ended.count(), 1);
    QCOMPARE(draft.text.text(), QStringLiteral("Keep me"));
    QCOMPARE(draft.text.replacements(), 0);
}

void tst_EditWith::nonBlockingEditorWaitsForDone()
{
    // Hands the file to an editor already running and returns at once.
    const QString editor = writeEditor("handing-off editor", "exit 0\n");
    useEditor("Quick", QStringLiteral("\"%1\" %f").arg(editor));
    DraftStandIn draft("Before");
    draft.addons.callAddon("Edit With", "Quick");
    QTRY_VERIFY(draft.sheetText().contains("returned at once"));
    QVERIFY(draft.sheetShown());
    QCOMPARE(draft.ended.count(), 0);

    QFile file(editedFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("After");
    file.close();
    QVERIFY(draft.clickButton("Done"));
    QCOMPARE(draft.ended.count(), 1);
    QCOMPARE(draft.text.text(), QStringLiteral("After"));
    QVERIFY(!QFile::exists(file.fileName()));
}

void tst_EditWith::closingTheDraftOrSheetEndsTheSession_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("draft closes") << "draft";
    QTest::newRow("sheet closed") << "sheet";
    QTest::newRow("cancel button") << "cancel";
    QTest::newRow("plumet quits") << "quit";
}

void tst_EditWith::closingTheDraftOrSheetEndsTheSession()
{
    QFETCH(QString, how);
    const QString editor = writeEditor("slow editor", "wait_for_go\n"
                                                      "printf 'Too late' > \"$f\"\n");
    useEditor("Slow", QStringLiteral("\"%1\" %f").arg(editor));
    auto draft = std::make_unique<DraftStandIn>("Mine");
    draft->addons.callAddon("Edit With", "Slow");
    QTRY_VERIFY(editorPid() > 0);
    const QString path = editedFile();
    QVERIFY(QFile::exists(path));

    if (how == "draft") {
        draft->addons.dispose();
    } else if (how == "sheet") {
        draft->addons.addonSheet()->reject();
    } else if (how == "cancel") {
        QVERIFY(draft->clickButton("Cancel"));
    } else {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        qApp->exec();
        QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath()));
    }
    if (how != "quit") {
        QVERIFY(!draft->sheetShown());
        QCOMPARE(draft->ended.count(), 1);
    }
    QVERIFY(!QFile::exists(path));
    const int ended = int(draft->ended.count());
    // The editor is the user's program, maybe with other unsaved work: it is
    // let go, never stopped.
    QTest::qWait(300);
    QVERIFY(plumet::test::processAlive(editorPid()));
    letEditorGo();
    QTRY_VERIFY(!plumet::test::processAlive(editorPid()));
    QTest::qWait(200);
    QCOMPARE(draft->text.text(), QStringLiteral("Mine"));
    QCOMPARE(draft->ended.count(), ended);
}

void tst_EditWith::iconComesFromTheDesktopFile()
{
    const QString editor = writeEditor("iconic-editor", "wait_for_go\n");
    const QString applications =
        QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    QVERIFY(QDir().mkpath(applications));
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    const QString iconPath = m_work.filePath("iconic.png");
    QVERIFY(image.save(iconPath));
    QFile desktop(applications + "/iconic-editor.desktop");
    QVERIFY(desktop.open(QIODevice::WriteOnly));
    desktop.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Iconic\n"
                                 "Exec=iconic-editor --new-window %F\nIcon=%1\n"
                                 "[Desktop Action extra]\nExec=other\nIcon=/nowhere.png\n")
                      .arg(iconPath)
                      .toUtf8());
    desktop.close();

    useEditor("Iconic", QStringLiteral("\"%1\" %f").arg(editor));
    DraftStandIn draft("Text");
    draft.addons.callAddon("Edit With", "Iconic");
    bool shown = false;
    for (const QLabel* label : draft.addons.addonContainer()->findChildren<QLabel*>()) {
        if (!label->pixmap().isNull())
            shown = label->pixmap().toImage().pixelColor(8, 8) == QColor(Qt::red);
    }
    QVERIFY(shown);
    draft.addons.dispose();
}

void tst_EditWith::leftoversAreRemovedAtQuit()
{
    // Leaves a backup copy beside the file, as many editors do.
    const QString editor = writeEditor("backup editor", "cp \"$f\" \"$f~\"\n"
                                                        "printf 'Saved' > \"$f\"\n");
    useEditor("Backup", QStringLiteral("\"%1\" %f").arg(editor));
    DraftStandIn draft("Text");
    draft.addons.callAddon("Edit With", "Backup");
    QTRY_COMPARE(draft.ended.count(), 1);
    QCOMPARE(draft.text.text(), QStringLiteral("Saved"));
    const QString folder = QFileInfo(editedFile()).absolutePath();
    QVERIFY(QFile::exists(editedFile() + "~"));

    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    qApp->exec();
    QVERIFY(!QFileInfo::exists(folder));
}

PLUMET_ADDON_TEST_MAIN(tst_EditWith)
#include "tst_editwith.moc"
