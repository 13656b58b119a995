#include "BlogEntryStore.h"
#include "BlogRoads.h"
#include "Draft.h"
#include "DraftController.h"
#include "DraftRegistry.h"
#include "EntryDeletion.h"
#include "EntryFile.h"
#include "PropertyList.h"
#include "RVDraftWindow.h"
#include "RVTextView.h"
#include "RoadTesting.h"
#include "TestSecretService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QWidget>

// Deleting from the entries table: the four sheets and what their buttons
// mean, local removal, the server's deletion through the road against a
// scripted server, and the ends that must leave an entry usable: a refusal,
// a server that fails, an entry that was never on the server.
using namespace plumet::test;
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

// The draft windows as the deletion sees them: what it asked to close, and
// whether they let the entry go.
class ClosingDrafts : public DraftRegistry {
public:
    QObject* hasOpenDraft(const Entry*) const override { return nullptr; }
    void reloadEntry(QObject*) override {}
    void openDrafts(const QList<Entry*>&) override {}
    void openDraftForEntry(Entry*, const QVariant&) override {}
    void saveIfNeeded(std::function<void()> done) override { done(); }
    bool forceClosure(Entry* entry, std::function<void()> closed) override
    {
        asked.append(entry);
        if (refuse)
            return false;
        // A draft that saves first answers later.
        pending.append(std::move(closed));
        return true;
    }
    void closeAll()
    {
        const auto waiting = std::exchange(pending, {});
        for (const auto& closed : waiting)
            closed();
    }
    QList<Entry*> asked;
    QList<std::function<void()>> pending;
    bool refuse = false;
};

QAbstractButton* buttonTitled(QMessageBox* box, const QString& title)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title)
            return button;
    }
    return nullptr;
}

} // namespace

class tst_EntryDeletion : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sheets_data();
    void sheets();
    void buttons_data();
    void buttons();
    void theSheetAsksAndNoLeavesEverything();
    void localCopiesOnlySendNothing();
    void serverCopiesAreDeletedOnTheServer();
    void localOnlyEntriesNeverReachTheServer();
    void aFailedDeletionLeavesTheEntryUsable_data();
    void aFailedDeletionLeavesTheEntryUsable();
    void entriesBeingPublishedOrDeletedAreRefused();
    void draftsCloseFirst();
    void anOpenDraftLeavesNoMarkWhenTheServerRefuses_data();
    void anOpenDraftLeavesNoMarkWhenTheServerRefuses();

private:
    EntryPtr addEntry(const QString& id, int flag);
    QString fileOf(const QString& id) const;

    plumet::test::TestKeyring m_keyring;
    TestHttpServer* m_server = nullptr;
    ActivityList* m_list = nullptr;
    BlogRoads* m_roads = nullptr;
    BlogSetup m_setup;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<EntryDeletion> m_deletion;
};

void tst_EntryDeletion::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    loadDrivers();
}

void tst_EntryDeletion::init()
{
    m_server = new TestHttpServer(this);
    QVERIFY(m_server->listen());
    m_list = new ActivityList(this);
    m_list->setRetryInterval(20);
    m_roads = new BlogRoads(*m_list, this);
    m_roads->setTimeOut(5);
    m_roads->setResponseTimeout(std::chrono::milliseconds(1000));
    ServerRoads::setSharedInstance(m_roads);
    m_setup = makeBlog(QStringLiteral("Wordpress"), m_server->url(QStringLiteral("/xmlrpc.php")));
    m_window = std::make_unique<QWidget>();
    m_window->resize(500, 300);
    m_window->show();
    m_deletion = std::make_unique<EntryDeletion>(m_window.get());
}

void tst_EntryDeletion::cleanup()
{
    DraftRegistry::setSharedInstance(nullptr);
    m_deletion.reset();
    m_window.reset();
    ServerRoads::setSharedInstance(nullptr);
    delete m_roads;
    delete m_list;
    delete m_server;
    m_setup = {};
}

EntryPtr tst_EntryDeletion::addEntry(const QString& id, int flag)
{
    EntryPtr entry = Entry::create();
    if (!id.isEmpty())
        entry->setUniqueID(id);
    entry->setTitle(QStringLiteral("Post %1").arg(entry->uniqueID().left(8)));
    entry->setFlag(flag);
    m_setup.blog->addEntry(entry);
    QString error;
    [&] { QVERIFY2(m_setup.blog->save(*entry, &error), qPrintable(error)); }();
    return entry;
}

QString tst_EntryDeletion::fileOf(const QString& id) const
{
    return m_setup.blog->store().folder() + QLatin1Char('/') + EntryFile::fileName(id);
}

void tst_EntryDeletion::sheets_data()
{
    QTest::addColumn<QList<int>>("flags");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("informative");
    QTest::addColumn<QStringList>("buttons"); // default, alternate, other
    QTest::addColumn<bool>("onServer");
    const QString undo = QStringLiteral("This action cannot be undone.");
    QTest::newRow("one local") << QList<int>{1} << "Are you sure you want to delete \"Post 0\"?"
                               << undo << QStringList{"Yes", "", "No"} << false;
    QTest::newRow("one local draft")
        << QList<int>{3} << "Are you sure you want to delete \"Post 0\"?" << undo
        << QStringList{"Yes", "", "No"} << false;
    QTest::newRow("one published")
        << QList<int>{0} << "Are you sure you want to delete \"Post 0\"?"
        << "This post is also stored on your blog server. Please indicate if you want to delete "
           "the local copy or both the local and the server copies.\n\n" +
               undo
        << QStringList{"Local Copy Only", "Cancel", "Local and Server Copies"} << true;
    QTest::newRow("several local")
        << QList<int>{1, 17} << "Are you sure you want to delete the selected items?" << undo
        << QStringList{"Yes", "", "No"} << false;
    // One entry on the server makes it the server sheet for all.
    QTest::newRow("mixed") << QList<int>{1, 4, 1}
                           << "Are you sure you want to delete the selected items?"
                           << "Some of these items have copies on your blog server. Please "
                              "indicate if you want to delete the local copies or both the local "
                              "and the server copies.\n\n" +
                                  undo
                           << QStringList{"Local Copies Only", "Cancel", "Local and Server Copies"}
                           << true;
}

void tst_EntryDeletion::sheets()
{
    QFETCH(QList<int>, flags);
    QFETCH(QString, title);
    QFETCH(QString, informative);
    QFETCH(QStringList, buttons);
    QFETCH(bool, onServer);
    QList<Entry*> entries;
    QList<EntryPtr> kept;
    for (int i = 0; i < flags.size(); ++i) {
        EntryPtr entry = Entry::create();
        entry->setTitle(QStringLiteral("Post %1").arg(i));
        entry->setFlag(flags[i]);
        kept.append(entry);
        entries.append(entry.get());
    }
    const EntryDeletion::Sheet sheet = EntryDeletion::sheetFor(entries);
    QCOMPARE(sheet.title, title);
    QCOMPARE(sheet.informativeText, informative);
    QCOMPARE((QStringList{sheet.defaultButton, sheet.alternateButton, sheet.otherButton}), buttons);
    QCOMPARE(sheet.onServer, onServer);
    QVERIFY(EntryDeletion::sheetFor({}).title.isEmpty());
}

void tst_EntryDeletion::buttons_data()
{
    QTest::addColumn<bool>("onServer");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("choice");
    using C = EntryDeletion::Choice;
    QTest::newRow("local: Yes") << false << 1 << int(C::LocalCopy);
    QTest::newRow("local: No") << false << -1 << int(C::Cancel);
    QTest::newRow("server: Local Copy Only") << true << 1 << int(C::LocalCopy);
    QTest::newRow("server: Cancel") << true << 0 << int(C::Cancel);
    QTest::newRow("server: Local and Server") << true << -1 << int(C::LocalAndServer);
}

void tst_EntryDeletion::buttons()
{
    QFETCH(bool, onServer);
    QFETCH(int, code);
    QFETCH(int, choice);
    EntryDeletion::Sheet sheet;
    sheet.onServer = onServer;
    QCOMPARE(int(EntryDeletion::choiceFor(sheet, code)), choice);
}

void tst_EntryDeletion::theSheetAsksAndNoLeavesEverything()
{
    const EntryPtr local = addEntry({}, 1);
    const EntryPtr published = addEntry(QStringLiteral("42"), 0);
    // Nothing selected: no sheet.
    m_deletion->ask({});
    QVERIFY(!m_deletion->sheet());

    m_deletion->ask({local, published});
    QMessageBox* sheet = m_deletion->sheet();
    QVERIFY(sheet);
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    QCOMPARE(sheet->parentWidget(), m_window.get());
    QCOMPARE(sheet->defaultButton()->text(), QStringLiteral("Local Copies Only"));
    buttonTitled(sheet, QStringLiteral("Cancel"))->click();
    QTRY_VERIFY(!m_deletion->sheet());
    QCOMPARE(local->flag(), 1);
    QCOMPARE(published->flag(), 0);
    QCOMPARE(m_setup.blog->entries().size(), 2);

    // "Yes" on the local sheet removes the entry and its file.
    m_deletion->ask({local});
    QVERIFY(m_deletion->sheet());
    buttonTitled(m_deletion->sheet(), QStringLiteral("No"))->click();
    QTRY_VERIFY(!m_deletion->sheet());
    QCOMPARE(m_setup.blog->entries().size(), 2);
    m_deletion->ask({local});
    buttonTitled(m_deletion->sheet(), QStringLiteral("Yes"))->click();
    QCOMPARE(m_setup.blog->entries(), QList<EntryPtr>{published});
    QVERIFY(!QFile::exists(fileOf(local->uniqueID())));
    QVERIFY(m_server->requests().isEmpty());
}

void tst_EntryDeletion::localCopiesOnlySendNothing()
{
    const EntryPtr local = addEntry({}, 1);
    const EntryPtr published = addEntry(QStringLiteral("42"), 0);
    const EntryPtr draft = addEntry(QStringLiteral("43"), 2);
    m_deletion->perform({local, published, draft}, EntryDeletion::Choice::LocalCopy);
    QVERIFY(m_setup.blog->entries().isEmpty());
    for (const QString& id : {local->uniqueID(), QStringLiteral("42"), QStringLiteral("43")})
        QVERIFY(!QFile::exists(fileOf(id)));
    QTest::qWait(100);
    QVERIFY(m_server->requests().isEmpty());
    QVERIFY(m_list->items().isEmpty());
}

void tst_EntryDeletion::serverCopiesAreDeletedOnTheServer()
{
    m_server->enqueue(xmlrpcAnswer(true));
    const EntryPtr published = addEntry(QStringLiteral("42"), 0);
    const EntryPtr other = addEntry(QStringLiteral("43"), 0);
    QSignalSpy failed(m_deletion.get(), &EntryDeletion::failed);
    m_deletion->perform({published}, EntryDeletion::Choice::LocalAndServer);
    // Marked while the server works, so the row shows it.
    QVERIFY(published->hasFlag(Entry::BeingDeleted));
    QTRY_COMPARE(m_setup.blog->entries(), QList<EntryPtr>{other});
    QVERIFY(!QFile::exists(fileOf(QStringLiteral("42"))));
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(methodOf(m_server->requests().first()), QStringLiteral("blogger.deletePost"));
    QCOMPARE(paramsOf(m_server->requests().first()).value(1), QStringLiteral("42"));
    QCOMPARE(failed.count(), 0);
    QVERIFY(!m_deletion->alert());
}

void tst_EntryDeletion::localOnlyEntriesNeverReachTheServer()
{
    m_server->enqueue(xmlrpcAnswer(true));
    const EntryPtr local = addEntry({}, 1);
    const EntryPtr published = addEntry(QStringLiteral("42"), 0);
    m_deletion->perform({local, published}, EntryDeletion::Choice::LocalAndServer);
    // The local one is gone at once, without a word to the server.
    QVERIFY(!m_setup.blog->entries().contains(local));
    QVERIFY(!QFile::exists(fileOf(local->uniqueID())));
    QTRY_VERIFY(m_setup.blog->entries().isEmpty());
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(paramsOf(m_server->requests().first()).value(1), QStringLiteral("42"));
    for (const auto& request : m_server->requests())
        QVERIFY(!request.body.contains(local->uniqueID().toUtf8()));
}

void tst_EntryDeletion::aFailedDeletionLeavesTheEntryUsable_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("fault") << Response::xmlrpcFault(401, QStringLiteral("Sorry, you are not "
                                                                        "allowed to delete "
                                                                        "this post."))
                           << "Sorry, you are not allowed to delete this post.";
    QTest::newRow("false") << xmlrpcAnswer(false) << "";
    QTest::newRow("html error") << Response::htmlError(500) << "";
    QTest::newRow("reset") << Response::resetMidAnswer(QByteArray(4000, 'x')) << "";
    QTest::newRow("silent") << Response::timeOut() << "";
}

void tst_EntryDeletion::aFailedDeletionLeavesTheEntryUsable()
{
    QFETCH(Response, answer);
    QFETCH(QString, message);
    m_server->enqueue(answer);
    const EntryPtr published = addEntry(QStringLiteral("42"), 4);
    QSignalSpy failed(m_deletion.get(), &EntryDeletion::failed);
    m_deletion->perform({published}, EntryDeletion::Choice::LocalAndServer);
    QVERIFY(failed.wait(20000));
    QCOMPARE(failed.count(), 1);
    const QString said = failed.first().at(1).toString();
    QVERIFY(!said.isEmpty());
    if (!message.isEmpty())
        QCOMPARE(said, message);
    // The entry stays, with its file, no longer marked: it opens and can be deleted again.
    QCOMPARE(m_setup.blog->entries(), QList<EntryPtr>{published});
    QVERIFY(QFile::exists(fileOf(QStringLiteral("42"))));
    QCOMPARE(published->flag(), 4);
    // The user is told, in the server's words.
    QVERIFY(m_deletion->alert());
    QCOMPARE(m_deletion->alert()->text(),
             QStringLiteral("The server did not delete \u201CPost 42\u201D."));
    QVERIFY(m_deletion->alert()->informativeText().contains(said));
    m_deletion->alert()->close();

    // Asking again starts a new deletion, which the server now grants.
    m_server->enqueue(xmlrpcAnswer(true));
    m_deletion->perform({published}, EntryDeletion::Choice::LocalAndServer);
    QTRY_VERIFY_WITH_TIMEOUT(m_setup.blog->entries().isEmpty(), 20000);
    QCOMPARE(failed.count(), 1);
}

void tst_EntryDeletion::entriesBeingPublishedOrDeletedAreRefused()
{
    const EntryPtr publishing = addEntry(QStringLiteral("41"), 0);
    publishing->setBeingPublished(true);
    const EntryPtr deleting = addEntry(QStringLiteral("42"), 8);
    const EntryPtr free = addEntry(QStringLiteral("43"), 0);
    QSignalSpy refused(m_deletion.get(), &EntryDeletion::refused);
    m_deletion->perform({publishing, deleting, free}, EntryDeletion::Choice::LocalCopy);
    QCOMPARE(refused.count(), 1);
    const QStringList reasons = refused.first().first().toStringList();
    QCOMPARE(reasons,
             (QStringList{"\u201CPost 41\u201D is being published and cannot be deleted now.",
                          "\u201CPost 42\u201D is being deleted already."}));
    QVERIFY(m_deletion->alert());
    QVERIFY(m_deletion->alert()->informativeText().contains(reasons.first()));
    // Left as they were; the free one went.
    QCOMPARE(m_setup.blog->entries(), (QList<EntryPtr>{publishing, deleting}));
    QCOMPARE(publishing->flag(), 0);
    QCOMPARE(deleting->flag(), 8);
    publishing->setBeingPublished(false);
}

void tst_EntryDeletion::draftsCloseFirst()
{
    ClosingDrafts drafts;
    DraftRegistry::setSharedInstance(&drafts);
    const EntryPtr entry = addEntry(QStringLiteral("42"), 0);
    m_deletion->perform({entry}, EntryDeletion::Choice::LocalCopy);
    QCOMPARE(drafts.asked, QList<Entry*>{entry.get()});
    // Marked, and still there until its draft has saved and closed.
    QVERIFY(entry->hasFlag(Entry::BeingDeleted));
    QCOMPARE(m_setup.blog->entries().size(), 1);
    drafts.closeAll();
    QVERIFY(m_setup.blog->entries().isEmpty());

    // A draft that cannot close (it is publishing) keeps the entry, unmarked.
    drafts.refuse = true;
    const EntryPtr kept = addEntry(QStringLiteral("43"), 0);
    QSignalSpy refused(m_deletion.get(), &EntryDeletion::refused);
    m_deletion->perform({kept}, EntryDeletion::Choice::LocalAndServer);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(kept->flag(), 0);
    QCOMPARE(m_setup.blog->entries(), QList<EntryPtr>{kept});
    QTest::qWait(100);
    QVERIFY(m_server->requests().isEmpty());
}

void tst_EntryDeletion::anOpenDraftLeavesNoMarkWhenTheServerRefuses_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("flagAfter");
    QTest::newRow("unchanged draft") << QString() << 0;
    QTest::newRow("changed draft") << QStringLiteral("<p>Typed</p>") << int(Entry::ChangedLocally);
}

void tst_EntryDeletion::anOpenDraftLeavesNoMarkWhenTheServerRefuses()
{
    QFETCH(QString, typed);
    QFETCH(int, flagAfter);
    // The program's own draft windows: the post's draft saves and closes
    // before the server is asked.
    DraftController& drafts = DraftController::sharedInstance();
    auto letGo = qScopeGuard([] {
        DraftController::cleanUp();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    m_server->enqueue(
        Response::xmlrpcFault(401, QStringLiteral("Sorry, you are not allowed to delete this "
                                                  "post.")));
    const EntryPtr published = addEntry(QStringLiteral("42"), 0);
    published->setBody(QStringLiteral("<p>Stored</p>"));
    QVERIFY(m_setup.blog->save(*published));
    Draft* draft = drafts.openDraft(published);
    QVERIFY(draft);
    if (!typed.isEmpty()) {
        auto* source = dynamic_cast<RVTextView*>(draft->editor(Draft::SourceMode, false));
        QVERIFY(source);
        source->selectAll();
        source->insertPlainText(typed);
    }

    QSignalSpy failed(m_deletion.get(), &EntryDeletion::failed);
    m_deletion->perform({published}, EntryDeletion::Choice::LocalAndServer);
    QVERIFY(drafts.listOfDrafts().isEmpty());
    QVERIFY(failed.wait(20000));
    m_deletion->alert()->close();

    // Only a real edit marks the post as changed; the deletion's mark went
    // with the deletion, in memory and on disk.
    QCOMPARE(published->flag(), flagAfter);
    const QVariantMap stored = PropertyList::readFile(fileOf(QStringLiteral("42"))).toMap();
    QCOMPARE(stored.value(QStringLiteral("flag")).toInt(), flagAfter);
    QCOMPARE(stored.value(QStringLiteral("body")).toString(),
             typed.isEmpty() ? QStringLiteral("<p>Stored</p>") : typed);
    // It opens again.
    QVERIFY(drafts.openDraft(published));
}

PLUMET_SECRET_SERVICE_WIDGETS_TEST_MAIN(tst_EntryDeletion)
#include "tst_entrydeletion.moc"
