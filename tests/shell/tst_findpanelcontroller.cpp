#include "FindPanelController.h"
#include "ScreenshotSaver.h"
#include "UserDefaults.h"
#include "WebContentView.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineScript>

namespace {

constexpr int PageTimeout = 30000;
const QString Words = QStringLiteral("<p>one two One two one</p>");

QVariant evaluate(WebContentView& view, const QString& script)
{
    QVariant result;
    bool done = false;
    view.page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                               [&](const QVariant& value) {
                                   result = value;
                                   done = true;
                               });
    if (!QTest::qWaitFor([&] { return done; }, PageTimeout))
        qWarning() << "no answer to" << script;
    return result;
}

// Where the selection starts, counted in characters of the text.
int selectionStart(WebContentView& view)
{
    return evaluate(view,
                    QStringLiteral(
                        "(function () { var s = getSelection(); if (!s.rangeCount) return -1;"
                        " var r = document.createRange(); r.setStart(document.body, 0);"
                        " r.setEnd(s.getRangeAt(0).startContainer, s.getRangeAt(0).startOffset);"
                        " return r.toString().length; })()"))
        .toInt();
}

QString selectedText(WebContentView& view)
{
    return evaluate(view, QStringLiteral("getSelection().toString()")).toString();
}

QString bodyText(WebContentView& view)
{
    return evaluate(view, QStringLiteral("document.body.textContent")).toString();
}

bool show(WebContentView& view, const QString& html)
{
    QSignalSpy ready(view.contentPage(), &WebContentPage::documentReady);
    view.showDocument(html);
    return ready.wait(PageTimeout);
}

QPushButton* button(FindPanelController& panel, const QString& title)
{
    for (QPushButton* b : panel.findChildren<QPushButton*>()) {
        if (b->text() == title)
            return b;
    }
    return nullptr;
}

// A replace that reports success but leaves the text and the caret where they
// were: the search would find the same place again and again.
class StuckView : public EditableWebView {
public:
    using EditableWebView::EditableWebView;
    void replaceSelectionWithText(const QString&, std::function<void(bool)> done) override
    {
        page()->runJavaScript(QStringLiteral("getSelection().collapseToStart(); true"),
                              QWebEngineScript::ApplicationWorld,
                              [done](const QVariant&) { done(true); });
    }
};

// A text view that keeps the selection out of one stretch of its text, as
// the source view keeps it out of attachment runs: a selection touching it
// becomes a caret after it.
class GuardedTextView : public QPlainTextEdit {
public:
    GuardedTextView(int start, int end) : m_start(start), m_end(end)
    {
        connect(this, &QPlainTextEdit::selectionChanged, this, [this] {
            const QTextCursor cursor = textCursor();
            if (cursor.selectionEnd() > m_start && cursor.selectionStart() < m_end) {
                QTextCursor caret(document());
                caret.setPosition(m_end);
                setTextCursor(caret);
            }
        });
    }

private:
    int m_start, m_end;
};

} // namespace

class tst_FindPanelController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void findsNextAndPreviousAndWraps();
    void withoutWrapTheEndIsNotFound();
    void caseSensitiveFindSkipsOtherCases();
    void emptySearchOnlyShowsThePanel();
    void useSelectionTakesThePlainWords();
    void readOnlyViewsOfferNoReplace();
    void replaceIsOneUndoStep();
    void replaceAndFindMovesOn();
    void replaceAllEndsAfterOnePass();
    void replaceAllStopsAtTheLimit();
    void replaceAllStopsWhenTheSearchDoesNotMoveOn();
    void replaceAllEndsWhenThePageChanges();
    void textViewFindsNextAndPreviousAndWraps();
    void textViewReplacesInOneUndoStep();
    void textViewHitsTheViewRefusesAreSkipped();
    void readOnlyTextViewOffersNoReplace();

private:
    bool findText(int action, QPlainTextEdit& view);

    bool find(int action, WebContentView& view, bool* found = nullptr);
    int replaceAll(WebContentView& view);

    std::unique_ptr<FindPanelController> m_panel;
    std::unique_ptr<WebContentView> m_readOnly;
    std::unique_ptr<EditableWebView> m_editable;
};

void tst_FindPanelController::initTestCase()
{
    m_panel = std::make_unique<FindPanelController>();
    m_readOnly = std::make_unique<WebContentView>();
    m_editable = std::make_unique<EditableWebView>();
    m_readOnly->resize(500, 300);
    m_editable->resize(500, 300);
    m_readOnly->show();
    m_editable->show();
}

void tst_FindPanelController::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("find_case"));
    UserDefaults::sharedInstance().remove(QStringLiteral("find_wrap"));
    m_panel->setReplaceAllLimit(FindPanelController::ReplaceAllLimit);
    m_panel->setSearchString(QString());
    m_panel->setReplaceString(QString());
    m_panel->hide();
    QVERIFY(show(*m_readOnly, Words));
    QVERIFY(show(*m_editable, QStringLiteral("<body contenteditable=true>") + Words));
}

bool tst_FindPanelController::find(int action, WebContentView& view, bool* found)
{
    QSignalSpy finished(m_panel.get(), &FindPanelController::searchFinished);
    m_panel->findInWebView(view.focusProxy() ? view.focusProxy() : &view, action);
    if (!finished.wait(PageTimeout))
        return false;
    if (found)
        *found = finished.first().first().toBool();
    return true;
}

int tst_FindPanelController::replaceAll(WebContentView& view)
{
    QSignalSpy finished(m_panel.get(), &FindPanelController::replaceAllFinished);
    m_panel->replaceInWebView(&view, FindPanelController::ReplaceAll);
    if (!finished.wait(PageTimeout))
        return -1;
    return finished.first().first().toInt();
}

void tst_FindPanelController::findsNextAndPreviousAndWraps()
{
    m_panel->setSearchString(QStringLiteral("one"));
    const int expected[] = {0, 8, 16, 0};
    for (const int start : expected) {
        QVERIFY(find(FindPanelController::FindNext, *m_readOnly));
        QCOMPARE(selectionStart(*m_readOnly), start);
    }
    QCOMPARE(m_panel->webView(), m_readOnly.get());
    // Backwards from the first, round to the last.
    QVERIFY(find(FindPanelController::FindPrevious, *m_readOnly));
    QCOMPARE(selectionStart(*m_readOnly), 16);
    QVERIFY(find(FindPanelController::FindPrevious, *m_readOnly));
    QCOMPARE(selectionStart(*m_readOnly), 8);
    QCOMPARE(m_panel->status(), QString());
}

void tst_FindPanelController::withoutWrapTheEndIsNotFound()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("find_wrap"), false);
    m_panel->setSearchString(QStringLiteral("one"));
    bool found = false;
    for (int i = 0; i < 3; ++i)
        QVERIFY(find(FindPanelController::FindNext, *m_readOnly, &found));
    QVERIFY(found);
    QVERIFY(find(FindPanelController::FindNext, *m_readOnly, &found));
    QVERIFY(!found);
    QCOMPARE(m_panel->status(), QStringLiteral("Not found"));
    QVERIFY(m_panel->isVisible());
    plumet::test::saveScreenshot(m_panel.get(), QStringLiteral("find-panel-not-found"));
    // It stays until the next find command or the next search string.
    m_panel->setReplaceString(QStringLiteral("x"));
    QCOMPARE(m_panel->status(), QStringLiteral("Not found"));
    m_panel->setSearchString(QStringLiteral("two"));
    QCOMPARE(m_panel->status(), QString());
}

void tst_FindPanelController::caseSensitiveFindSkipsOtherCases()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("find_case"), true);
    m_panel->setSearchString(QStringLiteral("One"));
    QVERIFY(find(FindPanelController::FindNext, *m_readOnly));
    QCOMPARE(selectionStart(*m_readOnly), 8);
    QVERIFY(find(FindPanelController::FindNext, *m_readOnly));
    QCOMPARE(selectionStart(*m_readOnly), 8);
    QCOMPARE(selectedText(*m_readOnly), QStringLiteral("One"));
}

void tst_FindPanelController::emptySearchOnlyShowsThePanel()
{
    QSignalSpy finished(m_panel.get(), &FindPanelController::searchFinished);
    m_panel->findInWebView(m_readOnly.get(), FindPanelController::FindNext);
    QVERIFY(m_panel->isVisible());
    QTest::qWait(300);
    QCOMPARE(finished.count(), 0);
}

void tst_FindPanelController::useSelectionTakesThePlainWords()
{
    QVERIFY(show(*m_readOnly, QStringLiteral("<p id=p><b>bold words</b><br><b>on two "
                                             "lines</b></p>")));
    evaluate(*m_readOnly, QStringLiteral("getSelection().selectAllChildren("
                                         "document.getElementById('p')); true"));
    QSignalSpy changed(m_panel.get(), &FindPanelController::searchStringChanged);
    m_panel->findInWebView(m_readOnly.get(), FindPanelController::UseSelectionForFind);
    QVERIFY(changed.wait(PageTimeout));
    QCOMPARE(m_panel->searchString(), QStringLiteral("bold words on two lines"));
    QVERIFY(m_panel->isVisible());

    // Without a selection nothing happens.
    evaluate(*m_readOnly, QStringLiteral("getSelection().removeAllRanges(); true"));
    m_panel->hide();
    m_panel->findInWebView(m_readOnly.get(), FindPanelController::UseSelectionForFind);
    QTest::qWait(500);
    QCOMPARE(m_panel->searchString(), QStringLiteral("bold words on two lines"));
    QVERIFY(!m_panel->isVisible());
}

void tst_FindPanelController::readOnlyViewsOfferNoReplace()
{
    m_panel->setSearchString(QStringLiteral("two"));
    m_panel->setReplaceString(QStringLiteral("2"));
    QVERIFY(find(FindPanelController::FindNext, *m_readOnly));
    for (const char* title : {"Replace", "Replace && Find", "Replace All"})
        QVERIFY(!button(*m_panel, QString::fromUtf8(title))->isEnabled());
    QSignalSpy replaced(m_panel.get(), &FindPanelController::replaceFinished);
    m_panel->replaceInWebView(nullptr, FindPanelController::Replace);
    QTest::qWait(300);
    QCOMPARE(replaced.count(), 0);
    QCOMPARE(bodyText(*m_readOnly), QStringLiteral("one two One two one"));

    // The editable view offers them.
    QVERIFY(find(FindPanelController::FindNext, *m_editable));
    for (const char* title : {"Replace", "Replace && Find", "Replace All"})
        QVERIFY(button(*m_panel, QString::fromUtf8(title))->isEnabled());
}

void tst_FindPanelController::replaceIsOneUndoStep()
{
    m_panel->setSearchString(QStringLiteral("two"));
    m_panel->setReplaceString(QStringLiteral("2"));
    QVERIFY(find(FindPanelController::FindNext, *m_editable));
    QSignalSpy replaced(m_panel.get(), &FindPanelController::replaceFinished);
    m_panel->replaceInWebView(nullptr, FindPanelController::Replace);
    QVERIFY(replaced.wait(PageTimeout));
    QVERIFY(replaced.first().first().toBool());
    QCOMPARE(bodyText(*m_editable), QStringLiteral("one 2 One two one"));
    evaluate(*m_editable, QStringLiteral("document.execCommand('undo')"));
    QCOMPARE(bodyText(*m_editable), QStringLiteral("one two One two one"));
}

void tst_FindPanelController::replaceAndFindMovesOn()
{
    m_panel->setSearchString(QStringLiteral("two"));
    m_panel->setReplaceString(QStringLiteral("2"));
    QVERIFY(find(FindPanelController::FindNext, *m_editable));
    QSignalSpy found(m_panel.get(), &FindPanelController::searchFinished);
    m_panel->replaceInWebView(nullptr, FindPanelController::ReplaceAndFind);
    QVERIFY(found.wait(PageTimeout));
    QCOMPARE(bodyText(*m_editable), QStringLiteral("one 2 One two one"));
    QCOMPARE(selectionStart(*m_editable), 10);
    QCOMPARE(selectedText(*m_editable), QStringLiteral("two"));
}

void tst_FindPanelController::replaceAllEndsAfterOnePass()
{
    // The replacement holds the search text: each match is replaced once.
    m_panel->setSearchString(QStringLiteral("one"));
    m_panel->setReplaceString(QStringLiteral("one one"));
    QCOMPARE(replaceAll(*m_editable), 3);
    QCOMPARE(bodyText(*m_editable), QStringLiteral("one one two one one two one one"));
    QCOMPARE(m_panel->status(), QString());
}

void tst_FindPanelController::replaceAllStopsAtTheLimit()
{
    m_panel->setReplaceAllLimit(2);
    m_panel->setSearchString(QStringLiteral("one"));
    m_panel->setReplaceString(QStringLiteral("1"));
    QCOMPARE(replaceAll(*m_editable), 2);
    QCOMPARE(bodyText(*m_editable), QStringLiteral("1 two 1 two one"));
    QVERIFY(m_panel->status().contains(QLatin1String("2")));
    QVERIFY(m_panel->status().startsWith(QLatin1String("Stopped")));
}

void tst_FindPanelController::replaceAllStopsWhenTheSearchDoesNotMoveOn()
{
    StuckView stuck;
    stuck.resize(500, 300);
    stuck.show();
    QVERIFY(show(stuck, QStringLiteral("<body contenteditable=true>") + Words));
    m_panel->setSearchString(QStringLiteral("one"));
    m_panel->setReplaceString(QStringLiteral("1"));
    QCOMPARE(replaceAll(stuck), 1);
    QVERIFY(m_panel->status().startsWith(QLatin1String("Stopped after 1")));
    m_panel->findInWebView(m_editable.get(), FindPanelController::ShowPanel);
}

void tst_FindPanelController::replaceAllEndsWhenThePageChanges()
{
    m_panel->setSearchString(QStringLiteral("one"));
    m_panel->setReplaceString(QStringLiteral("1"));
    QSignalSpy finished(m_panel.get(), &FindPanelController::replaceAllFinished);
    m_panel->replaceInWebView(m_editable.get(), FindPanelController::ReplaceAll);
    m_editable->showDocument(QStringLiteral("<p>another page</p>"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, PageTimeout);
    QVERIFY(m_panel->status().contains(QLatin1String("page changed")));
    // The panel takes the next Replace All again.
    QVERIFY(button(*m_panel, QStringLiteral("Replace All"))->isEnabled());
}

bool tst_FindPanelController::findText(int action, QPlainTextEdit& view)
{
    QSignalSpy finished(m_panel.get(), &FindPanelController::searchFinished);
    m_panel->findInWebView(&view, action);
    return finished.size() == 1 && finished.first().first().toBool();
}

void tst_FindPanelController::textViewFindsNextAndPreviousAndWraps()
{
    QPlainTextEdit view(QStringLiteral("one two One two one"));
    m_panel->setSearchString(QStringLiteral("one"));
    for (const int start : {0, 8, 16, 0}) {
        QVERIFY(findText(FindPanelController::FindNext, view));
        QCOMPARE(view.textCursor().selectionStart(), start);
        QCOMPARE(view.textCursor().selectionEnd(), start + 3);
    }
    QCOMPARE(m_panel->textView(), &view);
    QVERIFY(!m_panel->webView());
    QVERIFY(findText(FindPanelController::FindPrevious, view));
    QCOMPARE(view.textCursor().selectionStart(), 16);
    QVERIFY(findText(FindPanelController::FindPrevious, view));
    QCOMPARE(view.textCursor().selectionStart(), 8);

    // Case-sensitive, the one match wraps to itself.
    UserDefaults::sharedInstance().setValue(QStringLiteral("find_case"), true);
    m_panel->setSearchString(QStringLiteral("One"));
    QVERIFY(findText(FindPanelController::FindNext, view));
    QCOMPARE(view.textCursor().selectionStart(), 8);
    QVERIFY(findText(FindPanelController::FindNext, view));
    QCOMPARE(view.textCursor().selectionStart(), 8);

    // Without wrapping the end is the end, and the selection stays.
    UserDefaults::sharedInstance().setValue(QStringLiteral("find_case"), false);
    UserDefaults::sharedInstance().setValue(QStringLiteral("find_wrap"), false);
    m_panel->setSearchString(QStringLiteral("one"));
    view.moveCursor(QTextCursor::End);
    view.moveCursor(QTextCursor::Left);
    QVERIFY(!findText(FindPanelController::FindNext, view));
    QCOMPARE(m_panel->status(), QStringLiteral("Not found"));
    QCOMPARE(view.textCursor().position(), 18);
    QVERIFY(findText(FindPanelController::FindPrevious, view));
    QCOMPARE(view.textCursor().selectionStart(), 16);

    // Use Selection for Find takes the source as it stands.
    view.setPlainText(QStringLiteral("<b>two</b> words"));
    view.selectAll();
    m_panel->findInWebView(&view, FindPanelController::UseSelectionForFind);
    QCOMPARE(m_panel->searchString(), QStringLiteral("<b>two</b> words"));
}

void tst_FindPanelController::textViewReplacesInOneUndoStep()
{
    QPlainTextEdit view(QStringLiteral("one two One two one"));
    m_panel->setSearchString(QStringLiteral("two"));
    m_panel->setReplaceString(QStringLiteral("2"));
    QVERIFY(findText(FindPanelController::FindNext, view));
    QSignalSpy replaced(m_panel.get(), &FindPanelController::replaceFinished);
    QSignalSpy found(m_panel.get(), &FindPanelController::searchFinished);
    m_panel->replaceInWebView(nullptr, FindPanelController::ReplaceAndFind);
    QCOMPARE(replaced.size(), 1);
    QVERIFY(replaced.first().first().toBool());
    QCOMPARE(view.toPlainText(), QStringLiteral("one 2 One two one"));
    QCOMPARE(found.size(), 1);
    QCOMPARE(view.textCursor().selectionStart(), 10);
    view.undo();
    QCOMPARE(view.toPlainText(), QStringLiteral("one two One two one"));

    // Replace All: each match once, all in one step, the caret after the last.
    m_panel->setSearchString(QStringLiteral("one"));
    m_panel->setReplaceString(QStringLiteral("one one"));
    QSignalSpy all(m_panel.get(), &FindPanelController::replaceAllFinished);
    m_panel->replaceInWebView(&view, FindPanelController::ReplaceAll);
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().first().toInt(), 3);
    QCOMPARE(view.toPlainText(), QStringLiteral("one one two one one two one one"));
    QCOMPARE(view.textCursor().position(), view.toPlainText().size());
    view.undo();
    QCOMPARE(view.toPlainText(), QStringLiteral("one two One two one"));

    // At the limit it stops and says so.
    m_panel->setReplaceAllLimit(2);
    m_panel->setReplaceString(QStringLiteral("1"));
    m_panel->replaceInWebView(&view, FindPanelController::ReplaceAll);
    QCOMPARE(view.toPlainText(), QStringLiteral("1 two 1 two one"));
    QVERIFY(m_panel->status().startsWith(QLatin1String("Stopped after 2")));
}

void tst_FindPanelController::textViewHitsTheViewRefusesAreSkipped()
{
    // "One" at 8 lies where the view keeps the selection out.
    GuardedTextView view(8, 11);
    view.setPlainText(QStringLiteral("one two One two one"));
    m_panel->setSearchString(QStringLiteral("one"));
    for (const int start : {0, 16, 0}) {
        QVERIFY(findText(FindPanelController::FindNext, view));
        QCOMPARE(view.textCursor().selectionStart(), start);
    }
    QVERIFY(findText(FindPanelController::FindPrevious, view));
    QCOMPARE(view.textCursor().selectionStart(), 16);
    m_panel->setSearchString(QStringLiteral("One"));
    UserDefaults::sharedInstance().setValue(QStringLiteral("find_case"), true);
    QVERIFY(!findText(FindPanelController::FindNext, view));
    QCOMPARE(view.textCursor().selectionStart(), 16);

    UserDefaults::sharedInstance().setValue(QStringLiteral("find_case"), false);
    m_panel->setSearchString(QStringLiteral("one"));
    m_panel->setReplaceString(QStringLiteral("1"));
    QSignalSpy all(m_panel.get(), &FindPanelController::replaceAllFinished);
    m_panel->replaceInWebView(&view, FindPanelController::ReplaceAll);
    QCOMPARE(all.first().first().toInt(), 2);
    QCOMPARE(view.toPlainText(), QStringLiteral("1 two One two 1"));
}

void tst_FindPanelController::readOnlyTextViewOffersNoReplace()
{
    QPlainTextEdit view(QStringLiteral("one two"));
    view.setReadOnly(true);
    QVERIFY(FindPanelController::canSearch(&view));
    QVERIFY(!FindPanelController::canReplace(&view));
    QVERIFY(FindPanelController::canReplace(m_editable.get()));
    QVERIFY(!FindPanelController::canReplace(m_readOnly.get()));
    m_panel->setSearchString(QStringLiteral("two"));
    m_panel->setReplaceString(QStringLiteral("2"));
    QVERIFY(findText(FindPanelController::FindNext, view));
    for (const char* title : {"Replace", "Replace && Find", "Replace All"})
        QVERIFY(!button(*m_panel, QString::fromUtf8(title))->isEnabled());
    QVERIFY(button(*m_panel, QStringLiteral("Next"))->isEnabled());
    m_panel->replaceInWebView(nullptr, FindPanelController::Replace);
    m_panel->replaceInWebView(nullptr, FindPanelController::ReplaceAll);
    QCOMPARE(view.toPlainText(), QStringLiteral("one two"));
    view.setReadOnly(false);
    m_panel->findInWebView(&view, FindPanelController::ShowPanel);
    QVERIFY(button(*m_panel, QStringLiteral("Replace"))->isEnabled());
}

QTEST_MAIN(tst_FindPanelController)
#include "tst_findpanelcontroller.moc"
