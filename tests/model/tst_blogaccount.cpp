#include "Account.h"
#include "AccountList.h"
#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "FileSizeLimit.h"
#include "Format.h"
#include "KeyedArchiver.h"
#include "PlistUid.h"
#include "PropertyList.h"
#include "SupportFolder.h"
#include "Template.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(plumet::test::TestHttpServer::Response)

namespace {

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The one file kept aside in `dir` for accounts.plist, or nothing.
QByteArray keptAside(const QTemporaryDir& dir)
{
    const QStringList aside = QDir(dir.path()).entryList({"accounts.plist.*.unreadable"});
    return aside.size() == 1 ? fileContents(dir.filePath(aside.first())) : QByteArray();
}

} // namespace

class tst_BlogAccount : public QObject {
    Q_OBJECT
private slots:
    void newBlogDefaultsAndLazyArchive();
    void blogAddress_data();
    void blogAddress();
    void templatesAreOwnedCopies();
    void applySettingsLeavesAddressAndLists();
    void detectEncodingWithoutRoads();
    void collectEntries();
    void entryRowsAreAnnounced();
    void entryLookupFollowsTheList();
    void newAccount();
    void accountsFileRoundTrip();
    void handMadeAccountsFile();
    void unsafeAccountIDGetsAFreshOne_data();
    void unsafeAccountIDGetsAFreshOne();
    void unreadableAccountsFileIsMovedAside();
    void fullDiskKeepsTheAccountsFile();
    void foreignRecordsKeepTheFileAside_data();
    void foreignRecordsKeepTheFileAside();
    void damagedRecordKeepsTheFileAside_data();
    void damagedRecordKeepsTheFileAside();
    void recordsKeyWithoutAListKeepsTheFileAside_data();
    void recordsKeyWithoutAListKeepsTheFileAside();
    void categoryRenameStaysInItsBlog();
    void tagRegistration();
};

void tst_BlogAccount::newBlogDefaultsAndLazyArchive()
{
    Blog untouched;
    untouched.setUniqueID(QStringLiteral("1"));
    untouched.setTitle(QStringLiteral("My blog"));
    const QVariant tree = KeyedArchiver::archiveTree(
        QVariant::fromValue(ArchivableRef(&untouched, [](Archivable*) {})));
    const QVariantList objects = tree.toMap().value("$objects").toList();
    QVariantMap record;
    for (const QVariant& object : objects) {
        if (object.toMap().contains("uniqueID"))
            record = object.toMap();
    }
    record.remove("$class");
    QCOMPARE(record.keys(), QStringList({"title", "uniqueID"}));

    Blog blog;
    QCOMPARE(blog.option("commentOption"), QVariant(true));
    QCOMPARE(blog.option("trackbackOption"), QVariant(false));
    QCOMPARE(blog.option("publishOption"), QVariant(true));
    QCOMPARE(blog.option("warnOnCategories"), QVariant(true));
    QCOMPARE(blog.option("warnOnSummary"), QVariant(false));
    QCOMPARE(blog.option("showKeywords"), QVariant(true));
    QCOMPARE(blog.option("showBloglist"), QVariant(false));
    QCOMPARE(blog.option("utcMode"), QVariant(true));
    QVERIFY(!blog.option("showOptions").isValid());
    QCOMPARE(blog.defaultFormat(), QString(""));
    QVERIFY(!blog.namedTimeZone());
}

void tst_BlogAccount::blogAddress_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("url");
    QTest::newRow("relative to endpoint") << "http://host.test/xmlrpc.php"
                                          << "blog/"
                                          << "http://host.test/xmlrpc.php/blog/";
    QTest::newRow("absolute path") << "http://host.test/xmlrpc.php"
                                   << "/blog/"
                                   << "http://host.test/blog/";
    QTest::newRow("port and user kept") << "https://writer@host.test:8443/wp/xmlrpc.php"
                                        << "/blog/"
                                        << "https://writer@host.test:8443/blog/";
    QTest::newRow("port kept, relative") << "http://127.0.0.1:8089/xmlrpc.php"
                                         << "b"
                                         << "http://127.0.0.1:8089/xmlrpc.php/b";
    QTest::newRow("http text kept") << "http://host.test/"
                                    << "https://other.test/x"
                                    << "https://other.test/x";
    QTest::newRow("space kept") << "http://host.test/"
                                << "http://host.test/my blog"
                                << "http://host.test/my blog";
}

void tst_BlogAccount::blogAddress()
{
    QFETCH(QString, account);
    QFETCH(QString, given);
    QFETCH(QString, url);
    auto owner = Account::create();
    owner->setUrl(account);
    auto blog = std::make_shared<Blog>();
    owner->addBlog(blog);
    blog->setUrl(given);
    QCOMPARE(blog->url(), url);
    QVERIFY(blog->escapedURL().isValid());
    QVERIFY(!blog->escapedURL().toString(QUrl::FullyEncoded).contains(' '));

    Blog alone; // without account, any text is kept
    alone.setUrl(QStringLiteral("blog/"));
    QCOMPARE(alone.url(), QStringLiteral("blog/"));

    blog->setUrl(QString()); // clears, never a made-up address
    QVERIFY(blog->url().isNull());
    QVERIFY(!blog->escapedURL().isValid());
}

void tst_BlogAccount::detectEncodingWithoutRoads()
{
    // The page fetch is a road: without the roads installed nothing is
    // fetched and nothing changes, and the caller still hears the end.
    plumet::test::TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler([](const auto&) {
        return plumet::test::TestHttpServer::Response::ok("<meta charset=\"iso-8859-1\">",
                                                          "text/html");
    });
    Blog blog;
    blog.setUrl(server.url(QStringLiteral("/blog/")).toString());
    bool ended = false;
    blog.detectEncoding([&ended] { ended = true; });
    QVERIFY(ended);
    QTest::qWait(50);
    QVERIFY(server.requests().isEmpty());
    QVERIFY(!blog.option(QStringLiteral("convertEntities")).isValid());
}

void tst_BlogAccount::entryRowsAreAnnounced()
{
    auto account = Account::create();
    auto blog = std::make_shared<Blog>();
    account->addBlog(blog);
    // Each news with the list's size when it came: "about to" before the
    // change, the rest after it, the "entries" announcement last.
    QStringList heard;
    auto hear = [&](const char* what) {
        return [&heard, &blog, what](int first = -1, int last = -1) {
            heard << QStringLiteral("%1 %2-%3 of %4")
                         .arg(QLatin1String(what))
                         .arg(first)
                         .arg(last)
                         .arg(blog->entries().size());
        };
    };
    connect(blog.get(), &Blog::entriesAboutToBeInserted, this, hear("aboutToInsert"));
    connect(blog.get(), &Blog::entriesInserted, this, hear("inserted"));
    connect(blog.get(), &Blog::entriesAboutToBeRemoved, this, hear("aboutToRemove"));
    connect(blog.get(), &Blog::entriesRemoved, this, hear("removed"));
    connect(blog.get(), &Blog::entriesAboutToBeReset, this, [&] { hear("aboutToReset")(); });
    connect(blog.get(), &Blog::entriesReset, this, [&] { hear("reset")(); });
    connect(blog.get(), &Blog::valueChanged, this, [&](const QString& key) {
        if (key == QLatin1String("entries"))
            hear("entries")();
    });

    const EntryPtr first = Entry::create(), second = Entry::create(), third = Entry::create();
    blog->addEntry(first);
    blog->addEntry(second);
    blog->addEntry(third);
    QCOMPARE(heard.mid(3, 3),
             QStringList({"aboutToInsert 1-1 of 1", "inserted 1-1 of 2", "entries -1--1 of 2"}));
    heard.clear();
    blog->removeEntry(second.get());
    QCOMPARE(heard,
             QStringList({"aboutToRemove 1-1 of 3", "removed 1-1 of 2", "entries -1--1 of 2"}));
    QCOMPARE(blog->entries(), (QList<EntryPtr>{first, third}));
    heard.clear();
    blog->removeEntry(second.get()); // gone already: no row news
    QCOMPARE(heard, QStringList({"entries -1--1 of 2"}));
    heard.clear();
    blog->setEntries({second});
    QCOMPARE(heard,
             QStringList({"aboutToReset -1--1 of 2", "reset -1--1 of 1", "entries -1--1 of 1"}));
}

void tst_BlogAccount::collectEntries()
{
    auto account = Account::create();
    auto withEntries = std::make_shared<Blog>(), empty = std::make_shared<Blog>();
    account->addBlog(withEntries);
    account->addBlog(empty);
    const EntryPtr first = Entry::create(), second = Entry::create();
    withEntries->addEntry(first);
    withEntries->addEntry(second);

    // Without force: the list is rebuilt from local entries; only empty blogs are fetched.
    QCOMPARE(account->collectEntries(withEntries.get(), false), QList<Blog*>());
    QCOMPARE(account->entries(), (QList<EntryPtr>{first, second}));
    QCOMPARE(account->selectedBlog(), withEntries.get());
    QCOMPARE(account->collectEntries(nullptr, false), QList<Blog*>{empty.get()});
    QCOMPARE(account->entries().size(), 2);
    QCOMPARE(account->selectedBlog(), nullptr);

    // With force: the list stays and every chosen blog is fetched again.
    QCOMPARE(account->collectEntries(withEntries.get(), true), QList<Blog*>{withEntries.get()});
    QCOMPARE(account->entries(), (QList<EntryPtr>{first, second}));
    QCOMPARE(account->collectEntries(nullptr, true),
             (QList<Blog*>{withEntries.get(), empty.get()}));

    QCOMPARE(account->collectPages(empty.get()), QList<Blog*>{empty.get()});
    QCOMPARE(account->selectedBlog(), empty.get());
    QCOMPARE(account->collectPages(nullptr).size(), 2);
    QCOMPARE(account->entries().size(), 2); // pages leave the entry list alone
}

void tst_BlogAccount::entryLookupFollowsTheList()
{
    Blog blog;
    const auto entryWithID = [](const QString& id) {
        auto entry = Entry::create();
        entry->setUniqueID(id);
        return entry;
    };
    const EntryPtr a = entryWithID("a"), b = entryWithID("b"), c = entryWithID("c");
    blog.setEntries({a, b});
    blog.addEntries({c});
    QCOMPARE(blog.entryWithID("a"), a);
    QCOMPARE(blog.entryWithID("c"), c);
    QVERIFY(!blog.hasEntryWithID("d"));

    // An identifier changes in the list: the old one names nothing, the new one the entry.
    c->setUniqueID(QStringLiteral("d"));
    QVERIFY(!blog.entryWithID("c"));
    QCOMPARE(blog.entryWithID("d"), c);
    // A copy that only names the blog changes nothing there.
    const EntryPtr copy = a->copy();
    copy->setUniqueID(QStringLiteral("e"));
    QVERIFY(!blog.entryWithID("e"));
    QCOMPARE(blog.entryWithID("a"), a);

    // Two of one identifier: the first in the list, then the other once it goes.
    const EntryPtr secondA = entryWithID("a");
    blog.addEntry(secondA);
    QCOMPARE(blog.entryWithID("a"), a);
    blog.removeEntryKeepingFile(a.get());
    QCOMPARE(blog.entryWithID("a"), secondA);
    // An entry taking an identifier another holds: list order decides.
    b->setUniqueID(QStringLiteral("a"));
    QCOMPARE(blog.entryWithID("a"), b);
    blog.removeEntries({b});
    QCOMPARE(blog.entryWithID("a"), secondA);
    QVERIFY(!blog.entryWithID("b"));

    // A new list replaces the old one whole.
    blog.setEntries({b});
    QVERIFY(!blog.entryWithID("d"));
    QCOMPARE(blog.entryWithID("a"), b);
    QCOMPARE(blog.entries().size(), 1);
}

void tst_BlogAccount::templatesAreOwnedCopies()
{
    Blog blog;
    auto preview = std::make_shared<Template>();
    preview->setCss(QStringLiteral("body{}"));
    blog.setPreviewTemplate(preview);
    preview->setCss(QStringLiteral("changed"));
    QCOMPARE(blog.previewTemplate()->css(), QStringLiteral("body{}"));

    const TemplatePtr quote = blog.quoteTemplate();
    QVERIFY(quote->body().contains("$quote$"));
    blog.setQuoteTemplate(nullptr);
    QVERIFY(blog.quoteTemplate() != quote);
    QCOMPARE(blog.quoteTemplate()->title(), QStringLiteral("$title$"));
}

void tst_BlogAccount::applySettingsLeavesAddressAndLists()
{
    Blog source, target;
    source.setOption("trackbackOption", true);
    source.setTimeZone(QStringLiteral("Europe/Paris"));
    target.setUrl(QStringLiteral("http://target.test/"));
    target.addService(QStringLiteral("service.post"), QStringLiteral("http://target.test/post"));
    target.addEntry(Entry::create());
    source.applySettingsTo(target);
    QCOMPARE(target.option("trackbackOption"), QVariant(true));
    QCOMPARE(target.timeZone(), QStringLiteral("Europe/Paris"));
    QCOMPARE(target.url(), QStringLiteral("http://target.test/"));
    QCOMPARE(target.services().size(), 1);
    QCOMPARE(target.entries().size(), 1);
    QVERIFY(target.tagTemplate() != source.tagTemplate());
    QCOMPARE(target.tagTemplate()->url(), source.tagTemplate()->url());
}

void tst_BlogAccount::newAccount()
{
    auto account = Account::create();
    QVERIFY(Account::isSafeAccountID(account->accountID()));
    QCOMPARE(account->title(), QStringLiteral("Untitled"));
    QCOMPARE(account->pluginKey(), QStringLiteral("MovableType"));
    QVERIFY(account->isExpanded());
    QVERIFY(!account->formats());
    QCOMPARE(account->label(), rv::Color(1, 1, 1, 1));
    account->setUrl(QStringLiteral("blog.test/xmlrpc.php"));
    QCOMPARE(account->url(), QStringLiteral("http://blog.test/xmlrpc.php"));
    account->setUrl(QStringLiteral("https://blog.test/"));
    QCOMPARE(account->url(), QStringLiteral("https://blog.test/"));
    account->setUrl(QString());
    QVERIFY(account->url().isNull() && !account->escapedURL().isValid());
    // Unknown plug-in: every question answers NO.
    account->setPluginKey(QStringLiteral("NoSuchSystem"));
    QVERIFY(!account->supportsUpload() && !account->supportsPages());
    QVERIFY(account->pluginDescription().isNull());
}

void tst_BlogAccount::accountsFileRoundTrip()
{
    auto account = Account::create();
    account->setTitle(QStringLiteral("Work"));
    account->setUrl(QStringLiteral("https://blog.test/xmlrpc.php"));
    account->setUsername(QStringLiteral("writer"));
    account->setPluginKey(QStringLiteral("WordPress"));
    account->setLabel(rv::Color(0.5, 0.25, 1, 1));
    account->setIsExpanded(false);
    account->setUsers(QVariantMap{{"1", "writer"}});
    account->setFormats(QList<FormatPtr>());
    auto format = std::make_shared<Format>();
    format->setUniqueID(QStringLiteral("markdown"));
    format->setTitle(QStringLiteral("Markdown"));
    account->addFormat(format);
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    blog->setTitle(QStringLiteral("Notes"));
    account->addBlog(blog);
    blog->setUrl(QStringLiteral("/notes/"));
    blog->setOption("commentOption", false);
    auto category = Category::withTitle(QStringLiteral("News"));
    category->setIsCategory(true);
    blog->setCategories(CategoryList{category});
    auto entry = Entry::create();
    entry->setBody(QStringLiteral("saved with the blog's folder"));
    blog->addEntry(entry);
    QVERIFY(blog->save());

    AccountList list;
    list.insertAccount(account, -1);
    const QString path = QDir::temp().filePath("plumet-accounts-roundtrip.plist");
    QString error;
    QVERIFY2(list.saveAccounts(path, &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("password"));

    AccountList loaded;
    loaded.loadAccounts(path);
    QCOMPARE(loaded.accounts().size(), 1);
    Account& back = *loaded.accounts().first();
    QCOMPARE(back.accountID(), account->accountID());
    QCOMPARE(back.title(), QStringLiteral("Work"));
    QCOMPARE(back.url(), account->url());
    QCOMPARE(back.username(), QStringLiteral("writer"));
    QCOMPARE(back.pluginKey(), QStringLiteral("WordPress"));
    QVERIFY(back.label().isEqualToColor(rv::Color(0.5, 0.25, 1, 1)));
    QVERIFY(!back.isExpanded());
    QCOMPARE(back.users()->value("1").toString(), QStringLiteral("writer"));
    QCOMPARE(back.labelForFormat("markdown"), QStringLiteral("Markdown"));
    QCOMPARE(back.blogs().size(), 1);
    Blog& backBlog = *back.blogs().first();
    QCOMPARE(backBlog.account(), &back);
    QCOMPARE(backBlog.url(), QStringLiteral("https://blog.test/notes/"));
    QCOMPARE(backBlog.option("commentOption"), QVariant(false));
    QCOMPARE(backBlog.categories().first()->title(), QStringLiteral("News"));
    QVERIFY(!backBlog.foundOnServer());
    // Loading the accounts brings the entries along.
    QCOMPARE(backBlog.entries().size(), 1);
    QCOMPARE(backBlog.entries().first()->body(), entry->body());
    QVERIFY(loaded.hasAccountAndBlog());
    QCOMPARE(loaded.accountForID(account->accountID()), &back);
    QFile::remove(path);
}

void tst_BlogAccount::handMadeAccountsFile()
{
    AccountList list;
    list.loadAccounts(plumet::test::testDataPath("model/accounts-handmade.plist"));
    QCOMPARE(list.accounts().size(), 1);
    Account& account = *list.accounts().first();
    QCOMPARE(account.accountID(), QStringLiteral("0123456789abcdef0123456789abcdef"));
    QCOMPARE(account.title(), QStringLiteral("Hand made"));
    QCOMPARE(account.url(), QStringLiteral("http://blog.test:8080/xmlrpc.php"));
    QCOMPARE(account.username(), QStringLiteral("editor"));
    QVERIFY(!account.isExpanded());
    QCOMPARE(account.blogs().size(), 1);
    const Blog& blog = *account.blogs().first();
    QCOMPARE(blog.uniqueID(), QStringLiteral("3"));
    QCOMPARE(blog.title(), QStringLiteral("Garden"));
    // Stored relative: kept as it is, since the blog had no account while decoding.
    QCOMPARE(blog.url(), QStringLiteral("garden/"));
    QCOMPARE(blog.option("trackbackOption"), QVariant(true));
}

void tst_BlogAccount::unsafeAccountIDGetsAFreshOne_data()
{
    QTest::addColumn<QString>("accountID");
    QTest::newRow("parent") << "..";
    QTest::newRow("escape") << "../../../../tmp/plumet-escape";
    QTest::newRow("absolute") << "/tmp/plumet-escape";
    QTest::newRow("nested") << "0123456789abcdef0123456789abcdef/x";
    QTest::newRow("empty") << "";
}

void tst_BlogAccount::unsafeAccountIDGetsAFreshOne()
{
    QFETCH(QString, accountID);
    auto account = Account::create();
    account->setAccountID(accountID);
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("b"));
    account->addBlog(blog);
    QVERIFY(account->accountDirectory().isEmpty()); // never a folder outside items/
    AccountList list;
    list.insertAccount(account, 0);
    const QString path = QDir::temp().filePath("plumet-accounts-unsafe.plist");
    QVERIFY(list.saveAccounts(path));

    AccountList loaded;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unusable identifier"));
    loaded.loadAccounts(path);
    Account& back = *loaded.accounts().first();
    QVERIFY(Account::isSafeAccountID(back.accountID()));
    QCOMPARE(QFileInfo(back.accountDirectory()).dir().absolutePath(),
             QFileInfo(cutils::applicationSupportFolder() + "/items").absoluteFilePath());
    QVERIFY(!QFile::exists("/tmp/plumet-escape"));
    QFile::remove(path);
}

void tst_BlogAccount::unreadableAccountsFileIsMovedAside()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("accounts.plist");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("bplist00 this is not what it seems");
    file.close();

    AccountList list;
    QString report;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
    list.loadAccounts(path, &report);
    QVERIFY(!report.isEmpty());
    QVERIFY(list.accounts().isEmpty());
    const QStringList aside = QDir(dir.path()).entryList({"accounts.plist.*.unreadable"});
    QCOMPARE(aside.size(), 1);
    QFile kept(dir.filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("bplist00 this is not what it seems"));
}

// A full disk while the accounts are written: the next start still finds every
// account, and the save says why it failed.
void tst_BlogAccount::fullDiskKeepsTheAccountsFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("accounts.plist");
    AccountList list;
    auto account = Account::create();
    account->setTitle(QStringLiteral("Work"));
    list.insertAccount(account, -1);
    QString error;
    QVERIFY2(list.saveAccounts(path, &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();

    account->setTitle(QString(4000, QLatin1Char('w')));
    bool saved = true;
    {
        const plumet::test::FileSizeLimit limit(old.size() + 512);
        QVERIFY(limit.isActive());
        saved = list.saveAccounts(path, &error);
    }
    QVERIFY(!saved);
    QVERIFY2(error.contains(path) && error.contains(QLatin1String("File too large")),
             qPrintable(error));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("accounts.plist")});
    AccountList again;
    again.loadAccounts(path);
    QCOMPARE(again.accounts().size(), 1);
    QCOMPARE(again.accounts().first()->title(), QStringLiteral("Work"));
}

void tst_BlogAccount::foreignRecordsKeepTheFileAside_data()
{
    QTest::addColumn<QVariant>("foreign");
    QTest::addColumn<int>("kept");
    QTest::newRow("a text among accounts") << QVariant(QStringLiteral("not an account")) << 1;
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("b"));
    QTest::newRow("a blog among accounts")
        << QVariant::fromValue(std::static_pointer_cast<Archivable>(blog)) << 1;
}

void tst_BlogAccount::foreignRecordsKeepTheFileAside()
{
    QFETCH(QVariant, foreign);
    QFETCH(int, kept);
    QTemporaryDir dir;
    const QString path = dir.filePath("accounts.plist");
    auto account = Account::create();
    const QVariantList roots{QVariant::fromValue(std::static_pointer_cast<Archivable>(account)),
                             foreign};
    QVERIFY(KeyedArchiver::archiveToFile(path, roots));
    const QByteArray bytes = fileContents(path);
    QVERIFY(!bytes.isEmpty());

    AccountList list;
    QString report;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
    list.loadAccounts(path, &report);
    QCOMPARE(list.accounts().size(), kept);
    QVERIFY(!report.isEmpty());
    // The next save writes what was read; the whole file stays aside.
    QVERIFY(list.saveAccounts(path));
    QCOMPARE(keptAside(dir), bytes);
}

void tst_BlogAccount::damagedRecordKeepsTheFileAside_data()
{
    QTest::addColumn<QString>("className");
    QTest::newRow("a blog of an account") << QStringLiteral("Blog");
    QTest::newRow("a category of a blog") << QStringLiteral("Category");
    QTest::newRow("a format of an account") << QStringLiteral("Format");
}

void tst_BlogAccount::damagedRecordKeepsTheFileAside()
{
    QFETCH(QString, className);
    // An account of two blogs, each with two categories, and two formats: the record
    // of the given class named "damaged" is made unreadable by giving it a class this
    // program does not know.
    auto account = Account::create();
    for (const char* id : {"kept", "damaged"}) {
        auto blog = std::make_shared<Blog>();
        blog->setUniqueID(QLatin1String("blog-") + QLatin1String(id));
        CategoryList categories;
        for (const char* categoryId : {"kept", "damaged"}) {
            auto category = std::make_shared<Category>();
            category->setUniqueID(QLatin1String("category-") + QLatin1String(categoryId));
            category->setTitle(QLatin1String(categoryId));
            categories.append(category);
        }
        blog->setCategories(categories);
        account->addBlog(blog);
    }
    QList<FormatPtr> formats;
    for (const char* id : {"kept", "damaged"}) {
        auto format = std::make_shared<Format>();
        format->setUniqueID(QLatin1String("format-") + QLatin1String(id));
        formats.append(format);
    }
    account->setFormats(formats);
    const QString damagedID = className.toLower() + QStringLiteral("-damaged");
    QVariantMap archive =
        PropertyList::read(KeyedArchiver::archivedData(QVariantList{
                               QVariant::fromValue(std::static_pointer_cast<Archivable>(account))}))
            .toMap();
    QVariantList objects = archive.value("$objects").toList();
    qsizetype recordClass = -1, damaged = -1;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const QVariantMap object = objects[i].toMap();
        if (object.value("$classname") == QVariant(className))
            recordClass = i;
        if (object.value("NS.string") == QVariant(damagedID) || objects[i] == QVariant(damagedID))
            damaged = i;
    }
    QVERIFY(recordClass > 0 && damaged > 0);
    objects.append(
        QVariantMap{{"$classname", "Blgo"}, {"$classes", QVariantList{"Blgo", "NSObject"}}});
    int patched = 0;
    for (QVariant& object : objects) {
        QVariantMap map = object.toMap();
        if (map.value("$class").value<PlistUid>().value == quint64(recordClass) &&
            map.value("uniqueID").value<PlistUid>().value == quint64(damaged)) {
            map.insert("$class", QVariant::fromValue(PlistUid{quint64(objects.size() - 1)}));
            object = map;
            ++patched;
        }
    }
    QVERIFY(patched > 0);
    archive.insert("$objects", objects);
    QTemporaryDir dir;
    const QString path = dir.filePath("accounts.plist");
    QVERIFY(PropertyList::writeFile(path, archive, PropertyList::Format::Binary));
    const QByteArray bytes = fileContents(path);
    QVERIFY(!bytes.isEmpty());

    AccountList list;
    QString report;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
    list.loadAccounts(path, &report);
    QCOMPARE(list.accounts().size(), 1);
    const AccountPtr loaded = list.accounts().first();
    qsizetype records = loaded->formats().value_or(QList<FormatPtr>()).size();
    for (const BlogPtr& blog : loaded->blogs())
        records += 1 + blog->categories().size();
    QCOMPARE(records, 8 - (className == QLatin1String("Blog") ? 3 : patched));
    QVERIFY2(report.contains("accounts.plist"), qPrintable(report));
    // The next save writes what was read; the whole file stays aside.
    QVERIFY(list.saveAccounts(path));
    QCOMPARE(keptAside(dir), bytes);
}

void tst_BlogAccount::recordsKeyWithoutAListKeepsTheFileAside_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("readRecords");
    // Of one blog, its one category and one format.
    QTest::newRow("an account's blogs") << QStringLiteral("blogs") << 1;
    QTest::newRow("an account's formats") << QStringLiteral("formats") << 2;
    QTest::newRow("a blog's categories") << QStringLiteral("categories") << 2;
}

void tst_BlogAccount::recordsKeyWithoutAListKeepsTheFileAside()
{
    QFETCH(QString, key);
    QFETCH(int, readRecords);
    auto account = Account::create();
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("blog"));
    blog->setCategories(CategoryList{Category::withTitle(QStringLiteral("News"))});
    account->addBlog(blog);
    auto format = std::make_shared<Format>();
    format->setUniqueID(QStringLiteral("format"));
    account->setFormats(QList<FormatPtr>{format});
    QVariantMap archive =
        PropertyList::read(KeyedArchiver::archivedData(QVariantList{
                               QVariant::fromValue(std::static_pointer_cast<Archivable>(account))}))
            .toMap();
    // The key is pointed at a string where its list was.
    QVariantList objects = archive.value("$objects").toList();
    objects.append(QStringLiteral("not a list"));
    int patched = 0;
    for (QVariant& object : objects) {
        QVariantMap map = object.toMap();
        if (!map.value(key).canConvert<PlistUid>())
            continue;
        map.insert(key, QVariant::fromValue(PlistUid{quint64(objects.size() - 1)}));
        object = map;
        ++patched;
    }
    QCOMPARE(patched, 1);
    archive.insert("$objects", objects);
    QTemporaryDir dir;
    const QString path = dir.filePath("accounts.plist");
    QVERIFY(PropertyList::writeFile(path, archive, PropertyList::Format::Binary));
    const QByteArray bytes = fileContents(path);
    QVERIFY(!bytes.isEmpty());

    AccountList list;
    QString report;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
    list.loadAccounts(path, &report);
    QCOMPARE(list.accounts().size(), 1);
    const AccountPtr loaded = list.accounts().first();
    qsizetype records = loaded->formats().value_or(QList<FormatPtr>()).size();
    for (const BlogPtr& each : loaded->blogs())
        records += 1 + each->categories().size();
    QCOMPARE(records, qsizetype(readRecords));
    QVERIFY2(report.contains("accounts.plist"), qPrintable(report));
    // What the key held is not written over as if there had been nothing.
    QVERIFY(list.saveAccounts(path));
    QCOMPARE(keptAside(dir), bytes);
}

void tst_BlogAccount::categoryRenameStaysInItsBlog()
{
    auto makeBlog = [] {
        auto blog = std::make_shared<Blog>();
        auto category = Category::withTitle(QStringLiteral("News"));
        category->setIsCategory(true);
        blog->setCategories(CategoryList{category});
        auto entry = Entry::create();
        entry->setCategories(CategoryList{category->copy()});
        blog->addEntry(entry);
        return blog;
    };
    auto first = makeBlog(), second = makeBlog();
    first->entries().first()->setNeedsSave(false);
    first->renameCategory(QStringLiteral("News"), QStringLiteral("Headlines"));
    QCOMPARE(first->categories().first()->title(), QStringLiteral("Headlines"));
    QCOMPARE(first->entries().first()->categories()->first()->title(), QStringLiteral("Headlines"));
    QVERIFY(first->entries().first()->needsSave());
    QCOMPARE(second->categories().first()->title(), QStringLiteral("News"));
    QCOMPARE(second->entries().first()->categories()->first()->title(), QStringLiteral("News"));

    // Renamed by the user in one entry's list: the blog follows, the other blog does not.
    first->entries().first()->categories()->first()->setTitle(QStringLiteral("World"));
    QCOMPARE(first->categories().first()->title(), QStringLiteral("World"));
    QCOMPARE(second->categories().first()->title(), QStringLiteral("News"));
    QCOMPARE(second->entries().first()->categories()->first()->title(), QStringLiteral("News"));
}

void tst_BlogAccount::tagRegistration()
{
    Blog blog;
    auto news = Category::withTitle(QStringLiteral("News"));
    news->setIsCategory(true);
    news->setIsTag(false);
    blog.setCategories(CategoryList{news});

    blog.processTagWithName(QStringLiteral("News")); // the server's category is now a tag too
    QCOMPARE(blog.categories().size(), 1);
    QVERIFY(news->isTag() && news->isCategory());

    blog.processTagWithName(QStringLiteral("apple"));
    blog.processTagWithName(QStringLiteral("Zebra"));
    blog.processTagWithName(QStringLiteral("apple"));
    QStringList titles;
    for (const auto& category : blog.categories())
        titles << category->title();
    QCOMPARE(titles, QStringList({"apple", "News", "Zebra"})); // kept in title order
    QVERIFY(!blog.hasCategoryWithName(QStringLiteral("apple"))->isCategory());
    QVERIFY(blog.hasCategoryWithName(QStringLiteral("apple"))->isTag());
}

QTEST_GUILESS_MAIN(tst_BlogAccount)
#include "tst_blogaccount.moc"
