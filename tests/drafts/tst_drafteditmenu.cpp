#include "DraftActions.h"
#include "DraftEditMenu.h"
#include "DraftExtensions.h"
#include "DraftTesting.h"
#include "DraftWindowLayout.h"
#include "EntryRenderer.h"
#include "FindPanelController.h"
#include "PLUMETFormatterProtocol.h"
#include "RVDraftWindow.h"
#include "RVTextView.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>

using namespace plumet::test;

// The draft window's own commands that act on what has the focus: the Edit
// menu, Save As Stationery, Validate HTML, and the items of parts not built.
class tst_DraftEditMenu : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void editMenuActsOnTheFocusedText();
    void findAndReplaceOpensThePanelOnTheFocusedEditor();
    void saveAsStationeryFromTheFileMenu();
    void validateHtmlChecksWithoutATextFilter();
    void commandsNotBuiltAreDisabled();

private:
    Draft* openDraft(const char* body);
    QMenu* menuHolding(Draft* draft, QAction* action);

    std::unique_ptr<DraftWorld> m_world;
};

void tst_DraftEditMenu::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    m_world = std::make_unique<DraftWorld>();
}

void tst_DraftEditMenu::cleanup()
{
    DraftExtensions::sharedInstance().saveAsStationery = nullptr;
    m_world.reset();
}

Draft* tst_DraftEditMenu::openDraft(const char* body)
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    Draft* draft =
        DraftController::sharedInstance().openDraft(DraftWorld::addEntry(blog, "Post", body));
    draft->window()->show();
    [&] { QVERIFY(QTest::qWaitForWindowActive(draft->window())); }();
    return draft;
}

QMenu* tst_DraftEditMenu::menuHolding(Draft* draft, QAction* action)
{
    for (QAction* item : draft->window()->menuBar()->actions()) {
        if (item->menu() && item->menu()->actions().contains(action))
            return item->menu();
    }
    return nullptr;
}

void tst_DraftEditMenu::editMenuActsOnTheFocusedText()
{
    Draft* draft = openDraft("<p>Body</p>");
    DraftEditMenu* edit = draft->actions().editMenu();
    QVERIFY(edit);
    using C = DraftEditMenu::Command;
    QCOMPARE(menuHolding(draft, edit->action(C::Undo)), edit->menu());
    QCOMPARE(edit->action(C::Undo)->shortcut(), QKeySequence(QKeySequence::Undo));
    QCOMPARE(edit->action(C::Paste)->shortcut(), QKeySequence(QKeySequence::Paste));
    auto run = [&](C command) {
        emit edit->menu()->aboutToShow();
        QVERIFY(edit->action(command)->isEnabled());
        edit->action(command)->trigger();
    };

    RVTextView* view = sourceView(draft);
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    view->moveCursor(QTextCursor::End);
    QTest::keyClicks(view, QStringLiteral("more"));
    QCOMPARE(view->string(), QStringLiteral("<p>Body</p>more"));
    run(C::Undo);
    QCOMPARE(view->string(), QStringLiteral("<p>Body</p>"));
    run(C::Redo);
    QCOMPARE(view->string(), QStringLiteral("<p>Body</p>more"));
    run(C::SelectAll);
    QCOMPARE(view->textCursor().selectedText(), QStringLiteral("<p>Body</p>more"));
    run(C::Cut);
    QCOMPARE(view->string(), QString());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("<p>Body</p>more"));
    run(C::Paste);
    QCOMPARE(view->string(), QStringLiteral("<p>Body</p>more"));

    // In the title the clipboard items act on the field; the find panel,
    // which searches the editors, is off.
    QLineEdit* title = draft->layout().titleField();
    title->setFocus();
    QTRY_VERIFY(title->hasFocus());
    title->setText(QStringLiteral("A title"));
    emit edit->menu()->aboutToShow();
    QVERIFY(!edit->action(C::FindAndReplace)->isEnabled());
    run(C::SelectAll);
    QCOMPARE(title->selectedText(), QStringLiteral("A title"));
    run(C::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("A title"));
    QCOMPARE(view->string(), QStringLiteral("<p>Body</p>more"));
}

void tst_DraftEditMenu::findAndReplaceOpensThePanelOnTheFocusedEditor()
{
    Draft* draft = openDraft("<p>one two one</p>");
    DraftEditMenu* edit = draft->actions().editMenu();
    using C = DraftEditMenu::Command;
    RVTextView* view = sourceView(draft);
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());

    // The usual key, in the source view, brings up the panel on it.
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    FindPanelController* panel = FindPanelController::sharedInstance();
    QTRY_VERIFY(panel->isVisible());
    QCOMPARE(panel->textView(), static_cast<QPlainTextEdit*>(view));
    panel->hide();

    // Find Next from the menu searches the focused editor.
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    view->moveCursor(QTextCursor::Start);
    panel->setSearchString(QStringLiteral("one"));
    emit edit->menu()->aboutToShow();
    QVERIFY(edit->action(C::FindNext)->isEnabled());
    edit->action(C::FindNext)->trigger();
    QCOMPARE(view->textCursor().selectedText(), QStringLiteral("one"));
    QCOMPARE(view->textCursor().selectionStart(), 3);
    edit->action(C::FindNext)->trigger();
    QCOMPARE(view->textCursor().selectionStart(), 11);
}

void tst_DraftEditMenu::saveAsStationeryFromTheFileMenu()
{
    Draft* draft = openDraft("<p>Body</p>");
    QAction* save = draft->actions().saveAsStationeryAction();
    QMenu* file = menuHolding(draft, save);
    QVERIFY(file);
    // Without the stationery list installed the item is off.
    emit file->aboutToShow();
    QVERIFY(!save->isEnabled());

    QStringList saved;
    DraftExtensions::sharedInstance().saveAsStationery = [&](Draft& asked) {
        saved << asked.entry()->body();
    };
    RVTextView* view = sourceView(draft);
    typeInto(view, QStringLiteral("<p>Typed, not saved</p>"));
    emit file->aboutToShow();
    QVERIFY(save->isEnabled());
    save->trigger();
    // The post goes with what the editors hold.
    QTRY_COMPARE(saved, QStringList{QStringLiteral("<p>Typed, not saved</p>")});
}

void tst_DraftEditMenu::validateHtmlChecksWithoutATextFilter()
{
    // No formatter at all: the entry has no text filter.
    EntryRenderer::setFormatterLookup(
        {[](const QString&) -> PLUMETFormatterProtocol* { return nullptr; },
         [](const QString&) -> PLUMETFormatterProtocol* { return nullptr; }});
    Draft* draft = openDraft("<p>one</p>\n<p>two <b>three</p>");
    RVTextView* view = sourceView(draft);
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    QMenu* format = menuHolding(draft, draft->actions().validateHTMLAction());
    QVERIFY(format);
    emit format->aboutToShow();
    QVERIFY(draft->actions().validateHTMLAction()->isEnabled());
    draft->actions().validateHTMLAction()->trigger();
    QTRY_VERIFY(view->alertSheet() && view->alertSheet()->isVisible());
    QCOMPARE(view->alertSheet()->text(), QStringLiteral("Invalid HTML!"));
    QVERIFY(view->errorHighlighted());
    view->alertSheet()->close();
    EntryRenderer::setFormatterLookup({});
}

void tst_DraftEditMenu::commandsNotBuiltAreDisabled()
{
    Draft* draft = openDraft("<p>Body</p>");
    QMenu* menu = menuHolding(draft, draft->actions().publishAction());
    QVERIFY(menu);
    emit menu->aboutToShow();
    QAction* preset = nullptr;
    for (QAction* item : menu->actions()) {
        if (item->text() == QStringLiteral("New Preset…"))
            preset = item;
    }
    QVERIFY(preset);
    QVERIFY(!preset->isEnabled());

    RVTextView* view = sourceView(draft);
    std::unique_ptr<QMenu> context(view->contextMenuAt(view->rect().center()));
    QStringList seen;
    for (QAction* item : context->actions()) {
        if (item->text() == QLatin1String("URL with Clipboard") ||
            item->text() == QLatin1String("Image with Clipboard")) {
            seen << item->text();
            QVERIFY2(!item->isEnabled(), qPrintable(item->text()));
        }
    }
    QCOMPARE(seen.size(), 2);
}

QTEST_MAIN(tst_DraftEditMenu)
#include "tst_drafteditmenu.moc"
