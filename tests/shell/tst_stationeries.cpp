#include "Entry.h"
#include "Stationeries.h"
#include "StationeryDialogs.h"
#include "StationeryListModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <unistd.h>

namespace {

const char ChildPath[] = "PLUMET_STATIONERY_CHILD_PATH";

EntryPtr post(const QString& title, const QString& body)
{
    EntryPtr entry = Entry::create();
    entry->setTitle(title);
    entry->setBody(body);
    return entry;
}

QStringList names(const Stationeries& list)
{
    QStringList result;
    for (const EntryPtr& entry : list.stationeries())
        result.append(entry->uniqueID());
    return result;
}

QStringList itemTitles(const QMenu& menu)
{
    QStringList titles;
    for (QAction* action : menu.actions())
        titles.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return titles;
}

const QString Manage = QStringLiteral("Manage Stationeries") + QChar(0x2026);

// Saves stationery named like the draft and is killed at once, before any
// orderly quit could save it.
int childSavesAndIsKilled(const QString& path)
{
    Stationeries stationeries(path);
    stationeries.loadStationeries();
    stationeries.addStationery(*post(QStringLiteral("Weekly notes"), QStringLiteral("<p>Hi</p>")),
                               QStringLiteral("Weekly notes"));
    ::kill(::getpid(), SIGKILL);
    return 0;
}

} // namespace

class tst_Stationeries : public QObject {
    Q_OBJECT
private slots:
    void init();
    void withoutAFileTheMenuOffersOnlyManage();
    void saveAsWritesTheFileAtOnce();
    void namesSortWithoutCaseAndMayRepeat();
    void emptyNameOrCancelChangesNothing();
    void killedAfterSaveAsTheFileIsWhole();
    void newDraftIsAFreshLocalPost();
    void emptiedNameLeavesTheMenuButStaysInTheFile();
    void unreadableFileIsKeptAside();

private:
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Stationeries::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("stationeries.plist"));
}

void tst_Stationeries::withoutAFileTheMenuOffersOnlyManage()
{
    Stationeries stationeries(m_path);
    QMenu menu;
    stationeries.setStationeryMenu(&menu);
    stationeries.loadStationeries();
    QCOMPARE(itemTitles(menu), (QStringList{QStringLiteral("-"), Manage}));
    QVERIFY(stationeries.stationeries().isEmpty());
}

void tst_Stationeries::saveAsWritesTheFileAtOnce()
{
    Stationeries stationeries(m_path);
    QMenu menu;
    stationeries.setStationeryMenu(&menu);
    stationeries.loadStationeries();
    const EntryPtr draft = post(QStringLiteral("Trip report"), QStringLiteral("<p>We went.</p>"));
    stationeries.saveAsStationery(draft.get());
    auto* dialog = qApp->findChild<SaveStationeryDialog*>();
    if (!dialog) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if ((dialog = qobject_cast<SaveStationeryDialog*>(w)))
                break;
    }
    QVERIFY(dialog);
    QCOMPARE(dialog->name(), QStringLiteral("Trip report"));
    dialog->accept();
    QCOMPARE(names(stationeries), QStringList{QStringLiteral("Trip report")});
    QCOMPARE(itemTitles(menu),
             (QStringList{QStringLiteral("Trip report"), QStringLiteral("-"), Manage}));

    // Another instance reads it back from the disk: no quit was needed.
    Stationeries reread(m_path);
    reread.loadStationeries();
    QCOMPARE(names(reread), QStringList{QStringLiteral("Trip report")});
    QCOMPARE(reread.stationeryForKey(QStringLiteral("Trip report"))->body(),
             QStringLiteral("<p>We went.</p>"));
    QVERIFY(!reread.stationeryForKey(QStringLiteral("trip report")));
}

void tst_Stationeries::namesSortWithoutCaseAndMayRepeat()
{
    Stationeries stationeries(m_path);
    stationeries.loadStationeries();
    QVERIFY(stationeries.addStationery(*post("a", "1"), QStringLiteral("apple")));
    QVERIFY(stationeries.addStationery(*post("z", "2"), QStringLiteral("Zebra")));
    QVERIFY(stationeries.addStationery(*post("m", "3"), QStringLiteral("mango")));
    QVERIFY(stationeries.addStationery(*post("m", "4"), QStringLiteral("mango")));
    QCOMPARE(names(stationeries), (QStringList{QStringLiteral("apple"), QStringLiteral("mango"),
                                               QStringLiteral("mango"), QStringLiteral("Zebra")}));
    // The first of two of a name answers.
    QCOMPARE(stationeries.stationeryForKey(QStringLiteral("mango"))->body(), QStringLiteral("3"));
}

void tst_Stationeries::emptyNameOrCancelChangesNothing()
{
    Stationeries stationeries(m_path);
    stationeries.loadStationeries();
    QVERIFY(stationeries.addStationery(*post("kept", "1"), QStringLiteral("kept")));
    const QByteArray before = [&] {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const EntryPtr draft = post(QStringLiteral("Draft"), QStringLiteral("text"));
    for (const bool cancel : {true, false}) {
        stationeries.saveAsStationery(draft.get());
        SaveStationeryDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<SaveStationeryDialog*>(w); d && d->isVisible())
                    return d;
            return static_cast<SaveStationeryDialog*>(nullptr);
        }()));
        if (cancel) {
            dialog->reject();
        } else {
            dialog->nameField()->clear();
            dialog->accept();
        }
        QTest::qWait(10);
    }
    QCOMPARE(names(stationeries), QStringList{QStringLiteral("kept")});
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    // No front draft: nothing to ask.
    stationeries.saveAsStationery(nullptr);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<SaveStationeryDialog*>(w) && w->isVisible()));
}

void tst_Stationeries::killedAfterSaveAsTheFileIsWhole()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ChildPath), m_path);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    Stationeries reread(m_path);
    QString report;
    reread.loadStationeries(&report);
    QVERIFY(report.isEmpty());
    QCOMPARE(names(reread), QStringList{QStringLiteral("Weekly notes")});
    QCOMPARE(reread.stationeries().first()->body(), QStringLiteral("<p>Hi</p>"));
}

void tst_Stationeries::newDraftIsAFreshLocalPost()
{
    Stationeries stationeries(m_path);
    stationeries.loadStationeries();
    EntryPtr published = post(QStringLiteral("Review"), QStringLiteral("<p>Stars:</p>"));
    published->setFlag(Entry::IsPage);
    published->setPermaLink(QStringLiteral("https://blog.example/review"));
    published->setEditURI(QStringLiteral("https://blog.example/atom/post/9"));
    published->setEntryDate(QDateTime(QDate(2009, 1, 2), QTime(3, 4)));
    QVERIFY(stationeries.addStationery(*published, QStringLiteral("Review")));

    QMenu menu;
    stationeries.setStationeryMenu(&menu);
    QSignalSpy requested(&stationeries, &Stationeries::newDraftRequested);
    menu.actions().first()->trigger();
    QCOMPARE(requested.count(), 1);
    const EntryPtr draft = requested.first().first().value<EntryPtr>();
    QVERIFY(draft);
    QCOMPARE(draft->body(), QStringLiteral("<p>Stars:</p>"));
    QVERIFY(draft->uniqueID() != QStringLiteral("Review"));
    QCOMPARE(draft->uniqueID().size(), 32);
    QCOMPARE(draft->flag(), Entry::LocalOnly | Entry::IsPage);
    QVERIFY(draft->permaLink().isEmpty());
    QVERIFY(draft->editURI().isEmpty());
    QVERIFY(draft->entryDate().secsTo(QDateTime::currentDateTime()) < 60);
    QVERIFY(draft->needsSave());
    // The stationery itself is untouched, and a second draft is another post.
    menu.actions().first()->trigger();
    QVERIFY(requested.last().first().value<EntryPtr>()->uniqueID() != draft->uniqueID());
    QCOMPARE(stationeries.stationeryForKey(QStringLiteral("Review"))->editURI(),
             QStringLiteral("https://blog.example/atom/post/9"));
}

void tst_Stationeries::emptiedNameLeavesTheMenuButStaysInTheFile()
{
    Stationeries stationeries(m_path);
    QMenu menu;
    stationeries.setStationeryMenu(&menu);
    stationeries.loadStationeries();
    QVERIFY(stationeries.addStationery(*post("a", "1"), QStringLiteral("alpha")));
    QVERIFY(stationeries.addStationery(*post("b", "2"), QStringLiteral("beta")));
    QVERIFY(stationeries.addStationery(*post("c", "3"), QStringLiteral("gamma")));

    stationeries.manageStationeries();
    ManageStationeriesDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<ManageStationeriesDialog*>(w); d && d->isVisible())
            dialog = d;
    QVERIFY(dialog);
    StationeryListModel* model = dialog->model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(model->setData(model->index(0), QString(), Qt::EditRole));
    QVERIFY(model->removeRows(1, 1));
    QCOMPARE(model->rowCount(), 2);
    dialog->accept();
    QTest::qWait(10);

    QCOMPARE(itemTitles(menu), (QStringList{QStringLiteral("gamma"), QStringLiteral("-"), Manage}));
    Stationeries reread(m_path);
    reread.loadStationeries();
    QCOMPARE(names(reread), (QStringList{QString(), QStringLiteral("gamma")}));
}

void tst_Stationeries::unreadableFileIsKeptAside()
{
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a property list");
    }
    Stationeries stationeries(m_path);
    QString report;
    stationeries.loadStationeries(&report);
    QVERIFY(!report.isEmpty());
    QVERIFY(stationeries.stationeries().isEmpty());
    QVERIFY(!QFile::exists(m_path));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 1);
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(ChildPath)) {
        QApplication app(argc, argv);
        return childSavesAndIsKilled(qEnvironmentVariable(ChildPath));
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_Stationeries test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_stationeries.moc"
