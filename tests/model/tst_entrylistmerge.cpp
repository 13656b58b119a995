#include "Account.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Category.h"
#include "Entry.h"
#include "EntryContent.h"
#include "EntryFile.h"
#include "EntryListMerge.h"
#include "PluginManager.h"
#include "UserDefaults.h"

#include <QFile>
#include <QTest>

// A server's list of posts or pages into a blog's entries: the identity rule,
// lookups by identifier, the entries a refresh may take away and those it
// never may, authors, and the categories of one post.
using Kind = EntryListMerge::Kind;
using Listed = EntryListMerge::Listed;

namespace {

QVariantMap post(const QString& id, const QString& title, const QString& author = {})
{
    QVariantMap map{{QStringLiteral("postid"), id},
                    {QStringLiteral("title"), title},
                    {QStringLiteral("description"), QStringLiteral("<p>%1</p>").arg(title)}};
    if (!author.isEmpty())
        map.insert(QStringLiteral("userid"), author);
    return map;
}

QStringList ids(const QList<EntryPtr>& entries)
{
    QStringList list;
    for (const EntryPtr& entry : entries)
        list << entry->uniqueID();
    return list;
}

} // namespace

class tst_EntryListMerge : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void identityRule_data();
    void identityRule();
    void readCorrectsAndSkips();
    void newAndKnownEntries();
    void refreshTakesAwayOnlyWhatItMay_data();
    void refreshTakesAwayOnlyWhatItMay();
    void keepingOldEntriesRemovesNothing();
    void otherAuthors_data();
    void otherAuthors();
    void emptyPostListStopsThePostsRoad();
    void unpublishedChangesStayMarked();
    void repeatedRefreshStillSeesChanges_data();
    void repeatedRefreshStillSeesChanges();
    void marksOfEntriesNoLongerListed_data();
    void marksOfEntriesNoLongerListed();
    void entryCategoriesReplaceCategoriesAndKeepTags();

private:
    EntryPtr add(const QString& id, int flag, const QString& title = QStringLiteral("Same"));
    QList<Listed> listed(const QList<QVariantMap>& posts, Kind kind = Kind::Posts);

    std::shared_ptr<Account> m_account;
    std::shared_ptr<Blog> m_blog;
};

void tst_EntryListMerge::initTestCase()
{
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    QVERIFY(drivers.pluginForKey(QStringLiteral("Wordpress")));
}

void tst_EntryListMerge::init()
{
    m_account = Account::create();
    m_account->setPluginKey(QStringLiteral("Wordpress"));
    m_account->setUrl(QStringLiteral("http://blog.invalid/xmlrpc.php"));
    m_account->setUserID(QStringLiteral("1"));
    m_blog = std::make_shared<Blog>();
    m_blog->setUniqueID(QStringLiteral("1"));
    m_account->addBlog(m_blog);
}

void tst_EntryListMerge::cleanup()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("keep_old_entries"));
    UserDefaults::sharedInstance().remove(QStringLiteral("show_all_entries"));
    m_blog.reset();
    m_account.reset();
}

EntryPtr tst_EntryListMerge::add(const QString& id, int flag, const QString& title)
{
    auto entry = Entry::create();
    entry->setUniqueID(id);
    entry->setTitle(title);
    entry->setBody(QStringLiteral("<p>%1</p>").arg(title));
    entry->setFlag(flag);
    m_blog->addEntry(entry);
    QString error;
    [&] { QVERIFY2(m_blog->save(*entry, &error), qPrintable(error)); }();
    return entry;
}

QList<Listed> tst_EntryListMerge::listed(const QList<QVariantMap>& posts, Kind kind)
{
    QVariantList items;
    for (const QVariantMap& item : posts)
        items << item;
    return EntryListMerge::read(items, *m_account->plugin(), kind);
}

void tst_EntryListMerge::identityRule_data()
{
    QTest::addColumn<QVariantMap>("item");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("id");

    QTest::newRow("text") << QVariantMap{{"postid", "42"}} << int(Kind::Posts) << "42";
    QTest::newRow("number") << QVariantMap{{"postid", 42}} << int(Kind::Posts) << "42";
    QTest::newRow("atom id") << QVariantMap{{"id", "tag:blog.invalid,2024:post-7"}}
                             << int(Kind::Posts) << "7";
    QTest::newRow("atom id, several parts")
        << QVariantMap{{"id", "urn-a-b-12"}} << int(Kind::Posts) << "12";
    QTest::newRow("atom id ending in -") << QVariantMap{{"id", "urn-"}} << int(Kind::Posts) << "";
    QTest::newRow("postid wins") << QVariantMap{{"postid", "3"}, {"id", "x-9"}} << int(Kind::Posts)
                                 << "3";
    QTest::newRow("none") << QVariantMap{{"title", "x"}} << int(Kind::Posts) << "";
    QTest::newRow("page by postid") << QVariantMap{{"postid", 5}} << int(Kind::Pages) << "5";
    QTest::newRow("page without postid") << QVariantMap{{"id", "x-9"}} << int(Kind::Pages) << "";
}

void tst_EntryListMerge::identityRule()
{
    QFETCH(QVariantMap, item);
    QFETCH(int, kind);
    QFETCH(QString, id);
    QCOMPARE(EntryListMerge::postID(item, Kind(kind)), id);
}

void tst_EntryListMerge::readCorrectsAndSkips()
{
    // WordPress lists pages with "page_id"; its driver makes that the post id.
    const QVariantList items{QVariantMap{{"page_id", 8}, {"title", "About"}}, QStringLiteral("x"),
                             QVariantMap{{"title", "no id"}}};
    const QList<Listed> pages = EntryListMerge::read(items, *m_account->plugin(), Kind::Pages);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages.at(0).id, QStringLiteral("8"));
    QCOMPARE(pages.at(0).post.value("title").toString(), QStringLiteral("About"));
}

void tst_EntryListMerge::newAndKnownEntries()
{
    const EntryPtr known = add(QStringLiteral("42"), 0);
    const QList<EntryPtr> found = EntryListMerge::merge(
        *m_blog, listed({post("41", "New"), post("42", "Same"), post("41", "Twice")}), Kind::Posts,
        EntryListMerge::optionsFor(*m_blog));
    QCOMPARE(ids(found), (QStringList{"41", "42", "41"}));
    QCOMPARE(found.at(1), known);
    QCOMPARE(ids(m_blog->entries()), (QStringList{"42", "41"}));
    const EntryPtr added = m_blog->entryWithID(QStringLiteral("41"));
    // The second item is merged into the first: a title of substance differing is kept
    // for the comparison, not taken.
    QCOMPARE(added->title(), QStringLiteral("New"));
    QCOMPARE(added->diffs().value_or(QVariantMap()).value("title").toString(),
             QStringLiteral("Twice"));
    QVERIFY(!added->hasFlag(Entry::LocalOnly));
    QVERIFY(!added->hasFlag(Entry::IsPage));
    QVERIFY(added->foundOnServer() && known->foundOnServer());
    // The buffers of a merge without differences are let go.
    QVERIFY(known->pubBody().isNull());
    QVERIFY(known->diffs().value_or(QVariantMap()).isEmpty());

    const QList<EntryPtr> pages =
        EntryListMerge::merge(*m_blog, listed({post("50", "About")}, Kind::Pages), Kind::Pages,
                              EntryListMerge::optionsFor(*m_blog));
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages.at(0)->flag(), int(Entry::IsPage));
}

void tst_EntryListMerge::refreshTakesAwayOnlyWhatItMay_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("flag");
    QTest::addColumn<bool>("publishing");
    QTest::addColumn<bool>("stays");

    const int posts = int(Kind::Posts), pages = int(Kind::Pages);
    QTest::newRow("post gone from the server") << posts << 0 << false << false;
    QTest::newRow("draft gone from the server")
        << posts << int(Entry::SendAsDraft) << false << false;
    QTest::newRow("local-only post") << posts << int(Entry::LocalOnly) << false << true;
    QTest::newRow("post with unpublished changes")
        << posts << int(Entry::ChangedLocally) << false << true;
    QTest::newRow("post being published") << posts << 0 << true << true;
    QTest::newRow("page, by the posts road") << posts << int(Entry::IsPage) << false << true;
    QTest::newRow("page gone from the server") << pages << int(Entry::IsPage) << false << false;
    QTest::newRow("post, by the pages road") << pages << 0 << false << true;
    QTest::newRow("page with unpublished changes")
        << pages << int(Entry::IsPage | Entry::ChangedLocally) << false << true;
    QTest::newRow("local-only page")
        << pages << int(Entry::IsPage | Entry::LocalOnly) << false << true;
}

void tst_EntryListMerge::refreshTakesAwayOnlyWhatItMay()
{
    QFETCH(int, kind);
    QFETCH(int, flag);
    QFETCH(bool, publishing);
    QFETCH(bool, stays);

    UserDefaults::sharedInstance().setValue(QStringLiteral("keep_old_entries"), false);
    const EntryPtr listedEntry = add(QStringLiteral("1"), kind == int(Kind::Pages) ? 16 : 0);
    const EntryPtr candidate = add(QStringLiteral("2"), flag);
    candidate->setBeingPublished(publishing);
    const QString file =
        m_blog->store().folder() + QLatin1Char('/') + EntryFile::fileName(*candidate);
    QVERIFY(QFile::exists(file));

    EntryListMerge::merge(*m_blog, listed({post("1", "Same")}, Kind(kind)), Kind(kind),
                          EntryListMerge::optionsFor(*m_blog));
    QCOMPARE(m_blog->hasEntryWithID(QStringLiteral("2")), stays);
    QCOMPARE(QFile::exists(file), stays);
    QVERIFY(m_blog->hasEntryWithID(QStringLiteral("1")));
}

void tst_EntryListMerge::keepingOldEntriesRemovesNothing()
{
    add(QStringLiteral("2"), 0);
    add(QStringLiteral("3"), Entry::IsPage);
    EntryListMerge::merge(*m_blog, listed({post("1", "New")}), Kind::Posts,
                          EntryListMerge::optionsFor(*m_blog));
    QCOMPARE(ids(m_blog->entries()), (QStringList{"2", "3", "1"}));
}

void tst_EntryListMerge::otherAuthors_data()
{
    QTest::addColumn<QVariant>("showAll");
    QTest::addColumn<QString>("author");
    QTest::addColumn<bool>("added");

    QTest::newRow("all shown, other author") << QVariant(true) << "7" << true;
    QTest::newRow("unset, other author") << QVariant() << "7" << true;
    QTest::newRow("own posts only, other author") << QVariant(false) << "7" << false;
    QTest::newRow("own posts only, own post") << QVariant(false) << "1" << true;
    QTest::newRow("own posts only, no author") << QVariant(false) << "" << true;
}

void tst_EntryListMerge::otherAuthors()
{
    QFETCH(QVariant, showAll);
    QFETCH(QString, author);
    QFETCH(bool, added);

    if (showAll.isValid())
        UserDefaults::sharedInstance().setValue(QStringLiteral("show_all_entries"), showAll);
    const QList<EntryPtr> found =
        EntryListMerge::merge(*m_blog, listed({post("9", "By someone", author)}), Kind::Posts,
                              EntryListMerge::optionsFor(*m_blog));
    QCOMPARE(m_blog->hasEntryWithID(QStringLiteral("9")), added);
    QCOMPARE(found.size(), added ? 1 : 0);
}

void tst_EntryListMerge::emptyPostListStopsThePostsRoad()
{
    EntryListMerge::merge(*m_blog, {}, Kind::Pages, EntryListMerge::optionsFor(*m_blog));
    QVERIFY(!m_blog->hasZeroEntries());
    EntryListMerge::merge(*m_blog, {}, Kind::Posts, EntryListMerge::optionsFor(*m_blog));
    QVERIFY(m_blog->hasZeroEntries());
}

void tst_EntryListMerge::unpublishedChangesStayMarked()
{
    const EntryPtr changed =
        add(QStringLiteral("4"), Entry::ChangedLocally, QStringLiteral("Mine"));
    EntryListMerge::merge(*m_blog, listed({post("4", "Theirs")}), Kind::Posts,
                          EntryListMerge::optionsFor(*m_blog));
    QCOMPARE(changed->title(), QStringLiteral("Mine"));
    QCOMPARE(changed->body(), QStringLiteral("<p>Mine</p>"));
    QVERIFY(changed->hasFlag(Entry::ChangedLocally));
    QCOMPARE(changed->diffs().value_or(QVariantMap()).value("title").toString(),
             QStringLiteral("Theirs"));
}

void tst_EntryListMerge::repeatedRefreshStillSeesChanges_data()
{
    QTest::addColumn<bool>("editHere");
    QTest::addColumn<QString>("serverTitle");
    QTest::newRow("same copy, nothing changed") << false << "Same";
    QTest::newRow("same copy, title edited here") << true << "Same";
    QTest::newRow("server changed the title") << false << "Renamed";
}

// A refresh that finds the copy it merged last time, into an entry nobody
// touched, may skip the comparison; any change on either side compares again.
void tst_EntryListMerge::repeatedRefreshStillSeesChanges()
{
    QFETCH(bool, editHere);
    QFETCH(QString, serverTitle);
    const EntryPtr entry = add(QStringLiteral("7"), 0);
    const auto options = EntryListMerge::optionsFor(*m_blog);
    EntryListMerge::merge(*m_blog, listed({post("7", "Same")}), Kind::Posts, options);
    QVERIFY(entry->diffs().value_or(QVariantMap()).isEmpty());
    QVERIFY(entry->mergedCopy());
    if (editHere)
        entry->setTitle(QStringLiteral("Edited"));

    EntryListMerge::merge(*m_blog, listed({post("7", serverTitle)}), Kind::Posts, options);
    QVERIFY(entry->foundOnServer());
    const QString expected = editHere ? "Edited" : "Same";
    QCOMPARE(entry->title(), expected);
    const QVariantMap diffs = entry->diffs().value_or(QVariantMap());
    if (editHere || serverTitle != QLatin1String("Same")) {
        QCOMPARE(diffs.value("title").toString(), serverTitle);
        QVERIFY(!entry->mergedCopy()); // compared in full next time too
    } else {
        QVERIFY(diffs.isEmpty());
        QVERIFY(entry->mergedCopy());
    }

    // A refresh that leaves the post out clears its mark, and one that lists it again sets it.
    EntryListMerge::merge(*m_blog, listed({post("8", "Other")}), Kind::Posts, options);
    QVERIFY(!entry->foundOnServer());
    EntryListMerge::merge(*m_blog, listed({post("7", serverTitle)}), Kind::Posts, options);
    QVERIFY(entry->foundOnServer());
}

void tst_EntryListMerge::marksOfEntriesNoLongerListed_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("keeps");

    // How an entry came by its found-on-server mark, and whether a refresh
    // that does not list it leaves the mark.
    QTest::newRow("an earlier refresh") << "refresh" << false;
    QTest::newRow("another road (publishing)") << "publish" << false;
    QTest::newRow("marked before it joined the blog") << "joined" << false;
    QTest::newRow("a list set anew") << "setEntries" << false;
    QTest::newRow("a page, by the posts road") << "page" << true;
    QTest::newRow("a copy that only names the blog") << "copy" << true;
    QTest::newRow("removed from the blog") << "removed" << true;
    QTest::newRow("its identifier listed for another entry") << "shared" << true;
}

// A refresh takes the mark from entries of its kind the server no longer
// lists, wherever the mark came from, and from no entry outside the list.
void tst_EntryListMerge::marksOfEntriesNoLongerListed()
{
    QFETCH(QString, how);
    QFETCH(bool, keeps);
    const auto options = EntryListMerge::optionsFor(*m_blog);
    EntryPtr marked;
    QString listedID = QStringLiteral("8");
    if (how == QLatin1String("refresh")) {
        marked = add(QStringLiteral("7"), 0);
        EntryListMerge::merge(*m_blog, listed({post("7", "Same")}), Kind::Posts, options);
    } else if (how == QLatin1String("publish") || how == QLatin1String("page")) {
        marked = add(QStringLiteral("7"), how == QLatin1String("page") ? Entry::IsPage : 0);
        marked->setFoundOnServer(true);
    } else if (how == QLatin1String("joined") || how == QLatin1String("setEntries")) {
        marked = Entry::create();
        marked->setUniqueID(QStringLiteral("7"));
        marked->setFlag(0);
        marked->setFoundOnServer(true);
        if (how == QLatin1String("joined"))
            m_blog->addEntry(marked);
        else
            m_blog->setEntries({marked});
    } else if (how == QLatin1String("copy")) {
        const EntryPtr original = add(QStringLiteral("7"), 0);
        marked = original->copy();
        marked->setFoundOnServer(true);
    } else if (how == QLatin1String("removed")) {
        marked = add(QStringLiteral("7"), 0);
        marked->setFoundOnServer(true);
        m_blog->removeEntryKeepingFile(marked.get());
    } else if (how == QLatin1String("shared")) {
        // Two entries of one identifier: the last of the list takes the copy.
        marked = add(QStringLiteral("7"), 0);
        marked->setFoundOnServer(true);
        const EntryPtr twin = add(QStringLiteral("7"), 0);
        listedID = QStringLiteral("7");
        const QList<EntryPtr> found = EntryListMerge::merge(
            *m_blog, listed({post("7", "Same"), post("8", "Other")}), Kind::Posts, options);
        QCOMPARE(found.first(), twin);
        QVERIFY(twin->foundOnServer());
    }
    QVERIFY(marked->foundOnServer());

    EntryListMerge::merge(*m_blog, listed({post(listedID, "Other")}), Kind::Posts, options);
    QCOMPARE(marked->foundOnServer(), keeps);
}

void tst_EntryListMerge::entryCategoriesReplaceCategoriesAndKeepTags()
{
    const EntryPtr entry = add(QStringLiteral("4"), 0);
    EntryContent content(*entry);
    auto old = Category::withTitle(QStringLiteral("Old"));
    old->setUniqueID(QStringLiteral("9"));
    old->setIsCategory(true);
    old->setIsTag(false);
    auto kept = Category::withTitle(QStringLiteral("News"));
    kept->setUniqueID(QStringLiteral("3"));
    kept->setIsCategory(true);
    kept->setIsTag(false);
    content.addCategories({old, kept});
    content.addTag(QStringLiteral("a tag"));

    EntryListMerge::mergeEntryCategories(
        *entry, {QVariantMap{{"categoryid", "3"}, {"categoryname", "News &amp; more"}},
                 QVariantMap{{"categoryid", 5}, {"categoryname", "Tom"}, {"isprimary", true}},
                 QVariantMap{{"categoryname", "no id"}}});
    QStringList names;
    for (const CategoryPtr& category : entry->categories().value_or(CategoryList()))
        names << QStringLiteral("%1:%2:%3%4")
                     .arg(category->title(), category->uniqueID(),
                          category->isTag() ? QStringLiteral("t") : QString(),
                          category->isPrimary() ? QStringLiteral("p") : QString());
    names.sort();
    QCOMPARE(names, (QStringList{"News & more:3:", "Tom:5:p", "a tag::t"}));
    QVERIFY(content.hasCategoryWithID(QStringLiteral("3")) == kept);
    QVERIFY(entry->needsSave());
}

QTEST_GUILESS_MAIN(tst_EntryListMerge)
#include "tst_entrylistmerge.moc"
