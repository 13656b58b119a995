#include "DraftActions.h"
#include "DraftRevisions.h"
#include "DraftTesting.h"
#include "DraftWindowLayout.h"
#include "EntryFile.h"
#include "PropertyList.h"
#include "RVDraftWindow.h"
#include "RVTextView.h"
#include "StringExtensions.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QStandardPaths>
#include <QTest>

using namespace plumet::test;

namespace {

QString cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/plumet3");
}

QStringList bodies(const QVariantList& revisions)
{
    QStringList texts;
    for (const QVariant& revision : revisions)
        texts << revision.toMap().value(QStringLiteral("body")).toString();
    return texts;
}

QVariantList storedList(const QString& path)
{
    return PropertyList::readFile(path).toList();
}

} // namespace

class tst_DraftRevisions : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pathPerAccountBlogAndEntry();
    void takingRecordsChangedStatesOnly_data();
    void takingRecordsChangedStatesOnly();
    void keepsTheNewestFifty();
    void damagedFileIsMovedAsideAndReported();
    void savesFillTheRevisionMenu();
    void revertKeepsTheTextTypedSinceTheLastCommit();
    void revertToSavedKeepsTheTypedTextInTheRevisions();
    void saveAsStartsTheNewEntrysOwnHistory();

private:
    std::unique_ptr<DraftWorld> m_world;
};

void tst_DraftRevisions::init()
{
    m_world = std::make_unique<DraftWorld>();
}

void tst_DraftRevisions::cleanup()
{
    m_world.reset();
    QDir(cacheFolder()).removeRecursively();
}

void tst_DraftRevisions::pathPerAccountBlogAndEntry()
{
    Blog& notes = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(notes, "Post", "<p>Body</p>");
    const QString accountID = notes.account()->accountID();
    QVERIFY(!accountID.isEmpty());
    const QString path = DraftRevisions::revisionPath(*entry);
    QCOMPARE(path, cacheFolder() + u'/' + accountID + u'/' + rv::MD5(notes.uniqueID()) + u'/' +
                       rv::MD5(entry->uniqueID()));
    QVERIFY(QFileInfo(path).dir().exists());

    // Another blog of the same account: another folder.
    auto other = std::make_shared<Blog>();
    other->setUniqueID(QStringLiteral("blog-Other"));
    notes.account()->addBlog(other);
    const EntryPtr there = DraftWorld::addEntry(*other, "Post", "<p>Body</p>");
    QVERIFY(QFileInfo(DraftRevisions::revisionPath(*there)).dir() != QFileInfo(path).dir());

    // The same entry identifier in another account: another file.
    Blog& elsewhere = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr twin = DraftWorld::addEntry(elsewhere, "Post", "<p>Body</p>");
    twin->setUniqueID(entry->uniqueID());
    QVERIFY(DraftRevisions::revisionPath(*twin) != path);

    // An entry without a blog has no history.
    const EntryPtr loose = Entry::create();
    QVERIFY(DraftRevisions::revisionPath(*loose).isEmpty());
}

void tst_DraftRevisions::takingRecordsChangedStatesOnly_data()
{
    QTest::addColumn<QStringList>("second"); // title, body, extended, summary
    QTest::addColumn<int>("count");
    QTest::newRow("same again") << QStringList{"T", "<p>B</p>", "", ""} << 1;
    QTest::newRow("title changed") << QStringList{"T2", "<p>B</p>", "", ""} << 2;
    QTest::newRow("summary changed") << QStringList{"T", "<p>B</p>", "", "S"} << 2;
    QTest::newRow("texts empty, title set") << QStringList{"Only a title", "", "", ""} << 1;
}

void tst_DraftRevisions::takingRecordsChangedStatesOnly()
{
    QFETCH(QStringList, second);
    QFETCH(int, count);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "T", "<p>B</p>");
    DraftRevisions revisions;
    QVERIFY(revisions.take(*entry));

    entry->setTitle(second[0]);
    entry->setBody(second[1]);
    entry->setExtended(second[2]);
    entry->setSummary(second[3]);
    QTest::qWait(1100); // a later "created" does not make a state new
    revisions.take(*entry);
    QCOMPARE(revisions.revisions().size(), count);
    // What is in memory is on disk, as an XML property list.
    QFile file(revisions.revisionID());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("<?xml"));
    QCOMPARE(storedList(revisions.revisionID()), revisions.revisions());
    const QVariantMap newest = revisions.revisions().first().toMap();
    QCOMPARE(newest.keys(), (QStringList{"body", "created", "extended", "summary", "title"}));
    QVERIFY(EntryFile::parseStoredDate(newest.value("created").toString()).isValid());
}

void tst_DraftRevisions::keepsTheNewestFifty()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>0</p>");
    DraftRevisions revisions;
    for (int save = 1; save <= 60; ++save) {
        entry->setBody(QStringLiteral("<p>%1</p>").arg(save));
        revisions.take(*entry);
    }
    const QStringList kept = bodies(revisions.revisions());
    QCOMPARE(kept.size(), 50);
    QCOMPARE(kept.first(), QStringLiteral("<p>60</p>"));
    QCOMPARE(kept.last(), QStringLiteral("<p>11</p>"));
    QCOMPARE(bodies(storedList(revisions.revisionID())), kept);

    // A new list for the same entry reads them back in order.
    DraftRevisions again;
    again.follow(*entry);
    QCOMPARE(bodies(again.revisions()), kept);
}

void tst_DraftRevisions::damagedFileIsMovedAsideAndReported()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>");
    const QString path = DraftRevisions::revisionPath(*entry);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?><plist><array><dict><key>body</key>");
    }
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    // The draft starts a new history and says where the old one went.
    QVERIFY(draft->revisions()->revisions().isEmpty());
    QVERIFY(draft->layout().noticeText().contains(QStringLiteral("could not be read")));
    const QStringList aside =
        QFileInfo(path).dir().entryList({QFileInfo(path).fileName() + QStringLiteral(".*")});
    QCOMPARE(aside.size(), 1);
    QVERIFY(aside.first().endsWith(QStringLiteral(".unreadable")));
    QVERIFY(draft->layout().noticeText().contains(aside.first()));

    // The next save writes a sound file in its place.
    typeInto(sourceView(draft), QStringLiteral("<p>New</p>"));
    draft->saveDocument();
    QCOMPARE(bodies(storedList(path)), QStringList{QStringLiteral("<p>Body</p>")});
}

void tst_DraftRevisions::savesFillTheRevisionMenu()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>First</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(!draft->actions().revisionMenu()->isEnabled());

    typeInto(sourceView(draft), QStringLiteral("<p>Second</p>"));
    draft->saveDocument();
    typeInto(sourceView(draft), QStringLiteral("<p>Third</p>"));
    draft->saveDocument();
    draft->saveDocument();
    draft->saveDocument(); // the same state again: no revision

    // Each save kept the text from before it, newest first.
    const QStringList kept{QStringLiteral("<p>Third</p>"), QStringLiteral("<p>Second</p>"),
                           QStringLiteral("<p>First</p>")};
    QCOMPARE(bodies(draft->revisions()->revisions()), kept);
    QVERIFY(draft->actions().revisionMenu()->isEnabled());
    const QList<QAction*> items = draft->actions().revisionMenu()->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items.first()->text(),
             DraftRevisions::menuTitle(draft->revisions()->revisions().first().toMap()));
    QVERIFY(items.first()->text().contains(u':'));

    draft->actions().revisionMenu()->popup(draft->window()->mapToGlobal(QPoint(40, 40)));
    QTest::qWait(50);
    saveScreenshot(draft->actions().revisionMenu(), QStringLiteral("draft-revisions-menu"));
    draft->actions().revisionMenu()->hide();

    // Choosing the oldest puts it back and saves it.
    draft->actions().revisionMenu()->actions().last()->trigger();
    QTRY_COMPARE(entry->body(), QStringLiteral("<p>First</p>"));
    QCOMPARE(sourceView(draft)->string(), QStringLiteral("<p>First</p>"));
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), QStringLiteral("<p>First</p>"));
    QVERIFY(!draft->window()->isWindowModified());
    // The text it replaced is in the menu, so the revert can be undone.
    QCOMPARE(bodies(draft->revisions()->revisions()), kept);
}

void tst_DraftRevisions::revertKeepsTheTextTypedSinceTheLastCommit()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Saved</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>Saved twice</p>"));
    draft->saveDocument();
    const QVariantMap saved = draft->revisions()->revisions().first().toMap();
    QCOMPARE(saved.value("body").toString(), QStringLiteral("<p>Saved</p>"));

    // Typed, never committed, then a revision chosen.
    typeInto(sourceView(draft), QStringLiteral("<p>Typed and not saved</p>"));
    draft->revertToRevision(saved);

    const QStringList kept = bodies(draft->revisions()->revisions());
    QVERIFY(kept.contains(QStringLiteral("<p>Typed and not saved</p>")));
    QVERIFY(kept.contains(QStringLiteral("<p>Saved twice</p>")));
    QCOMPARE(entry->body(), QStringLiteral("<p>Saved</p>"));
    QCOMPARE(entry->title(), QStringLiteral("Post"));
    QCOMPARE(draft->layout().titleField()->text(), QStringLiteral("Post"));
    QCOMPARE(sourceView(draft)->string(), QStringLiteral("<p>Saved</p>"));
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), QStringLiteral("<p>Saved</p>"));

    // An empty choice does nothing.
    draft->revertToRevision({});
    QCOMPARE(entry->body(), QStringLiteral("<p>Saved</p>"));
}

void tst_DraftRevisions::revertToSavedKeepsTheTypedTextInTheRevisions()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Saved</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>Typed, then reverted</p>"));
    draft->layout().titleField()->selectAll();
    QTest::keyClicks(draft->layout().titleField(), QStringLiteral("Renamed"));
    QCOMPARE(entry->title(), QStringLiteral("Renamed"));
    QVERIFY(draft->window()->isWindowModified());

    draft->revertDocumentToSaved();
    // The editors show the post as saved, and nothing is left to save.
    QCOMPARE(sourceView(draft)->string(), QStringLiteral("<p>Saved</p>"));
    QCOMPARE(draft->layout().titleField()->text(), QStringLiteral("Post"));
    QCOMPARE(entry->body(), QStringLiteral("<p>Saved</p>"));
    QVERIFY(!entry->needsSave());
    QVERIFY(!draft->window()->isWindowModified());
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), QStringLiteral("<p>Saved</p>"));
    // One click lost nothing for good: the typed text is a revision, in the menu.
    const QVariantList kept = draft->revisions()->revisions();
    QVERIFY(bodies(kept).contains(QStringLiteral("<p>Typed, then reverted</p>")));
    QCOMPARE(kept.first().toMap().value("title").toString(), QStringLiteral("Renamed"));
    QCOMPARE(draft->actions().revisionMenu()->actions().size(), kept.size());

    // And it comes back from there.
    draft->revertToRevision(kept.first().toMap());
    QCOMPARE(sourceView(draft)->string(), QStringLiteral("<p>Typed, then reverted</p>"));
}

void tst_DraftRevisions::saveAsStartsTheNewEntrysOwnHistory()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>One</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>Two</p>"));
    draft->saveDocument();
    const QString oldPath = draft->revisions()->revisionID();
    QCOMPARE(oldPath, DraftRevisions::revisionPath(*entry));
    const QVariantList oldHistory = storedList(oldPath);
    QCOMPARE(bodies(oldHistory), QStringList{QStringLiteral("<p>One</p>")});

    typeInto(sourceView(draft), QStringLiteral("<p>Three</p>"));
    draft->saveDocumentAs();
    // The new entry's history is its own file; the stored post keeps its list.
    QVERIFY(draft->revisions()->revisionID() != oldPath);
    QCOMPARE(draft->revisions()->revisionID(), DraftRevisions::revisionPath(*entry));
    QCOMPARE(storedList(oldPath), oldHistory);

    typeInto(sourceView(draft), QStringLiteral("<p>Four</p>"));
    draft->saveDocument();
    QCOMPARE(storedList(oldPath), oldHistory);
    QCOMPARE(bodies(storedList(draft->revisions()->revisionID())),
             (QStringList{QStringLiteral("<p>Three</p>"), QStringLiteral("<p>Two</p>")}));
}

QTEST_MAIN(tst_DraftRevisions)
#include "tst_draftrevisions.moc"
