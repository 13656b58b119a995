#include "Attachment.h"
#include "Blog.h"
#include "BrowserCatcher.h"
#include "DraftEditorHost.h"
#include "Entry.h"
#include "HostileSite.h"
#include "NotificationCenter.h"
#include "RVTag.h"
#include "TKWebView.h"
#include "Template.h"
#include "UserDefaults.h"
#include "WebContent.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <memory>

using plumet::test::BrowserCatcher;

namespace {

constexpr int PageTimeout = 30000;

bool loadAndWait(TKWebView& view, const QString& source, const TemplatePtr& richTemplate = {},
                 int timeout = PageTimeout)
{
    QSignalSpy ready(view.contentPage(), &WebContentPage::documentReady);
    view.setSource(source, richTemplate);
    return ready.wait(timeout);
}

RichHtmlSerializer::Result serialized(TKWebView& view)
{
    std::optional<RichHtmlSerializer::Result> result;
    view.plainSource([&](const RichHtmlSerializer::Result& r) { result = r; });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, PageTimeout))
        qWarning() << "the editor did not answer";
    return result.value_or(RichHtmlSerializer::Result{});
}

// The content as the draft stores it: serialized, then pretty-printed.
QString storedSource(TKWebView& view)
{
    std::optional<QString> result;
    view.source([&](const QString& text) { result = text; });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, PageTimeout))
        qWarning() << "the editor did not answer";
    return result.value_or(QString());
}

QVariant evaluate(TKWebView& view, const QString& script, quint32 world)
{
    // Shared, not on this frame: a late answer must not write into it.
    const auto answer = std::make_shared<std::optional<QVariant>>();
    view.page()->runJavaScript(script, world, [answer](const QVariant& value) { *answer = value; });
    if (!QTest::qWaitFor([&] { return answer->has_value(); }, PageTimeout))
        qWarning() << "no answer to" << script;
    return answer->value_or(QVariant());
}

// Whether the page itself has the focus, its content focused: only then do
// the keys sent to the view reach the post. The widget's focus comes first.
bool waitForPageFocus(TKWebView& view)
{
    return QTest::qWaitFor([&] { return view.focusProxy() && view.focusProxy()->hasFocus(); },
                           PageTimeout) &&
           QTest::qWaitFor(
               [&] {
                   return evaluate(view,
                                   QStringLiteral("document.hasFocus() && !!document.activeElement"
                                                  " && document.activeElement.id === "
                                                  "'plumetcontent'"),
                                   QWebEngineScript::ApplicationWorld)
                       .toBool();
               },
               PageTimeout);
}

// Gives the content the focus with the caret at its end, as a click would.
void focusAtEnd(TKWebView& view)
{
    view.setFocus();
    QVERIFY(QTest::qWaitFor([&] { return view.focusProxy() && view.focusProxy()->hasFocus(); },
                            PageTimeout));
    evaluate(
        view,
        QStringLiteral("(function(){var d=document.getElementById('plumetcontent');d.focus();"
                       "var r=document.createRange();r.selectNodeContents(d);r.collapse(false);"
                       "var s=getSelection();s.removeAllRanges();s.addRange(r);return true;})()"),
        QWebEngineScript::ApplicationWorld);
    QVERIFY(waitForPageFocus(view));
}

void typeText(TKWebView& view, const QString& text)
{
    QTest::keyClicks(view.focusProxy(), text);
}

void pressKey(TKWebView& view, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QTest::keyClick(view.focusProxy(), key, modifiers);
}

// Waits until the page has taken every key sent so far: the content's text
// then ends with `tail`.
bool waitForText(TKWebView& view, const QString& tail)
{
    return QTest::qWaitFor(
        [&] {
            return evaluate(view,
                            QStringLiteral("document.getElementById('plumetcontent').innerText"),
                            QWebEngineScript::ApplicationWorld)
                .toString()
                .trimmed()
                .endsWith(tail);
        },
        PageTimeout);
}

// The page's commands run apart from the keys: wait for one to be done
// before typing on.
bool waitForState(TKWebView& view, const char* condition)
{
    return QTest::qWaitFor(
        [&] {
            return evaluate(view, QString::fromLatin1(condition),
                            QWebEngineScript::ApplicationWorld)
                .toBool();
        },
        PageTimeout);
}

// A draft with one attachment, "KEY1", that records the sheets it opens.
class TestDraft : public DraftEditorHost {
public:
    TestDraft() : attachment(std::make_shared<Attachment>()) { attachment->setUniqueID("KEY1"); }
    Entry* entryBeingEdited() override { return entry.get(); }
    AttachmentPtr attachmentForKey(const QString& key) override
    {
        return key == attachment->uniqueID() ? attachment : nullptr;
    }
    QList<AttachmentPtr> allAttachments() override { return {}; }
    const Template* htmlTemplate() override { return nullptr; }
    const Template* imageTemplate() override { return nullptr; }
    void displayAttachmentSheet(const QString& key) override { sheets.append(key); }
    void insertURLWithClipboard() override {}
    void insertImageWithClipboard() override {}

    AttachmentPtr attachment;
    QStringList sheets;
    EntryPtr entry; // none unless a test gives one
};

// Where the element `selector` of the content stands in the view.
QPoint centreOf(TKWebView& view, const QString& selector)
{
    const QVariantList box =
        evaluate(view,
                 QStringLiteral("(function(){var r=document.querySelector('%1')"
                                ".getBoundingClientRect();return [r.left+r.width/2,"
                                "r.top+r.height/2];})()")
                     .arg(selector),
                 QWebEngineScript::ApplicationWorld)
            .toList();
    return box.size() == 2 ? QPoint(box[0].toInt(), box[1].toInt()) : QPoint();
}

// The menu open now, if any.
QMenu* openMenu()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* menu = qobject_cast<QMenu*>(widget);
        if (menu && menu->isVisible())
            return menu;
    }
    return nullptr;
}

// With PLUMET_SCREENSHOT_DIR set and an X display (xvfb-run), the whole
// screen: offscreen a web view grabs blank.
void saveScreenGrab(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("PLUMET_SCREENSHOT_DIR");
    if (folder.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    QDir().mkpath(folder);
    QTest::qWait(500); // the engine's frame, for the eye only
    window->screen()->grabWindow(0).save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace

class tst_TKWebView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTripsByteForByte_data();
    void roundTripsByteForByte();
    void strayEndTagsLoseNothing_data();
    void strayEndTagsLoseNothing();
    void typesParagraphsBreaksAndBold();
    void typesLists();
    void typingAfterThePlaceholderMakesItASpace();
    void followsTheSpellingPreference();
    void underlinesMisspellingsAsThePreferenceSays();
    void enterOutsideAParagraphMakesParagraphs();
    void reportsChangesAndSelectionState();
    void postScriptsNeverRunAndSurvive();
    void bridgeIsUnreachableFromTheContent();
    void capturedStyleStaysText();
    void placeholdersInThePostSurvive();
    void loadsALargePost();
    void customTagWrapsTheSelectedMarkup();
    void selectionMapsOverSplitTexts();
    void followedLinksOpenAttachmentsOrTheBrowser();
    void aHostilePostRunsNothingInAnyFrame();
    void linksOfOtherSchemesStayHere();
    void contextMenuFollowsTheClickedTarget();
    void quotesAndAlignsTheParagraph();
    void focusWithoutAClickPutsTheCaretInThePost_data();
    void focusWithoutAClickPutsTheCaretInThePost();

private:
    std::unique_ptr<TKWebView> m_view;
};

void tst_TKWebView::initTestCase()
{
    m_view = std::make_unique<TKWebView>();
    m_view->resize(700, 500);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void tst_TKWebView::roundTripsByteForByte_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    const auto same = [](const char* name, const QString& html) {
        QTest::newRow(name) << html << html;
    };
    same("paragraphs", "<p>one</p><p>two</p>");
    same("bold, italic, underline",
         "<p>a <strong>bold</strong> and <em>italic</em> and <u>under</u> word</p>");
    same("lists", "<ul><li>one</li><li>two</li></ul><ol><li>first</li></ol>");
    same("links", "<p><a href=\"https://example.org/?a=1&amp;b=2\" title=\"say &quot;hi&quot;\">"
                  "a link</a></p>");
    same("quote and alignment",
         "<blockquote><p>quoted</p></blockquote><p style=\"text-align: center;\">mid</p>");
    same("breaks and images", "<p>a<br />b<img src=\"https://example.org/a.jpg\" alt=\"A\" /></p>");
    same("escapes", "<p>a &lt; b &amp; c &gt; d's &quot;q&quot;</p>");
    same("embed code", "<p>x</p><script src=\"https://embed.example.org/e.js\"></script>"
                       "<script>if (a < b && c > d) go(\"x's\");</script>");
    same("comment", "<!-- more --><p>after</p>");
    same("the post's own non-breaking spaces", "<p>a&nbsp;b&nbsp;&nbsp;c</p>");
    QTest::newRow("the post's own non-breaking characters")
        << "<p>a\u00a0\u00a0b</p>"
        << "<p>a&nbsp;&nbsp;b</p>";
    same("embed code building paragraphs",
         "<div id=\"box\"></div><script>box.innerHTML = \"<p></p><p> </p>\"; gap = \"\u00a0\";"
         "</script><p title=\"a\u00a0b\">x</p>");
    same("line ends between blocks", "<p>one</p>\n<p>two</p>");
    same("empty", "");
    QTest::newRow("bold as the engine writes it") << "<p><b>b</b> <i>i</i></p>"
                                                  << "<p><strong>b</strong> <em>i</em></p>";
    QTest::newRow("upper-case tags") << "<P>x<BR>y</P>"
                                     << "<p>x<br />y</p>";
    QTest::newRow("empty paragraphs") << "<p></p><p>x</p><p><br></p>"
                                      << "<p>x</p>";
}

void tst_TKWebView::roundTripsByteForByte()
{
    QFETCH(QString, source);
    QFETCH(QString, expected);
    QVERIFY(loadAndWait(*m_view, source));
    const QString first = serialized(*m_view).html;
    QCOMPARE(first, expected);
    // What the source view would show comes back unchanged.
    QVERIFY(loadAndWait(*m_view, first));
    QCOMPARE(serialized(*m_view).html, first);
    // And so does the pretty-printed form a switch of editors stores.
    const QString stored = storedSource(*m_view);
    QVERIFY(loadAndWait(*m_view, stored));
    QCOMPARE(storedSource(*m_view), stored);
}

void tst_TKWebView::strayEndTagsLoseNothing_data()
{
    QTest::addColumn<QString>("post");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stray end tags") << "<p>one</p></div><p>two</p></body></html><p>three</p>"
                                    << "<p>one</p><p>two</p><p>three</p>";
    // Too long for the draft's own check to catch it first.
    QString half;
    while (half.size() < 1200 * 1024)
        half += QStringLiteral("<p>Words of a long post with <strong>bold</strong>.</p>");
    QTest::newRow("above the checked size")
        << half + QStringLiteral("</div>") + half + QStringLiteral("<p>the end</p>")
        << half + half + QStringLiteral("<p>the end</p>");
}

void tst_TKWebView::strayEndTagsLoseNothing()
{
    QFETCH(QString, post);
    QFETCH(QString, expected);
    QVERIFY(loadAndWait(*m_view, post, {}, 4 * PageTimeout));
    QCOMPARE(serialized(*m_view).html, expected);
}

void tst_TKWebView::typesParagraphsBreaksAndBold()
{
    QVERIFY(loadAndWait(*m_view, QString()));
    focusAtEnd(*m_view);
    typeText(*m_view, QStringLiteral("Hello"));
    pressKey(*m_view, Qt::Key_Return);
    typeText(*m_view, QStringLiteral("World"));
    pressKey(*m_view, Qt::Key_Return, Qt::ShiftModifier);
    typeText(*m_view, QStringLiteral("again "));
    QVERIFY(waitForText(*m_view, QStringLiteral("again")));
    m_view->applyStyle(RichStyle::Bold, true);
    QVERIFY(waitForState(*m_view, "document.queryCommandState('bold')"));
    typeText(*m_view, QStringLiteral("bold"));
    QVERIFY(waitForText(*m_view, QStringLiteral("bold")));
    QCOMPARE(serialized(*m_view).html,
             QStringLiteral("<p>Hello</p><p>World<br />again <strong>bold</strong></p>"));
}

void tst_TKWebView::typesLists()
{
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p>intro</p>")));
    focusAtEnd(*m_view);
    pressKey(*m_view, Qt::Key_Return);
    typeText(*m_view, QStringLiteral("one"));
    QVERIFY(waitForText(*m_view, QStringLiteral("one")));
    m_view->applyStyle(RichStyle::UnorderedList, true);
    QVERIFY(waitForState(*m_view, "!!document.querySelector('#plumetcontent ul')"));
    pressKey(*m_view, Qt::Key_Return);
    typeText(*m_view, QStringLiteral("two"));
    QVERIFY(waitForText(*m_view, QStringLiteral("two")));
    // Return on an empty item leaves the list for a paragraph.
    pressKey(*m_view, Qt::Key_Return);
    pressKey(*m_view, Qt::Key_Return);
    typeText(*m_view, QStringLiteral("after"));
    QVERIFY(waitForText(*m_view, QStringLiteral("after")));
    QCOMPARE(serialized(*m_view).html,
             QStringLiteral("<p>intro</p><ul><li>one</li><li>two</li></ul><p>after</p>"));
}

void tst_TKWebView::typingAfterThePlaceholderMakesItASpace()
{
    // A blank post shows a placeholder paragraph; words go in after it
    // without typing (a paste), then the user types on.
    QVERIFY(loadAndWait(*m_view, QString()));
    focusAtEnd(*m_view);
    evaluate(*m_view, QStringLiteral("document.execCommand('insertText', false, 'pasted')"),
             QWebEngineScript::ApplicationWorld);
    const auto paragraph = [&] {
        return evaluate(*m_view,
                        QStringLiteral("document.querySelector('#plumetcontent p').innerHTML"),
                        QWebEngineScript::ApplicationWorld)
            .toString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(paragraph(), QStringLiteral("&nbsp;pasted"), PageTimeout);
    typeText(*m_view, QStringLiteral("x"));
    QTRY_COMPARE_WITH_TIMEOUT(paragraph(), QStringLiteral(" pastedx"), PageTimeout);
    // The engine's undo steps still fit the text: a step back takes the
    // typing back (the engine counts the paste in with it).
    m_view->undo();
    QTRY_VERIFY_WITH_TIMEOUT(!paragraph().contains(u'x'), PageTimeout);

    // A space the user types at the start of a text is no placeholder.
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p><b>bold</b></p>")));
    focusAtEnd(*m_view);
    m_view->applyStyle(RichStyle::Bold, false);
    QVERIFY(waitForState(*m_view, "!document.queryCommandState('bold')"));
    typeText(*m_view, QStringLiteral(" and more"));
    QVERIFY(waitForText(*m_view, QStringLiteral("more")));
    QCOMPARE(serialized(*m_view).html, QStringLiteral("<p><strong>bold</strong> and more</p>"));
}

void tst_TKWebView::followsTheSpellingPreference()
{
    const auto spellcheck = [&] {
        return evaluate(*m_view,
                        QStringLiteral("document.getElementById('plumetcontent')"
                                       ".getAttribute('spellcheck')"),
                        QWebEngineScript::ApplicationWorld)
            .toString();
    };
    UserDefaults::sharedInstance().setValue(QStringLiteral("spell_check"), false);
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p>x</p>")));
    QTRY_COMPARE_WITH_TIMEOUT(spellcheck(), QStringLiteral("false"), PageTimeout);
    // The preferences window says when the user changes it.
    UserDefaults::sharedInstance().remove(QStringLiteral("spell_check"));
    NotificationCenter::sharedInstance().post(QStringLiteral("spell_check"));
    QTRY_COMPARE_WITH_TIMEOUT(spellcheck(), QStringLiteral("true"), PageTimeout);
}

void tst_TKWebView::underlinesMisspellingsAsThePreferenceSays()
{
    const QString dictionaries = WebContent::spellingDictionaryFolder();
    if (!QFile::exists(QStringLiteral("/usr/share/hunspell/en_US.dic")))
        QSKIP("no American English hunspell dictionary on this machine");
    QVERIFY2(
        QFile::exists(QDir(dictionaries).filePath(QStringLiteral("en_US.bdic"))),
        qPrintable(QStringLiteral("the build converted no en_US into \"%1\"").arg(dictionaries)));

    // The blog's language chooses the dictionary. "xx_YY" is a hunspell
    // dictionary of the user's that the build never converted: the engine
    // has no form of it and checks nothing rather than another language.
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/hunspell";
    QVERIFY(QDir().mkpath(userFolder));
    for (const char* suffix : {".dic", ".aff"}) {
        QFile::remove(userFolder + "/xx_YY" + suffix);
        QVERIFY(QFile::copy(QStringLiteral("/usr/share/hunspell/en_US") + suffix,
                            userFolder + "/xx_YY" + suffix));
    }
    Blog blog;
    TestDraft draft;
    draft.entry = Entry::create();
    draft.entry->setParentBlog(&blog);
    m_view->setDraft(&draft);
    const auto restore = qScopeGuard([&] {
        m_view->setDraft(nullptr);
        UserDefaults::sharedInstance().remove(QStringLiteral("spell_check"));
        for (const char* suffix : {".dic", ".aff"})
            QFile::remove(userFolder + "/xx_YY" + suffix);
    });

    // What the engine says of the word under the pointer: the misspelled
    // word and the menu's first item; `withMenu` acts on the open menu.
    struct Report {
        QString word;
        QStringList suggestions;
        QString firstItem;
    };
    const auto rightClickTypo = [&](const std::function<void(QMenu*)>& withMenu = {}) {
        Report report;
        QTest::mouseClick(m_view->focusProxy(), Qt::RightButton, {}, centreOf(*m_view, "#typo"));
        QMenu* menu = nullptr;
        if (!QTest::qWaitFor([&] { return (menu = openMenu()) != nullptr; }, PageTimeout))
            return report;
        if (const QWebEngineContextMenuRequest* request = m_view->lastContextMenuRequest()) {
            report.word = request->misspelledWord();
            report.suggestions = request->spellCheckerSuggestions();
        }
        report.firstItem = menu->actions().value(0) ? menu->actions().value(0)->text() : "";
        if (withMenu)
            withMenu(menu);
        menu->close();
        if (!QTest::qWaitFor([&] { return !openMenu(); }, PageTimeout))
            qWarning() << "the menu stays open";
        return report;
    };
    const auto showPost = [&] {
        if (!loadAndWait(*m_view, QStringLiteral("<p>A <span id=\"typo\">mispeled</span> "
                                                 "word in the post</p>")))
            return false;
        focusAtEnd(*m_view);
        typeText(*m_view, QStringLiteral(" typed"));
        return !QTest::currentTestFailed() && waitForText(*m_view, QStringLiteral("typed"));
    };
    // Under X the keys go to the active window only.
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));

    blog.setLanguage(QStringLiteral("en_US"));
    UserDefaults::sharedInstance().setValue(QStringLiteral("spell_check"), true);
    QVERIFY(showPost());
    Report on;
    QVERIFY(QTest::qWaitFor(
        [&] {
            on = rightClickTypo();
            return !on.word.isEmpty();
        },
        PageTimeout));
    QCOMPARE(on.word, QStringLiteral("mispeled"));
    QVERIFY2(on.suggestions.contains(QStringLiteral("misspelled")),
             qPrintable(on.suggestions.join(", ")));
    // The menu offers the suggestions first.
    QCOMPARE(on.firstItem, on.suggestions.first());
    rightClickTypo([&](QMenu*) { saveScreenGrab(m_view.get(), "rich-editor-spelling-menu"); });
    evaluate(*m_view, QStringLiteral("getSelection().collapseToEnd(), true"),
             QWebEngineScript::ApplicationWorld);
    saveScreenGrab(m_view.get(), "rich-editor-spelling-on");
    // Taking one puts it in the post.
    rightClickTypo([&](QMenu* menu) {
        const QList<QAction*> items = menu->actions();
        const auto taken = std::find_if(items.begin(), items.end(), [](QAction* item) {
            return item->text() == QStringLiteral("misspelled");
        });
        if (taken != items.end())
            (*taken)->trigger();
    });
    QVERIFY(waitForState(*m_view, "document.getElementById('plumetcontent').innerText"
                                  ".startsWith('A misspelled word')"));

    // Turned off, the engine reports nothing for the same post.
    UserDefaults::sharedInstance().setValue(QStringLiteral("spell_check"), false);
    NotificationCenter::sharedInstance().post(QStringLiteral("spell_check"));
    QVERIFY(showPost());
    QVERIFY(!WebContent::profile()->isSpellCheckEnabled());
    QCOMPARE(rightClickTypo().word, QString());
    saveScreenGrab(m_view.get(), "rich-editor-spelling-off");

    // On again for a blog in a language the engine has no dictionary for.
    blog.setLanguage(QStringLiteral("xx_YY"));
    UserDefaults::sharedInstance().remove(QStringLiteral("spell_check"));
    NotificationCenter::sharedInstance().post(QStringLiteral("spell_check"));
    QVERIFY(showPost());
    QVERIFY(!WebContent::profile()->isSpellCheckEnabled());
    QCOMPARE(rightClickTypo().word, QString());

    // Back to the blog's own dictionary when the user types in the editor.
    blog.setLanguage(QStringLiteral("English (United States)"));
    m_view->clearFocus();
    focusAtEnd(*m_view);
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY(WebContent::profile()->isSpellCheckEnabled());
    QCOMPARE(WebContent::profile()->spellCheckLanguages(), QStringList{"en_US"});
    QVERIFY(QTest::qWaitFor([&] { return rightClickTypo().word == "mispeled"; }, PageTimeout));
}

void tst_TKWebView::enterOutsideAParagraphMakesParagraphs()
{
    // A post written without paragraphs: Enter keeps its lines apart.
    QVERIFY(loadAndWait(*m_view, QStringLiteral("a loose <em>line</em> end")));
    focusAtEnd(*m_view);
    pressKey(*m_view, Qt::Key_Return);
    typeText(*m_view, QStringLiteral("next"));
    QVERIFY(waitForText(*m_view, QStringLiteral("next")));
    QCOMPARE(serialized(*m_view).html,
             QStringLiteral("<p>a loose <em>line</em> end</p><p>next</p>"));
}

void tst_TKWebView::reportsChangesAndSelectionState()
{
    int changes = 0;
    m_view->setChangeHandler([&] { ++changes; });
    RichStyleBar bar;
    m_view->setStyleBar(&bar);
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<ol><li><b>x</b></li></ol>")));
    focusAtEnd(*m_view);
    QVERIFY(QTest::qWaitFor([&] { return bar.isOn(RichStyle::OrderedList); }, PageTimeout));
    QVERIFY(bar.isOn(RichStyle::Bold));
    QVERIFY(bar.isOn(RichStyle::AlignLeft));
    QVERIFY(!bar.isOn(RichStyle::UnorderedList));
    QVERIFY(bar.button(RichStyle::Bold)->isEnabled());
    QCOMPARE(changes, 0);
    typeText(*m_view, QStringLiteral("y"));
    QVERIFY(QTest::qWaitFor([&] { return changes > 0; }, PageTimeout));
    QSignalSpy snapshots(m_view.get(), &TKWebView::contentSnapshotted);
    QVERIFY(snapshots.wait(PageTimeout));
    QCOMPARE(m_view->lastSnapshotHtml(), QStringLiteral("<ol><li><strong>xy</strong></li></ol>"));
    m_view->setStyleBar(nullptr);
    m_view->setChangeHandler({});
}

void tst_TKWebView::postScriptsNeverRunAndSurvive()
{
    const QString post =
        QStringLiteral("<p onclick=\"document.title='click'\">words</p>"
                       "<img src=\"data:,\" onerror=\"document.title='handler ran'\" />"
                       "<script>document.title = 'script ran';</script>"
                       "<iframe src=\"javascript:parent.document.title='frame ran'\"></iframe>");
    QVERIFY(loadAndWait(*m_view, post));
    QTest::qWait(300);
    QCOMPARE(
        evaluate(*m_view, QStringLiteral("document.title"), QWebEngineScript::MainWorld).toString(),
        QString());
    QCOMPARE(serialized(*m_view).html, post);
}

void tst_TKWebView::bridgeIsUnreachableFromTheContent()
{
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p>x</p>")));
    QCOMPARE(evaluate(*m_view, QStringLiteral("typeof qt + ' ' + typeof plumet"),
                      QWebEngineScript::MainWorld)
                 .toString(),
             QStringLiteral("undefined undefined"));
    QCOMPARE(evaluate(*m_view,
                      QStringLiteral("typeof plumet.editorSnapshot + ' ' + "
                                     "typeof plumet.bridge.pageReady"),
                      QWebEngineScript::ApplicationWorld)
                 .toString(),
             QStringLiteral("function function"));
}

void tst_TKWebView::capturedStyleStaysText()
{
    auto richTemplate = Template::defaultRichTemplate()->copy();
    const QString css =
        QStringLiteral("p { font-family: \"</style><script>document.title='css ran'</script>\"; }");
    richTemplate->setCss(css);
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p>x</p>"), richTemplate));
    QTest::qWait(200);
    QCOMPARE(
        evaluate(*m_view, QStringLiteral("document.title"), QWebEngineScript::MainWorld).toString(),
        QString());
    QVERIFY(evaluate(*m_view, QStringLiteral("document.getElementById('plumet-style').textContent"),
                     QWebEngineScript::MainWorld)
                .toString()
                .endsWith(css));
    QCOMPARE(
        evaluate(*m_view, QStringLiteral("document.scripts.length"), QWebEngineScript::MainWorld)
            .toInt(),
        0);
    QCOMPARE(serialized(*m_view).html, QStringLiteral("<p>x</p>"));
}

void tst_TKWebView::placeholdersInThePostSurvive()
{
    const QString post =
        QStringLiteral("<p>$FONT$ $ALIGN$ $BACKGROUND$ $TEXTCOLOR$ $STYLE$ $MAIN$ $$</p>");
    QVERIFY(loadAndWait(*m_view, post));
    QCOMPARE(serialized(*m_view).html, post);
}

void tst_TKWebView::loadsALargePost()
{
    QString post;
    const QString paragraph = QStringLiteral("<p>Some words of a long post, with <strong>bold"
                                             "</strong> and a <a href=\"https://example.org/\">"
                                             "link</a>.</p>");
    while (post.size() < 5 * 1024 * 1024)
        post += paragraph;
    // The engine takes some fifteen seconds over it on a quiet machine, and
    // several times that on a loaded one.
    QVERIFY(loadAndWait(*m_view, post, {}, 6 * PageTimeout));
    QCOMPARE(serialized(*m_view).html, post);
}

void tst_TKWebView::customTagWrapsTheSelectedMarkup()
{
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p>a <strong>b</strong> c</p>")));
    focusAtEnd(*m_view);
    evaluate(*m_view,
             QStringLiteral("(function(){var p=document.querySelector('#plumetcontent p');"
                            "var r=document.createRange();r.setStart(p.firstChild,2);"
                            "r.setEnd(p.lastChild,0);var s=getSelection();s.removeAllRanges();"
                            "s.addRange(r);return true;})()"),
             QWebEngineScript::ApplicationWorld);
    const RVTagPtr tag = RVTag::create();
    tag->setOpenTag(QStringLiteral("cite"));
    tag->setCloseTag(true);
    m_view->applyCustomTag(*tag);
    QVERIFY(
        QTest::qWaitFor([&] { return serialized(*m_view).html.contains("<cite"); }, PageTimeout));
    QCOMPARE(serialized(*m_view).html,
             QStringLiteral("<p>a <cite><strong>b</strong></cite> c</p>"));
}

void tst_TKWebView::selectionMapsOverSplitTexts()
{
    // Editing leaves texts split into neighbours; the markup joins them.
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p>a &amp; <b>b</b> one two</p>")));
    evaluate(*m_view,
             QStringLiteral("(function(){var p=document.querySelector('#plumetcontent p');"
                            "var t=p.lastChild;t.splitText(4);p.insertBefore("
                            "document.createTextNode(''),t.nextSibling);"
                            "var r=document.createRange();r.setStart(p.firstChild,2);"
                            "r.setEnd(p.lastChild,2);var s=getSelection();s.removeAllRanges();"
                            "s.addRange(r);return true;})()"),
             QWebEngineScript::ApplicationWorld);
    QString selected;
    bool answered = false;
    m_view->fetchSelection([&](const QString& text) {
        selected = text;
        answered = true;
    });
    QVERIFY(QTest::qWaitFor([&] { return answered; }, PageTimeout));
    QCOMPARE(selected, QStringLiteral("&amp; <strong>b</strong> one t"));
}

void tst_TKWebView::followedLinksOpenAttachmentsOrTheBrowser()
{
    TestDraft draft;
    BrowserCatcher browser;
    m_view->setDraft(&draft);
    QVERIFY(loadAndWait(*m_view,
                        QStringLiteral("<p><a id=\"att\" href=\"https://example.org/f?id=none&amp;"
                                       "a=1&amp;id=KEY1\">attachment</a></p><p><a id=\"web\" "
                                       "href=\"https://example.org/post?id=OTHER\">web</a></p>")));
    // A click places the caret in the words; Ctrl and click follows the link.
    QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, {}, centreOf(*m_view, "#att"));
    QTest::qWait(300);
    QVERIFY(draft.sheets.isEmpty());
    QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, Qt::ControlModifier,
                      centreOf(*m_view, "#att"));
    QVERIFY(QTest::qWaitFor([&] { return !draft.sheets.isEmpty(); }, PageTimeout));
    QCOMPARE(draft.sheets, QStringList{"KEY1"});
    QVERIFY(browser.opened().isEmpty());
    QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, Qt::ControlModifier,
                      centreOf(*m_view, "#web"));
    QVERIFY(QTest::qWaitFor([&] { return !browser.opened().isEmpty(); }, PageTimeout));
    QCOMPARE(browser.opened(), QList<QUrl>{QUrl("https://example.org/post?id=OTHER")});
    QCOMPARE(draft.sheets.size(), 1);
    m_view->setDraft(nullptr);
}

void tst_TKWebView::aHostilePostRunsNothingInAnyFrame()
{
    plumet::test::HostileSite site;
    QVERIFY(site.listen());
    BrowserCatcher browser;
    QVERIFY(loadAndWait(*m_view, site.post()));
    // The post's picture stays; the editor loads no frame.
    QTRY_VERIFY_WITH_TIMEOUT(site.picturesAsked(false), PageTimeout);
    // What a script would ask for comes about as soon as the pictures.
    QTest::qWait(1000);
    QVERIFY2(site.forbiddenAsked().isEmpty(), qPrintable(site.forbiddenAsked().join(", ")));
    QVERIFY(!site.asked().contains(QStringLiteral("/frame.html")));
    QVERIFY(browser.opened().isEmpty());
    QVERIFY(QDir(WebContent::downloadFolder()).entryList(QDir::Files).isEmpty());
    // The frames are the post's all the same: they are kept as written.
    const QString stored = serialized(*m_view).html;
    QVERIFY2(stored.contains(site.server().url(QStringLiteral("/frame.html")).toString()),
             qPrintable(stored));
}

void tst_TKWebView::linksOfOtherSchemesStayHere()
{
    TestDraft draft;
    BrowserCatcher desktop({"smb", "file", "javascript", "x-launch", "http", "https"});
    m_view->setDraft(&draft);
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p><a id=\"smb\" href=\"smb://server/share/x\">"
                                                "smb</a> <a id=\"own\" href=\"x-launch://do\">"
                                                "own</a> <a id=\"mail\" href=\"mailto:a@example."
                                                "org\">mail</a></p>")));
    for (const char* id : {"#smb", "#own"}) {
        QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, Qt::ControlModifier,
                          centreOf(*m_view, id));
    }
    // A mail link is the last clicked, and the only one to leave.
    BrowserCatcher mail({"mailto"});
    QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, Qt::ControlModifier,
                      centreOf(*m_view, "#mail"));
    QVERIFY(QTest::qWaitFor([&] { return !mail.opened().isEmpty(); }, PageTimeout));
    QCOMPARE(mail.opened(), QList<QUrl>{QUrl("mailto:a@example.org")});
    QVERIFY(desktop.opened().isEmpty());
    m_view->setDraft(nullptr);
}

void tst_TKWebView::contextMenuFollowsTheClickedTarget()
{
    TestDraft draft;
    m_view->setDraft(&draft);
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p><a id=\"link\" href=\"https://example.org/\">"
                                                "a link</a> and words</p>")));
    const auto openMenu = [&](const QString& selector) -> QMenu* {
        QMenu* found = nullptr;
        QTest::mouseClick(m_view->focusProxy(), Qt::RightButton, {}, centreOf(*m_view, selector));
        QTest::qWaitFor(
            [&] {
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    auto* menu = qobject_cast<QMenu*>(widget);
                    if (menu && menu->isVisible())
                        found = menu;
                }
                return found != nullptr;
            },
            PageTimeout);
        return found;
    };
    const auto texts = [](QMenu* menu) {
        QStringList list;
        for (QAction* action : menu->actions())
            list.append(action->text());
        return list;
    };
    QMenu* menu = openMenu(QStringLiteral("#link"));
    QVERIFY(menu);
    QCOMPARE(texts(menu).value(0), QStringLiteral("Remove Link"));
    QVERIFY(texts(menu).contains(QStringLiteral("URL with Clipboard")));
    QVERIFY(texts(menu).contains(QStringLiteral("Image with Clipboard")));
    menu->actions().value(0)->trigger();
    menu->close();
    QVERIFY(QTest::qWaitFor(
        [&] { return serialized(*m_view).html == QStringLiteral("<p>a link and words</p>"); },
        PageTimeout));
    m_view->setDraft(nullptr);
}

void tst_TKWebView::quotesAndAlignsTheParagraph()
{
    QVERIFY(loadAndWait(*m_view, QStringLiteral("<p>before</p><p>quoted</p>")));
    focusAtEnd(*m_view);
    m_view->applyStyle(RichStyle::Blockquote, true);
    QVERIFY(QTest::qWaitFor([&] { return serialized(*m_view).html.contains("blockquote"); },
                            PageTimeout));
    QCOMPARE(serialized(*m_view).html,
             QStringLiteral("<p>before</p><blockquote>quoted</blockquote>"));
    m_view->applyStyle(RichStyle::Blockquote, false);
    m_view->applyStyle(RichStyle::AlignCenter, true);
    QVERIFY(
        QTest::qWaitFor([&] { return serialized(*m_view).html.contains("center"); }, PageTimeout));
    QCOMPARE(serialized(*m_view).html,
             QStringLiteral("<p>before</p><p style=\"text-align: center;\">quoted</p>"));
}

void tst_TKWebView::focusWithoutAClickPutsTheCaretInThePost_data()
{
    QTest::addColumn<int>("reason");
    QTest::newRow("switching editors") << int(Qt::OtherFocusReason);
    QTest::newRow("tab") << int(Qt::TabFocusReason);
    QTest::newRow("back tab") << int(Qt::BacktabFocusReason);
    QTest::newRow("shortcut") << int(Qt::ShortcutFocusReason);
}

void tst_TKWebView::focusWithoutAClickPutsTheCaretInThePost()
{
    QFETCH(int, reason);
    QWidget window;
    auto* title = new QLineEdit(&window);
    auto* view = new TKWebView(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(title);
    layout->addWidget(view, 1);
    window.resize(700, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(loadAndWait(*view, QStringLiteral("<p>Some words</p>")));
    const auto focusAwayAndBack = [&] {
        title->setFocus(Qt::MouseFocusReason);
        if (!QTest::qWaitFor([&] { return title->hasFocus(); }, PageTimeout))
            return false;
        view->setFocus(Qt::FocusReason(reason));
        return waitForPageFocus(*view);
    };
    const auto contentIs = [&](const QString& text) {
        QString seen;
        const bool same = QTest::qWaitFor(
            [&] {
                seen = evaluate(*view,
                                QStringLiteral("document.getElementById('plumetcontent')"
                                               ".innerText.trim()"),
                                QWebEngineScript::ApplicationWorld)
                           .toString();
                return seen == text;
            },
            PageTimeout);
        if (!same)
            qWarning() << "the post reads" << seen;
        return same;
    };

    // Never written in before: the caret goes to the end of the post.
    QVERIFY(focusAwayAndBack());
    typeText(*view, QStringLiteral(" and more"));
    QVERIFY(contentIs(QStringLiteral("Some words and more")));

    // Later it goes back where it last was, even when the page has lost its
    // selection meanwhile.
    evaluate(*view,
             QStringLiteral("(function(){var t=document.querySelector('#plumetcontent p')"
                            ".firstChild;var r=document.createRange();r.setStart(t,4);"
                            "r.collapse(true);getSelection().removeAllRanges();"
                            "getSelection().addRange(r);return true;})()"),
             QWebEngineScript::ApplicationWorld);
    title->setFocus(Qt::MouseFocusReason);
    QVERIFY(QTest::qWaitFor([&] { return title->hasFocus(); }, PageTimeout));
    QVERIFY(waitForState(*view, "!document.hasFocus()"));
    evaluate(*view, QStringLiteral("getSelection().removeAllRanges(), true"),
             QWebEngineScript::ApplicationWorld);
    QVERIFY(focusAwayAndBack());
    typeText(*view, QStringLiteral(","));
    QVERIFY(contentIs(QStringLiteral("Some, words and more")));
}

QTEST_MAIN(tst_TKWebView)
#include "tst_tkwebview.moc"
