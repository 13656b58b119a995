#include "AddonManager.h"
#include "AddonMenu.h"
#include "DraftAddonHandler.h"
#include "StandInTextHolder.h"

#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

namespace {

class FakeMenuAddon;

// Records what the draft asks of it; the test says when it finishes.
class FakeAddonObject : public PLUMETAddonObject {
public:
    explicit FakeAddonObject(FakeMenuAddon& addon) : m_addon(addon) {}
    ~FakeAddonObject() override { delete m_view; }

    void addonRequested(PLUMETAddonHost* draft, const QString& selection,
                        const QString& subaction) override;
    QWidget* view() override
    {
        if (!m_view)
            m_view = new QLabel(QStringLiteral("working"));
        return m_view;
    }
    QSize minimumSize() const override { return {200, 60}; }
    bool canResize() const override { return false; }
    void sheetClosed(PLUMETAddonHost* draft) override;
    void willDispose(PLUMETAddonHost* draft) override;

    PLUMETAddonHost* draft = nullptr;
    QStringList selections;
    QStringList subactions;
    QPointer<QLabel> m_view;

private:
    FakeMenuAddon& m_addon;
};

class FakeMenuAddon : public QObject, public PLUMETAddonProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETAddonProtocol)

public:
    enum class Answer { Sheet, FinishAtOnce, NoObject };

    explicit FakeMenuAddon(QString key, int role = MenuAddon) : m_key(std::move(key)), m_role(role)
    {
    }

    QString addonKey() const override { return m_key; }
    int role() const override { return m_role; }
    QString addonDescription() const override { return {}; }
    QWidget* preferencesView() override { return nullptr; }
    void processNotification(int, const QVariant&) override {}
    QString toolbarIcon() const override { return {}; }
    QStringList subActions() const override { return subs; }
    bool requiresFullText() const override { return fullText; }
    std::unique_ptr<PLUMETAddonObject> addonRequested(PLUMETAddonHost* draft,
                                                      const QString& selection,
                                                      const QString& subaction) override
    {
        ++made;
        if (answer == Answer::NoObject)
            return nullptr;
        auto object = std::make_unique<FakeAddonObject>(*this);
        last = object.get();
        object->addonRequested(draft, selection, subaction);
        return object;
    }

    bool fullText = false;
    QStringList subs;
    Answer answer = Answer::Sheet;
    QString immediateResult;
    int made = 0;
    int sheetsClosed = 0;
    QList<PLUMETAddonHost*> disposedBy;
    FakeAddonObject* last = nullptr;

private:
    QString m_key;
    int m_role;
};

void FakeAddonObject::addonRequested(PLUMETAddonHost* host, const QString& selection,
                                     const QString& subaction)
{
    draft = host;
    selections << selection;
    subactions << subaction;
    if (m_addon.answer == FakeMenuAddon::Answer::FinishAtOnce)
        host->addonFinished(m_addon.immediateResult);
}

void FakeAddonObject::sheetClosed(PLUMETAddonHost*)
{
    ++m_addon.sheetsClosed;
}

void FakeAddonObject::willDispose(PLUMETAddonHost* host)
{
    m_addon.disposedBy << host;
}

// A draft window with its text and its add-on side.
struct Draft {
    QMainWindow window;
    StandInTextHolder text{QStringLiteral("Hello world")};
    DraftAddonHandler addons;
    QSignalSpy ended{&addons, &DraftAddonHandler::addonEnded};

    explicit Draft(AddonManager& manager) : addons(&window, text, manager)
    {
        window.resize(500, 400);
        window.show();
    }
    bool sheetShown() const { return addons.addonSheet() && addons.addonSheet()->isVisible(); }
};

} // namespace

class tst_DraftAddonHandler : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void handsSelectionAndPutsResultBack();
    void fullTextIsReplacedWhole();
    void secondRequestGoesToTheSameObject();
    void nullResultLeavesTextAlone();
    void noEditorInFocusGetsNullAndDropsResult();
    void closingTheSheetEndsTheRequest();
    void finishingAtOnceShowsNoSheet();
    void noObjectEndsWithoutSheet();
    void draftGoingAwayTellsEveryObject();
    void eventAddonIsNotRunFromADraft();
    void menuListsMenuAddonsInKeyOrder();
    void menuFollowsChangedSubActions();

private:
    std::unique_ptr<AddonManager> m_manager;
    std::unique_ptr<FakeMenuAddon> m_tool;
    std::unique_ptr<FakeMenuAddon> m_other;
    std::unique_ptr<FakeMenuAddon> m_events;
};

void tst_DraftAddonHandler::init()
{
    m_manager = std::make_unique<AddonManager>();
    m_tool = std::make_unique<FakeMenuAddon>(QStringLiteral("Tool"));
    m_other = std::make_unique<FakeMenuAddon>(QStringLiteral("alpha & omega"));
    m_events =
        std::make_unique<FakeMenuAddon>(QStringLiteral("Events"), PLUMETAddonProtocol::EventAddon);
    for (FakeMenuAddon* addon : {m_tool.get(), m_other.get(), m_events.get()})
        QVERIFY(m_manager->registerPlugin(addon, QStringLiteral("test")));
}

void tst_DraftAddonHandler::cleanup()
{
    m_manager.reset();
    m_tool.reset();
    m_other.reset();
    m_events.reset();
}

void tst_DraftAddonHandler::handsSelectionAndPutsResultBack()
{
    Draft draft(*m_manager);
    draft.text.select(6, 5);
    draft.addons.callAddon("Tool", "Upper");
    FakeAddonObject* object = m_tool->last;
    QVERIFY(object);
    QCOMPARE(object->selections, QStringList{"world"});
    QCOMPARE(object->subactions, QStringList{"Upper"});
    QVERIFY(draft.sheetShown());
    QCOMPARE(object->m_view->parentWidget(), draft.addons.addonContainer());
    QCOMPARE(draft.addons.runningAddon(), QStringLiteral("Tool"));

    object->draft->addonFinished("WORLD");
    QCOMPARE(draft.text.text(), QStringLiteral("Hello WORLD"));
    QVERIFY(!draft.sheetShown());
    QCOMPARE(draft.ended.count(), 1);
    // The view stays the add-on's, out of the sheet, for the next request.
    QVERIFY(object->m_view);
    QVERIFY(!object->m_view->parentWidget());
}

void tst_DraftAddonHandler::fullTextIsReplacedWhole()
{
    m_tool->fullText = true;
    Draft draft(*m_manager);
    draft.text.select(6, 5);
    draft.addons.callAddon("Tool", {});
    QCOMPARE(m_tool->last->selections, QStringList{"Hello world"});
    m_tool->last->draft->addonFinished("Goodbye");
    QCOMPARE(draft.text.text(), QStringLiteral("Goodbye"));
}

void tst_DraftAddonHandler::secondRequestGoesToTheSameObject()
{
    Draft draft(*m_manager);
    draft.text.select(0, 5);
    draft.addons.callAddon("Tool", "First");
    FakeAddonObject* object = m_tool->last;
    object->draft->addonFinished({});
    draft.text.select(6, 5);
    draft.addons.callAddon("Tool", "Second");
    QCOMPARE(m_tool->made, 1);
    QCOMPARE(draft.addons.addonObject("Tool"), object);
    QCOMPARE(object->selections, (QStringList{"Hello", "world"}));
    QCOMPARE(object->subactions, (QStringList{"First", "Second"}));
    QVERIFY(draft.sheetShown());
    QCOMPARE(object->m_view->parentWidget(), draft.addons.addonContainer());
}

void tst_DraftAddonHandler::nullResultLeavesTextAlone()
{
    Draft draft(*m_manager);
    draft.text.select(0, 5);
    draft.addons.callAddon("Tool", {});
    m_tool->last->draft->addonFinished(QString());
    QCOMPARE(draft.text.text(), QStringLiteral("Hello world"));
    QCOMPARE(draft.text.replacements(), 0);
    QVERIFY(!draft.sheetShown());
    QCOMPARE(draft.ended.count(), 1);
}

void tst_DraftAddonHandler::noEditorInFocusGetsNullAndDropsResult()
{
    Draft draft(*m_manager);
    draft.text.setFocusInEditor(false);
    draft.addons.callAddon("Tool", {});
    QVERIFY(m_tool->last->selections.first().isNull());
    m_tool->last->draft->addonFinished("ignored");
    QCOMPARE(draft.text.text(), QStringLiteral("Hello world"));
}

void tst_DraftAddonHandler::closingTheSheetEndsTheRequest()
{
    Draft draft(*m_manager);
    draft.text.select(0, 5);
    draft.addons.callAddon("Tool", {});
    FakeAddonObject* object = m_tool->last;
    QVERIFY(draft.sheetShown());
    draft.addons.addonSheet()->reject(); // Escape or the close button
    QCOMPARE(m_tool->sheetsClosed, 1);
    QVERIFY(!draft.sheetShown());
    QCOMPARE(draft.ended.count(), 1);
    QVERIFY(draft.addons.runningAddon().isNull());

    // A result that comes late must not replace what is selected by then.
    draft.text.select(6, 5);
    object->draft->addonFinished("late");
    QCOMPARE(draft.text.text(), QStringLiteral("Hello world"));
    QCOMPARE(draft.ended.count(), 1);
}

void tst_DraftAddonHandler::finishingAtOnceShowsNoSheet()
{
    m_tool->answer = FakeMenuAddon::Answer::FinishAtOnce;
    m_tool->immediateResult = "Howdy";
    Draft draft(*m_manager);
    draft.text.select(0, 5);
    draft.addons.callAddon("Tool", {});
    QCOMPARE(draft.text.text(), QStringLiteral("Howdy world"));
    QVERIFY(!draft.sheetShown());
    QCOMPARE(draft.ended.count(), 1);
    // Kept for the next request all the same.
    QVERIFY(draft.addons.addonObject("Tool"));
}

void tst_DraftAddonHandler::noObjectEndsWithoutSheet()
{
    m_tool->answer = FakeMenuAddon::Answer::NoObject;
    Draft draft(*m_manager);
    draft.addons.callAddon("Tool", {});
    QCOMPARE(m_tool->made, 1);
    QVERIFY(!draft.sheetShown());
    QCOMPARE(draft.ended.count(), 1);
    QVERIFY(draft.addons.runningAddon().isNull());
}

void tst_DraftAddonHandler::draftGoingAwayTellsEveryObject()
{
    PLUMETAddonHost* host = nullptr;
    {
        Draft draft(*m_manager);
        host = &draft.addons;
        draft.addons.callAddon("alpha & omega", {});
        m_other->last->draft->addonFinished({});
        draft.addons.callAddon("Tool", {});
        QVERIFY(draft.sheetShown());
        draft.addons.dispose();
        QVERIFY(!draft.sheetShown());
        QCOMPARE(draft.ended.count(), 2);
        QCOMPARE(m_tool->disposedBy, QList<PLUMETAddonHost*>{host});
        QCOMPARE(m_other->disposedBy, QList<PLUMETAddonHost*>{host});
        QVERIFY(!draft.addons.addonObject("Tool"));
        // Nothing runs in a closed draft.
        draft.addons.callAddon("Tool", {});
        QCOMPARE(m_tool->made, 1);
    }
    // Disposed once, not again by the destructor.
    QCOMPARE(m_tool->disposedBy.size(), 1);
}

void tst_DraftAddonHandler::eventAddonIsNotRunFromADraft()
{
    Draft draft(*m_manager);
    draft.addons.callAddon("Events", {});
    QCOMPARE(m_events->made, 0);
    QCOMPARE(draft.ended.count(), 0);
    draft.addons.callAddon("No such add-on", {});
    QCOMPARE(draft.ended.count(), 0);
}

void tst_DraftAddonHandler::menuListsMenuAddonsInKeyOrder()
{
    m_tool->subs = QStringList{"Upper", "Lower"};
    QMenu menu;
    QAction* settings = menu.addAction("Add-on Settings…");
    AddonMenu addonMenu(&menu, *m_manager);
    const QList<QAction*> items = menu.actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->text(), QStringLiteral("alpha && omega"));
    QVERIFY(!items[0]->menu());
    QCOMPARE(items[1]->menu()->title(), QStringLiteral("Tool"));
    QCOMPARE(items[2], settings);
    const QList<QAction*> subItems = items[1]->menu()->actions();
    QCOMPARE(subItems.size(), 2);
    QCOMPARE(subItems[0]->text(), QStringLiteral("Upper"));
    QCOMPARE(subItems[1]->text(), QStringLiteral("Lower"));

    QSignalSpy triggered(&addonMenu, &AddonMenu::addonTriggered);
    subItems[1]->trigger();
    items[0]->trigger();
    QCOMPARE(triggered.count(), 2);
    QCOMPARE(triggered[0], (QVariantList{"Tool", "Lower"}));
    QCOMPARE(triggered[1].at(0).toString(), QStringLiteral("alpha & omega"));
    QVERIFY(triggered[1].at(1).toString().isNull());

    addonMenu.setItemsEnabled(false);
    QVERIFY(!menu.actions()[0]->isEnabled());
    QVERIFY(settings->isEnabled());
}

void tst_DraftAddonHandler::menuFollowsChangedSubActions()
{
    m_tool->subs = QStringList{"One"};
    QMenu menu;
    AddonMenu addonMenu(&menu, *m_manager);
    QSignalSpy rebuilt(&addonMenu, &AddonMenu::rebuilt);
    m_tool->subs = QStringList{"One", "Two"};
    emit menu.aboutToShow();
    QCOMPARE(rebuilt.count(), 1);
    const QList<QAction*> items = menu.actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[1]->menu()->actions().size(), 2);
    m_tool->subs.clear();
    emit menu.aboutToShow();
    QCOMPARE(menu.actions().size(), 2);
    QVERIFY(!menu.actions()[1]->menu());
    QCOMPARE(menu.actions()[1]->text(), QStringLiteral("Tool"));
}

QTEST_MAIN(tst_DraftAddonHandler)
#include "tst_draftaddonhandler.moc"
