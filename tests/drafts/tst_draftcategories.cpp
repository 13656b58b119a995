// The categories and tags a draft ticks: from its blog, through refreshes, into the entry.
#include "Category.h"
#include "DraftCategories.h"
#include "DraftTesting.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "PublishHandOver.h"
#include "RVCatsController.h"
#include "RVDraftWindow.h"
#include "RVTableView.h"

#include <QFont>
#include <QLineEdit>
#include <QTest>

using namespace plumet::test;

namespace {

CategoryPtr record(const QString& title, const QString& id, bool category, bool tag)
{
    CategoryPtr made = Category::withTitle(title);
    if (!id.isEmpty())
        made->setUniqueID(id);
    made->setIsCategory(category);
    made->setIsTag(tag);
    return made;
}

// A category as a server lists it.
QVariantMap listed(const QString& name, const QString& id)
{
    return {{QStringLiteral("categoryname"), name}, {QStringLiteral("categoryid"), id}};
}

CategoryList listOf(Draft* draft)
{
    return draft->categoryList()->categories();
}

QStringList titles(const CategoryList& list, bool tickedOnly = false)
{
    QStringList result;
    for (const CategoryPtr& category : list) {
        if (!tickedOnly || category->isChecked())
            result.append(category->title());
    }
    result.sort();
    return result;
}

QStringList foreignTitles(Draft* draft)
{
    QStringList result;
    for (const CategoryPtr& category : listOf(draft)) {
        if (draft->categoryList()->isForeign(*category))
            result.append(category->title());
    }
    result.sort();
    return result;
}

} // namespace

class tst_DraftCategories : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listHoldsCopiesTickedAsTheEntry();
    void onlyTagsWithoutCategories();
    void refresh_data();
    void refresh();
    void refreshedCopiesAreNotShared();
    void revertTicksAsSaved();
    void newTagsMakeOneBlogRecord();
    void removedTagKeepsCategory();
    void editDraftFocusesSearch();

private:
    // "News" (id 3) and "Sport" (id 4) as categories, "travel" as a tag.
    Blog& newsBlog(TestBlogSystem& system);
    std::unique_ptr<DraftWorld> m_world;
    std::unique_ptr<TestBlogSystem> m_tagSystem;
};

void tst_DraftCategories::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    m_world = std::make_unique<DraftWorld>();
}

void tst_DraftCategories::cleanup()
{
    m_world.reset();
    m_tagSystem.reset();
}

Blog& tst_DraftCategories::newsBlog(TestBlogSystem& system)
{
    Blog& blog = m_world->addBlog(QStringLiteral("Daily"), system);
    blog.setCategories(CategoryList{record("News", "3", true, false),
                                    record("Sport", "4", true, false),
                                    record("travel", {}, false, true)});
    return blog;
}

void tst_DraftCategories::listHoldsCopiesTickedAsTheEntry()
{
    Blog& blog = newsBlog(m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>B</p>");
    CategoryPtr chosen = record("Sport", "4", true, false);
    chosen->setIsPrimary(true);
    entry->setCategories(CategoryList{chosen, record("Archive", "12", true, false)});
    blog.save(*entry);
    entry->setNeedsSave(false);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);

    const CategoryList list = listOf(draft);
    QCOMPARE(titles(list), (QStringList{"Archive", "News", "Sport", "travel"}));
    QCOMPARE(titles(list, true), (QStringList{"Archive", "Sport"}));
    QVERIFY(draft->categoryList()->hasCategoryWithName(QStringLiteral("Sport"))->isPrimary());
    QVERIFY(!draft->categoryList()->hasCategoryWithName(QStringLiteral("sport")));
    QVERIFY(!draft->categoryList()->hasCategoryWithName(QString()));
    // A category the blog lacks stays, marked.
    QCOMPARE(foreignTitles(draft), QStringList{"Archive"});
    const CatsControllerDelegate* delegate = draft->categoryList();
    QCOMPARE(
        delegate->noteFor(*draft->categoryList()->hasCategoryWithName(QStringLiteral("Archive"))),
        QStringLiteral("Not on this blog"));
    QVERIFY(delegate->noteFor(*draft->categoryList()->hasCategoryWithName(QStringLiteral("Sport")))
                .isEmpty());
    // The list shows the note on the row, the name in italics.
    const QAbstractItemModel* rows = draft->categoryList()->controller()->tableView()->model();
    int marked = 0;
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QModelIndex name = rows->index(row, 1);
        const bool foreign = name.data().toString() == QLatin1String("Archive");
        QCOMPARE(name.data(Qt::ToolTipRole).toString().endsWith(QLatin1String("Not on this blog")),
                 foreign);
        QCOMPARE(name.data(Qt::FontRole).value<QFont>().italic(), foreign);
        marked += foreign;
    }
    QCOMPARE(marked, 1);
    for (const CategoryPtr& element : list) {
        QVERIFY(!blog.categories().contains(element));
        QVERIFY(!entry->categories()->contains(element));
    }

    // Saved untouched, the entry keeps both, records and all.
    draft->saveDocument();
    QCOMPARE(entry->categories()->first(), chosen);
    QCOMPARE(titles(*entry->categories()), (QStringList{"Archive", "Sport"}));
    QVERIFY(!draft->window()->isWindowModified());

    // A tick goes into the entry at the next save, in list order, as copies.
    draft->categoryList()->hasCategoryWithName(QStringLiteral("News"))->setIsChecked(true);
    draft->categoryList()->hasCategoryWithName(QStringLiteral("Archive"))->setIsChecked(false);
    draft->saveDocument();
    QCOMPARE(titles(*entry->categories()), (QStringList{"News", "Sport"}));
    QVERIFY(!entry->categories()->contains(
        draft->categoryList()->hasCategoryWithName(QStringLiteral("News"))));
    QVERIFY(!blog.hasCategoryWithName(QStringLiteral("News"))->isChecked());
}

void tst_DraftCategories::onlyTagsWithoutCategories()
{
    DriverProfile profile = testProfile(QStringLiteral("TagSystem"), false, false, false);
    profile.hasCategories = false;
    m_tagSystem = std::make_unique<TestBlogSystem>(profile);
    Account::setPluginLookup([this](const QString& key) -> PLUMETPluginProtocol* {
        return key == m_tagSystem->pluginKey() ? m_tagSystem.get() : nullptr;
    });
    Blog& blog = newsBlog(*m_tagSystem);
    Draft* draft =
        DraftController::sharedInstance().openDraft(DraftWorld::addEntry(blog, "Post", "<p>B</p>"));
    QCOMPARE(titles(listOf(draft)), QStringList{"travel"});
    QVERIFY(!draft->categoryList()->hasCategories());
    // A refresh touches nothing where posts have no categories.
    blog.processCategories(QVariantList{listed("Music", "9")});
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::categoriesRefreshed), &blog);
    QCOMPARE(titles(listOf(draft)), QStringList{"travel"});
}

void tst_DraftCategories::refresh_data()
{
    QTest::addColumn<QVariantList>("server");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QStringList>("listAfter");
    QTest::addColumn<QStringList>("tickedAfter");
    QTest::addColumn<QStringList>("marked");

    const QStringList newsAndSport{"News", "Sport"};
    QTest::newRow("nothing changed")
        << QVariantList{listed("News", "3"), listed("Sport", "4")} << QStringList{"News"}
        << QStringList{"News", "Sport", "travel"} << QStringList{"News"} << QStringList{};
    QTest::newRow("renamed on the server keeps its tick")
        << QVariantList{listed("World", "3"), listed("Sport", "4")} << QStringList{"News"}
        << QStringList{"Sport", "World", "travel"} << QStringList{"World"} << QStringList{};
    QTest::newRow("ticked category gone stays, marked")
        << QVariantList{listed("Sport", "4")} << newsAndSport
        << QStringList{"News", "Sport", "travel"} << newsAndSport << QStringList{"News"};
    QTest::newRow("unticked category gone leaves")
        << QVariantList{listed("Sport", "4")} << QStringList{"Sport"}
        << QStringList{"Sport", "travel"} << QStringList{"Sport"} << QStringList{};
    QTest::newRow("new category joins unticked")
        << QVariantList{listed("News", "3"), listed("Sport", "4"), listed("Music", "9")}
        << QStringList{"Sport"} << QStringList{"Music", "News", "Sport", "travel"}
        << QStringList{"Sport"} << QStringList{};
    QTest::newRow("entry's own category found on the server")
        << QVariantList{listed("News", "3"), listed("Sport", "4"), listed("Archive", "12")}
        << QStringList{"Archive"} << QStringList{"Archive", "News", "Sport", "travel"}
        << QStringList{"Archive"} << QStringList{};
}

void tst_DraftCategories::refresh()
{
    QFETCH(QVariantList, server);
    QFETCH(QStringList, ticked);
    QFETCH(QStringList, listAfter);
    QFETCH(QStringList, tickedAfter);
    QFETCH(QStringList, marked);

    Blog& blog = newsBlog(m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>B</p>");
    CategoryList chosen;
    for (const QString& title : ticked) {
        const CategoryPtr known = blog.hasCategoryWithName(title);
        chosen.append(known ? known->copy() : record(title, {}, true, false));
    }
    entry->setCategories(chosen);
    blog.save(*entry);
    entry->setNeedsSave(false);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);

    blog.processCategories(server);
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::categoriesRefreshed), &blog);
    QCOMPARE(titles(listOf(draft)), listAfter);
    QCOMPARE(titles(listOf(draft), true), tickedAfter);
    QCOMPARE(foreignTitles(draft), marked);
    for (const CategoryPtr& element : listOf(draft))
        QVERIFY(!blog.categories().contains(element));

    // What stays ticked is written back: the save loses none of it.
    draft->saveDocument();
    QCOMPARE(titles(entry->categories().value_or(CategoryList())), tickedAfter);
    Blog again;
    again.setUniqueID(blog.uniqueID());
    again.setAccount(blog.account());
    again.load();
    QCOMPARE(titles(again.entryWithID(entry->uniqueID())->categories().value_or(CategoryList())),
             tickedAfter);
}

void tst_DraftCategories::refreshedCopiesAreNotShared()
{
    Blog& blog = newsBlog(m_world->full);
    DraftController& drafts = DraftController::sharedInstance();
    Draft* one = drafts.openDraft(DraftWorld::addEntry(blog, "One", "<p>1</p>"));
    Draft* two = drafts.openDraft(DraftWorld::addEntry(blog, "Two", "<p>2</p>"));
    blog.processCategories(
        QVariantList{listed("News", "3"), listed("Sport", "4"), listed("Music", "9")});
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::categoriesRefreshed), &blog);

    const CategoryPtr mine = one->categoryList()->hasCategoryWithName(QStringLiteral("Music"));
    const CategoryPtr theirs = two->categoryList()->hasCategoryWithName(QStringLiteral("Music"));
    QVERIFY(mine && theirs);
    QVERIFY(mine != theirs);
    QVERIFY(mine != blog.hasCategoryWithName(QStringLiteral("Music")));
    mine->setIsChecked(true);
    QVERIFY(!theirs->isChecked());
    QVERIFY(!blog.hasCategoryWithName(QStringLiteral("Music"))->isChecked());
}

void tst_DraftCategories::revertTicksAsSaved()
{
    Blog& blog = newsBlog(m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>B</p>");
    entry->setCategories(CategoryList{blog.hasCategoryWithName(QStringLiteral("News"))->copy()});
    blog.save(*entry);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    draft->categoryList()->hasCategoryWithName(QStringLiteral("News"))->setIsChecked(false);
    draft->categoryList()->hasCategoryWithName(QStringLiteral("Sport"))->setIsChecked(true);
    draft->revertDocumentToSaved();
    QTRY_COMPARE(titles(listOf(draft), true), QStringList{"News"});
    QCOMPARE(titles(*entry->categories()), QStringList{"News"});
}

void tst_DraftCategories::newTagsMakeOneBlogRecord()
{
    Blog& blog = newsBlog(m_world->full);
    DraftController& drafts = DraftController::sharedInstance();
    Draft* one = drafts.openDraft(DraftWorld::addEntry(blog, "One", "<p>1</p>"));
    Draft* two = drafts.openDraft(DraftWorld::addEntry(blog, "Two", "<p>2</p>"));
    Draft* three = drafts.openDraft(DraftWorld::addEntry(blog, "Three", "<p>3</p>"));
    auto typed = [](const QString& title) {
        CategoryPtr tag = Category::withTitle(title);
        tag->setIsChecked(true);
        return tag;
    };
    // Both drafts name the tag; the list of each holds its own element.
    one->categoryList()->controller()->appendContent({typed(QStringLiteral("rivers"))});
    one->categoryList()->pushNewTags(listOf(one).mid(listOf(one).size() - 1));
    two->categoryList()->pushNewTags({typed(QStringLiteral("rivers"))});

    int records = 0;
    for (const CategoryPtr& category : blog.categories())
        records += category->title() == QLatin1String("rivers");
    QCOMPARE(records, 1);
    QVERIFY(blog.hasCategoryWithName(QStringLiteral("rivers"))->isTag());
    QVERIFY(!blog.hasCategoryWithName(QStringLiteral("rivers"))->isChecked());
    // The third draft lists it once, unticked, a copy of its own.
    QCOMPARE(titles(listOf(three)).count(QStringLiteral("rivers")), 1);
    const CategoryPtr listedThere =
        three->categoryList()->hasCategoryWithName(QStringLiteral("rivers"));
    QVERIFY(!listedThere->isChecked());
    QVERIFY(listedThere != blog.hasCategoryWithName(QStringLiteral("rivers")));
    QCOMPARE(titles(listOf(one)).count(QStringLiteral("rivers")), 1);
    // A name the blog has as a category becomes a tag as well: still one record.
    three->categoryList()->pushNewTags({typed(QStringLiteral("News"))});
    QCOMPARE(titles(blog.categories()).count(QStringLiteral("News")), 1);
    QVERIFY(blog.hasCategoryWithName(QStringLiteral("News"))->isTag());
}

void tst_DraftCategories::removedTagKeepsCategory()
{
    Blog& blog = newsBlog(m_world->full);
    CategoryList records = blog.categories();
    records.append(record("Recipes", "8", true, true));
    blog.setCategories(records);
    Draft* draft =
        DraftController::sharedInstance().openDraft(DraftWorld::addEntry(blog, "One", "<p>1</p>"));
    draft->categoryList()->pushOldTags(
        {draft->categoryList()->hasCategoryWithName(QStringLiteral("Recipes")),
         draft->categoryList()->hasCategoryWithName(QStringLiteral("travel"))});
    const CategoryPtr kept = blog.hasCategoryWithName(QStringLiteral("Recipes"));
    QVERIFY(kept);
    QVERIFY(kept->isCategory());
    QVERIFY(!kept->isTag());
    QCOMPARE(kept->uniqueID(), QStringLiteral("8"));
    QVERIFY(!blog.hasCategoryWithName(QStringLiteral("travel")));
}

void tst_DraftCategories::editDraftFocusesSearch()
{
    Blog& blog = newsBlog(m_world->full);
    blog.setOption(QStringLiteral("warnOnCategories"), true);
    DraftExtensions::sharedInstance().publish = PublishHandOver::publish;
    Draft* draft =
        DraftController::sharedInstance().openDraft(DraftWorld::addEntry(blog, "One", "<p>1</p>"));
    draft->publish();
    QMessageBox* warning = nullptr;
    QTRY_VERIFY((warning = openAlert(QStringLiteral("publishWarnings"))));
    QVERIFY(clickButton(warning, QStringLiteral("Edit draft")));
    QTRY_COMPARE(draft->window()->focusWidget(),
                 static_cast<QWidget*>(draft->categoryList()->controller()->searchField()));
}

QTEST_MAIN(tst_DraftCategories)
#include "tst_draftcategories.moc"
