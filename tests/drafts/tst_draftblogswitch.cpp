// A draft moved to another blog or account from its blog menu, and its format pop-up.
#include "Category.h"
#include "DraftActions.h"
#include "DraftBlogMenu.h"
#include "DraftCategories.h"
#include "DraftRevisions.h"
#include "DraftTesting.h"
#include "Format.h"
#include "RVDraftWindow.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace plumet::test;

namespace {

CategoryPtr record(const QString& title, const QString& id)
{
    CategoryPtr made = Category::withTitle(title);
    made->setUniqueID(id);
    made->setIsCategory(true);
    made->setIsTag(false);
    return made;
}

FormatPtr format(const QString& title, const QString& id)
{
    auto made = std::make_shared<Format>();
    if (!title.isEmpty())
        made->setTitle(title);
    if (!id.isEmpty())
        made->setUniqueID(id);
    return made;
}

// The entry as the blog folder holds it, read anew.
EntryPtr stored(const Blog& blog, const QString& entryID)
{
    auto again = std::make_shared<Blog>();
    again->setUniqueID(blog.uniqueID());
    again->setAccount(blog.account());
    again->load();
    const EntryPtr entry = again->entryWithID(entryID);
    // The entry outlives the blog read for it.
    if (entry)
        entry->setParentBlog(nullptr);
    return entry;
}

// "title=id" of each category, in order.
QStringList ids(const std::optional<CategoryList>& list)
{
    QStringList result;
    for (const CategoryPtr& category : list.value_or(CategoryList()))
        result.append(category->title() + u'=' + category->uniqueID());
    return result;
}

QAction* itemTitled(const QList<QAction*>& items, const QString& title)
{
    for (QAction* item : items) {
        if (item->text().section(u'\t', 0, 0) == title)
            return item;
    }
    return nullptr;
}

} // namespace

class tst_DraftBlogSwitch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void switchMovesThePostAsLastSaved_data();
    void switchMovesThePostAsLastSaved();
    void dontSaveAfterASwitch_data();
    void dontSaveAfterASwitch();
    void publishedPostAsksFirst();
    void refusals_data();
    void refusals();
    void blogGoneWhileTheMenuIsOpen();
    void menuListsAccountsAndKeysOnlyWhileOpen();
    void dropMapsCategoriesAndFormat_data();
    void dropMapsCategoriesAndFormat();
    void formats_data();
    void formats();
    void accountWithoutFormatsLeavesTheFormat();

private:
    // Blog "A" ("News" 3, "Local" 12) and, in another account, "B" ("News" 7,
    // "Sport" 3); "C", beside A in its account, has B's categories.
    void makeBlogs();
    // A post of A under "News" and "Local", stored (published or not).
    EntryPtr makePost(bool published);

    std::unique_ptr<DraftWorld> m_world;
    Blog* m_a = nullptr;
    Blog* m_b = nullptr;
    Blog* m_c = nullptr;
};

void tst_DraftBlogSwitch::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    m_world = std::make_unique<DraftWorld>();
    m_world->offerAccounts();
    makeBlogs();
}

void tst_DraftBlogSwitch::cleanup()
{
    m_world.reset();
}

void tst_DraftBlogSwitch::makeBlogs()
{
    m_a = &m_world->addBlog(QStringLiteral("A"), m_world->full);
    m_a->setCategories(CategoryList{record("Local", "12"), record("News", "3")});
    m_b = &m_world->addBlog(QStringLiteral("B"), m_world->plain);
    m_b->setCategories(CategoryList{record("News", "7"), record("Sport", "3")});
    auto c = std::make_shared<Blog>();
    c->setUniqueID(QStringLiteral("blog-C"));
    c->setTitle(QStringLiteral("C"));
    m_a->account()->addBlog(c);
    c->setCategories(CategoryList{record("News", "7"), record("Sport", "3")});
    m_c = c.get();
}

EntryPtr tst_DraftBlogSwitch::makePost(bool published)
{
    const EntryPtr entry = DraftWorld::addEntry(*m_a, "Post", "<p>Body</p>");
    entry->setCategories(CategoryList{m_a->hasCategoryWithName(QStringLiteral("News"))->copy(),
                                      m_a->hasCategoryWithName(QStringLiteral("Local"))->copy()});
    if (published)
        entry->setFlag(0);
    m_a->save(*entry);
    entry->setNeedsSave(false);
    return entry;
}

void tst_DraftBlogSwitch::switchMovesThePostAsLastSaved_data()
{
    QTest::addColumn<bool>("published");
    QTest::addColumn<bool>("sameAccount");
    QTest::addColumn<bool>("unsaved");
    for (const bool published : {false, true})
        for (const bool same : {true, false})
            for (const bool unsaved : {false, true})
                QTest::addRow("%s, %s, %s", published ? "published" : "local",
                              same ? "same account" : "other account",
                              unsaved ? "unsaved edits" : "saved")
                    << published << same << unsaved;
}

void tst_DraftBlogSwitch::switchMovesThePostAsLastSaved()
{
    QFETCH(bool, published);
    QFETCH(bool, sameAccount);
    QFETCH(bool, unsaved);
    Blog* target = sameAccount ? m_c : m_b;
    const EntryPtr entry = makePost(published);
    const QString oldID = entry->uniqueID();
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    // A history: the text before this save.
    typeInto(sourceView(draft), QStringLiteral("<p>Saved</p>"));
    draft->saveDocument();
    const QString oldHistory = draft->revisions()->revisionID();
    QVERIFY(QFileInfo::exists(oldHistory));
    const QString shown =
        unsaved ? QStringLiteral("<p>Unsaved</p>") : QStringLiteral("<p>Saved</p>");
    if (unsaved)
        typeInto(sourceView(draft), shown);

    draft->switchAccount(target);
    if (published)
        QVERIFY(clickButton(draft->sheet(), QStringLiteral("Switch")));
    QTRY_COMPARE(draft->blog(), target);
    const EntryPtr moved = draft->entry();
    QVERIFY(target->entries().contains(moved));
    QCOMPARE(DraftController::sharedInstance().draftForEntry(moved.get()), draft);

    // On disk: the post as last saved in the new blog; the old one as it was, or gone.
    QCOMPARE(DraftWorld::storedBody(*target, moved->uniqueID()), QStringLiteral("<p>Saved</p>"));
    const EntryPtr there = stored(*target, moved->uniqueID());
    QCOMPARE(ids(there->categories()), (QStringList{"News=7", "Local="}));
    if (published) {
        QVERIFY(moved->uniqueID() != oldID);
        QVERIFY(m_a->entries().contains(entry));
        QCOMPARE(DraftWorld::storedBody(*m_a, oldID), QStringLiteral("<p>Saved</p>"));
        QVERIFY(!entry->hasFlag(Entry::LocalOnly));
        QCOMPARE(ids(stored(*m_a, oldID)->categories()), (QStringList{"News=3", "Local=12"}));
    } else {
        QCOMPARE(moved->uniqueID(), oldID);
        QVERIFY(!m_a->entries().contains(entry));
        QVERIFY(!DraftWorld::storedBody(*m_a, oldID));
    }
    QVERIFY(moved->hasFlag(Entry::LocalOnly));

    // The window keeps what it showed; unsaved edits stay unsaved.
    QCOMPARE(sourceView(draft)->string(), shown);
    QCOMPARE(moved->body(), shown);
    QCOMPARE(moved->needsSave(), unsaved);
    QCOMPARE(draft->window()->isWindowModified(), unsaved);
    QCOMPARE(ids(moved->categories()), (QStringList{"News=7", "Local="}));
    // The list is the new blog's: "Sport" (3 there) stays unticked, "Local" is marked.
    QVERIFY(draft->categoryList()->hasCategoryWithName(QStringLiteral("News"))->isChecked());
    QCOMPARE(draft->categoryList()->hasCategoryWithName(QStringLiteral("News"))->uniqueID(),
             QStringLiteral("7"));
    QVERIFY(!draft->categoryList()->hasCategoryWithName(QStringLiteral("Sport"))->isChecked());
    const CategoryPtr local = draft->categoryList()->hasCategoryWithName(QStringLiteral("Local"));
    QVERIFY(local->isChecked());
    QVERIFY(draft->categoryList()->isForeign(*local));
    QVERIFY(draft->blogMenu()->button()->text().endsWith(target->displayName()));

    // The history goes with a local post; a published one leaves it with the post that stays.
    QCOMPARE(draft->revisions()->revisionID(), DraftRevisions::revisionPath(*moved));
    QVERIFY(draft->revisions()->revisionID() != oldHistory);
    QCOMPARE(QFileInfo::exists(oldHistory), published);
    if (!published) {
        QVERIFY(QFileInfo::exists(draft->revisions()->revisionID()));
        QVERIFY(!draft->revisions()->revisions().isEmpty());
    }

    // The next save writes what the window shows into the moved post.
    draft->saveDocument();
    QCOMPARE(DraftWorld::storedBody(*target, moved->uniqueID()), shown);
    QVERIFY(!draft->window()->isWindowModified());
}

void tst_DraftBlogSwitch::dontSaveAfterASwitch_data()
{
    QTest::addColumn<bool>("neverSaved");
    QTest::newRow("stored post") << false;
    QTest::newRow("new post, never saved") << true;
}

void tst_DraftBlogSwitch::dontSaveAfterASwitch()
{
    QFETCH(bool, neverSaved);
    const EntryPtr entry = neverSaved ? DraftWorld::addNewEntry(*m_a) : makePost(false);
    const QString id = entry->uniqueID();
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>Not wanted</p>"));
    draft->switchAccount(m_b);
    QTRY_COMPARE(draft->blog(), m_b);
    const EntryPtr moved = draft->entry();

    draft->askToSave();
    QVERIFY(clickButton(draft->sheet(), QStringLiteral("Don't Save")));
    QVERIFY(DraftController::sharedInstance().listOfDrafts().isEmpty());
    QVERIFY(!DraftWorld::storedBody(*m_a, id));
    if (neverSaved) {
        QVERIFY(!DraftWorld::storedBody(*m_b, id));
        QVERIFY(!m_b->entries().contains(moved));
    } else {
        QCOMPARE(DraftWorld::storedBody(*m_b, id), QStringLiteral("<p>Body</p>"));
        QCOMPARE(moved->body(), QStringLiteral("<p>Body</p>"));
    }
}

void tst_DraftBlogSwitch::publishedPostAsksFirst()
{
    const EntryPtr entry = makePost(true);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    draft->switchAccount(m_b);
    QMessageBox* question = draft->sheet();
    QVERIFY(question);
    QCOMPARE(plainText(question->text()),
             QStringLiteral("“Post” is published on “A”. Switching makes a new, unpublished post "
                            "on “B”; the published post stays as it is."));
    QStringList buttons;
    for (QAbstractButton* button : question->buttons())
        buttons.append(button->text());
    buttons.sort();
    QCOMPARE(buttons, (QStringList{"Cancel", "Switch"}));
    QVERIFY(clickButton(question, QStringLiteral("Cancel")));
    QCOMPARE(draft->entry(), entry);
    QVERIFY(m_b->entries().isEmpty());
}

void tst_DraftBlogSwitch::refusals_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("said");
    QTest::newRow("being published") << 0 << "cannot be moved as it is currently being published";
    QTest::newRow("being deleted") << 1 << "cannot be moved as it is being deleted";
}

void tst_DraftBlogSwitch::refusals()
{
    QFETCH(int, state);
    QFETCH(QString, said);
    const EntryPtr entry = makePost(false);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    if (state == 0)
        entry->setBeingPublished(true);
    else
        entry->addFlag(Entry::BeingDeleted);
    draft->switchAccount(m_b);
    QTRY_VERIFY(openAlert(said));
    QCOMPARE(draft->entry(), entry);
    QVERIFY(m_a->entries().contains(entry));
    QVERIFY(m_b->entries().isEmpty());
    entry->setBeingPublished(false);
    openAlert(said)->close();
}

void tst_DraftBlogSwitch::blogGoneWhileTheMenuIsOpen()
{
    const EntryPtr entry = makePost(false);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QMenu* menu = draft->blogMenu()->menu();
    menu->popup(draft->window()->mapToGlobal(QPoint(10, 10)));
    QAction* item = itemTitled(draft->blogMenu()->blogItems(), QStringLiteral("B"));
    QVERIFY(item);
    m_b->account()->setBlogs({});
    m_b = nullptr;
    item->trigger();
    QTRY_VERIFY(openAlert(QStringLiteral("The draft was not moved.")));
    QVERIFY(plainText(openAlert(QStringLiteral("The draft was not moved."))->informativeText())
                .contains(QStringLiteral("“B” is no longer there")));
    QCOMPARE(draft->entry(), entry);
    QCOMPARE(draft->blog(), m_a);
    openAlert(QStringLiteral("The draft was not moved."))->close();
}

void tst_DraftBlogSwitch::menuListsAccountsAndKeysOnlyWhileOpen()
{
    // Eleven blogs in all: A and C, B, then eight more of B's account.
    for (int i = 1; i <= 8; ++i) {
        auto more = std::make_shared<Blog>();
        more->setUniqueID(QStringLiteral("blog-more-%1").arg(i));
        more->setTitle(QStringLiteral("More %1").arg(i));
        m_b->account()->addBlog(more);
    }
    const EntryPtr entry = makePost(false);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QMenu* menu = draft->blogMenu()->menu();
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions()[0]->text(), QStringLiteral("A account"));
    QVERIFY(menu->actions()[0]->isChecked());
    QVERIFY(!menu->actions()[1]->isChecked());
    const QList<QAction*> items = draft->blogMenu()->blogItems();
    QCOMPARE(items.size(), 11);
    QCOMPARE(items[0]->text(), QStringLiteral("A\tCtrl+1"));
    QVERIFY(items[0]->isChecked());
    QCOMPARE(items[8]->text(), QStringLiteral("More 6\tCtrl+9"));
    QCOMPARE(items[9]->text(), QStringLiteral("More 7"));
    for (QAction* item : items)
        QVERIFY(item->shortcut().isEmpty());

    // Ctrl+2 means something else to the window (Activity, say): the keys
    // are the open menu's only.
    QAction elsewhere(QStringLiteral("Activity"));
    elsewhere.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
    elsewhere.setShortcutContext(Qt::ApplicationShortcut);
    draft->window()->addAction(&elsewhere);
    QSignalSpy other(&elsewhere, &QAction::triggered);
    draft->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(draft->window()));
    QTest::keyClick(draft->window(), Qt::Key_2, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QCOMPARE(other.size(), 1);
    QCOMPARE(draft->blog(), m_a);
    menu->popup(draft->window()->mapToGlobal(QPoint(10, 10)));
    QTest::keyClick(menu, Qt::Key_2, Qt::ControlModifier);
    QTRY_COMPARE(draft->blog(), m_c);
    QCOMPARE(other.size(), 1);
    QVERIFY(!menu->isVisible());
    // The menu follows: C is ticked now.
    QVERIFY(itemTitled(draft->blogMenu()->blogItems(), QStringLiteral("C"))->isChecked());
    QVERIFY(!itemTitled(draft->blogMenu()->blogItems(), QStringLiteral("A"))->isChecked());
}

void tst_DraftBlogSwitch::dropMapsCategoriesAndFormat_data()
{
    QTest::addColumn<bool>("published");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("sameAccount");
    QTest::addColumn<QString>("movedFormat");
    QTest::newRow("local, by title") << false << "md" << false << "markdown";
    QTest::newRow("published, by title") << true << "md" << false << "markdown";
    QTest::newRow("a title named") << false << "Markdown" << false << "markdown";
    QTest::newRow("unknown there") << false << "tx" << false << "";
    QTest::newRow("same account keeps it") << false << "tx" << true << "tx";
    QTest::newRow("none stays none") << false << "" << false << "";
}

void tst_DraftBlogSwitch::dropMapsCategoriesAndFormat()
{
    QFETCH(bool, published);
    QFETCH(QString, format);
    QFETCH(bool, sameAccount);
    QFETCH(QString, movedFormat);
    m_a->account()->setFormats(
        QList<FormatPtr>{::format("Markdown", "md"), ::format("Textile", "tx")});
    m_b->account()->setFormats(QList<FormatPtr>{::format("Markdown", "markdown")});
    const EntryPtr entry = makePost(published);
    entry->setFormat(format);
    Blog* target = sameAccount ? m_c : m_b;

    const EntryPtr moved = entry->moveToBlog(target); // as a drop on the outline does
    QVERIFY(moved);
    QCOMPARE(ids(moved->categories()), (QStringList{"News=7", "Local="}));
    QCOMPARE(moved->format(), movedFormat);
    if (published)
        QCOMPARE(ids(entry->categories()), (QStringList{"News=3", "Local=12"}));
}

void tst_DraftBlogSwitch::formats_data()
{
    QTest::addColumn<QString>("entryFormat");
    QTest::addColumn<int>("selected");
    QTest::newRow("by identifier") << "tx" << 2;
    QTest::newRow("by title") << "Markdown" << 1;
    QTest::newRow("the second of a title") << "md2" << 0;
    QTest::newRow("unknown identifier") << "zz" << 0;
    QTest::newRow("none") << "" << 0;
}

void tst_DraftBlogSwitch::formats()
{
    QFETCH(QString, entryFormat);
    QFETCH(int, selected);
    m_a->account()->setFormats(QList<FormatPtr>{
        ::format("Markdown", "md"), ::format("Markdown", "md2"), ::format("Textile", "tx"),
        ::format("", "bare"), ::format("Nameless", "")});
    const EntryPtr entry = makePost(false);
    entry->setFormat(entryFormat);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    auto* popup = draft->window()->findChild<QComboBox*>(QStringLiteral("formatPopup"));
    QVERIFY(popup);
    QStringList shown;
    for (int i = 0; i < popup->count(); ++i)
        shown.append(popup->itemText(i));
    QCOMPARE(shown, (QStringList{"None", "Markdown", "Textile"}));
    QCOMPARE(popup->currentIndex(), selected);
    QVERIFY(!popup->isHidden());

    popup->setCurrentIndex(2);
    emit popup->activated(2);
    QCOMPARE(entry->format(), QStringLiteral("tx"));
    popup->setCurrentIndex(0);
    emit popup->activated(0);
    QCOMPARE(entry->format(), QString(""));
    QVERIFY(draft->window()->isWindowModified());
}

void tst_DraftBlogSwitch::accountWithoutFormatsLeavesTheFormat()
{
    const EntryPtr entry = makePost(false);
    entry->setFormat(QStringLiteral("tx"));
    m_a->save(*entry);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    auto* popup = draft->window()->findChild<QComboBox*>(QStringLiteral("formatPopup"));
    QCOMPARE(popup->count(), 0);
    QVERIFY(popup->isHidden());
    draft->blogMenu()->setupBlogMenu();
    draft->saveDocument();
    QCOMPARE(entry->format(), QStringLiteral("tx"));
    QCOMPARE(stored(*m_a, entry->uniqueID())->format(), QStringLiteral("tx"));
}

QTEST_MAIN(tst_DraftBlogSwitch)
#include "tst_draftblogswitch.moc"
