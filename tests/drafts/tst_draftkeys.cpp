#include "DraftActions.h"
#include "DraftCategories.h"
#include "DraftEditMenu.h"
#include "DraftKeyRouting.h"
#include "DraftPaneStack.h"
#include "DraftTesting.h"
#include "DraftWindowLayout.h"
#include "ManualClock.h"
#include "NotificationCenter.h"
#include "RVCatsController.h"
#include "RVDraftWindow.h"
#include "RVSubView.h"
#include "RVTableView.h"
#include "RichDraftTesting.h"
#include "RichEditorPane.h"
#include "TKWebView.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using namespace plumet::test;

// The keys of a draft window with the real rich editor: Tab through the
// editing areas, the preview that follows the typing, the style buttons
// that follow the focus. One draft serves every test; each sets the state
// it needs.
class tst_DraftKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void tabWalksTheAreasInUse_data();
    void tabWalksTheAreasInUse();
    void focusSwitchesTheStyleButtons();
    void steadyTypingRefreshesOnceAfterTheLastChange();
    void navigationKeysDoNotPutTheRefreshOff_data();
    void navigationKeysDoNotPutTheRefreshOff();
    void aHiddenPreviewIsNotRefreshed();
    void leavingTheWindowRefreshesAtOnce();
    void aPasteOrUndoFromTheMenuRefreshes();

private:
    QWidget* area(const QString& name) const;
    bool focusIn(QWidget* area);
    static bool holdsFocus(QWidget* area);
    bool setState(int mode, bool keywords, bool expanded);
    // Types `text` one key at a time into the focused widget, each key
    // waited for until the draft heard of the change.
    bool typeKeys(const QString& text);

    std::unique_ptr<DraftWorld> m_world;
    ManualClock m_clock;
    Draft* m_draft = nullptr;
    bool m_previewShown = true;
    int m_refreshes = 0;
    int m_edits = 0;
};

void tst_DraftKeys::initTestCase()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    m_world = std::make_unique<DraftWorld>();
    DraftExtensions& extensions = DraftExtensions::sharedInstance();
    extensions.makeRichEditor = [](QWidget* parent, DraftEditorHost& host) -> DraftEditor* {
        return (new RichEditorPane(&host, parent))->editor();
    };
    extensions.previewVisible = [this] { return m_previewShown; };

    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry =
        DraftWorld::addEntry(blog, QStringLiteral("Walks"), QStringLiteral("<p>By the river.</p>"),
                             QStringLiteral("<p>More of it.</p>"), QStringLiteral("Short."));
    entry->setEditMode(Draft::RichMode);
    m_draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(m_draft);
    m_draft->window()->setClock(&m_clock);
    m_draft->window()->resize(820, 700);
    m_draft->window()->show();
    m_draft->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_draft->window()));
    for (const bool sub : {false, true}) {
        TKWebView* rich = richView(m_draft, sub);
        QVERIFY(rich);
        QVERIFY(QTest::qWaitFor([&] { return rich->contentPage()->isReady(); }, PageTimeout));
    }
    NotificationCenter::sharedInstance().observe(
        QStringLiteral("refreshPreview"), this, [this](const Notification&) { ++m_refreshes; },
        m_draft);
    connect(m_draft, &Draft::textEdited, this, [this] { ++m_edits; });
}

void tst_DraftKeys::cleanupTestCase()
{
    NotificationCenter::sharedInstance().removeObserver(this);
    m_world.reset();
    QTest::qWait(1000);
}

void tst_DraftKeys::init()
{
    m_previewShown = true;
    m_refreshes = 0;
    // Whatever waits from the last test goes now.
    const bool pending = m_draft->window()->keyRouting()->previewPending();
    m_clock.advance(60000);
    if (pending)
        QTRY_VERIFY_WITH_TIMEOUT(m_refreshes > 0, PageTimeout);
    m_refreshes = 0;
    if (!m_draft->window()->isActiveWindow()) {
        m_draft->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_draft->window()));
    }
}

QWidget* tst_DraftKeys::area(const QString& name) const
{
    if (name == "title")
        return m_draft->layout().titleField();
    if (name == "keywords")
        return m_draft->layout().keywordField();
    if (name == "mainRich")
        return richView(m_draft);
    if (name == "mainSource")
        return sourceView(m_draft);
    if (name == "lowerRich")
        return richView(m_draft, true);
    if (name == "lowerSource")
        return sourceView(m_draft, true);
    if (name == "catSearch")
        return m_draft->categoryList()->controller()->searchField();
    if (name == "catTable")
        return m_draft->categoryList()->controller()->tableView();
    if (name == "richButton")
        return m_draft->layout().richButton();
    if (name == "htmlButton")
        return m_draft->layout().htmlButton();
    return nullptr;
}

bool tst_DraftKeys::holdsFocus(QWidget* area)
{
    QWidget* focus = QApplication::focusWidget();
    return area && focus && (focus == area || area->isAncestorOf(focus));
}

bool tst_DraftKeys::focusIn(QWidget* target)
{
    target->setFocus(Qt::OtherFocusReason);
    if (!QTest::qWaitFor([&] { return holdsFocus(target); }, 5000))
        return false;
    if (auto* rich = qobject_cast<TKWebView*>(target)) {
        // Keys sent before the page itself has the focus go nowhere.
        return waitFor(rich, QStringLiteral("document.hasFocus() && !!document.activeElement && "
                                            "document.activeElement.id === 'plumetcontent'"));
    }
    return true;
}

bool tst_DraftKeys::setState(int mode, bool keywords, bool expanded)
{
    if (m_draft->mode() != mode) {
        m_draft->switchEditor(mode);
        if (!QTest::qWaitFor([&] { return m_draft->mode() == mode; }, PageTimeout))
            return false;
        // The focus comes back to the editor a moment after a switch.
        QTest::qWait(400);
    }
    if (m_draft->layout().keywordView()->isHidden() == keywords)
        m_draft->toggleKeywords();
    if (m_draft->layout().paneStack()->isCollapsed() == expanded)
        m_draft->layout().paneStack()->closureAction();
    QCoreApplication::processEvents();
    if (mode == Draft::RichMode) {
        for (const bool sub : {false, true}) {
            TKWebView* rich = richView(m_draft, sub);
            if (!QTest::qWaitFor([&] { return rich->contentPage()->isReady(); }, PageTimeout))
                return false;
        }
    }
    return m_draft->layout().keywordView()->isHidden() != keywords &&
           m_draft->layout().paneStack()->isCollapsed() != expanded;
}

bool tst_DraftKeys::typeKeys(const QString& text)
{
    for (const QChar c : text) {
        const int before = m_edits;
        QTest::keyClicks(QApplication::focusWidget(), QString(c));
        if (!QTest::qWaitFor([&] { return m_edits > before; }, PageTimeout))
            return false;
    }
    return true;
}

void tst_DraftKeys::tabWalksTheAreasInUse_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("keywords");
    QTest::addColumn<bool>("expanded");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("composing");
    // Where the focus goes; empty: the key goes on to the widget, which does as it does.
    QTest::addColumn<QString>("expected");

    const int rich = Draft::RichMode;
    const int source = Draft::SourceMode;
    const int none = Qt::NoModifier;
    QTest::newRow("title to keywords")
        << rich << true << true << "title" << none << false << "keywords";
    QTest::newRow("keywords hidden: to the rich editor")
        << rich << false << true << "title" << none << false << "mainRich";
    QTest::newRow("rich editor to the lower one")
        << rich << true << true << "mainRich" << none << false << "lowerRich";
    QTest::newRow("a collapsed lower pane is skipped, on to the categories")
        << rich << true << false << "mainRich" << none << false << "catSearch";
    QTest::newRow("keywords to the rich editor")
        << rich << true << false << "keywords" << none << false << "mainRich";
    QTest::newRow("lower rich editor to the categories search")
        << rich << false << true << "lowerRich" << none << false << "catSearch";
    QTest::newRow("categories search to its list")
        << rich << true << true << "catSearch" << none << false << "catTable";
    QTest::newRow("the categories list wraps to the title")
        << rich << true << true << "catTable" << none << false << "title";
    QTest::newRow("Shift-Tab") << rich << true << true << "keywords" << int(Qt::ShiftModifier)
                               << false << "";
    QTest::newRow("Ctrl-Tab") << rich << true << true << "title" << int(Qt::ControlModifier)
                              << false << "";
    QTest::newRow("Alt-Tab") << rich << true << true << "title" << int(Qt::AltModifier) << false
                             << "";
    QTest::newRow("Shift-Tab in the rich editor")
        << rich << true << true << "mainRich" << int(Qt::ShiftModifier) << false << "";
    QTest::newRow("composing in the title field")
        << rich << false << true << "title" << none << true << "";
    QTest::newRow("composing in the rich editor")
        << rich << true << false << "mainRich" << none << true << "";
    QTest::newRow("outside the areas")
        << rich << true << true << "richButton" << none << false << "";
    // Keywords and rich editor not in use: the source view is next.
    QTest::newRow("inactive areas are skipped")
        << source << false << true << "title" << none << false << "mainSource";
    QTest::newRow("source view to the lower one")
        << source << true << true << "mainSource" << none << false << "lowerSource";
    QTest::newRow("lower source view to the categories search")
        << source << true << true << "lowerSource" << none << false << "catSearch";
    QTest::newRow("composing in the source view")
        << source << true << true << "mainSource" << none << true << "";
}

namespace {

// Sees the Tab keys that reach a widget, that is those the window let through.
class TabSpy : public QObject {
public:
    int tabs = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
                ++tabs;
        }
        return false;
    }
};

} // namespace

void tst_DraftKeys::tabWalksTheAreasInUse()
{
    QFETCH(int, mode);
    QFETCH(bool, keywords);
    QFETCH(bool, expanded);
    QFETCH(QString, start);
    QFETCH(int, modifiers);
    QFETCH(bool, composing);
    QFETCH(QString, expected);

    QVERIFY(setState(mode, keywords, expanded));
    QWidget* from = area(start);
    QVERIFY(from);
    auto* rich = qobject_cast<TKWebView*>(from);
    QWidget* keys = rich ? rich->focusProxy() : from;
    QVERIFY(keys);
    // The spy watches the widget before the window does (the focus comes
    // after it), so it hears a key only when the window handed it on.
    QVERIFY(focusIn(area(start == "richButton" ? "title" : "richButton")));
    TabSpy spy;
    keys->installEventFilter(&spy);
    QVERIFY(focusIn(from));
    QCOMPARE(QApplication::focusWidget(), keys);

    if (composing) {
        QInputMethodEvent preedit(QStringLiteral("ka"), {});
        QApplication::sendEvent(keys, &preedit);
        if (rich)
            QTRY_VERIFY_WITH_TIMEOUT(rich->selectionState().composing, PageTimeout);
    }
    QTest::keyClick(keys, Qt::Key_Tab, Qt::KeyboardModifiers(modifiers));
    QTest::qWait(rich ? 300 : 20);

    if (expected.isEmpty()) {
        QCOMPARE(spy.tabs, 1);
    } else {
        QCOMPARE(spy.tabs, 0);
        QVERIFY2(holdsFocus(area(expected)),
                 qPrintable(QApplication::focusWidget()
                                ? QApplication::focusWidget()->metaObject()->className()
                                : QStringLiteral("nothing")));
    }

    if (composing && rich) {
        // The engine took the key and the focus left the page: the
        // composition ended with it, and Tab walks on from there again.
        QTRY_VERIFY_WITH_TIMEOUT(!rich->selectionState().composing, PageTimeout);
        QVERIFY(focusIn(from));
        QTest::keyClick(keys, Qt::Key_Tab);
        QCOMPARE(spy.tabs, 1);
    } else if (composing) {
        // The composition ends with its text.
        QInputMethodEvent end;
        end.setCommitString(QStringLiteral("ka"));
        QApplication::sendEvent(keys, &end);
    }
    keys->removeEventFilter(&spy);
}

void tst_DraftKeys::focusSwitchesTheStyleButtons()
{
    QVERIFY(setState(Draft::RichMode, true, true));
    TKWebView* rich = richView(m_draft);
    TKWebView* lower = richView(m_draft, true);
    QToolButton* bold = rich->styleBar()->button(RichStyle::Bold);
    QToolButton* lowerBold = lower->styleBar()->button(RichStyle::Bold);
    QVERIFY(focusIn(m_draft->layout().titleField()));
    QSignalSpy kinds(m_draft->window()->keyRouting(), &DraftKeyRouting::focusKindChanged);

    QVERIFY(focusIn(rich));
    QTRY_VERIFY_WITH_TIMEOUT(bold->isEnabled(), PageTimeout);
    QVERIFY(!kinds.isEmpty());
    QCOMPARE(kinds.last().at(0).value<DraftKeyRouting::FocusKind>(),
             DraftKeyRouting::FocusKind::RichEditor);

    // To the lower editor: its buttons on, the main editor's off.
    QVERIFY(focusIn(lower));
    QTRY_VERIFY_WITH_TIMEOUT(lowerBold->isEnabled(), PageTimeout);
    QVERIFY(!bold->isEnabled());

    QVERIFY(focusIn(m_draft->layout().titleField()));
    QVERIFY(!bold->isEnabled());
    QVERIFY(!lowerBold->isEnabled());
    QCOMPARE(kinds.last().at(0).value<DraftKeyRouting::FocusKind>(),
             DraftKeyRouting::FocusKind::Other);

    QVERIFY(setState(Draft::SourceMode, true, true));
    QVERIFY(focusIn(sourceView(m_draft)));
    QCOMPARE(kinds.last().at(0).value<DraftKeyRouting::FocusKind>(),
             DraftKeyRouting::FocusKind::SourceView);
}

void tst_DraftKeys::steadyTypingRefreshesOnceAfterTheLastChange()
{
    QVERIFY(setState(Draft::RichMode, true, true));
    TKWebView* rich = richView(m_draft);
    QVERIFY(focusIn(rich));
    for (const QChar c : QStringLiteral(" steady")) {
        QVERIFY(typeKeys(QString(c)));
        m_clock.advance(1000);
        QCOMPARE(m_refreshes, 0);
    }
    // 2.9 s after the last change: not yet.
    m_clock.advance(1900);
    QTest::qWait(100);
    QCOMPARE(m_refreshes, 0);
    // 3 s after it: once, with what was typed last.
    m_clock.advance(100);
    QTRY_COMPARE_WITH_TIMEOUT(m_refreshes, 1, PageTimeout);
    QVERIFY(m_draft->entry()->body().contains(QStringLiteral("steady")));
    m_clock.advance(10000);
    QTest::qWait(100);
    QCOMPARE(m_refreshes, 1);
}

void tst_DraftKeys::navigationKeysDoNotPutTheRefreshOff_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("rich editor") << int(Draft::RichMode);
    QTest::newRow("source view") << int(Draft::SourceMode);
}

void tst_DraftKeys::navigationKeysDoNotPutTheRefreshOff()
{
    QFETCH(int, mode);
    QVERIFY(setState(mode, true, true));
    QWidget* editor = area(mode == Draft::RichMode ? "mainRich" : "mainSource");
    QVERIFY(focusIn(editor));
    QVERIFY(typeKeys(QStringLiteral("x")));
    const int edits = m_edits;
    m_clock.advance(2000);
    for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End,
                              Qt::Key_Up, Qt::Key_Down})
        QTest::keyClick(QApplication::focusWidget(), key);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::qWait(mode == Draft::RichMode ? 600 : 50);
    QCOMPARE(m_edits, edits);
    // 3 s after the change, not after the last key.
    m_clock.advance(1000);
    QTRY_COMPARE_WITH_TIMEOUT(m_refreshes, 1, PageTimeout);
}

void tst_DraftKeys::aHiddenPreviewIsNotRefreshed()
{
    QVERIFY(setState(Draft::RichMode, true, true));
    m_previewShown = false;
    QVERIFY(focusIn(richView(m_draft)));
    QVERIFY(typeKeys(QStringLiteral("abc")));
    QCOMPARE(m_clock.pendingCount(), 0);
    m_clock.advance(10000);
    QTest::qWait(100);
    QCOMPARE(m_refreshes, 0);
    // Nor when the window is left.
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTest::qWait(100);
    QCOMPARE(m_refreshes, 0);
}

void tst_DraftKeys::leavingTheWindowRefreshesAtOnce()
{
    QVERIFY(setState(Draft::RichMode, true, true));
    QVERIFY(focusIn(richView(m_draft)));
    QVERIFY(typeKeys(QStringLiteral(" last words")));
    m_clock.advance(1000);
    QCOMPARE(m_refreshes, 0);

    // The user clicks into the preview a second after the last key.
    QWidget preview;
    preview.resize(300, 200);
    preview.show();
    preview.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&preview));
    QTRY_COMPARE_WITH_TIMEOUT(m_refreshes, 1, PageTimeout);
    QVERIFY(m_draft->entry()->body().contains(QStringLiteral("last words")));
    QCOMPARE(m_clock.pendingCount(), 0);
    m_clock.advance(10000);
    QTest::qWait(100);
    QCOMPARE(m_refreshes, 1);
}

void tst_DraftKeys::aPasteOrUndoFromTheMenuRefreshes()
{
    QVERIFY(setState(Draft::RichMode, true, true));
    TKWebView* rich = richView(m_draft);
    QVERIFY(focusIn(rich));
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted words"));
    DraftEditMenu* menu = m_draft->actions().editMenu();

    int edits = m_edits;
    menu->validate();
    QAction* paste = menu->action(DraftEditMenu::Command::Paste);
    QVERIFY(paste->isEnabled());
    paste->trigger();
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.includes('pasted words')")));
    QTRY_VERIFY_WITH_TIMEOUT(m_edits > edits, PageTimeout);
    m_clock.advance(3000);
    QTRY_COMPARE_WITH_TIMEOUT(m_refreshes, 1, PageTimeout);

    edits = m_edits;
    menu->validate();
    QAction* undo = menu->action(DraftEditMenu::Command::Undo);
    QVERIFY(undo->isEnabled());
    undo->trigger();
    QVERIFY(waitFor(rich, QStringLiteral("!document.body.innerText.includes('pasted words')")));
    QTRY_VERIFY_WITH_TIMEOUT(m_edits > edits, PageTimeout);
    m_clock.advance(3000);
    QTRY_COMPARE_WITH_TIMEOUT(m_refreshes, 2, PageTimeout);
}

QTEST_MAIN(tst_DraftKeys)
#include "tst_draftkeys.moc"
