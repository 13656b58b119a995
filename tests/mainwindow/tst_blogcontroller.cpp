#include "Account.h"
#include "AccountArrayController.h"
#include "AccountList.h"
#include "AccountOutlineModel.h"
#include "AlertBox.h"
#include "Blog.h"
#include "BlogChooser.h"
#include "BlogController.h"
#include "BlogEntryStore.h"
#include "BlogOutlineView.h"
#include "DarkPalette.h"
#include "DraftItemDrop.h"
#include "DraftRegistry.h"
#include "EntriesPane.h"
#include "Entry.h"
#include "EntryArrayController.h"
#include "EntryDeletion.h"
#include "EntryFile.h"
#include "EntryListModel.h"
#include "EntryPreview.h"
#include "EntrySorting.h"
#include "ModelNotifications.h"
#include "NewDraft.h"
#include "NotificationCenter.h"
#include "PaletteColors.h"
#include "RVEntriesView.h"
#include "RVSplitView.h"
#include "RVSplitterButton.h"
#include "ScreenshotSaver.h"
#include "ToolbarController.h"
#include "UserDefaults.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace plumet::test;

namespace {

// Draft windows as the main window sees them: it records what it is asked to open.
class RecordingDrafts : public DraftRegistry {
public:
    QObject* hasOpenDraft(const Entry*) const override { return nullptr; }
    void reloadEntry(QObject*) override {}
    void openDrafts(const QList<Entry*>& entries) override { opened.append(entries); }
    void openDraftForEntry(Entry* entry, const QVariant&) override { opened.append(entry); }
    void saveIfNeeded(std::function<void()> done) override { done(); }
    QList<Entry*> opened;
};

} // namespace

class tst_BlogController : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void draftCommandsWaitForTheDraftWindows();
    void newDraftTitlesFlagsAndBlog();
    void toolbarHoldsTheViewerItemsAndFollowsTheCommands();
    void newDraftOnAnAccountWithoutBlogsDoesNothing();
    void preparedEntryBecomesNew();
    void viewInBrowserLooksAtSelectedEntriesFirst();
    void viewInBrowserOpensTheBlogAddresses();
    void splitPositionsComeBackAndAreSaved();
    void collapsedPreviewGivesTheListEverything();
    void windowComesBackWhereItWas();
    void dropOfBusyEntriesSaysWhyItIsRefused();
    void entriesThatCouldNotMoveAreNamedInAnAlert();
    void blogChooserListsEveryBlogWithKeysForTheFirstNine();
    void entryCommandsFollowTheSelection();
    void headerShowsTheRestoredOrder_data();
    void headerShowsTheRestoredOrder();
    void screenshots();
    void readsInADarkPalette();

private:
    std::shared_ptr<Account> addAccount(const QString& title, int blogs);
    void make();
    void listEntries(Blog& blog, int count);

    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<AccountList> m_list;
    std::unique_ptr<BlogController> m_window;
    std::unique_ptr<RecordingDrafts> m_drafts;
    QList<QList<QUrl>> m_opened;
};

std::shared_ptr<Account> tst_BlogController::addAccount(const QString& title, int blogs)
{
    auto account = Account::create();
    account->setTitle(title);
    account->setUrl(QStringLiteral("http://example.org/xmlrpc.php"));
    for (int i = 0; i < blogs; ++i) {
        auto blog = std::make_shared<Blog>();
        blog->setUniqueID(QString::number(i + 1));
        blog->setTitle(i == 0 ? QStringLiteral("Field Notes")
                              : QStringLiteral("Kitchen Diary %1").arg(i));
        blog->setUrl(QStringLiteral("http://example.org/blog%1/").arg(i + 1));
        account->addBlog(blog);
    }
    m_list->insertAccount(account, -1);
    return account;
}

void tst_BlogController::listEntries(Blog& blog, int count)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList titles{"Spring planting",
                             "On sourdough",
                             "A walk by the river",
                             "Notes from the market",
                             "Why I keep a paper diary",
                             "The long winter",
                             "Bread, again"};
    for (int i = 0; i < count; ++i) {
        EntryPtr entry = Entry::create();
        entry->setTitle(titles[i % titles.size()]);
        entry->setEntryDate(now.addSecs(-3600 * 9 * i));
        entry->setFlag(i % 3 == 0 ? Entry::LocalOnly : 0);
        blog.addEntry(entry);
    }
}

void tst_BlogController::init()
{
    static int n = 0;
    m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("%1.conf").arg(++n)));
    m_list = std::make_unique<AccountList>();
    m_drafts = std::make_unique<RecordingDrafts>();
    m_opened.clear();
}

void tst_BlogController::make()
{
    m_window = std::make_unique<BlogController>(*m_list, nullptr, m_defaults.get());
    m_window->setBrowserOpener([this](const QList<QUrl>& urls) { m_opened.append(urls); });
    m_window->resize(900, 600);
    m_window->start();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_BlogController::cleanup()
{
    DraftRegistry::setSharedInstance(nullptr);
    m_window.reset();
    m_list.reset();
}

void tst_BlogController::draftCommandsWaitForTheDraftWindows()
{
    auto account = addAccount(QStringLiteral("Home"), 1);
    make();
    m_window->outline()->select(account->blogs()[0].get());
    QVERIFY(!m_window->action(QStringLiteral("new"))->isEnabled());
    const int before = int(account->blogs()[0]->entries().size());
    m_window->newDraft(0);
    QCOMPARE(account->blogs()[0]->entries().size(), before); // nothing made, nothing faked

    // The registry says when it comes; the command follows.
    DraftRegistry::setSharedInstance(m_drafts.get());
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::draftRegistryInstalled));
    QVERIFY(m_window->action(QStringLiteral("new"))->isEnabled());
}

void tst_BlogController::toolbarHoldsTheViewerItemsAndFollowsTheCommands()
{
    auto account = addAccount(QStringLiteral("Home"), 1);
    make();
    ToolbarController* toolbar = m_window->toolbarController();
    QCOMPARE(toolbar->identifier(), QStringLiteral("viewerToolbar"));
    QCOMPARE(toolbar->itemIdentifiers(),
             QStringList({"refresh", "new", "post-publish", "separator", "delete", "separator",
                          "view", "blogs", "flexible-space", "settings", "accounts", "customize"}));
    QAction* refresh = toolbar->actionForItem(QStringLiteral("refresh"));
    QVERIFY(refresh);
    QCOMPARE(refresh->text(), QStringLiteral("Retrieve Posts"));
    QVERIFY(!refresh->isEnabled()); // nothing selected
    m_window->outline()->select(account->blogs()[0].get());
    QVERIFY(refresh->isEnabled());
    QVERIFY(!toolbar->actionForItem(QStringLiteral("new"))->isEnabled()); // no draft windows
    // The toggle item shows and hides the outline.
    QVERIFY(m_window->sidebarButton()->isSideShown());
    toolbar->actionForItem(QStringLiteral("blogs"))->trigger();
    QVERIFY(!m_window->sidebarButton()->isSideShown());
}

void tst_BlogController::newDraftTitlesFlagsAndBlog()
{
    auto account = addAccount(QStringLiteral("Home"), 2);
    Blog* second = account->blogs()[1].get();
    second->setOption(QStringLiteral("publishOption"), 0);
    DraftRegistry::setSharedInstance(m_drafts.get());
    make();
    m_window->outline()->select(second);
    const int number = NewDraft::peekUntitledNumber();
    m_window->newDraft(0);
    m_window->newDraft(1); // a page
    QCOMPARE(m_drafts->opened.size(), 2);
    Entry* post = m_drafts->opened[0];
    Entry* page = m_drafts->opened[1];
    QCOMPARE(post->title(), QStringLiteral("Untitled %1").arg(number));
    QCOMPARE(page->title(), QStringLiteral("Untitled %1").arg(number + 1));
    QCOMPARE(post->flag(), 3);
    QCOMPARE(page->flag(), 19);
    QVERIFY(post->isNew());
    QVERIFY(second->hasEntryWithID(post->uniqueID()));
    // The list shows them at once.
    QVERIFY(m_window->entryList()->rowOf(post) >= 0);
    QVERIFY(m_window->entryList()->rowOf(page) >= 0);

    // An account row takes its first blog; one that publishes at once gives flag 1.
    account->blogs()[0]->setOption(QStringLiteral("publishOption"), 1);
    m_window->outline()->select(account.get());
    m_window->newDraft(0);
    QCOMPARE(m_drafts->opened.size(), 3);
    QCOMPARE(m_drafts->opened[2]->flag(), 1);
    QVERIFY(account->blogs()[0]->hasEntryWithID(m_drafts->opened[2]->uniqueID()));
}

void tst_BlogController::newDraftOnAnAccountWithoutBlogsDoesNothing()
{
    auto account = addAccount(QStringLiteral("Empty"), 0);
    DraftRegistry::setSharedInstance(m_drafts.get());
    make();
    m_window->outline()->select(account.get());
    const int number = NewDraft::peekUntitledNumber();
    m_window->newDraft(0);
    QVERIFY(m_drafts->opened.isEmpty());
    QCOMPARE(NewDraft::peekUntitledNumber(), number);
    QVERIFY(!m_window->action(QStringLiteral("new"))->isEnabled());
}

void tst_BlogController::preparedEntryBecomesNew()
{
    auto account = addAccount(QStringLiteral("Home"), 1);
    DraftRegistry::setSharedInstance(m_drafts.get());
    make();
    m_window->outline()->select(account->blogs()[0].get());
    EntryPtr prepared = Entry::create();
    prepared->setUniqueID(QStringLiteral("42"));
    prepared->setTitle(QStringLiteral("From elsewhere"));
    m_window->newDraft(prepared);
    QCOMPARE(m_drafts->opened, QList<Entry*>{prepared.get()});
    QVERIFY(prepared->uniqueID() != QStringLiteral("42"));
    QCOMPARE(prepared->title(), QStringLiteral("From elsewhere"));
    QVERIFY(account->blogs()[0]->hasEntryWithID(prepared->uniqueID()));
    QCOMPARE(prepared->flag(), NewDraft::flagFor(account->blogs()[0]->publishOption(), false));

    // A page (as the stationery keeps one) stays a page; the blog decides the rest.
    EntryPtr page = Entry::create();
    page->setFlag(Entry::LocalOnly | Entry::IsPage);
    m_window->newDraft(page);
    QCOMPARE(m_drafts->opened.size(), 2);
    QCOMPARE(page->flag(), NewDraft::flagFor(account->blogs()[0]->publishOption(), true));
    QVERIFY(page->flag() & Entry::IsPage);
}

void tst_BlogController::viewInBrowserLooksAtSelectedEntriesFirst()
{
    auto account = addAccount(QStringLiteral("Home"), 1);
    Blog* blog = account->blogs()[0].get();
    listEntries(*blog, 3);
    make();
    m_window->outline()->select(blog);
    QCOMPARE(m_window->entryList()->rowCount(), 3);
    // Entries without permalinks selected: the blog is not consulted, the alert shows.
    m_window->entriesView()->selectRow(0);
    QVERIFY(m_window->selectionURLs().isEmpty());
    m_window->viewInBrowser();
    QVERIFY(m_opened.isEmpty());
    auto* alert = m_window->findChild<QMessageBox*>();
    QVERIFY(alert);
    QCOMPARE(alert->text(), QStringLiteral("Cannot view in browser"));
    QCOMPARE(alert->informativeText(),
             QStringLiteral("The selection contains no valid URL addresses."));
    alert->close();

    m_window->entryList()->entryAt(0)->setPermaLink(QStringLiteral("http://example.org/a b#c"));
    m_window->viewInBrowser();
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened[0], QList<QUrl>{QUrl(QStringLiteral("http://example.org/a%20b#c"))});
}

void tst_BlogController::viewInBrowserOpensTheBlogAddresses()
{
    auto account = addAccount(QStringLiteral("Home"), 2);
    make();
    m_window->outline()->select(account.get());
    m_window->viewInBrowser();
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened[0], (QList<QUrl>{QUrl(QStringLiteral("http://example.org/blog1/")),
                                       QUrl(QStringLiteral("http://example.org/blog2/"))}));
    m_window->outline()->select(account->blogs()[1].get());
    m_window->viewInBrowser();
    QCOMPARE(m_opened[1], QList<QUrl>{QUrl(QStringLiteral("http://example.org/blog2/"))});
}

void tst_BlogController::splitPositionsComeBackAndAreSaved()
{
    addAccount(QStringLiteral("Home"), 1);
    m_defaults->setValue(QStringLiteral("entrylistsplitview"), QStringLiteral("200 150"));
    make();
    const QList<int> sizes = m_window->splitView()->sizes();
    QCOMPARE(sizes.value(1), 150);
    QCOMPARE(sizes.value(0) + sizes.value(1) + m_window->splitView()->dividerThickness(),
             m_window->splitView()->height());
    m_window->cleanUp();
    QCOMPARE(m_defaults->string(QStringLiteral("entrylistsplitview")),
             QStringLiteral("%1.000000 150.000000").arg(sizes.value(0)));
}

void tst_BlogController::collapsedPreviewGivesTheListEverything()
{
    addAccount(QStringLiteral("Home"), 1);
    m_defaults->setValue(QStringLiteral("entrylistsplitview"), QStringLiteral("5 300"));
    make();
    RVSplitView* split = m_window->splitView();
    const QList<int> before = split->sizes();
    QVERIFY(before.value(1) > 0); // the unusable saved position was ignored
    m_window->collapseSubview(true);
    QVERIFY(split->collapsedMode());
    QCOMPARE(split->dividerThickness(), 0);
    QCOMPARE(split->sizes().value(1), 0);
    QVERIFY(split->isSubviewCollapsed(1));
    QCOMPARE(split->sizes().value(0), split->height());
    m_window->cleanUp(); // nothing saved in collapsed mode
    QCOMPARE(m_defaults->string(QStringLiteral("entrylistsplitview")), QStringLiteral("5 300"));
    m_window->collapseSubview(false);
    QCOMPARE(split->sizes(), before);
}

void tst_BlogController::windowComesBackWhereItWas()
{
    addAccount(QStringLiteral("Home"), 1);
    make();
    m_window->setGeometry(QRect(QPoint(30, 40), QSize(640, 420)));
    const QRect placed = m_window->geometry();
    m_window->cleanUp();
    QVERIFY(!m_defaults->data(QString::fromLatin1(BlogController::geometryKey)).isEmpty());
    m_window.reset();

    make(); // sized 900 × 600 before it starts: the stored place wins
    QCOMPARE(m_window->geometry(), placed);
}

namespace {

EntryPtr addTitledEntry(Blog& blog, const QString& title)
{
    EntryPtr entry = Entry::create();
    entry->setTitle(title);
    blog.addEntry(entry);
    return entry;
}

} // namespace

// Entries that all have a publish or a deletion under way are refused by
// every blog; the status line says why while they hover, as no drop follows.
void tst_BlogController::dropOfBusyEntriesSaysWhyItIsRefused()
{
    auto account = addAccount(QStringLiteral("Home"), 2);
    Blog& source = *account->blogs()[0];
    EntryPtr publishing = addTitledEntry(source, QStringLiteral("Spring planting"));
    publishing->setBeingPublished(true);
    EntryPtr deleting = addTitledEntry(source, QStringLiteral("On sourdough"));
    deleting->addFlag(Entry::BeingDeleted);
    make();
    m_window->outlineView()->expandAll();

    QWidget* viewport = m_window->outlineView()->viewport();
    const QPoint overTarget =
        m_window->outlineView()
            ->visualRect(m_window->outline()->model()->indexOf(account->blogs()[1].get()))
            .center();
    std::unique_ptr<QMimeData> data(DraftItemDrop::mimeDataFor({publishing.get(), deleting.get()}));
    QDragEnterEvent enter(overTarget, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(overTarget, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    QVERIFY(!move.isAccepted());
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Not moved while being published or deleted: Spring planting, On "
                            "sourdough"));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(viewport, &leave);
    QCOMPARE(source.entries().size(), 2);

    // Once one of them is free the drop is taken, and nothing is said before it.
    m_window->statusBar()->clearMessage();
    deleting->removeFlag(Entry::BeingDeleted);
    QDragEnterEvent again(overTarget, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &again);
    QDragMoveEvent moveAgain(overTarget, Qt::MoveAction, data.get(), Qt::LeftButton,
                             Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &moveAgain);
    QVERIFY(moveAgain.isAccepted());
    QVERIFY(m_window->statusBar()->currentMessage().isEmpty());
    QCoreApplication::sendEvent(viewport, &leave);
}

// Entries whose move failed stay where they were, and an alert on the
// window names them; the others are moved.
void tst_BlogController::entriesThatCouldNotMoveAreNamedInAnAlert()
{
    auto account = addAccount(QStringLiteral("Home"), 2);
    Blog& source = *account->blogs()[0];
    Blog& target = *account->blogs()[1];
    EntryPtr moving = addTitledEntry(source, QStringLiteral("Spring planting"));
    EntryPtr broken = addTitledEntry(source, QStringLiteral("On sourdough"));
    // A folder where its file would go in the target blog: its write fails.
    QVERIFY(QDir().mkpath(target.store().folder() + QLatin1Char('/') +
                          EntryFile::fileName(*broken) + QStringLiteral("/kept")));
    make();

    AccountOutlineModel* outline = m_window->outline()->model();
    std::unique_ptr<QMimeData> data(DraftItemDrop::mimeDataFor({moving.get(), broken.get()}));
    QVERIFY(outline->dropMimeData(data.get(), Qt::MoveAction, -1, 0, outline->indexOf(&target)));
    QVERIFY(target.hasEntryWithID(moving->uniqueID()));
    QVERIFY(source.hasEntryWithID(broken->uniqueID()));

    QMessageBox* alert = m_window->findChild<QMessageBox*>();
    QVERIFY(alert);
    QTRY_VERIFY(alert->isVisible());
    QCOMPARE(alert->windowModality(), Qt::WindowModal);
    QCOMPARE(alert->text(), QStringLiteral("Some entries could not be moved."));
    QVERIFY(alert->informativeText().contains(QStringLiteral("On sourdough: ")));
    QVERIFY(!alert->informativeText().contains(QStringLiteral("Spring planting")));
    saveScreenshot(alert, QStringLiteral("main-window-move-failure"));
    alert->close();
}

void tst_BlogController::blogChooserListsEveryBlogWithKeysForTheFirstNine()
{
    auto first = addAccount(QStringLiteral("First"), 6);
    auto second = addAccount(QStringLiteral("Second"), 5);
    const auto items = BlogChooser::items(*m_list);
    QCOMPARE(items.size(), 11);
    QCOMPARE(items[0].blog, first->blogs()[0].get());
    QCOMPARE(items[6].blog, second->blogs()[0].get());
    QCOMPARE(items[8].shortcut, QStringLiteral("9"));
    QVERIFY(items[9].shortcut.isEmpty());
    QVERIFY(items[10].shortcut.isEmpty());

    Blog* chosen = nullptr;
    bool answered = false;
    auto* chooser =
        BlogChooser::choose(*m_list, second->blogs()[1].get(), nullptr, [&](Blog* blog) {
            chosen = blog;
            answered = true;
        });
    QCOMPARE(chooser->chosenBlog(), second->blogs()[1].get());
    chooser->menu()->setCurrentIndex(2);
    chooser->accept();
    QVERIFY(answered);
    QCOMPARE(chosen, first->blogs()[2].get());

    answered = false;
    chooser = BlogChooser::choose(*m_list, nullptr, nullptr, [&](Blog* blog) {
        chosen = blog;
        answered = true;
    });
    chooser->reject();
    QVERIFY(answered);
    QVERIFY(!chosen);
}

void tst_BlogController::entryCommandsFollowTheSelection()
{
    auto account = addAccount(QStringLiteral("Home"), 1);
    Blog* blog = account->blogs()[0].get();
    listEntries(*blog, 4);
    DraftRegistry::setSharedInstance(m_drafts.get());
    make();
    m_window->outline()->select(blog);
    // The preview is the split's lower pane.
    QCOMPARE(m_window->splitView()->widget(1), m_window->inlinePreview());
    QCOMPARE(m_window->entriesView()->model(), m_window->arrangedEntries());
    for (const char* name : {"post-publish", "delete", "open", "copy-permalink"})
        QVERIFY2(!m_window->action(QString::fromLatin1(name))->isEnabled(), name);
    m_window->entriesView()->selectRow(1);
    Entry* selected = m_window->arrangedEntries()->itemAtRow(1);
    QCOMPARE(m_window->selectedEntries(), QList<Entry*>{selected});
    for (const char* name : {"post-publish", "delete", "open"})
        QVERIFY2(m_window->action(QString::fromLatin1(name))->isEnabled(), name);
    QVERIFY(!m_window->action(QStringLiteral("copy-permalink"))->isEnabled());
    selected->setPermaLink(QStringLiteral("http://example.org/p"));
    m_window->validateActions();
    QVERIFY(m_window->action(QStringLiteral("copy-permalink"))->isEnabled());
    // No draft is open to preview.
    QVERIFY(!m_window->action(QStringLiteral("preview-draft"))->isEnabled());
    QVERIFY(!m_window->previewVisible());

    // Open goes to the draft windows; Delete asks first.
    m_window->action(QStringLiteral("open"))->trigger();
    QCOMPARE(m_drafts->opened, QList<Entry*>{selected});
    m_window->action(QStringLiteral("delete"))->trigger();
    QVERIFY(m_window->entriesPane()->deletion()->sheet());
    m_window->entriesPane()->deletion()->sheet()->reject();

    // The order is the table's and is kept at quit.
    m_window->arrangedEntries()->sort(EntryListModel::TitleColumn, Qt::AscendingOrder);
    m_window->cleanUp();
    const auto stored = EntrySorting::restore(m_defaults->data(QStringLiteral("entryListSorters")));
    QCOMPARE(stored.first(), (EntrySorting::Descriptor{QStringLiteral("title"), true}));
}

void tst_BlogController::headerShowsTheRestoredOrder_data()
{
    QTest::addColumn<QList<EntrySorting::Descriptor>>("stored");
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    using D = EntrySorting::Descriptor;
    QTest::newRow("nothing stored: newest first")
        << QList<D>{} << int(EntryListModel::DateColumn) << Qt::DescendingOrder;
    QTest::newRow("by title") << QList<D>{{"title", true}, {"entryDate", false}}
                              << int(EntryListModel::TitleColumn) << Qt::AscendingOrder;
    QTest::newRow("oldest first") << QList<D>{{"entryDate", true}}
                                  << int(EntryListModel::DateColumn) << Qt::AscendingOrder;
    QTest::newRow("by title, descending")
        << QList<D>{{"title", false}} << int(EntryListModel::TitleColumn) << Qt::DescendingOrder;
}

void tst_BlogController::headerShowsTheRestoredOrder()
{
    QFETCH(QList<EntrySorting::Descriptor>, stored);
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);
    if (!stored.isEmpty())
        m_defaults->setValue(QStringLiteral("entryListSorters"), EntrySorting::archive(stored));
    auto account = addAccount(QStringLiteral("Field Notes"), 1);
    listEntries(*account->blogs().first(), 4);
    make();
    const QHeaderView* header = m_window->entriesPane()->view()->horizontalHeader();
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(header->sortIndicatorSection(), column);
    QCOMPARE(header->sortIndicatorOrder(), order);
    // The rows follow the same order the header shows.
    QCOMPARE(m_window->arrangedEntries()->sortColumn(), column);
    QCOMPARE(m_window->arrangedEntries()->sortOrder(), order);

    // A click on the other column's header moves the indicator and the order.
    const int other = column == int(EntryListModel::TitleColumn) ? int(EntryListModel::DateColumn)
                                                                 : int(EntryListModel::TitleColumn);
    m_window->arrangedEntries()->sort(other, Qt::AscendingOrder);
    QCOMPARE(header->sortIndicatorSection(), other);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
}

void tst_BlogController::screenshots()
{
    auto account = addAccount(QStringLiteral("Field Notes (WordPress)"), 3);
    auto second = addAccount(QStringLiteral("Work blog"), 1);
    listEntries(*account->blogs()[0], 12);
    // Every row colour: a draft on the server, edited, being deleted, pages.
    const QList<EntryPtr> listed = account->blogs()[0]->entries();
    for (const auto& [row, flag] :
         std::initializer_list<std::pair<int, int>>{{1, Entry::SendAsDraft},
                                                    {2, Entry::ChangedLocally},
                                                    {4, Entry::BeingDeleted},
                                                    {5, Entry::IsPage},
                                                    {6, Entry::LocalOnly | Entry::IsPage}})
        listed[row]->setFlag(flag);
    make();
    m_window->outline()->select(account->blogs()[0].get());
    second->setIsCritical(true);
    m_window->outline()->view()->viewport()->update();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Field Notes (WordPress) \u00BB Field Notes"));
    QTest::qWait(250); // a few turns of the wheel
    saveScreenshot(m_window.get(), QStringLiteral("mainwindow-selected-busy"));
    m_window->collapseSubview(true);
    saveScreenshot(m_window.get(), QStringLiteral("mainwindow-collapsed"));
    m_window->sidebarButton()->toggleViews();
    saveScreenshot(m_window.get(), QStringLiteral("mainwindow-sidebar-hidden"));
    m_window->entriesView()->selectAll();
    QList<int> rows;
    for (int i = 0; i < 12; ++i)
        rows.append(i);
    const QImage picture = m_window->entriesView()->dragPicture(rows);
    // Ten titles and "and 2 more...": eleven lines of row height + 4, 8 more.
    const int rowHeight = 20;
    QCOMPARE(picture.height() / picture.devicePixelRatio(), 11 * (rowHeight + 4) + 8);
    if (!qEnvironmentVariableIsEmpty("PLUMET_SCREENSHOT_DIR"))
        picture.save(qEnvironmentVariable("PLUMET_SCREENSHOT_DIR") + QStringLiteral("/drag.png"));
    second->setIsCritical(false);
}

// The main window, its list rows and a sheet with a long title, all in a
// dark palette: every text stands out from what is behind it.
void tst_BlogController::readsInADarkPalette()
{
    const DarkPaletteScope dark;
    auto account = addAccount(QStringLiteral("Field Notes (WordPress)"), 2);
    listEntries(*account->blogs()[0], 8);
    const QList<EntryPtr> listed = account->blogs()[0]->entries();
    for (const auto& [row, flag] :
         std::initializer_list<std::pair<int, int>>{{1, Entry::SendAsDraft},
                                                    {2, Entry::ChangedLocally},
                                                    {4, Entry::BeingDeleted},
                                                    {5, Entry::IsPage},
                                                    {6, Entry::LocalOnly | Entry::IsPage}})
        listed[row]->setFlag(flag);
    make();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->outline()->select(account->blogs()[0].get());
    QCoreApplication::processEvents();
    PLUMET_VERIFY_READABLE(m_window.get());

    // Each row's text on its own background, laid over the list's base.
    const EntryArrayController* arranged = m_window->arrangedEntries();
    const QColor base = m_window->entriesView()->viewport()->palette().color(QPalette::Base);
    QVERIFY(base.lightness() < 100);
    for (int row = 0; row < arranged->rowCount(); ++row) {
        const QModelIndex index = arranged->index(row, EntryListModel::TitleColumn);
        const QColor background = index.data(Qt::BackgroundRole).value<QColor>();
        const QVariant text = index.data(Qt::ForegroundRole);
        const QColor ink = text.isValid()
                               ? text.value<QColor>()
                               : m_window->entriesView()->palette().color(QPalette::Text);
        const QColor ground = PaletteColors::over(background, base);
        QVERIFY2(
            PaletteColors::contrast(ink, ground) >= 3.0,
            qPrintable(QStringLiteral("row %1: %2 on %3").arg(row).arg(ink.name(), ground.name())));
    }
    saveScreenshot(m_window.get(), QStringLiteral("looks-main-window"));
    saveScreenGrab(m_window.get(), QStringLiteral("looks-main-window-screen"));

    QMessageBox* sheet = cutils::makeAlert(
        QMessageBox::Warning,
        QStringLiteral("Are you sure you want to delete \"A rather long title of a post about "
                       "the garden in spring, the roses and the first tomatoes\"?"),
        QStringLiteral("This post is also stored on your blog server. Please indicate if you want "
                       "to delete the local copy or both the local and the server copies."),
        m_window.get());
    sheet->addButton(QStringLiteral("Local Copy Only"), QMessageBox::AcceptRole);
    sheet->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    QVERIFY(QTest::qWaitForWindowExposed(sheet));
    PLUMET_VERIFY_READABLE(sheet);
    saveScreenshot(sheet, QStringLiteral("looks-sheet-long-title"));
    delete sheet;
}

QTEST_MAIN(tst_BlogController)
#include "tst_blogcontroller.moc"
