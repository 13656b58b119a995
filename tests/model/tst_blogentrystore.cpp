#include "Account.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Entry.h"
#include "EntryFile.h"
#include "PreviousVersionImport.h"
#include "StringExtensions.h"
#include "SupportFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

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
    void loadSkipsUnreadableAndForeignFiles();
    void blogFoldersPerAccount();
    void moveBetweenBlogsOfOneFolderKeepsTheFile();
    void importPreviousVersion_data();
    void importPreviousVersion();
    void importSkipsKnownAndUnnamedPosts();
    void importFromAWorkerAddsOnTheMainThread();

private:
    std::shared_ptr<Account> makeAccount(const QString& blogID);
};

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
    QVERIFY(QFile::exists(path));
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
