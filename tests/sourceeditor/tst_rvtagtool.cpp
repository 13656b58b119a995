#include "CustomTagListModel.h"
#include "KilledChild.h"
#include "NotificationCenter.h"
#include "RVTagTool.h"
#include "ScreenshotSaver.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace plumet::test;

namespace {

const char ChildPath[] = "PLUMET_TAGTOOL_CHILD_PATH";

RVTagPtr tag(const QString& title, const QString& element)
{
    RVTagPtr made = RVTag::create();
    made->setTitle(title);
    made->setOpenTag(element);
    made->closeTag();
    return made;
}

QStringList titles(const QList<RVTagPtr>& tags)
{
    QStringList result;
    for (const RVTagPtr& t : tags)
        result.append(t->title());
    return result;
}

QStringList itemTitles(const QMenu& menu)
{
    QStringList result;
    for (QAction* action : menu.actions())
        result.append(action->text());
    return result;
}

// Edits a tag again and again, each edit saved as soon as the event loop
// runs, and says "ready" once fifty edits are in; the test then kills it in
// the middle of whatever it is doing.
int childEditsUntilKilled(const QString& path)
{
    RVTagTool store(path);
    store.setSaveDelay(0);
    const RVTagPtr edited = tag(QStringLiteral("edit 0"), QStringLiteral("b"));
    store.setCustomTags({edited, tag(QStringLiteral("Second"), QStringLiteral("i"))});
    for (int i = 1;; ++i) {
        edited->setTitle(QStringLiteral("edit %1").arg(i));
        QCoreApplication::processEvents();
        if (i == 50) {
            QFile out;
            out.open(stdout, QIODevice::WriteOnly);
            out.write("ready\n");
            out.flush();
        }
    }
}

} // namespace

class tst_RVTagTool : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void missingFileGivesNoTags();
    void roundTripThroughTheFile();
    void anEditIsSavedSoonAfter();
    void quitSavesAndEndsTheSharedStore();
    void killedWhileEditingTheFileIsWhole();
    void unreadableFileIsKeptAside();
    void menuListsTitledTagsWithTheirShortcuts();
    void listModelAndWindow();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void tst_RVTagTool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("customtags.plist"));
}

void tst_RVTagTool::cleanup()
{
    m_dir.reset();
}

void tst_RVTagTool::missingFileGivesNoTags()
{
    RVTagTool store(m_path);
    QVERIFY(store.customTags().isEmpty());
    QVERIFY(!QFile::exists(m_path));
    QVERIFY(store.loadReport().isEmpty());
}

void tst_RVTagTool::roundTripThroughTheFile()
{
    {
        RVTagTool store(m_path);
        RVTagPtr note = tag(QStringLiteral("Note"), QStringLiteral("span"));
        note->setAttributes(
            RVAttributeList{RVAttribute::create(QStringLiteral("class"), QStringLiteral("n"))});
        store.setCustomTags({tag(QStringLiteral("Bold"), QStringLiteral("strong")), note});
        QString error;
        QVERIFY2(store.saveTags(&error), qPrintable(error));
    }
    RVTagTool reread(m_path);
    QCOMPARE(titles(reread.customTags()),
             (QStringList{QStringLiteral("Bold"), QStringLiteral("Note")}));
    QCOMPARE(reread.customTags().at(1)->markupString(QStringLiteral("x"), QString()),
             QStringLiteral("<span class=\"n\">x</span>"));
}

void tst_RVTagTool::anEditIsSavedSoonAfter()
{
    RVTagTool store(m_path);
    store.setSaveDelay(50);
    const RVTagPtr bold = tag(QStringLiteral("Bold"), QStringLiteral("strong"));
    store.setCustomTags({bold});
    QTRY_VERIFY(!store.hasUnsavedChanges());
    QCOMPARE(titles(RVTagTool(m_path).customTags()), QStringList{QStringLiteral("Bold")});

    bold->setTitle(QStringLiteral("Strong"));
    QVERIFY(store.hasUnsavedChanges());
    QTRY_VERIFY(!store.hasUnsavedChanges());
    QCOMPARE(titles(RVTagTool(m_path).customTags()), QStringList{QStringLiteral("Strong")});

    RVAttributePtr attribute = RVAttribute::create(QStringLiteral("class"), QStringLiteral("a"));
    bold->setAttributes(RVAttributeList{attribute});
    QTRY_VERIFY(!store.hasUnsavedChanges());
    attribute->setTagValue(QStringLiteral("b"));
    QTRY_VERIFY(!store.hasUnsavedChanges());
    QCOMPARE(RVTagTool(m_path).customTags().first()->attributes().first()->tagValue(),
             QStringLiteral("b"));
}

void tst_RVTagTool::quitSavesAndEndsTheSharedStore()
{
    QVERIFY(!RVTagTool::instanceExists());
    RVTagTool& shared = RVTagTool::sharedInstance();
    QVERIFY(RVTagTool::instanceExists());
    QCOMPARE(&RVTagTool::sharedInstance(), &shared);
    QCOMPARE(shared.path(), RVTagTool::defaultPath());
    QVERIFY(shared.path().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
    QFile::remove(shared.path());
    shared.setSaveDelay(60 * 60 * 1000);
    shared.setCustomTags({tag(QStringLiteral("At quit"), QStringLiteral("q"))});
    QVERIFY(shared.hasUnsavedChanges());
    QPointer<RVTagTool> going(&shared);

    NotificationCenter::sharedInstance().post(QStringLiteral("goingToQuitNotification"));
    QVERIFY(!RVTagTool::instanceExists());
    QCOMPARE(titles(RVTagTool(RVTagTool::defaultPath()).customTags()),
             QStringList{QStringLiteral("At quit")});
    QTRY_VERIFY(going.isNull());
    QFile::remove(RVTagTool::defaultPath());
}

void tst_RVTagTool::killedWhileEditingTheFileIsWhole()
{
    for (int round = 0; round < 3; ++round) {
        QFile::remove(m_path);
        plumet::test::killChildWhenReady(ChildPath, m_path, round * 7);
        if (QTest::currentTestFailed())
            return;

        RVTagTool reread(m_path);
        const QStringList read = titles(reread.customTags());
        QCOMPARE(read.size(), 2);
        QVERIFY2(read.first().startsWith(QStringLiteral("edit ")), qPrintable(read.first()));
        QVERIFY(read.first().mid(5).toInt() >= 49);
        QCOMPARE(read.last(), QStringLiteral("Second"));
        // A kill between the temporary's creation and its rename may leave the
        // temporary behind (where the file system has no unnamed temporaries);
        // what matters is that the real file is whole, and nothing else appears.
        QStringList left = QDir(m_dir->path()).entryList(QDir::Files);
        QVERIFY(left.removeOne(QStringLiteral("customtags.plist")));
        static const QRegularExpression temporary(QStringLiteral("^customtags\\.plist\\.\\w{6}$"));
        for (const QString& name : left)
            QVERIFY2(temporary.match(name).hasMatch(), qPrintable(name));
    }
}

void tst_RVTagTool::unreadableFileIsKeptAside()
{
    QFile broken(m_path);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("bplist00 this is no archive");
    broken.close();
    RVTagTool store(m_path);
    QVERIFY(store.customTags().isEmpty());
    QVERIFY(!QFile::exists(m_path));
    const QStringList kept = QDir(m_dir->path()).entryList(QDir::Files);
    QCOMPARE(kept.size(), 1);
    // Kept for the program to tell the user where the file went.
    QVERIFY2(store.loadReport().contains(kept.first()), qPrintable(store.loadReport()));
    QString report;
    store.loadTags(&report);
    QVERIFY(report.isEmpty()); // nothing there any more
}

void tst_RVTagTool::menuListsTitledTagsWithTheirShortcuts()
{
    RVTagTool store(m_path);
    RVTagPtr bold = tag(QStringLiteral("Bold"), QStringLiteral("strong"));
    bold->setShortcut(QString(QChar(0x2318)) + QChar(0x21E7) + QStringLiteral("B"));
    // A tag read from a file without a title gets no item.
    auto untitled = std::make_shared<RVTag>();
    untitled->setOpenTag(QStringLiteral("i"));
    store.setCustomTags({bold, untitled});
    QMenu menu;
    store.loadUI(&menu);
    QCOMPARE(itemTitles(menu), QStringList{QStringLiteral("Bold")});
    QCOMPARE(menu.actions().first()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    bold->setTitle(QStringLiteral("Strong"));
    QCOMPARE(itemTitles(menu).first(), QStringLiteral("Strong"));
    store.setCustomTags({});
    QVERIFY(menu.actions().isEmpty());
}

void tst_RVTagTool::listModelAndWindow()
{
    RVTagTool store(m_path);
    RVTagPtr note = tag(QStringLiteral("Note"), QStringLiteral("span"));
    note->setIcon(QStringLiteral("  N "));
    store.setCustomTags({tag(QStringLiteral("Bold"), QStringLiteral("strong")), note,
                         tag(QStringLiteral("Quote"), QStringLiteral("blockquote"))});
    CustomTagListModel* model = store.listModel();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(1, CustomTagListModel::IconColumn).data().toString(),
             QStringLiteral("N"));
    QCOMPARE(model->index(0, CustomTagListModel::IconColumn).data().toString(),
             QString(QChar(0x2756)));
    QCOMPARE(model->index(2, CustomTagListModel::TitleColumn).data().toString(),
             QStringLiteral("Quote"));
    note->setTitle(QStringLiteral("Aside"));
    QCOMPARE(model->index(1, CustomTagListModel::TitleColumn).data().toString(),
             QStringLiteral("Aside"));

    store.showWindow();
    QVERIFY(store.window());
    auto* table = store.window()->findChild<QTableView*>(QStringLiteral("tagTable"));
    QVERIFY(table);
    table->selectRow(1);
    saveScreenshot(store.window(), QStringLiteral("custom-tag-list"));
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(ChildPath)) {
        QCoreApplication app(argc, argv);
        return childEditsUntilKilled(qEnvironmentVariable(ChildPath));
    }
    QApplication app(argc, argv);
    tst_RVTagTool test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rvtagtool.moc"
