#include "Account.h"
#include "Blog.h"
#include "Category.h"
#include "DraftRegistry.h"
#include "EntriesPane.h"
#include "Entry.h"
#include "EntryArrayController.h"
#include "EntryDeletion.h"
#include "EntryListModel.h"
#include "RVEntriesView.h"
#include "ServerRoads.h"
#include "UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The pane above the entries table and the table's commands: the category
// pop-up, the search field and its menu, publishing through an open draft,
// the permalink on the clipboard, the delete key.
namespace {

// A category as the server lists it: a category, not a tag.
CategoryPtr category(const QString& title)
{
    CategoryPtr made = Category::withTitle(title);
    made->setIsCategory(true);
    made->setIsTag(false);
    return made;
}

class PublishingDrafts : public DraftRegistry {
public:
    QObject* hasOpenDraft(const Entry* entry) const override
    {
        return entry == withDraft ? const_cast<QObject*>(&draft) : nullptr;
    }
    void reloadEntry(QObject*) override {}
    void openDrafts(const QList<Entry*>& entries) override { opened += entries; }
    void openDraftForEntry(Entry*, const QVariant&) override {}
    void saveIfNeeded(std::function<void()> done) override { done(); }
    void publishDraft(QObject* asked) override { published.append(asked); }
    const Entry* withDraft = nullptr;
    QObject draft;
    QList<QObject*> published;
    QList<Entry*> opened;
};

// The publishing road as the records reach it: it notes what it is asked.
class NotedRoads : public ServerRoads {
public:
    bool publish(const EntryPtr& entry) override
    {
        asked.append(entry.get());
        return true;
    }
    QList<Entry*> asked;
};

} // namespace

class tst_EntriesPane : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void categoryPopupListsTheBlogsCategories();
    void searchFieldAndItsMenu();
    void publishGoesThroughTheOpenDraft();
    void copyPermalinkWritesPlainText();
    void deleteKeyAsks();
    void selectionFollowsTheEntryNotTheRow();

private:
    EntryPtr add(const QString& title, const QStringList& categories = {});
    int rowOf(const QString& title) const;

    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::shared_ptr<Account> m_account;
    std::shared_ptr<Blog> m_blog;
    std::unique_ptr<EntryListModel> m_entries;
    std::unique_ptr<EntriesPane> m_pane;
};

EntryPtr tst_EntriesPane::add(const QString& title, const QStringList& categories)
{
    EntryPtr entry = Entry::create();
    entry->setTitle(title);
    if (!categories.isEmpty()) {
        CategoryList list;
        for (const QString& name : categories)
            list.append(category(name));
        entry->setCategories(list);
    }
    m_blog->addEntry(entry);
    return entry;
}

int tst_EntriesPane::rowOf(const QString& title) const
{
    EntryArrayController* arranged = m_pane->arranged();
    for (int row = 0; row < arranged->rowCount(); ++row) {
        if (arranged->itemAtRow(row)->title() == title)
            return row;
    }
    return -1;
}

void tst_EntriesPane::init()
{
    static int n = 0;
    m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("%1.conf").arg(++n)));
    m_account = Account::create();
    m_blog = std::make_shared<Blog>();
    m_account->addBlog(m_blog);
    m_blog->setCategories(
        CategoryList{category(QStringLiteral("travel")), category(QStringLiteral("Kitchen"))});
    add(QStringLiteral("Bread"), {QStringLiteral("Kitchen")});
    add(QStringLiteral("Rome"), {QStringLiteral("travel")});
    add(QStringLiteral("Soup"), {QStringLiteral("Kitchen")});
    m_entries = std::make_unique<EntryListModel>();
    m_pane = std::make_unique<EntriesPane>(m_entries.get(), nullptr, m_defaults.get());
    m_entries->setBlogs({m_blog.get()});
    m_pane->resize(600, 400);
    m_pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pane.get()));
}

void tst_EntriesPane::cleanup()
{
    DraftRegistry::setSharedInstance(nullptr);
    ServerRoads::setSharedInstance(nullptr);
    m_pane.reset();
    m_entries.reset();
    m_blog.reset();
    m_account.reset();
}

void tst_EntriesPane::categoryPopupListsTheBlogsCategories()
{
    QComboBox* popup = m_pane->categoryPopup();
    QCOMPARE(popup->count(), 4);
    QCOMPARE(popup->itemText(0), QStringLiteral("All"));
    QCOMPARE(popup->itemText(2), QStringLiteral("Kitchen"));
    QCOMPARE(popup->itemText(3), QStringLiteral("travel"));
    popup->setCurrentIndex(2);
    emit popup->activated(2);
    QCOMPARE(m_pane->arranged()->rowCount(), 2);
    // The blog's list changes: the choice stays while it is there.
    m_blog->setCategories(
        CategoryList{category(QStringLiteral("Kitchen")), category(QStringLiteral("Art"))});
    QCOMPARE(popup->currentText(), QStringLiteral("Kitchen"));
    QCOMPARE(m_pane->arranged()->rowCount(), 2);
    m_blog->setCategories(CategoryList{category(QStringLiteral("Art"))});
    QCOMPARE(popup->currentIndex(), 0);
    QCOMPARE(m_pane->arranged()->rowCount(), 3);
    // The first two items filter nothing.
    emit popup->activated(1);
    QCOMPARE(m_pane->arranged()->rowCount(), 3);
}

void tst_EntriesPane::searchFieldAndItsMenu()
{
    QLineEdit* field = m_pane->searchField();
    QTest::keyClicks(field, QStringLiteral("SO"));
    QCOMPARE(m_pane->arranged()->searchString(), QStringLiteral("SO"));
    QCOMPARE(m_pane->arranged()->rowCount(), 1);

    QMenu* menu = m_pane->searchMenu();
    const auto titles = [menu] {
        QStringList list;
        for (QAction* action : menu->actions())
            list << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return list;
    };
    QCOMPARE(titles(),
             (QStringList{"All", "Title", "Contents", "Tags", "-", "No Recent Searches"}));
    QVERIFY(menu->actions().at(0)->isChecked());
    menu->actions().at(1)->trigger();
    QCOMPARE(m_pane->arranged()->searchMode(), int(EntryArrayController::SearchTitle));
    QCOMPARE(m_defaults->integer(QStringLiteral("searchType")), 6902);
    QVERIFY(menu->actions().at(1)->isChecked());
    QVERIFY(!menu->actions().at(0)->isChecked());
    QCOMPARE(field->cursorPosition(), 2);

    // Return keeps the search among the recent ones; one of them searches again.
    QTest::keyClick(field, Qt::Key_Return);
    field->clear();
    QCOMPARE(m_pane->arranged()->rowCount(), 3);
    QCOMPARE(titles(), (QStringList{"All", "Title", "Contents", "Tags", "-", "Recent Searches",
                                    "SO", "-", "Clear"}));
    menu->actions().at(6)->trigger();
    QCOMPARE(field->text(), QStringLiteral("SO"));
    QCOMPARE(m_pane->arranged()->rowCount(), 1);
    menu->actions().last()->trigger();
    QVERIFY(m_pane->recentSearches().isEmpty());
    QCOMPARE(titles().last(), QStringLiteral("No Recent Searches"));
}

void tst_EntriesPane::publishGoesThroughTheOpenDraft()
{
    PublishingDrafts drafts;
    NotedRoads roads;
    DraftRegistry::setSharedInstance(&drafts);
    ServerRoads::setSharedInstance(&roads);
    Entry* bread = m_pane->arranged()->itemAtRow(rowOf(QStringLiteral("Bread")));
    Entry* soup = m_pane->arranged()->itemAtRow(rowOf(QStringLiteral("Soup")));
    drafts.withDraft = bread;
    m_pane->view()->selectRow(rowOf(QStringLiteral("Bread")));
    m_pane->view()->selectionModel()->select(
        m_pane->arranged()->index(rowOf(QStringLiteral("Soup")), 0),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_pane->publish();
    QCOMPARE(drafts.published, QList<QObject*>{&drafts.draft});
    QCOMPARE(roads.asked, QList<Entry*>{soup});

    // An entry being deleted is not published, and the user hears why.
    soup->addFlag(Entry::BeingDeleted);
    drafts.withDraft = nullptr;
    m_pane->publish();
    QCOMPARE(roads.asked.size(), 2); // Bread only
    auto* alert = m_pane->findChild<QMessageBox*>();
    QVERIFY(alert);
    QVERIFY(
        alert->informativeText().contains(QStringLiteral("\u201CSoup\u201D is being deleted.")));

    m_pane->openSelected();
    QCOMPARE(drafts.opened.size(), 2);
}

void tst_EntriesPane::copyPermalinkWritesPlainText()
{
    Entry* rome = m_pane->arranged()->itemAtRow(rowOf(QStringLiteral("Rome")));
    m_pane->view()->selectRow(rowOf(QStringLiteral("Rome")));
    QVERIFY(!m_pane->canCopyPermalink());
    rome->setPermaLink(QStringLiteral("http://example.org/rome"));
    QVERIFY(m_pane->canCopyPermalink());
    QApplication::clipboard()->clear();
    m_pane->copyPermalink();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("http://example.org/rome"));
}

void tst_EntriesPane::deleteKeyAsks()
{
    m_pane->view()->selectRow(0);
    m_pane->view()->setFocus();
    QTest::keyClick(m_pane->view(), Qt::Key_Delete);
    QMessageBox* sheet = m_pane->deletion()->sheet();
    QVERIFY(sheet);
    QCOMPARE(sheet->text(), QStringLiteral("Are you sure you want to delete \"%1\"?")
                                .arg(m_pane->selectedEntries().first()->title()));
    sheet->reject();
    QCOMPARE(m_blog->entries().size(), 3);
}

void tst_EntriesPane::selectionFollowsTheEntryNotTheRow()
{
    QSignalSpy changed(m_pane.get(), &EntriesPane::selectionChanged);
    m_pane->view()->selectRow(rowOf(QStringLiteral("Rome")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_pane->currentEntry()->title(), QStringLiteral("Rome"));
    // New entries above it and a removed one: still Rome, and no news of a change.
    add(QStringLiteral("Apple"));
    m_blog->removeEntry(m_pane->arranged()->itemAtRow(rowOf(QStringLiteral("Bread"))));
    QCOMPARE(m_pane->currentEntry()->title(), QStringLiteral("Rome"));
    QCOMPARE(m_pane->selectedEntries().size(), 1);
    QCOMPARE(changed.count(), 1);
    // Searched away: nothing is selected any more.
    m_pane->searchField()->setText(QStringLiteral("apple"));
    QVERIFY(!m_pane->currentEntry());
    QCOMPARE(changed.count(), 2);
}

QTEST_MAIN(tst_EntriesPane)
#include "tst_entriespane.moc"
