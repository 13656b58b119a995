#include "AddonManager.h"
#include "DraftActions.h"
#include "DraftAddonHandler.h"
#include "DraftTesting.h"
#include "DraftWindowLayout.h"
#include "PLUMETAddonObject.h"
#include "PLUMETAddonProtocol.h"
#include "RVDraftWindow.h"
#include "RVTextView.h"
#include "RichDraftTesting.h"
#include "RichEditorPane.h"
#include "TKWebView.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QToolButton>
#include <QWebEngineScript>

using namespace plumet::test;

namespace {

// A menu add-on that hands its text back in capitals at once.
class ShoutAddon : public QObject, public PLUMETAddonProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETAddonProtocol)
public:
    QString addonKey() const override { return QStringLiteral("Shout"); }
    int role() const override { return MenuAddon; }
    QString addonDescription() const override { return {}; }
    QWidget* preferencesView() override { return nullptr; }
    void processNotification(int, const QVariant&) override {}
    QString toolbarIcon() const override { return {}; }
    QStringList subActions() const override { return {}; }
    bool requiresFullText() const override { return wholeText; }
    std::unique_ptr<PLUMETAddonObject>
    addonRequested(PLUMETAddonHost* draft, const QString& selection, const QString&) override
    {
        received << selection;
        draft->addonFinished(selection.toUpper());
        return nullptr;
    }

    bool wholeText = false;
    QStringList received;
};

} // namespace

// The draft window with the real rich editor: what the user writes there is
// what is saved, and switching to source and back changes no byte.
class tst_DraftRichEditor : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void writeSaveSwitchAndBack();
    void untouchedServerPostsKeepTheirBytes_data();
    void untouchedServerPostsKeepTheirBytes();
    void switchFromTheSourceViewLetsTheUserTypeOn();
    void aRendererThatDiesGetsItsLastTextBack();
    void addonsMenuActsOnTheRichEditor();

private:
    std::unique_ptr<DraftWorld> m_world;
};

void tst_DraftRichEditor::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    m_world = std::make_unique<DraftWorld>();
    DraftExtensions::sharedInstance().makeRichEditor = [](QWidget* parent,
                                                          DraftEditorHost& host) -> DraftEditor* {
        return (new RichEditorPane(&host, parent))->editor();
    };
}

void tst_DraftRichEditor::cleanup()
{
    m_world.reset();
    // Let the closed drafts' renderers end before the next page starts: a page
    // started while its renderer is shutting down may never load.
    QTest::qWait(1000);
}

void tst_DraftRichEditor::writeSaveSwitchAndBack()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(
        blog, "Post",
        "<blockquote><p>A quote.</p></blockquote><p>A first line with <a "
        "href=\"https://example.org/?a=1&amp;b=2\" title=\"Say &quot;hi&quot;\">a link</a> "
        "&amp; &lt;entities&gt;.</p>");
    entry->setEditMode(Draft::RichMode);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    draft->window()->resize(820, 640);
    draft->window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(draft->window()));
    TKWebView* rich = richView(draft);
    QVERIFY(rich);
    QVERIFY(QTest::qWaitFor([&] { return rich->contentPage()->isReady(); }, PageTimeout));

    // The user clicks after the first line and writes on.
    rich->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return rich->focusProxy() && rich->focusProxy()->hasFocus(); },
                            PageTimeout));
    evaluate(rich, QStringLiteral("(function(){var d=document.getElementById('plumetcontent');"
                                  "d.focus();"
                                  "var r=document.createRange();r.selectNodeContents(d.lastChild);"
                                  "r.collapse(false);getSelection().removeAllRanges();"
                                  "getSelection().addRange(r);return true;})()"));
    // Keys sent before the page itself has the focus go nowhere.
    QVERIFY(waitFor(rich, QStringLiteral("document.hasFocus() && !!document.activeElement && "
                                         "document.activeElement.id === 'plumetcontent'")));
    QWidget* keys = rich->focusProxy();
    QTest::keyClick(keys, Qt::Key_Return);
    QTest::keyClicks(keys, QStringLiteral("Then "));
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.includes('Then')")));
    rich->styleBar()->button(RichStyle::Bold)->click();
    QVERIFY(waitFor(rich, QStringLiteral("document.queryCommandState('bold')")));
    QTRY_VERIFY_WITH_TIMEOUT(rich->styleBar()->isOn(RichStyle::Bold), PageTimeout);
    QTest::keyClicks(keys, QStringLiteral("bold words"));
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.endsWith('words')")));
    rich->styleBar()->button(RichStyle::Bold)->click();
    QVERIFY(waitFor(rich, QStringLiteral("!document.queryCommandState('bold')")));
    // The Format menu's italic toggles the style where the caret is.
    QVERIFY(draft->actions().italicAction()->isEnabled());
    QVERIFY(!draft->actions().closeTagAction()->isEnabled());
    draft->actions().italicAction()->trigger();
    QVERIFY(waitFor(rich, QStringLiteral("document.queryCommandState('italic')")));
    QTest::keyClicks(keys, QStringLiteral("slanted"));
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.endsWith('slanted')")));
    QTRY_VERIFY_WITH_TIMEOUT(rich->selectionState().italic, PageTimeout);
    draft->actions().italicAction()->trigger();
    QVERIFY(waitFor(rich, QStringLiteral("!document.queryCommandState('italic')")));
    QTest::keyClicks(keys, QStringLiteral(" and a list:"));
    QTest::keyClick(keys, Qt::Key_Return);
    QTest::keyClicks(keys, QStringLiteral("one"));
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.endsWith('one')")));
    rich->styleBar()->button(RichStyle::UnorderedList)->click();
    QVERIFY(waitFor(rich, QStringLiteral("!!document.querySelector('#plumetcontent ul')")));
    QTest::keyClick(keys, Qt::Key_Return);
    QTest::keyClicks(keys, QStringLiteral("two"));
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.endsWith('two')")));
    QTRY_VERIFY_WITH_TIMEOUT(draft->window()->isWindowModified(), PageTimeout);
    QVERIFY(rich->styleBar()->isOn(RichStyle::UnorderedList));
    saveScreenGrab(draft->window(), QStringLiteral("rich-editor-draft"));

    draft->saveDocument();
    QTRY_VERIFY_WITH_TIMEOUT(!draft->window()->isWindowModified(), PageTimeout);
    const std::optional<QString> saved = DraftWorld::storedBody(blog, entry->uniqueID());
    QVERIFY(saved);
    QVERIFY2(saved->contains(QStringLiteral("<strong>bold words</strong><em>slanted</em> and")),
             qPrintable(*saved));
    QVERIFY2(saved->contains(QStringLiteral("<li>two</li>")), qPrintable(*saved));
    QVERIFY2(!saved->contains(QStringLiteral("<div")), qPrintable(*saved));
    QVERIFY2(saved->contains(QStringLiteral("<a href=\"https://example.org/?a=1&amp;b=2\" "
                                            "title=\"Say &quot;hi&quot;\">a link</a> &amp; "
                                            "&lt;entities&gt;.")),
             qPrintable(*saved));
    QVERIFY2(saved->contains(QStringLiteral("<blockquote>")), qPrintable(*saved));
    QVERIFY2(saved->contains(QStringLiteral("<p>A quote.</p>")), qPrintable(*saved));
    QCOMPARE(entry->body(), *saved);

    // To source and back: the same bytes each way.
    draft->switchEditor(Draft::SourceMode);
    QTRY_COMPARE_WITH_TIMEOUT(draft->mode(), int(Draft::SourceMode), PageTimeout);
    QCOMPARE(sourceView(draft)->string(), *saved);
    draft->switchEditor(Draft::RichMode);
    QTRY_COMPARE_WITH_TIMEOUT(draft->mode(), int(Draft::RichMode), PageTimeout);
    QVERIFY(QTest::qWaitFor([&] { return rich->contentPage()->isReady(); }, PageTimeout));
    std::optional<QString> again;
    rich->commitContent([&](const QString& text) { again = text; });
    QTRY_VERIFY_WITH_TIMEOUT(again.has_value(), PageTimeout);
    QCOMPARE(*again, *saved);
    draft->saveDocument();
    QTRY_COMPARE_WITH_TIMEOUT(DraftWorld::storedBody(blog, entry->uniqueID()), saved, PageTimeout);
}

void tst_DraftRichEditor::untouchedServerPostsKeepTheirBytes_data()
{
    QTest::addColumn<QString>("body");
    QTest::newRow("entities as text")
        << "<p>Write &lt;script&gt; and &amp;amp; as &quot;text&quot;.</p>\n<p>Second</p>";
    QTest::newRow("the author's nbsp") << "<p>10&nbsp;km&nbsp; away</p>\n<p>Second</p>";
    QTest::newRow("nested lists")
        << "<ul>\n  <li>a\n    <ol><li>b</li></ol>\n  </li>\n</ul>\n<p>Second</p>";
    QTest::newRow("a table") << "<table><tr><td>x</td></tr></table>\n<p>Second</p>";
    QTest::newRow("pre with a leading newline and blank lines")
        << "<pre>\nline one\n\n\nline two</pre>\n<p>Second</p>";
    QTest::newRow("comments and block-editor comments")
        << "<!-- wp:paragraph -->\n<p>One</p>\n<!-- /wp:paragraph -->\n<p>Second</p>";
    QTest::newRow("single-quoted attributes and br forms")
        << "<p class='intro'>a<br>b<BR/>c<br /></p>\n<p>Second</p>";
    QTest::newRow("a script inside a div")
        << "<div class=\"x\"><script>if (a && b) go('</p>');</script></div>\n<p>Second</p>";
    QTest::newRow("an iframe") << "<iframe src=\"https://example.org/v\" width='5'></iframe>\n"
                                  "<p>Second</p>";
    QTest::newRow("a more tag") << "<p>Intro</p>\n<!--more-->\n<p>Second</p>";
}

void tst_DraftRichEditor::untouchedServerPostsKeepTheirBytes()
{
    QFETCH(QString, body);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", body);
    entry->setFlag(0); // on the server
    entry->setEditMode(Draft::RichMode);
    QVERIFY(blog.save(*entry));
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    draft->window()->resize(820, 640);
    draft->window()->show();
    TKWebView* rich = richView(draft);
    QVERIFY(rich);
    QVERIFY(QTest::qWaitFor([&] { return rich->contentPage()->isReady(); }, PageTimeout));
    const QString file = blog.entryFilePath(*entry);
    QVERIFY(QFile::remove(file));

    // Open, save, to source and back, save: nothing is written or marked.
    draft->saveDocument();
    draft->switchEditor(Draft::SourceMode);
    QTRY_COMPARE_WITH_TIMEOUT(draft->mode(), int(Draft::SourceMode), PageTimeout);
    QCOMPARE(sourceView(draft)->string(), body);
    draft->switchEditor(Draft::RichMode);
    QTRY_COMPARE_WITH_TIMEOUT(draft->mode(), int(Draft::RichMode), PageTimeout);
    QVERIFY(QTest::qWaitFor([&] { return rich->contentPage()->isReady(); }, PageTimeout));
    std::optional<bool> needed;
    draft->determineIfSaveIsNeeded([&](bool result) { needed = result; });
    QTRY_VERIFY_WITH_TIMEOUT(needed.has_value(), PageTimeout);
    QVERIFY(!*needed);
    QVERIFY(!QFile::exists(file));
    QVERIFY(!entry->hasFlag(Entry::ChangedLocally));
    QCOMPARE(entry->body(), body);

    // The user edits the last paragraph: only its bytes change.
    evaluate(rich, QStringLiteral("(function(){var d=document.getElementById('plumetcontent');"
                                  "var p=d.lastElementChild;p.firstChild.appendData(' edited');"
                                  "d.dispatchEvent(new InputEvent('input'));return true;})()"));
    QTRY_VERIFY_WITH_TIMEOUT(draft->window()->isWindowModified(), PageTimeout);
    draft->saveDocument();
    QString expected = body;
    expected.replace(QStringLiteral("<p>Second</p>"), QStringLiteral("<p>Second edited</p>"));
    QTRY_COMPARE_WITH_TIMEOUT(DraftWorld::storedBody(blog, entry->uniqueID()),
                              std::optional<QString>(expected), PageTimeout);
}

void tst_DraftRichEditor::switchFromTheSourceViewLetsTheUserTypeOn()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Typed in source.</p>");
    entry->setEditMode(Draft::SourceMode);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    draft->window()->resize(820, 640);
    draft->window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(draft->window()));
    sourceView(draft)->setFocus();
    QTRY_VERIFY(sourceView(draft)->hasFocus());

    // The user switches with the keys in the source view and types on, with
    // no click: the keys go to the end of the post.
    draft->switchEditor(Draft::RichMode);
    QTRY_COMPARE_WITH_TIMEOUT(draft->mode(), int(Draft::RichMode), PageTimeout);
    TKWebView* rich = richView(draft);
    QVERIFY(rich);
    QVERIFY(waitFor(rich, QStringLiteral("document.hasFocus() && !!document.activeElement && "
                                         "document.activeElement.id === 'plumetcontent'")));
    QTest::keyClicks(rich->focusProxy(), QStringLiteral(" And on."));
    QVERIFY(waitFor(rich, QStringLiteral("document.getElementById('plumetcontent').innerText"
                                         ".trim() === 'Typed in source. And on.'")));
}

void tst_DraftRichEditor::aRendererThatDiesGetsItsLastTextBack()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>A first line.</p>");
    entry->setEditMode(Draft::RichMode);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    draft->window()->resize(820, 640);
    draft->window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(draft->window()));
    TKWebView* rich = richView(draft);
    QVERIFY(rich);
    QVERIFY(QTest::qWaitFor([&] { return rich->contentPage()->isReady(); }, PageTimeout));

    rich->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return rich->focusProxy() && rich->focusProxy()->hasFocus(); },
                            PageTimeout));
    evaluate(rich, QStringLiteral("(function(){var d=document.getElementById('plumetcontent');"
                                  "d.focus();"
                                  "var r=document.createRange();r.selectNodeContents(d.lastChild);"
                                  "r.collapse(false);getSelection().removeAllRanges();"
                                  "getSelection().addRange(r);return true;})()"));
    QVERIFY(waitFor(rich, QStringLiteral("document.hasFocus() && !!document.activeElement && "
                                         "document.activeElement.id === 'plumetcontent'")));
    QString handedOver;
    connect(rich, &TKWebView::contentSnapshotted, this,
            [&](const QString& html) { handedOver = html; });
    QTest::keyClick(rich->focusProxy(), Qt::Key_Return);
    QTest::keyClicks(rich->focusProxy(), QStringLiteral("Written before the crash."));
    // The page passed it on, unasked, as it does after edits.
    QTRY_VERIFY_WITH_TIMEOUT(handedOver.contains(QStringLiteral("before the crash")), PageTimeout);

    // The renderer dies while no road asks the editor for anything.
    const qint64 renderer = rich->page()->renderProcessPid();
    QVERIFY(renderer > 0 && renderer != QCoreApplication::applicationPid());
    QVERIFY(QProcess::execute(QStringLiteral("kill"),
                              {QStringLiteral("-KILL"), QString::number(renderer)}) == 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        draft->layout().noticeText().contains(QStringLiteral("stopped working")), PageTimeout);
    // The new page shows what was written, not the post as it was loaded.
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.includes('before the crash')")));
    draft->saveDocument();
    QTRY_VERIFY_WITH_TIMEOUT(!draft->window()->isWindowModified(), PageTimeout);
    const std::optional<QString> saved = DraftWorld::storedBody(blog, entry->uniqueID());
    QVERIFY(saved);
    QVERIFY2(saved->contains(QStringLiteral("A first line.")), qPrintable(*saved));
    QVERIFY2(saved->contains(QStringLiteral("Written before the crash.")), qPrintable(*saved));
}

QTEST_MAIN(tst_DraftRichEditor)
#include "tst_draftricheditor.moc"

void tst_DraftRichEditor::addonsMenuActsOnTheRichEditor()
{
    static ShoutAddon shout;
    AddonManager::sharedInstance().registerPlugin(&shout, QStringLiteral("test"));
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body and more</p>");
    entry->setEditMode(Draft::RichMode);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    draft->window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(draft->window()));
    TKWebView* rich = richView(draft);
    QVERIFY(rich);
    QVERIFY(QTest::qWaitFor([&] { return rich->contentPage()->isReady(); }, PageTimeout));
    rich->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return rich->focusProxy() && rich->focusProxy()->hasFocus(); },
                            PageTimeout));
    evaluate(rich, QStringLiteral("(function(){var d=document.getElementById('plumetcontent');"
                                  "d.focus();var t=d.firstChild.firstChild;"
                                  "var r=document.createRange();r.setStart(t,0);r.setEnd(t,4);"
                                  "getSelection().removeAllRanges();getSelection().addRange(r);"
                                  "return true;})()"));
    const QString content =
        QStringLiteral("document.getElementById('plumetcontent').innerHTML === '%1'");

    // The selection goes over through the menu, the result takes its place.
    QMenu* addons = draft->addonMenu();
    emit addons->aboutToShow();
    QVERIFY(!addons->actions().isEmpty());
    QAction* item = addons->actions().first();
    QVERIFY(item->isEnabled());
    item->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(shout.received, QStringList{QStringLiteral("Body")}, PageTimeout);
    QVERIFY(waitFor(rich, content.arg(QStringLiteral("<p>BODY and more</p>"))));

    // An add-on for the whole text replaces all of it.
    shout.wholeText = true;
    QTRY_VERIFY_WITH_TIMEOUT(draft->addonHandler()->runningAddon().isNull(), PageTimeout);
    emit addons->aboutToShow();
    addons->actions().first()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(shout.received.size(), 2, PageTimeout);
    QCOMPARE(shout.received.last(), QStringLiteral("<p>BODY and more</p>"));
    QVERIFY(waitFor(rich, content.arg(QStringLiteral("<p>BODY AND MORE</p>"))));
    shout.wholeText = false;
}
