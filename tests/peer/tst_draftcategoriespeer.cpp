#include "ActivityList.h"
#include "Category.h"
#include "CategoryListModel.h"
#include "DateHUDPanel.h"
#include "DraftActions.h"
#include "DraftCategories.h"
#include "DraftPanels.h"
#include "DraftPeerTesting.h"
#include "JobRoads.h"
#include "RVCatsController.h"
#include "RVDraftWindow.h"
#include "RVTableView.h"
#include "UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>

using namespace plumet::test;

// What a draft's own window gives a post, as WordPress files it: a category
// ticked in the list, a tag made by typing its name in the search field, a
// date set with Adjust Time; and a category the list lacks kept through a
// save and a publish.
class tst_DraftCategoriesPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void tickTagDateAndPublish();
    void categoryTheListLacksIsKept();

private:
    BlogSetup blogWithCategories();
    void publishAndWait(Draft* draft, const EntryPtr& entry);

    DraftPeerWorld m_peer;
};

void tst_DraftCategoriesPeer::initTestCase()
{
    JobRoads::install();
    QString problem;
    QVERIFY2(m_peer.start(this, &problem), qPrintable(problem));
    QString output;
    QVERIFY2(m_peer.wordpress->runInWordPress(
                 QStringLiteral("wp_insert_term('Walks', 'category'); echo 'ok';"), &output),
             qPrintable(m_peer.wordpress->problem()));
    UserDefaults::sharedInstance().setValue(QStringLiteral("usesHTMLEditor"), 1);
}

void tst_DraftCategoriesPeer::cleanupTestCase()
{
    m_peer.stop();
}

void tst_DraftCategoriesPeer::cleanup()
{
    for (Draft* draft : DraftController::sharedInstance().listOfDrafts())
        DraftController::sharedInstance().close(draft);
    letDraftsGo();
}

// A WordPress blog whose categories came from the server, as a refresh fetches them.
BlogSetup tst_DraftCategoriesPeer::blogWithCategories()
{
    BlogSetup setup = m_peer.blog();
    if (!setup.blog->refreshCategories())
        return {};
    if (!QTest::qWaitFor([&] { return !setup.blog->categoriesActivity(); }, 30000))
        return {};
    return setup;
}

void tst_DraftCategoriesPeer::publishAndWait(Draft* draft, const EntryPtr& entry)
{
    PublishWatch watch(*m_peer.road);
    draft->actions().publishAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!DraftController::sharedInstance().draftForEntry(entry.get()), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(watch.outcome().ended, 60000);
    QVERIFY2(watch.outcome().state == Job::State::Finished, qPrintable(watch.outcome().message));
}

void tst_DraftCategoriesPeer::tickTagDateAndPublish()
{
    const BlogSetup setup = blogWithCategories();
    QVERIFY(setup.blog);
    QVERIFY(setup.blog->hasCategoryWithName(QStringLiteral("Walks")));
    // The list shows categories and tags, as the user chose in another draft.
    UserDefaults::sharedInstance().setValue(QStringLiteral("catSearchType"),
                                            int(RVCatsController::Both));
    const EntryPtr entry = DraftWorld::addNewEntry(*setup.blog, QStringLiteral("By the river"));
    entry->setBody(QStringLiteral("<p>We walked along the river.</p>"));
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    draft->window()->resize(900, 640);
    draft->window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(draft->window()));
    RVCatsController* list = draft->categoryList()->controller();
    QVERIFY(list);

    // Tick "Walks" as a click on its box does.
    QAbstractItemModel* rows = list->tableView()->model();
    bool ticked = false;
    for (int row = 0; row < rows->rowCount() && !ticked; ++row) {
        if (rows->index(row, 1).data().toString() == QLatin1String("Walks"))
            ticked = rows->setData(rows->index(row, 0), Qt::Checked, Qt::CheckStateRole);
    }
    QVERIFY(ticked);

    // Type a name no category or tag has: a new ticked tag, its name being typed; Return keeps it.
    list->searchField()->setFocus();
    QTest::keyClicks(list->searchField(), QStringLiteral("river walks"));
    QTRY_VERIFY(list->tagBeingNamed());
    QLineEdit* naming = nullptr;
    QTRY_VERIFY(
        (naming = qobject_cast<QLineEdit*>(list->tableView()->indexWidget(
             list->tableView()->model()->index(list->model()->rowOf(list->tagBeingNamed()), 1)))));
    QCOMPARE(naming->text(), QStringLiteral("river walks"));
    QTest::keyClick(naming, Qt::Key_Return);
    QTRY_VERIFY(setup.blog->hasCategoryWithName(QStringLiteral("river walks")));
    const CategoryPtr tag =
        draft->categoryList()->hasCategoryWithName(QStringLiteral("river walks"));
    QVERIFY(tag && tag->isTag() && tag->isChecked());

    // Adjust Time: next week, 09:00 by the blog's clock (here the local one).
    const QDateTime nextWeek(QDate::currentDate().addDays(7), QTime(9, 0));
    draft->panels()->changeDate();
    DateHUDPanel* date = draft->panels()->datePanel();
    QVERIFY(date->isVisible());
    // The fields as the user types them: the day, then the time.
    date->editor()->setDate(nextWeek.date());
    date->editor()->setTime(nextWeek.time());
    date->done();
    QVERIFY(entry->hasCustomDate());
    QCOMPARE(entry->entryDate().toSecsSinceEpoch(), nextWeek.toSecsSinceEpoch());

    publishAndWait(draft, entry);
    QVERIFY(!entry->uniqueID().isEmpty());
    const QVariantMap post = m_peer.serverPost(entry->uniqueID());
    QVERIFY(!post.isEmpty());
    // The XML-RPC answer calls a scheduled post published; WordPress itself knows better.
    QString status;
    QVERIFY(m_peer.wordpress->runInWordPress(
        QStringLiteral("echo get_post_status(%1);").arg(entry->uniqueID().toInt()), &status));
    QCOMPARE(status.trimmed(), QStringLiteral("future"));
    QCOMPARE(post.value(QStringLiteral("categories")).toStringList(), QStringList{"Walks"});
    QCOMPARE(post.value(QStringLiteral("mt_keywords")).toString(), QStringLiteral("river walks"));
    // The server's clock of the post in UTC, as the user set it.
    const QString form = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    QCOMPARE(post.value(QStringLiteral("date_created_gmt")).toDateTime().toString(form),
             nextWeek.toUTC().toString(form));
}

void tst_DraftCategoriesPeer::categoryTheListLacksIsKept()
{
    const BlogSetup setup = blogWithCategories();
    QVERIFY(setup.blog);
    const CategoryPtr walks = setup.blog->hasCategoryWithName(QStringLiteral("Walks"))->copy();
    walks->setIsChecked(true);
    // Filed before the server renamed it away: the blog has no such category now.
    CategoryPtr gone = Category::withTitle(QStringLiteral("Rambles"));
    gone->setUniqueID(QStringLiteral("4711"));
    gone->setIsCategory(true);
    gone->setIsChecked(true);
    const EntryPtr entry = DraftWorld::addEntry(*setup.blog, QStringLiteral("Old walk"),
                                                QStringLiteral("<p>An old walk.</p>"));
    entry->setCategories(CategoryList{walks, gone});
    QVERIFY(setup.blog->save(*entry));

    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    draft->saveDocument();
    QCOMPARE(entry->categories().value_or(CategoryList()).size(), 2);
    QVERIFY(draft->categoryList()->hasCategoryWithName(QStringLiteral("Rambles")));

    publishAndWait(draft, entry);
    const QVariantMap post = m_peer.serverPost(entry->uniqueID());
    QVERIFY(!post.isEmpty());
    // WordPress files it under what it knows; the post keeps what the user chose.
    QCOMPARE(post.value(QStringLiteral("categories")).toStringList(), QStringList{"Walks"});
    QStringList kept;
    for (const CategoryPtr& category : entry->categories().value_or(CategoryList()))
        kept << category->title();
    kept.sort();
    QCOMPARE(kept, (QStringList{"Rambles", "Walks"}));
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QApplication app(argc, argv);
    tst_DraftCategoriesPeer test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_draftcategoriespeer.moc"
