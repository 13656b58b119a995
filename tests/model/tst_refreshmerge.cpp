#include "Account.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Category.h"
#include "Entry.h"
#include "Format.h"
#include "RemovedBlogFiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

// How the answers of a refresh merge into an account, its blogs and their
// category lists, and what is kept of a blog the server stops listing.
namespace {

QStringList titles(const CategoryList& list)
{
    QStringList names;
    for (const auto& category : list)
        names << category->title();
    return names;
}

CategoryPtr category(const QString& title, bool isCategory, bool isTag, const QString& id = {})
{
    auto record = Category::withTitle(title);
    record->setIsCategory(isCategory);
    record->setIsTag(isTag);
    if (!id.isNull())
        record->setUniqueID(id);
    return record;
}

QVariantMap named(const QString& name, const QVariant& id)
{
    return {{QStringLiteral("categoryname"), name}, {QStringLiteral("categoryid"), id}};
}

QVariantMap listedBlog(const QVariant& id, const QVariant& name, const QString& url = {})
{
    QVariantMap item{{QStringLiteral("blogid"), id}, {QStringLiteral("blogname"), name}};
    if (!url.isNull())
        item.insert(QStringLiteral("url"), url);
    return item;
}

QStringList blogTitles(const Account& account)
{
    QStringList names;
    for (const auto& blog : account.blogs())
        names << blog->title();
    return names;
}

} // namespace

class tst_RefreshMerge : public QObject {
    Q_OBJECT
private slots:
    void categoryAnswers_data();
    void categoryAnswers();
    void categoryMergeKeepsTagsAndIds();
    void encodedStoredNameTakesThePlainOne();
    void categoryRenamedOnTheServerKeepsItsRecord();
    void tagsAddedAndRemoved();
    void blogListMerge();
    void userInfo_data();
    void userInfo();
    void formats();
    void removedBlogFilesAreSetAside();
};

void tst_RefreshMerge::categoryAnswers_data()
{
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("ids");

    QTest::newRow("struct keyed by name")
        << QVariant(QVariantMap{{"Zoo", QVariantMap()}, {"Art", QVariantMap()}})
        << QStringList{"Art", "Zoo"} << QStringList{"", ""};
    QTest::newRow("one name") << QVariant(QStringLiteral("Solo")) << QStringList{"Solo"}
                              << QStringList{""};
    QTest::newRow("names and data")
        << QVariant(QVariantList{QStringLiteral("b"), QByteArray("Caf\xc3\xa9")})
        << QStringList{"b", "Café"} << QStringList{"", ""};
    QTest::newRow("named with ids")
        << QVariant(QVariantList{named("News", 7), named("Art", QStringLiteral("12"))})
        << QStringList{"Art", "News"} << QStringList{"12", "7"};
    QTest::newRow("a name without its id is skipped")
        << QVariant(QVariantList{QVariantMap{{"categoryname", "Lost"}}, named("Kept", 1)})
        << QStringList{"Kept"} << QStringList{"1"};
    QTest::newRow("description only")
        << QVariant(QVariantList{QVariantMap{{"description", "From &amp; to"}}})
        << QStringList{"From & to"} << QStringList{""};
    // WordPress stores names HTML-escaped, and the XML layer escapes them again.
    QTest::newRow("escaped names")
        << QVariant(QVariantList{named("Tom &amp; Jerry's", 3), named("a &lt; b", 4),
                                 named("Ünïcode ✓", 5)})
        << QStringList{"a < b", "Tom & Jerry's", "Ünïcode ✓"} << QStringList{"4", "3", "5"};
    QTest::newRow("other elements skipped")
        << QVariant(QVariantList{42, QVariantList{}, QString(), QStringLiteral("ok")})
        << QStringList{"ok"} << QStringList{""};
}

void tst_RefreshMerge::categoryAnswers()
{
    QFETCH(QVariant, answer);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, ids);
    Blog blog;
    blog.processCategories(answer);
    QCOMPARE(::titles(blog.categories()), titles);
    QStringList gotIds;
    for (const auto& record : blog.categories()) {
        gotIds << record->uniqueID();
        QVERIFY(record->isCategory() && !record->isTag() && record->foundOnServer());
    }
    QCOMPARE(gotIds, ids);
}

void tst_RefreshMerge::categoryMergeKeepsTagsAndIds()
{
    Blog blog;
    const auto tagOnly = category("mine", false, true);
    const auto former = category("Gone", true, false, "9");
    const auto both = category("Both", true, true, "2");
    const auto kept = category("Kept", true, false, "5");
    blog.setCategories(CategoryList{both, former, kept, tagOnly});
    // An entry that chose the former category shares its record.
    auto entry = Entry::create();
    entry->setCategories(CategoryList{former});
    blog.addEntry(entry);

    QSignalSpy changes(&blog, &ModelRecord::valueChanged);
    // A name-only list: records keep the identifiers they had.
    blog.processCategories(QVariantList{QStringLiteral("Kept"), QStringLiteral("New")});
    QCOMPARE(changes.count(QVariantList{QStringLiteral("categories")}), 1);
    QCOMPARE(titles(blog.categories()), (QStringList{"Both", "Kept", "mine", "New"}));
    QCOMPARE(kept->uniqueID(), QStringLiteral("5"));
    QVERIFY(kept->isCategory());
    // Not listed: a tag stays a tag only; a category that is no tag leaves.
    QVERIFY(both->isTag() && !both->isCategory() && !both->foundOnServer());
    QVERIFY(tagOnly->isTag() && !tagOnly->isCategory());
    QVERIFY(!blog.hasCategoryWithName(QStringLiteral("Gone")));
    // The entry's choice is its own: the record that left keeps its flags.
    QVERIFY(entry->categories()->first()->isCategory());

    // Listed again with an id: it takes it.
    blog.processCategories(QVariantList{named("Both", 2), named("Kept", 6)});
    QVERIFY(both->isCategory() && both->isTag());
    QCOMPARE(kept->uniqueID(), QStringLiteral("6"));
}

void tst_RefreshMerge::encodedStoredNameTakesThePlainOne()
{
    auto blog = std::make_shared<Blog>();
    const auto stored = category("Tom &amp; Jerry", true, false, "3");
    blog->setCategories(CategoryList{stored});
    auto entry = Entry::create();
    entry->setCategories(CategoryList{category("Tom &amp; Jerry", true, false, "3")});
    blog->addEntry(entry);
    entry->setNeedsSave(false);

    blog->processCategories(QVariantList{named("Tom &amp; Jerry", 3)});
    QCOMPARE(titles(blog->categories()), QStringList{"Tom & Jerry"});
    QCOMPARE(blog->categories().first(), stored);
    QCOMPARE(entry->categories()->first()->title(), QStringLiteral("Tom & Jerry"));
    QVERIFY(entry->needsSave());
    // Sent plain the next time, it is the same category.
    blog->processCategories(QVariantList{named("Tom & Jerry", 3)});
    QCOMPARE(blog->categories(), CategoryList{stored});
}

void tst_RefreshMerge::categoryRenamedOnTheServerKeepsItsRecord()
{
    auto blog = std::make_shared<Blog>();
    const auto tech = category("Tech", true, false, "4");
    const auto news = category("News", true, false, "5");
    blog->setCategories(CategoryList{news, tech});
    // One entry shares the blog's record, one holds its own (as read from its file).
    auto sharing = Entry::create();
    sharing->setCategories(CategoryList{tech});
    auto own = Entry::create();
    own->setCategories(CategoryList{category("Tech", true, false, "4"), news});
    auto other = Entry::create();
    other->setCategories(CategoryList{news});
    for (const auto& entry : {sharing, own, other}) {
        blog->addEntry(entry);
        entry->setNeedsSave(false);
    }

    // The server lists id 4 under a new name: the record follows, and so do
    // the entries that chose it, which are saved again.
    blog->processCategories(QVariantList{named("Tech & Gadgets", 4), named("News", 5)});
    QCOMPARE(titles(blog->categories()), (QStringList{"News", "Tech & Gadgets"}));
    QCOMPARE(blog->hasCategoryWithName(QStringLiteral("Tech & Gadgets")), tech);
    QVERIFY(tech->isCategory() && tech->foundOnServer());
    QCOMPARE(titles(*sharing->categories()), QStringList{"Tech & Gadgets"});
    QCOMPARE(titles(*own->categories()), (QStringList{"Tech & Gadgets", "News"}));
    QVERIFY(sharing->needsSave());
    QVERIFY(own->needsSave());

    // The current name listed under another id, the id under a new name: the
    // record keeps its name (and takes that id); the new name is a new record.
    blog->processCategories(QVariantList{named("Tech & Gadgets", 9), named("Gadgets", 4)});
    QCOMPARE(titles(blog->categories()), (QStringList{"Gadgets", "Tech & Gadgets"}));
    QCOMPARE(blog->hasCategoryWithName(QStringLiteral("Tech & Gadgets")), tech);
    QCOMPARE(tech->uniqueID(), QStringLiteral("9"));
    QCOMPARE(blog->hasCategoryWithName(QStringLiteral("Gadgets"))->uniqueID(), QStringLiteral("4"));
    QCOMPARE(titles(*sharing->categories()), QStringList{"Tech & Gadgets"});
    QCOMPARE(titles(*other->categories()), QStringList{"News"});
}

void tst_RefreshMerge::tagsAddedAndRemoved()
{
    Blog blog;
    blog.setCategories(CategoryList{category("c", true, false)});
    const auto b = category("b", false, true), a = category("a", false, true);
    b->setIsChecked(true);
    blog.addTags(CategoryList{b, a});
    QCOMPARE(titles(blog.categories()), (QStringList{"a", "b", "c"}));
    const auto addedB = blog.hasCategoryWithName(QStringLiteral("b"));
    QVERIFY(addedB != b);
    QVERIFY(!addedB->isChecked());
    QVERIFY(b->isChecked());

    blog.processTagWithName(QStringLiteral("c")); // the server's category is a tag too
    blog.removeTags(CategoryList{category("c", false, true), category("a", false, true),
                                 category("unknown", false, true)});
    QCOMPARE(titles(blog.categories()), (QStringList{"b", "c"}));
    const auto c = blog.hasCategoryWithName(QStringLiteral("c"));
    QVERIFY(c->isCategory() && !c->isTag());

    const auto made = blog.processCategoryWithName(QStringLiteral("d"), QStringLiteral("4"));
    QVERIFY(made->isCategory() && !made->isTag() && made->foundOnServer());
    QCOMPARE(made->uniqueID(), QStringLiteral("4"));
    QCOMPARE(blog.processCategoryWithName(QStringLiteral("d")), made);
    QCOMPARE(made->uniqueID(), QStringLiteral("4"));
}

void tst_RefreshMerge::blogListMerge()
{
    Account account;
    account.setUrl(QStringLiteral("http://blog.example/xmlrpc.php"));
    auto first = std::make_shared<Blog>();
    first->setUniqueID(QStringLiteral("1"));
    first->setTitle(QStringLiteral("Old name"));
    first->setOption(QStringLiteral("warnOnTitle"), false);
    auto entry = Entry::create();
    first->addEntry(entry);
    auto gone = std::make_shared<Blog>();
    gone->setUniqueID(QStringLiteral("3"));
    gone->setTitle(QStringLiteral("Gone"));
    account.setBlogs({first, gone});

    const Account::BlogListMerge merge = account.processBlogs(QVariantList{
        listedBlog(1, QStringLiteral("Zeta &eacute;t&eacute;"), QStringLiteral("/zeta/")),
        listedBlog(QStringLiteral("2"), QByteArray("Alpha \xe2\x9c\x93")),
        listedBlog(QVariant(), QStringLiteral("No id")),
        listedBlog(QStringLiteral("4"), QVariant()),
        QVariantMap{{"blogid", "5"},
                    {"blogname", "Served"},
                    {"service.post", "http://a/p"},
                    {"service.categories", "http://a/c"},
                    {"ignored", "x"}},
    });
    // Sorted by title; the renamed blog keeps its object, settings and entries.
    QCOMPARE(blogTitles(account), (QStringList{"Alpha ✓", "Served", "Zeta été"}));
    QCOMPARE(account.blogForID(QStringLiteral("1")), first);
    QCOMPARE(first->entries(), QList<EntryPtr>{entry});
    QCOMPARE(first->url(), QStringLiteral("http://blog.example/zeta/"));
    QCOMPARE(merge.removed, QList<BlogPtr>{gone});
    QCOMPARE(merge.added.size(), 2);
    // New blogs take the first blog's settings.
    const BlogPtr alpha = account.blogForID(QStringLiteral("2"));
    QCOMPARE(alpha->option(QStringLiteral("warnOnTitle")), QVariant(false));
    QCOMPARE(alpha->account(), &account);
    QCOMPARE(account.blogForID(QStringLiteral("5"))->services(),
             (QVariantMap{{"service.post", "http://a/p"}, {"service.categories", "http://a/c"}}));
}

void tst_RefreshMerge::userInfo_data()
{
    QTest::addColumn<QVariantMap>("info");
    QTest::addColumn<QString>("userID");
    QTest::addColumn<QVariant>("name");

    const QVariant none;
    QTest::newRow("first and last")
        << QVariantMap{{"userid", 7}, {"firstname", "Ada"}, {"lastname", "Lovelace"}} << "7"
        << QVariant(QStringLiteral("Ada Lovelace"));
    QTest::newRow("first only, no blank")
        << QVariantMap{{"userid", "7"}, {"firstname", "Ada"}, {"lastname", ""}, {"nickname", "a"}}
        << "7" << QVariant(QStringLiteral("Ada"));
    QTest::newRow("last only") << QVariantMap{{"userid", "7"},
                                              {"lastname", "Lovelace"},
                                              {"nickname", "a"}}
                               << "7" << QVariant(QStringLiteral("Lovelace"));
    QTest::newRow("nickname") << QVariantMap{{"userid", "7"},
                                             {"firstname", ""},
                                             {"nickname", "ada"}}
                              << "7" << QVariant(QStringLiteral("ada"));
    QTest::newRow("no name") << QVariantMap{{"userid", "7"}} << "7" << none;
    QTest::newRow("no user id") << QVariantMap{{"firstname", "Ada"}} << QString() << none;
}

void tst_RefreshMerge::userInfo()
{
    QFETCH(QVariantMap, info);
    QFETCH(QString, userID);
    QFETCH(QVariant, name);
    Account account;
    account.processUserInfo(info);
    QCOMPARE(account.userID(), userID);
    if (name.isValid())
        QCOMPARE(account.users(), std::optional<QVariantMap>(QVariantMap{{userID, name}}));
    else
        QVERIFY(!account.users());
}

void tst_RefreshMerge::formats()
{
    Account account;
    auto old = std::make_shared<Format>();
    old->setUniqueID(QStringLiteral("textile"));
    old->setTitle(QStringLiteral("Textile 1"));
    auto gone = std::make_shared<Format>();
    gone->setUniqueID(QStringLiteral("gone"));
    gone->setTitle(QStringLiteral("Gone"));
    account.setFormats(QList<FormatPtr>{old, gone});

    account.processFormats(QVariantList{
        QVariantMap{{"key", "textile"}, {"label", "Textile 2"}},
        QVariantMap{{"key", "markdown"}, {"label", "Markdown"}},
        QVariantMap{{"label", "No key"}},
    });
    QStringList labels;
    const QList<FormatPtr> merged = account.formats().value_or(QList<FormatPtr>());
    for (const auto& format : merged)
        labels << format->title() + QLatin1Char('=') + format->uniqueID();
    QCOMPARE(labels, (QStringList{"Markdown=markdown", "Textile 2=textile"}));
    QCOMPARE(account.hasFormatWithID(QStringLiteral("textile")), old);

    account.processFormats({});
    QCOMPARE(account.formats(), std::optional<QList<FormatPtr>>(QList<FormatPtr>()));
}

void tst_RefreshMerge::removedBlogFilesAreSetAside()
{
    auto account = Account::create();
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("42"));
    blog->setTitle(QStringLiteral("My/Blog"));
    account->addBlog(blog);
    auto draft = Entry::create(); // local only
    auto changed = Entry::create();
    changed->setFlag(Entry::ChangedLocally);
    auto published = Entry::create();
    published->setFlag(0);
    for (const auto& entry : {draft, changed, published})
        blog->addEntry(entry);
    QVERIFY(blog->save(*published));
    const QString folder = blog->store().folder(); // the other two are written by setAside

    const QDateTime when(QDate(2026, 12, 10), QTime(14, 3, 22));
    const KeptBlogFiles kept = RemovedBlogFiles::setAside(*blog, when);
    QVERIFY2(kept.error.isEmpty(), qPrintable(kept.error));
    QCOMPARE(kept.files, 3);
    QCOMPARE(kept.drafts, 2);
    QCOMPARE(kept.folder, account->accountDirectory() +
                              QStringLiteral("/Removed blogs/2026-12-10 14.03.22 My-Blog"));
    QVERIFY(!QFileInfo::exists(folder));
    QCOMPARE(QDir(kept.folder).entryList({QStringLiteral("*.plumet")}, QDir::Files).size(), 3);

    // A blog without files keeps nothing and moves nothing.
    auto empty = std::make_shared<Blog>();
    empty->setUniqueID(QStringLiteral("43"));
    account->addBlog(empty);
    const KeptBlogFiles none = RemovedBlogFiles::setAside(*empty, when);
    QVERIFY(!none.keptAny() && none.error.isEmpty() && none.folder.isEmpty());
}

QTEST_GUILESS_MAIN(tst_RefreshMerge)
#include "tst_refreshmerge.moc"
