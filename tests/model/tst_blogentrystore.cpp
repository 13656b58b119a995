#include "Account.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Category.h"
#include "Entry.h"
#include "EntryFile.h"
#include "FileSizeLimit.h"
#include "Ping.h"
#include "PreviousVersionImport.h"
#include "PropertyList.h"
#include "StringExtensions.h"
#include "SupportFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <sys/stat.h>

namespace {

struct RecordedProgress : ImportProgress {
    void setRange(int min, int max) override { range = {min, max}; }
    void setWarningValue(int value) override { warning = value; }
    void setCriticalValue(int value) override { critical = value; }
    void setValue(int value) override { values.append(value); }
    void setVisible(bool visible) override { shown.append(visible); }
    QPair<int, int> range;
    int warning = -1, critical = -1;
    QList<int> values;
    QList<bool> shown;
};

EntryPtr entryWithBody(const QString& body)
{
    auto entry = Entry::create();
    entry->setBody(body);
    return entry;
}

} // namespace

class tst_BlogEntryStore : public QObject {
    Q_OBJECT
private slots:
    void saveAndLoadInTheStoreLayout();
    void unchangedEntriesAreNotWrittenAgain();
    void changesOfRecordsAndDefaultsReachTheFile_data();
    void changesOfRecordsAndDefaultsReachTheFile();
    void failedWriteIsReportedAndRetried();
    void fullDiskKeepsTheLastGoodFile();
    void misnamedFilesAreReplacedNotMultiplied_data();
    void misnamedFilesAreReplacedNotMultiplied();
    void replacedFileStaysUntilItsReplacementIsWritten();
    void queuedSaveReplacesTheOldFileOnceTheNewIsWritten_data();
    void queuedSaveReplacesTheOldFileOnceTheNewIsWritten();
    void loadSkipsUnreadableAndForeignFiles();
    void loadPassesOverWhatIsNoEntryFile();
    void deferredBlogReadsItsFolderOnFirstUse_data();
    void deferredBlogReadsItsFolderOnFirstUse();
    void blogFoldersPerAccount();
    void moveBetweenBlogsOfOneFolderKeepsTheFile();
    void importPreviousVersion_data();
    void importPreviousVersion();
    void importSkipsKnownAndUnnamedPosts();
    void importFromAWorkerAddsOnTheMainThread();

private:
    std::shared_ptr<Account> makeAccount(const QString& blogID);
    // A new blog of that identifier in the account, its folder read: what
    // the next launch of the program sees.
    static std::shared_ptr<Blog> relaunch(Account& account, const QString& blogID);
};

std::shared_ptr<Blog> tst_BlogEntryStore::relaunch(Account& account, const QString& blogID)
{
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(blogID);
    blog->setAccount(&account);
    blog->load();
    return blog;
}

std::shared_ptr<Account> tst_BlogEntryStore::makeAccount(const QString& blogID)
{
    auto account = Account::create();
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(blogID);
    account->addBlog(blog);
    return account;
}

void tst_BlogEntryStore::saveAndLoadInTheStoreLayout()
{
    auto account = makeAccount(QStringLiteral("blog/1"));
    Blog& blog = *account->blogs().first();
    for (int i = 0; i < 3; ++i)
        blog.addEntry(entryWithBody(QStringLiteral("body %1").arg(i)));
    QString error;
    QVERIFY2(blog.save(&error), qPrintable(error));
    QVERIFY2(blog.store().flush(&error), qPrintable(error));

    const QString folder = cutils::applicationSupportFolder() + "/items/" + account->accountID() +
                           "/" + rv::MD5(QStringLiteral("blog/1"));
    for (const auto& entry : blog.entries())
        QVERIFY(QFile::exists(folder + "/" + rv::MD5(entry->uniqueID()) + ".plumet"));

    Blog again;
    again.setUniqueID(QStringLiteral("blog/1"));
    again.setAccount(account.get());
    again.load();
    QCOMPARE(again.entries().size(), 3);
    QStringList bodies;
    for (const auto& entry : again.entries()) {
        bodies << entry->body();
        QCOMPARE(entry->parentBlog(), static_cast<EntryOwner*>(&again));
        QVERIFY(!entry->needsSave());
    }
    bodies.sort();
    QCOMPARE(bodies, QStringList({"body 0", "body 1", "body 2"}));
}

void tst_BlogEntryStore::unchangedEntriesAreNotWrittenAgain()
{
    auto account = makeAccount(QStringLiteral("b"));
    Blog& blog = *account->blogs().first();
    blog.addEntry(entryWithBody(QStringLiteral("one")));
    blog.addEntry(entryWithBody(QStringLiteral("two")));
    QVERIFY(blog.save());
    QCOMPARE(blog.store().lastWriteCount(), 2);

    // A server read marks everything for saving without changing anything.
    for (const auto& entry : blog.entries())
        entry->setNeedsSave(true);
    QVERIFY(blog.save());
    QCOMPARE(blog.store().lastWriteCount(), 0);

    blog.entries().first()->setBody(QStringLiteral("changed"));
    QVERIFY(blog.save());
    QCOMPARE(blog.store().lastWriteCount(), 1);

    // A blog loaded from disk knows its files too.
    Blog loaded;
    loaded.setUniqueID(QStringLiteral("b"));
    loaded.setAccount(account.get());
    loaded.load();
    for (const auto& entry : loaded.entries())
        entry->setNeedsSave(true);
    QVERIFY(loaded.save());
    QCOMPARE(loaded.store().lastWriteCount(), 0);

    // A file removed behind the store's back is written again.
    const QString path =
        loaded.store().folder() + "/" + EntryFile::fileName(*loaded.entries().first());
    QVERIFY(QFile::remove(path));
    QVERIFY(loaded.save());
    QVERIFY(loaded.store().flush());
    QVERIFY(QFile::exists(path));
}

void tst_BlogEntryStore::changesOfRecordsAndDefaultsReachTheFile_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("a text") << "body";
    QTest::newRow("a flag of a chosen category") << "category";
    QTest::newRow("a trackback address") << "ping";
    QTest::newRow("a default stored on first read") << "format";
}

// Entries unchanged since their file are not serialised again; a change of
// the entry's own records or a lazily stored default still counts.
void tst_BlogEntryStore::changesOfRecordsAndDefaultsReachTheFile()
{
    QFETCH(QString, change);
    auto account = makeAccount(QStringLiteral("records"));
    Blog& blog = *account->blogs().first();
    const EntryPtr written = entryWithBody(QStringLiteral("first"));
    written->setCategories(CategoryList{Category::withTitle(QStringLiteral("News"))});
    blog.addEntry(written);
    QVERIFY(blog.save());
    QVERIFY(blog.store().flush());

    const auto loaded = relaunch(*account, QStringLiteral("records"));
    loaded->setDefaultFormat(QStringLiteral("markdown"));
    const EntryPtr entry = loaded->entries().first();
    QVERIFY(!entry->dictionary().contains("format"));
    if (change == "body")
        entry->setBody(QStringLiteral("second"));
    else if (change == "category")
        entry->categories()->first()->setIsChecked(true);
    else if (change == "ping")
        entry->pingUris().first()->setAddress(QStringLiteral("http://ping.test/"));
    else
        QCOMPARE(entry->format(), QStringLiteral("markdown"));
    entry->setNeedsSave(true);
    QVERIFY(loaded->save());
    QCOMPARE(loaded->store().lastWriteCount(), 1);
    QVERIFY(loaded->store().flush());

    const EntryPtr back = EntryFile::entryFromFile(loaded->entryFilePath(*entry));
    QVERIFY(back);
    QCOMPARE(back->dictionary(), entry->dictionary());
}

void tst_BlogEntryStore::failedWriteIsReportedAndRetried()
{
    auto account = makeAccount(QStringLiteral("failing"));
    Blog& blog = *account->blogs().first();
    const EntryPtr entry = entryWithBody(QStringLiteral("first"));
    blog.addEntry(entry);
    QVERIFY(blog.save());
    QVERIFY(blog.store().flush());

    // A folder where the file should go: the write cannot replace it.
    const QString path = blog.entryFilePath(*entry);
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkdir(path));
    entry->setBody(QStringLiteral("second"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be saved"));
    QVERIFY(blog.save()); // handed over
    QString error;
    QVERIFY(!blog.store().flush(&error));
    QVERIFY2(error.contains(path), qPrintable(error));

    // The next save says so, and writes the file again.
    QVERIFY(QDir().rmdir(path));
    QVERIFY(!blog.save(&error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QCOMPARE(blog.store().lastWriteCount(), 1);
    QVERIFY(blog.store().flush());
    const EntryPtr back = EntryFile::entryFromFile(path);
    QVERIFY(back);
    QCOMPARE(back->body(), QStringLiteral("second"));
    QVERIFY(blog.save());
    QCOMPARE(blog.store().lastWriteCount(), 0);
}

// The disk fills while the writer is at an entry's file: the post stays as it
// was last saved, byte for byte, and the store says why the new one is not.
void tst_BlogEntryStore::fullDiskKeepsTheLastGoodFile()
{
    auto account = makeAccount(QStringLiteral("full disk"));
    Blog& blog = *account->blogs().first();
    const EntryPtr entry = entryWithBody(QStringLiteral("first"));
    blog.addEntry(entry);
    QVERIFY(blog.save());
    QVERIFY(blog.store().flush());
    const QString path = blog.entryFilePath(*entry);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();

    // Small enough to wait in a buffer until the file is closed.
    entry->setBody(QString(6000, QLatin1Char('x')));
    QString error;
    bool flushed = true;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be saved: File too large"));
    {
        const plumet::test::FileSizeLimit limit(old.size() + 512);
        QVERIFY(limit.isActive());
        QVERIFY(blog.save()); // handed over
        flushed = blog.store().flush(&error);
    }
    QVERIFY(!flushed);
    QVERIFY2(error.contains(path) && error.contains(QLatin1String("File too large")),
             qPrintable(error));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    file.close();
    QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // With room again, the next save writes it.
    QVERIFY(!blog.save(&error));
    QVERIFY(blog.store().flush());
    const EntryPtr back = EntryFile::entryFromFile(path);
    QVERIFY(back);
    QCOMPARE(back->body(), entry->body());
}

void tst_BlogEntryStore::misnamedFilesAreReplacedNotMultiplied_data()
{
    QTest::addColumn<QVariant>("identifier"); // invalid: none stored
    QTest::addColumn<bool>("copy");           // the file copies an entry's own file
    QTest::newRow("no identifier") << QVariant() << false;
    QTest::newRow("empty identifier") << QVariant(QString("")) << false;
    QTest::newRow("blank identifier") << QVariant(QString(" \t ")) << false;
    QTest::newRow("identifier of another kind") << QVariant(QVariantList{"7"}) << false;
    QTest::newRow("file renamed") << QVariant(QString("post-7")) << false;
    QTest::newRow("copy under another name") << QVariant(QString("post-7")) << true;
}

// Under its old handling such a file came back each launch with a fresh
// identifier and was saved beside itself: one file more per launch.
void tst_BlogEntryStore::misnamedFilesAreReplacedNotMultiplied()
{
    QFETCH(QVariant, identifier);
    QFETCH(bool, copy);
    const QString blogID = QStringLiteral("misnamed");
    auto account = makeAccount(blogID);
    Blog& blog = *account->blogs().first();
    const QString folder = blog.store().folder();
    const EntryPtr original = entryWithBody(QStringLiteral("the only text"));
    QVariantMap dictionary = original->dictionary();
    dictionary.remove("uniqueID");
    if (identifier.isValid())
        dictionary.insert("uniqueID", identifier);
    QString error;
    const QByteArray bytes = PropertyList::write(dictionary, PropertyList::Format::Binary, &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));
    if (copy) {
        QFile own(folder + "/" + EntryFile::fileName(identifier.toString()));
        QVERIFY(own.open(QIODevice::WriteOnly) && own.write(bytes) == bytes.size());
    }
    QFile stray(folder + "/stray name.plumet");
    QVERIFY(stray.open(QIODevice::WriteOnly) && stray.write(bytes) == bytes.size());
    stray.close();

    QString firstID;
    for (int launch = 1; launch <= 3; ++launch) {
        const auto loaded = relaunch(*account, blogID);
        QCOMPARE(loaded->entries().size(), 1);
        const EntryPtr entry = loaded->entries().first();
        QCOMPARE(entry->body(), QStringLiteral("the only text"));
        QVERIFY(!entry->uniqueID().trimmed().isEmpty());
        if (launch == 1)
            firstID = entry->uniqueID();
        QCOMPARE(entry->uniqueID(), firstID);
        // A server read marks every entry for saving.
        entry->setNeedsSave(true);
        QVERIFY2(loaded->save(&error), qPrintable(error));
        QVERIFY2(loaded->store().flush(&error), qPrintable(error));
        QCOMPARE(QDir(folder).entryList({"*.plumet"}, QDir::Files),
                 QStringList{EntryFile::fileName(*entry)});
    }
    if (identifier.typeId() == QMetaType::QString && !identifier.toString().trimmed().isEmpty())
        QCOMPARE(firstID, identifier.toString());
}

void tst_BlogEntryStore::replacedFileStaysUntilItsReplacementIsWritten()
{
    const QString blogID = QStringLiteral("replacing");
    auto account = makeAccount(blogID);
    Blog& blog = *account->blogs().first();
    const QString folder = blog.store().folder();
    const EntryPtr entry = entryWithBody(QStringLiteral("kept"));
    entry->setUniqueID(QStringLiteral("post-9"));
    QVERIFY(blog.saveEntry(entry.get(), nullptr));
    const QString own = blog.entryFilePath(*entry);
    const QString stray = folder + "/renamed.plumet";
    QVERIFY(QFile::rename(own, stray));
    // Something in the way of the entry's own file: it cannot be written.
    QVERIFY(QDir().mkdir(own));

    const auto loaded = relaunch(*account, blogID);
    QCOMPARE(loaded->entries().size(), 1);
    QString error;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be saved"));
    QVERIFY(!loaded->save(&error));
    QVERIFY2(error.contains(own), qPrintable(error));
    QVERIFY(QFileInfo(stray).isFile());

    QVERIFY(QDir().rmdir(own));
    QVERIFY2(loaded->save(&error), qPrintable(error));
    QVERIFY(loaded->store().flush());
    QVERIFY(QFileInfo(own).isFile());
    QVERIFY(!QFileInfo::exists(stray));
    const EntryPtr back = EntryFile::entryFromFile(own);
    QVERIFY(back);
    QCOMPARE(back->body(), QStringLiteral("kept"));
}

void tst_BlogEntryStore::queuedSaveReplacesTheOldFileOnceTheNewIsWritten_data()
{
    QTest::addColumn<bool>("newBlocked"); // something stands where the new file goes
    QTest::addColumn<bool>("oldStuck");   // the old file cannot be removed
    QTest::newRow("both work") << false << false;
    QTest::newRow("new file blocked") << true << false;
    QTest::newRow("old file stuck") << false << true;
}

// A renamed entry handed to the writer without waiting: its old file goes
// only once the new one is written, and what could not be done is done by
// the next save once it can.
void tst_BlogEntryStore::queuedSaveReplacesTheOldFileOnceTheNewIsWritten()
{
    QFETCH(bool, newBlocked);
    QFETCH(bool, oldStuck);
    auto account = makeAccount(QStringLiteral("queued"));
    Blog& blog = *account->blogs().first();
    const EntryPtr entry = entryWithBody(QStringLiteral("published"));
    entry->setUniqueID(QStringLiteral("local-1"));
    blog.addEntry(entry);
    QVERIFY(blog.saveEntry(entry.get(), nullptr));
    const QString oldPath = blog.entryFilePath(*entry);
    entry->setUniqueID(QStringLiteral("post-1"));
    const QString newPath = blog.entryFilePath(*entry);
    if (oldStuck) { // a folder that is not empty cannot be removed as a file
        QVERIFY(QFile::remove(oldPath));
        QVERIFY(QDir().mkpath(oldPath + QStringLiteral("/inside")));
    }
    if (newBlocked)
        QVERIFY(QDir().mkdir(newPath));
    blog.store().renameFile(*entry, QStringLiteral("local-1"));
    if (newBlocked)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be saved"));
    if (oldStuck)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be removed"));

    QString error;
    QVERIFY2(blog.store().queueSave(*entry, &error), qPrintable(error));
    QCOMPARE(blog.store().flush(&error), !newBlocked && !oldStuck);
    QCOMPARE(QFileInfo(newPath).isFile(), !newBlocked);
    QCOMPARE(QFileInfo::exists(oldPath), newBlocked || oldStuck);

    QVERIFY(!newBlocked || QDir().rmdir(newPath));
    QVERIFY(!oldStuck || QDir(oldPath).removeRecursively());
    blog.save(); // tells of what failed before
    QVERIFY(blog.store().flush());
    QVERIFY(QFileInfo(newPath).isFile());
    QVERIFY(!QFileInfo::exists(oldPath));
    const EntryPtr back = EntryFile::entryFromFile(newPath);
    QVERIFY(back);
    QCOMPARE(back->uniqueID(), QStringLiteral("post-1"));
    QVERIFY(blog.save());
    QCOMPARE(blog.store().lastWriteCount(), 0);
}

void tst_BlogEntryStore::loadSkipsUnreadableAndForeignFiles()
{
    auto account = makeAccount(QStringLiteral("mixed"));
    Blog& blog = *account->blogs().first();
    blog.addEntry(entryWithBody(QStringLiteral("good")));
    QVERIFY(blog.save());
    const QString folder = blog.store().folder();
    QFile broken(folder + "/broken.plumet");
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("bplist00 torn in half");
    broken.close();
    QFile notes(folder + "/notes.txt");
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write(EntryFile::fileBytes(*entryWithBody(QStringLiteral("not an entry file name"))));
    notes.close();

    Blog reader;
    reader.setUniqueID(QStringLiteral("mixed"));
    reader.setAccount(account.get());
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("Failed to load file at .*broken.plumet"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
    reader.load();
    QCOMPARE(reader.entries().size(), 1);
    QCOMPARE(reader.entries().first()->body(), QStringLiteral("good"));
    QCOMPARE(reader.store().skippedFiles(), QStringList{"broken.plumet"});
    QVERIFY(QFile::exists(broken.fileName())); // left for the user

    // A folder without readable entries keeps what the blog had.
    auto empty = makeAccount(QStringLiteral("empty"));
    Blog& emptyBlog = *empty->blogs().first();
    emptyBlog.addEntry(entryWithBody(QStringLiteral("in memory")));
    emptyBlog.load();
    QCOMPARE(emptyBlog.entries().size(), 1);
}

void tst_BlogEntryStore::loadPassesOverWhatIsNoEntryFile()
{
    auto account = makeAccount(QStringLiteral("hostile"));
    Blog& blog = *account->blogs().first();
    blog.addEntry(entryWithBody(QStringLiteral("first")));
    blog.addEntry(entryWithBody(QStringLiteral("second")));
    QString error;
    QVERIFY2(blog.save(&error), qPrintable(error));
    QVERIFY2(blog.store().flush(&error), qPrintable(error));
    const QString folder = blog.store().folder();
    // Three gigabytes that cost no disk, a FIFO no one writes to, and an endless device.
    QFile huge(folder + "/x.plumet");
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(qint64(3) << 30));
    huge.close();
    QCOMPARE(::mkfifo(QFile::encodeName(folder + "/y.plumet").constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), folder + "/z.plumet"));

    Blog reader;
    reader.setUniqueID(QStringLiteral("hostile"));
    reader.setAccount(account.get());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*x.plumet.*"));
    QElapsedTimer timer;
    timer.start();
    reader.load();
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QStringList bodies;
    for (const auto& entry : reader.entries())
        bodies << entry->body();
    bodies.sort();
    QCOMPARE(bodies, QStringList({"first", "second"}));
    // The large file is named; the FIFO and the device are no files to the listing.
    QCOMPARE(reader.store().skippedFiles(), QStringList{"x.plumet"});
    QCOMPARE(QFileInfo(folder + "/x.plumet").size(), qint64(3) << 30); // left for the user
}

void tst_BlogEntryStore::deferredBlogReadsItsFolderOnFirstUse_data()
{
    QTest::addColumn<QString>("firstUse");
    QTest::addColumn<int>("count");
    QTest::newRow("the list") << "entries" << 3;
    QTest::newRow("a lookup") << "lookup" << 3;
    QTest::newRow("an added entry") << "add" << 4;
    QTest::newRow("a new list") << "set" << 1;
}

// A start-up reads only the blogs it shows: the others read their folder when
// their entries are first wanted, never before, and never announce it as a
// new list (nobody saw one before).
void tst_BlogEntryStore::deferredBlogReadsItsFolderOnFirstUse()
{
    QFETCH(QString, firstUse);
    QFETCH(int, count);
    auto account = makeAccount(QStringLiteral("lazy"));
    Blog& writer = *account->blogs().first();
    writer.addEntry(entryWithBody(QStringLiteral("one")));
    writer.addEntry(entryWithBody(QStringLiteral("two")));
    QVERIFY(writer.save() && writer.store().flush());

    Blog deferred;
    deferred.setUniqueID(QStringLiteral("lazy"));
    deferred.setAccount(account.get());
    deferred.deferLoad();
    QSignalSpy resets(&deferred, &Blog::entriesReset);
    // Nothing read yet: a save writes nothing, and what lands in the folder
    // meanwhile is read with the rest.
    QVERIFY(deferred.save());
    const EntryPtr third = entryWithBody(QStringLiteral("three"));
    writer.addEntry(third);
    QVERIFY(writer.save() && writer.store().flush());

    if (firstUse == "entries") {
        QCOMPARE(deferred.entries().size(), count);
    } else if (firstUse == "lookup") {
        const EntryPtr found = deferred.entryWithID(third->uniqueID());
        QVERIFY(found);
        QCOMPARE(found->body(), QStringLiteral("three"));
        QCOMPARE(found->parentBlog(), static_cast<EntryOwner*>(&deferred));
    } else if (firstUse == "add") {
        deferred.addEntry(entryWithBody(QStringLiteral("four")));
    } else {
        deferred.setEntries({entryWithBody(QStringLiteral("mine"))});
    }
    QCOMPARE(deferred.entries().size(), count);
    QCOMPARE(resets.count(), firstUse == "set" ? 1 : 0);
}

void tst_BlogEntryStore::blogFoldersPerAccount()
{
    auto first = makeAccount(QStringLiteral("same"));
    auto second = makeAccount(QStringLiteral("same"));
    QVERIFY(first->blogs().first()->store().folder() != second->blogs().first()->store().folder());
    auto sibling = std::make_shared<Blog>();
    sibling->setUniqueID(QStringLiteral("same"));
    first->addBlog(sibling);
    QCOMPARE(sibling->store().folder(), first->blogs().first()->store().folder());
}

void tst_BlogEntryStore::moveBetweenBlogsOfOneFolderKeepsTheFile()
{
    auto account = makeAccount(QStringLiteral("shared"));
    Blog& from = *account->blogs().first();
    auto to = std::make_shared<Blog>();
    to->setUniqueID(QStringLiteral("shared"));
    account->addBlog(to);
    const EntryPtr entry = entryWithBody(QStringLiteral("moving"));
    from.addEntry(entry);
    QString error;
    QVERIFY2(from.saveEntry(entry.get(), &error), qPrintable(error));

    const EntryPtr moved = entry->moveToBlog(to.get(), &error);
    QVERIFY2(moved, qPrintable(error));
    QVERIFY(from.entries().isEmpty());
    QCOMPARE(to->entries().size(), 1);
    const QString path = to->store().folder() + "/" + EntryFile::fileName(*moved);
    QVERIFY(QFileInfo::exists(path));
    const EntryPtr back = EntryFile::entryFromFile(path);
    QVERIFY(back);
    QCOMPARE(back->body(), QStringLiteral("moving"));
}

void tst_BlogEntryStore::importPreviousVersion_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("warning");
    QTest::addColumn<int>("critical");
    QTest::newRow("250 posts") << 250 << 125 << 180;
    QTest::newRow("50 posts") << 50 << 25 << 0;
}

void tst_BlogEntryStore::importPreviousVersion()
{
    QFETCH(int, count);
    QFETCH(int, warning);
    QFETCH(int, critical);
    auto account = makeAccount(QStringLiteral("import"));
    Blog& blog = *account->blogs().first();
    QVariantList posts;
    for (int i = 0; i < count; ++i)
        posts.append(QVariantMap{{"postid", qint64(i)},
                                 {"title", QStringLiteral("Post %1").arg(i)},
                                 {"description", "text"},
                                 {"publish", i == 0 ? "local" : "server"}});
    RecordedProgress progress;
    QCOMPARE(PreviousVersionImport::importPosts(blog, posts, &progress), count);
    QCOMPARE(progress.range, qMakePair(0, count));
    QCOMPARE(progress.warning, warning);
    QCOMPARE(progress.critical, critical);
    QCOMPARE(progress.values.size(), count);
    QCOMPARE(progress.values.last(), count);
    QCOMPARE(progress.shown, QList<bool>({true, false}));
    QCOMPARE(blog.entries().size(), count);
    QCOMPARE(blog.entryWithID("0")->flag(), int(Entry::LocalOnly));
    QVERIFY(!blog.entryWithID("1")->hasFlag(Entry::LocalOnly));

    // Imported entries reach disk with the next save.
    QVERIFY(blog.save());
    QCOMPARE(blog.store().lastWriteCount(), count);
    // The same list again adds nothing.
    QCOMPARE(PreviousVersionImport::importPosts(blog, posts, &progress), 0);
}

void tst_BlogEntryStore::importSkipsKnownAndUnnamedPosts()
{
    auto account = makeAccount(QStringLiteral("ids"));
    Blog& blog = *account->blogs().first();
    const QVariantList posts{QVariantMap{{"id", "blog-12-345"}, {"title", "From id"}},
                             QVariantMap{{"title", "No identifier"}},
                             QVariantMap{{"postid", "345"}, {"title", "Same post again"}}};
    QCOMPARE(PreviousVersionImport::importPosts(blog, posts, nullptr), 1);
    QCOMPARE(blog.entries().first()->uniqueID(), QStringLiteral("345"));
    QCOMPARE(blog.entries().first()->title(), QStringLiteral("From id"));
}

void tst_BlogEntryStore::importFromAWorkerAddsOnTheMainThread()
{
    auto account = makeAccount(QStringLiteral("worker"));
    Blog& blog = *account->blogs().first();
    QList<QThread*> addingThreads;
    connect(
        &blog, &Blog::valueChanged, this,
        [&addingThreads](const QString& key) {
            if (key == QLatin1String("entries"))
                addingThreads.append(QThread::currentThread());
        },
        Qt::DirectConnection);
    const QVariantList posts{QVariantMap{{"postid", "1"}, {"title", "One"}},
                             QVariantMap{{"postid", "2"}, {"title", "Two"}}};
    QFuture<int> import = QtConcurrent::run(
        [&blog, posts] { return PreviousVersionImport::importPosts(blog, posts, nullptr); });
    QTRY_VERIFY_WITH_TIMEOUT(import.isFinished(), 10000);
    QCOMPARE(import.result(), 2);
    QCOMPARE(blog.entries().size(), 2);
    QCOMPARE(addingThreads, (QList<QThread*>{QThread::currentThread(), QThread::currentThread()}));
}

QTEST_GUILESS_MAIN(tst_BlogEntryStore)
#include "tst_blogentrystore.moc"
