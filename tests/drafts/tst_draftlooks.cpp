// The draft window's categories list, blog menu, panels, alert and question,
// in a light and a dark palette: every label reads on what is behind it, and
// with PLUMET_SCREENSHOT_DIR set each is saved whole for a look by eye.
#include "Category.h"
#include "DarkPalette.h"
#include "DraftBlogMenu.h"
#include "DraftCategories.h"
#include "DraftHUD.h"
#include "DraftPanels.h"
#include "DraftTesting.h"
#include "RVCatsController.h"
#include "RVDraftWindow.h"
#include "RVTableView.h"
#include "ScreenshotSaver.h"

#include <QAbstractButton>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <optional>

using namespace plumet::test;

class tst_DraftLooks : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void looks_data();
    void looks();

private:
    std::unique_ptr<DraftWorld> m_world;
};

void tst_DraftLooks::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    UserDefaults::sharedInstance().setValue(QStringLiteral("catSearchType"), 6901);
    m_world = std::make_unique<DraftWorld>();
    m_world->offerAccounts();
}

void tst_DraftLooks::cleanup()
{
    m_world.reset();
    UserDefaults::sharedInstance().remove(QStringLiteral("catSearchType"));
}

void tst_DraftLooks::looks_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
}

void tst_DraftLooks::looks()
{
    QFETCH(bool, dark);
    std::optional<DarkPaletteScope> palette;
    if (dark)
        palette.emplace();
    const QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");

    Blog& blog = m_world->addBlog(QStringLiteral("Walking"), m_world->full);
    m_world->addBlog(QStringLiteral("Cooking"), m_world->full);
    CategoryList categories;
    for (const char* title : {"News", "Rivers", "Hills", "Town walks"}) {
        CategoryPtr category = Category::withTitle(QString::fromUtf8(title));
        category->setIsCategory(true);
        category->setIsTag(false);
        categories << category;
    }
    for (const char* title : {"autumn", "river walks", "photos"}) {
        CategoryPtr tag = Category::withTitle(QString::fromUtf8(title));
        tag->setIsTag(true);
        tag->setIsCategory(false);
        categories << tag;
    }
    blog.setCategories(categories);
    const EntryPtr entry = DraftWorld::addEntry(blog, QStringLiteral("Along the river"),
                                                QStringLiteral("<p>We walked along the river, "
                                                               "then up the hill.</p>"));
    CategoryPtr rivers = categories.at(1)->copy();
    CategoryPtr gone = Category::withTitle(QStringLiteral("Rambles"));
    gone->setIsCategory(true);
    gone->setIsTag(false);
    entry->setCategories(CategoryList{rivers, gone});
    entry->setFlag(0); // published: the switch asks first
    blog.save(*entry);
    entry->setNeedsSave(false);

    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    QWidget* window = draft->window();
    window->resize(900, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(draft->categoryList()->controller()->view()->isVisibleTo(window));
    PLUMET_VERIFY_READABLE(window);
    saveScreenshot(window, QStringLiteral("draft-side-panel") + suffix);

    // The blog menu, open on its account's blogs.
    QMenu* menu = draft->blogMenu()->menu();
    draft->blogMenu()->setupBlogMenu();
    QVERIFY(!menu->actions().isEmpty());
    menu->popup(draft->blogMenu()->button()->mapToGlobal(QPoint(0, 0)));
    QTRY_VERIFY(menu->isVisible());
    QMenu* blogs = menu->actions().first()->menu();
    QVERIFY(blogs);
    blogs->popup(menu->mapToGlobal(QPoint(menu->width(), 0)));
    QTRY_VERIFY(blogs->isVisible());
    saveScreenshot(menu, QStringLiteral("draft-blog-menu") + suffix);
    saveScreenshot(blogs, QStringLiteral("draft-blog-menu-blogs") + suffix);
    blogs->close();
    menu->close();

    // Each panel over the window.
    DraftPanels* panels = draft->panels();
    const std::pair<void (DraftPanels::*)(), const char*> opened[] = {
        {&DraftPanels::changeDate, "draft-panel-date"},
        {&DraftPanels::manageTrackback, "draft-panel-trackbacks"},
        {&DraftPanels::wordCount, "draft-panel-statistics"}};
    for (const auto& [open, name] : opened) {
        (panels->*open)();
        QVERIFY(panels->hud() && panels->hud()->shownPanel());
        panels->hud()->setTransitionsEnabled(false);
        // The panels paint their own dark ground, which the label check
        // cannot see: they are for the eye.
        QTest::qWait(200); // the count arrives from its thread
        saveScreenshot(window, QString::fromLatin1(name) + suffix);
    }
    panels->hud()->close();

    // "Cannot delete categories", whole.
    RVCatsController* list = draft->categoryList()->controller();
    RVTableView* table = list->tableView();
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        if (table->model()->index(row, 1).data().toString() == QLatin1String("News"))
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
    }
    QVERIFY(table->selectionModel()->hasSelection());
    QVERIFY(list->removeButton()->isEnabled());
    list->removeButton()->click();
    QMessageBox* alert = nullptr;
    const auto shownAlert = [&] {
        for (QMessageBox* box : window->findChildren<QMessageBox*>())
            if (box->isVisible())
                alert = box;
        return alert != nullptr;
    };
    QTRY_VERIFY(shownAlert());
    QVERIFY(plainText(alert->text()).contains(QStringLiteral("Cannot delete categories")));
    PLUMET_VERIFY_READABLE(alert);
    saveScreenshot(alert, QStringLiteral("draft-alert-categories") + suffix);
    alert->buttons().first()->click();
    QTRY_VERIFY(!alert->isVisible());

    // The question before a published post moves.
    Blog* other = m_world->accounts.last()->blogs().first().get();
    draft->switchAccount(other);
    QMessageBox* question = draft->sheet();
    QVERIFY(question);
    QTRY_VERIFY(question->isVisible());
    PLUMET_VERIFY_READABLE(question);
    saveScreenshot(question, QStringLiteral("draft-question-switch") + suffix);
    QVERIFY(clickButton(question, QStringLiteral("Cancel")));
}

QTEST_MAIN(tst_DraftLooks)
#include "tst_draftlooks.moc"
