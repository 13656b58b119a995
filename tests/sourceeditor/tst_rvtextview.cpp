#include "EntryRenderer.h"
#include "HtmlSyntaxHighlighter.h"
#include "NotificationCenter.h"
#include "PLUMETFormatterProtocol.h"
#include "RVTag.h"
#include "RVTextView.h"
#include "ScreenshotSaver.h"
#include "TestDraftHost.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScopeGuard>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace plumet::test;

namespace {

// The formatter of entries without a format: HTML as it is, checked by Tidy.
class PlainHtmlFormatter : public PLUMETFormatterProtocol {
public:
    QString formatterKey() const override { return QStringLiteral("Generic"); }
    QString formatterDescription() const override { return formatterKey(); }
    bool willHandleFormat(const QString&) const override { return false; }
    bool allowsHTMLEditing() const override { return true; }
    QString formatText(const QString& text) override { return text; }
    QString urlTemplate() const override { return {}; }
};

PlainHtmlFormatter plainHtml;

// Receives the addresses the view asks the desktop to open.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

QString markupOf(const AttachmentPtr& attachment)
{
    return attachment->generateMarkup(false, nullptr);
}

} // namespace

class tst_RVTextView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void storedAndShownRoundTrip();
    void uploadedAttachmentIsPlainText();
    void boldAndItalicPlaceTheCaret();
    void wrappingASelectionKeepsItsRun();
    void customTagPlacesTheCaret();
    void customInsertKeepsTheSelection();
    void closeOpenTagInsertsBeforeTheSelection();
    void deletionInsideARunIsRefused();
    void typedTextNeverJoinsARun();
    void caretSnapsOutOfRuns();
    void copyAndPasteKeepRuns();
    void validationShowsTheFirstError();
    void validHtmlSaysSo();
    void markupChangeRerendersWithoutUndo();
    void foreignLinksNeverEnterTheText();
    void contextMenuOnARun();
    void openLinkSendsOnlyWebAddressesOn_data();
    void openLinkSendsOnlyWebAddressesOn();
    void clickOnARunOpensItsSettings();
    void spellingMarksWordsOutsideTags();
    void draftEditorInterface();
    void antiAliasPreference();
    void screenshot();

private:
    void show(const QString& stored);
    int positionOf(const QString& text) const;
    void select(int start, int end);

    std::unique_ptr<TestDraftHost> m_host;
    std::unique_ptr<RVTextView> m_view;
    AttachmentPtr m_image;
    AttachmentPtr m_movie;
};

void tst_RVTextView::initTestCase()
{
    EntryRenderer::setFormatterLookup(
        {[](const QString&) -> PLUMETFormatterProtocol* { return nullptr; },
         [](const QString& key) -> PLUMETFormatterProtocol* {
             return key == plainHtml.formatterKey() ? &plainHtml : nullptr;
         }});
}

void tst_RVTextView::init()
{
    m_host = std::make_unique<TestDraftHost>();
    m_image = m_host->addAttachment(QStringLiteral("photo.jpg"));
    m_movie = m_host->addAttachment(QStringLiteral("clip.mov"));
    m_view = std::make_unique<RVTextView>();
    m_view->setDraft(m_host.get());
    m_view->resize(640, 360);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void tst_RVTextView::cleanup()
{
    m_view.reset();
    m_host.reset();
}

void tst_RVTextView::show(const QString& stored)
{
    m_view->setString(stored);
    m_view->setFocus();
}

int tst_RVTextView::positionOf(const QString& text) const
{
    return int(m_view->shownText().indexOf(text));
}

void tst_RVTextView::select(int start, int end)
{
    QTextCursor cursor = m_view->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    m_view->setTextCursor(cursor);
}

void tst_RVTextView::storedAndShownRoundTrip()
{
    const QString stored = QStringLiteral("<p>%1</p>\n<p>and %2 too</p>")
                               .arg(m_image->uniqueID(), m_movie->uniqueID());
    show(stored);
    const QString shown = m_view->shownText();
    QCOMPARE(
        shown,
        QStringLiteral("<p>%1</p>\n<p>and %2 too</p>").arg(markupOf(m_image), markupOf(m_movie)));
    const QList<AttachmentRuns::Run> runs = m_view->linkRuns();
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs.at(0).key, m_image->uniqueID());
    QCOMPARE(runs.at(0).start, 3);
    QCOMPARE(runs.at(0).length, markupOf(m_image).size());
    QCOMPARE(runs.at(1).key, m_movie->uniqueID());
    QCOMPARE(m_view->string(), stored);
    QVERIFY(!m_view->document()->isUndoAvailable());

    m_view->setString(m_view->string());
    QCOMPARE(m_view->shownText(), shown);
    QCOMPARE(m_view->string(), stored);

    // Without a draft nothing is an attachment: keys stay text.
    RVTextView bare;
    bare.setString(stored);
    QCOMPARE(bare.shownText(), stored);
    QCOMPARE(bare.string(), stored);
}

void tst_RVTextView::uploadedAttachmentIsPlainText()
{
    m_image->setUploadPath(QStringLiteral("https://blog.example/photo.jpg"));
    show(QStringLiteral("<p>%1</p>").arg(m_image->uniqueID()));
    QVERIFY(m_view->linkRuns().isEmpty());
    QCOMPARE(m_view->string(), QStringLiteral("<p>%1</p>").arg(markupOf(m_image)));
}

void tst_RVTextView::boldAndItalicPlaceTheCaret()
{
    show(QStringLiteral("one two"));
    select(0, 0);
    m_view->bold();
    QCOMPARE(m_view->shownText(), QStringLiteral("<strong></strong>one two"));
    QCOMPARE(m_view->textCursor().position(), 17);

    show(QStringLiteral("one two"));
    select(4, 7);
    m_view->bold();
    QCOMPARE(m_view->shownText(), QStringLiteral("one <strong>two</strong>"));
    QCOMPARE(m_view->textCursor().position(), positionOf(QStringLiteral("</strong>")));
    QVERIFY(!m_view->textCursor().hasSelection());

    select(0, 3);
    m_view->italic();
    QCOMPARE(m_view->shownText(), QStringLiteral("<em>one</em> <strong>two</strong>"));
    QCOMPARE(m_view->textCursor().position(), positionOf(QStringLiteral("</em>")));
    m_view->undo();
    QCOMPARE(m_view->shownText(), QStringLiteral("one <strong>two</strong>"));
}

void tst_RVTextView::wrappingASelectionKeepsItsRun()
{
    show(QStringLiteral("<p>%1</p>").arg(m_image->uniqueID()));
    const AttachmentRuns::Run run = m_view->linkRuns().first();
    select(int(run.start), int(run.end()));
    m_view->bold();
    QCOMPARE(m_view->string(),
             QStringLiteral("<p><strong>%1</strong></p>").arg(m_image->uniqueID()));
    QCOMPARE(m_view->linkRuns().size(), 1);
    QCOMPARE(m_view->linkRuns().first().start, run.start + 8);
}

void tst_RVTextView::customTagPlacesTheCaret()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("http://example.com/"));
    RVTagPtr link = RVTag::create();
    link->setOpenTag(QStringLiteral("a"));
    link->setAttributes(
        RVAttributeList{RVAttribute::create(QStringLiteral("href"), QStringLiteral("%@"))});
    show(QStringLiteral("see here"));
    select(4, 8);
    m_view->applyCustomTag(*link);
    QCOMPARE(m_view->shownText(), QStringLiteral("see <a href=\"http://example.com/\">here</a>"));
    QCOMPARE(m_view->textCursor().position(), positionOf(QStringLiteral("</a>")));

    // A custom tag's caret goes before its own closing text.
    RVTagPtr custom = RVTag::create();
    custom->setCustom(true);
    custom->setCustomOpen(QStringLiteral("[quote]"));
    custom->setCustomClose(QStringLiteral("[/quote]"));
    show(QStringLiteral("said so"));
    select(0, 4);
    m_view->applyCustomTag(*custom);
    QCOMPARE(m_view->shownText(), QStringLiteral("[quote]said[/quote] so"));
    QCOMPARE(m_view->textCursor().position(), positionOf(QStringLiteral("[/quote]")));

    // Without a selection the caret ends after the markup.
    select(0, 0);
    m_view->applyCustomTag(*custom);
    QCOMPARE(m_view->textCursor().position(), 15);

    RVTagPtr empty = RVTag::create();
    empty->setOpenTag(QStringLiteral("br"));
    empty->setCloseTag(false);
    show(QStringLiteral("a b"));
    select(1, 2);
    m_view->applyCustomTag(*empty);
    QCOMPARE(m_view->shownText(), QStringLiteral("a<br/>b"));
    QCOMPARE(m_view->textCursor().position(), 6);
}

void tst_RVTextView::customInsertKeepsTheSelection()
{
    show(QStringLiteral("<p>word</p>"));
    select(3, 7);
    m_view->customInsertText(QStringLiteral("new "));
    QCOMPARE(m_view->shownText(), QStringLiteral("<p>new word</p>"));
    QCOMPARE(m_view->textCursor().selectedText(), QStringLiteral("word"));
    m_view->undo();
    QCOMPARE(m_view->shownText(), QStringLiteral("<p>word</p>"));
}

void tst_RVTextView::closeOpenTagInsertsBeforeTheSelection()
{
    show(QStringLiteral("<div><p>x<br>%1 y").arg(m_image->uniqueID()));
    select(m_view->shownText().size(), m_view->shownText().size());
    m_view->closeOpenTag();
    QVERIFY(m_view->shownText().endsWith(QStringLiteral(" y</p>")));
    m_view->closeOpenTag();
    QVERIFY(m_view->shownText().endsWith(QStringLiteral(" y</p></div>")));
    m_view->closeOpenTag();
    QVERIFY(m_view->shownText().endsWith(QStringLiteral(" y</p></div>")));

    show(QStringLiteral("<b>bold text"));
    select(3, 7);
    m_view->closeOpenTag();
    QCOMPARE(m_view->shownText(), QStringLiteral("<b></b>bold text"));
    QCOMPARE(m_view->textCursor().selectedText(), QStringLiteral("bold"));
}

void tst_RVTextView::deletionInsideARunIsRefused()
{
    show(QStringLiteral("a%1b").arg(m_image->uniqueID()));
    const AttachmentRuns::Run run = m_view->linkRuns().first();
    const QString shown = m_view->shownText();
    select(int(run.end()), int(run.end()));
    QTest::keyClick(m_view.get(), Qt::Key_Backspace);
    QCOMPARE(m_view->shownText(), shown);
    select(int(run.start), int(run.start));
    QTest::keyClick(m_view.get(), Qt::Key_Delete);
    QCOMPARE(m_view->shownText(), shown);

    // Outside the run, deleting works as ever.
    select(int(run.start), int(run.start));
    QTest::keyClick(m_view.get(), Qt::Key_Backspace);
    QCOMPARE(m_view->shownText(), shown.mid(1));

    // The whole run, selected, goes.
    const AttachmentRuns::Run moved = m_view->linkRuns().first();
    select(int(moved.start), int(moved.end()));
    QTest::keyClick(m_view.get(), Qt::Key_Backspace);
    QCOMPARE(m_view->shownText(), QStringLiteral("b"));
    QVERIFY(m_view->linkRuns().isEmpty());
    m_view->undo();
    QCOMPARE(m_view->linkRuns().size(), 1);
    QCOMPARE(m_view->string(), QStringLiteral("%1b").arg(m_image->uniqueID()));
}

void tst_RVTextView::typedTextNeverJoinsARun()
{
    show(m_image->uniqueID());
    // Before a run that starts the text, after it, and after a line break
    // typed after it.
    select(0, 0);
    QTest::keyClicks(m_view.get(), QStringLiteral("x"));
    select(m_view->shownText().size(), m_view->shownText().size());
    QTest::keyClicks(m_view.get(), QStringLiteral("yz"));
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    QTest::keyClicks(m_view.get(), QStringLiteral("w"));
    const QList<AttachmentRuns::Run> runs = m_view->linkRuns();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs.first().start, 1);
    QCOMPARE(runs.first().length, markupOf(m_image).size());
    QCOMPARE(m_view->string(), QStringLiteral("x%1yz\nw").arg(m_image->uniqueID()));

    // Typing over a selection that ends in the run replaces it with plain text.
    select(0, int(runs.first().end()));
    QTest::keyClicks(m_view.get(), QStringLiteral("q"));
    QVERIFY(m_view->linkRuns().isEmpty());
    QCOMPARE(m_view->string(), QStringLiteral("qyz\nw"));
    m_view->undo();
    QCOMPARE(m_view->string(), QStringLiteral("x%1yz\nw").arg(m_image->uniqueID()));
}

void tst_RVTextView::caretSnapsOutOfRuns()
{
    show(QStringLiteral("ab%1cd").arg(m_image->uniqueID()));
    const AttachmentRuns::Run run = m_view->linkRuns().first();
    select(2, 2);
    QTest::keyClick(m_view.get(), Qt::Key_Right);
    QCOMPARE(m_view->textCursor().position(), run.end());
    QTest::keyClick(m_view.get(), Qt::Key_Left);
    QCOMPARE(m_view->textCursor().position(), run.start);
    QTest::keyClick(m_view.get(), Qt::Key_Left);
    QCOMPARE(m_view->textCursor().position(), 1);

    // A caret put in the middle goes to the nearer edge.
    select(int(run.start + 2), int(run.start + 2));
    QCOMPARE(m_view->textCursor().position(), run.start);
    select(int(run.end() - 2), int(run.end() - 2));
    QCOMPARE(m_view->textCursor().position(), run.end());

    // Shift-selecting into a run takes the run whole.
    select(1, 1);
    QTest::keyClick(m_view.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(m_view.get(), Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(m_view->textCursor().selectionStart(), 1);
    QCOMPARE(m_view->textCursor().selectionEnd(), run.end());
}

void tst_RVTextView::copyAndPasteKeepRuns()
{
    show(QStringLiteral("<p>%1</p>").arg(m_image->uniqueID()));
    const AttachmentRuns::Run run = m_view->linkRuns().first();
    select(0, int(run.end()));
    m_view->copy();
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(copied->text(), QStringLiteral("<p>") + markupOf(m_image));
    select(m_view->shownText().size(), m_view->shownText().size());
    m_view->paste();
    QCOMPARE(m_view->string(), QStringLiteral("<p>%1</p><p>%1").arg(m_image->uniqueID()));
    QCOMPARE(m_view->linkRuns().size(), 2);

    // Text from elsewhere is plain text.
    QGuiApplication::clipboard()->setText(markupOf(m_movie));
    m_view->paste();
    QCOMPARE(m_view->linkRuns().size(), 2);
    QVERIFY(m_view->string().endsWith(markupOf(m_movie)));
}

void tst_RVTextView::validationShowsTheFirstError()
{
    show(QStringLiteral("<p>one</p>\n<p>two <b>three</p>\n<p>four</p>"));
    m_view->validateHTML();
    QTRY_VERIFY(m_view->errorHighlighted());
    QMessageBox* alert = m_view->alertSheet();
    QVERIFY(alert);
    QCOMPARE(alert->text(), QStringLiteral("Invalid HTML!"));
    QVERIFY2(
        alert->informativeText().startsWith(QStringLiteral("Highlighting first error:\n\"line 2")),
        qPrintable(alert->informativeText()));
    const QList<QTextEdit::ExtraSelection> marks = m_view->extraSelections();
    QCOMPARE(marks.size(), 2);
    QCOMPARE(marks.first().cursor.selectionStart(), positionOf(QStringLiteral("<p>two")));
    QCOMPARE(marks.first().format.background().color(),
             TidyDiagnostics::errorLineTint(m_view->palette().color(QPalette::Base)));
    QCOMPARE(marks.last().format.background().color(), TidyDiagnostics::errorCharacterColor());
    QCOMPARE(m_view->textCursor().position(), marks.last().cursor.selectionStart());
    // The marks lie over the text: nothing to undo, nothing in the text.
    QVERIFY(!m_view->document()->isUndoAvailable());
    saveScreenshot(m_view.get(), QStringLiteral("source-view-validation"));
    alert->accept();

    QTest::keyClicks(m_view.get(), QStringLiteral("x"));
    QVERIFY(!m_view->errorHighlighted());
    QVERIFY(m_view->extraSelections().isEmpty());
}

void tst_RVTextView::validHtmlSaysSo()
{
    show(QStringLiteral("<p>fine</p>"));
    m_view->validateHTML();
    QTRY_VERIFY(m_view->alertSheet());
    QVERIFY(!m_view->errorHighlighted());
    QCOMPARE(m_view->alertSheet()->text(), QStringLiteral("The HTML is valid!"));
    QCOMPARE(m_view->alertSheet()->informativeText(),
             QStringLiteral("No problems were found in the HTML code."));
}

void tst_RVTextView::markupChangeRerendersWithoutUndo()
{
    show(QStringLiteral("<p>%1</p>").arg(m_image->uniqueID()));
    select(0, 0);
    QTest::keyClicks(m_view.get(), QStringLiteral("x"));
    QVERIFY(m_view->document()->isUndoAvailable());

    m_image->setAlt(QStringLiteral("A sunny day"));
    m_image->setMarkup(QString());
    QCOMPARE(m_view->shownText(), QStringLiteral("x<p>%1</p>").arg(markupOf(m_image)));
    QVERIFY(markupOf(m_image).contains(QStringLiteral("A sunny day")));
    QCOMPARE(m_view->linkRuns().size(), 1);
    QVERIFY(!m_view->document()->isUndoAvailable());
    QCOMPARE(m_view->string(), QStringLiteral("x<p>%1</p>").arg(m_image->uniqueID()));

    // Once uploaded the markup is plain text and stays in the body.
    m_image->setUploadPath(QStringLiteral("https://blog.example/photo.jpg"));
    m_image->setMarkup(QString());
    QVERIFY(m_view->linkRuns().isEmpty());
    QCOMPARE(m_view->string(), QStringLiteral("x<p>%1</p>").arg(markupOf(m_image)));

    // In rich mode the view is left alone.
    show(QStringLiteral("%1").arg(m_movie->uniqueID()));
    m_host->entryBeingEdited()->setEditMode(0);
    m_movie->setAlt(QStringLiteral("later"));
    m_movie->setMarkup(QString());
    QVERIFY(!m_view->shownText().contains(QStringLiteral("later")));
}

void tst_RVTextView::foreignLinksNeverEnterTheText()
{
    show(QStringLiteral("<p></p>"));
    select(3, 3);
    // Rich text from a browser comes in as its plain text.
    auto* rich = new QMimeData;
    rich->setHtml(QStringLiteral("<a href=\"http://example.com/\">a link</a>"));
    rich->setText(QStringLiteral("a link"));
    QGuiApplication::clipboard()->setMimeData(rich);
    m_view->paste();
    // A copied run of an attachment this draft does not have is plain text.
    auto* stored = new QMimeData;
    stored->setData(QString::fromLatin1(RVTextView::StoredMimeType),
                    QStringLiteral(" 0123456789abcdef0123456789abcdef").toUtf8());
    QGuiApplication::clipboard()->setMimeData(stored);
    m_view->paste();
    QCOMPARE(m_view->shownText(), QStringLiteral("<p>a link 0123456789abcdef0123456789abcdef</p>"));
    QVERIFY(m_view->linkRuns().isEmpty());

    // A run whose attachment the draft let go is no attachment run any more.
    show(QStringLiteral("<p>%1</p>").arg(m_image->uniqueID()));
    m_host->removeAttachment(m_image);
    QCOMPARE(m_view->string(), QStringLiteral("<p>%1</p>").arg(markupOf(m_image)));
}

void tst_RVTextView::contextMenuOnARun()
{
    OpenedUrls opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    show(QStringLiteral("<p>%1</p>").arg(m_image->uniqueID()));
    const AttachmentRuns::Run run = m_view->linkRuns().first();
    QTextCursor inside(m_view->document());
    inside.setPosition(int(run.start + 4));
    const QPoint point = m_view->cursorRect(inside).center();

    std::unique_ptr<QMenu> menu(m_view->contextMenuAt(point));
    QCOMPARE(menu->title(), QStringLiteral("Contextual Menu"));
    QList<QAction*> items = menu->actions();
    QCOMPARE(items.at(0)->text(), QStringLiteral("Open Link"));
    QCOMPARE(items.at(1)->text(), QStringLiteral("Edit Link") + QChar(0x2026));
    QCOMPARE(items.at(2)->text(), QStringLiteral("Remove Link"));
    QVERIFY(items.at(3)->isSeparator());
    QCOMPARE(items.at(items.size() - 2)->text(), QStringLiteral("URL with Clipboard"));
    QCOMPARE(items.last()->text(), QStringLiteral("Image with Clipboard"));

    items.at(0)->trigger();
    QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(m_image->filePath())});
    items.at(1)->trigger();
    items.last()->trigger();
    QCOMPARE(m_host->calls, (QStringList{"sheet " + m_image->uniqueID(), "image"}));
    items.at(2)->trigger();
    QCOMPARE(m_view->shownText(), QStringLiteral("<p></p>"));
    m_view->undo();
    QCOMPARE(m_view->string(), QStringLiteral("<p>%1</p>").arg(m_image->uniqueID()));

    // Elsewhere, no link items.
    menu.reset(m_view->contextMenuAt(m_view->cursorRect(QTextCursor(m_view->document())).center()));
    QCOMPARE(menu->actions().first()->text().contains(QStringLiteral("Link")), false);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void tst_RVTextView::openLinkSendsOnlyWebAddressesOn_data()
{
    // The address the server returned for the upload.
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << "https://blog.example/photo.jpg" << true;
    QTest::newRow("javascript") << "javascript:alert(1)" << false;
    QTest::newRow("smb") << "smb://server/share/photo.desktop" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
}

void tst_RVTextView::openLinkSendsOnlyWebAddressesOn()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);
    OpenedUrls desktop;
    const QStringList schemes{"https", "javascript", "smb", "file"};
    for (const QString& scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &desktop, "open");
    const auto unset = qScopeGuard([&] {
        for (const QString& scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    });
    show(QStringLiteral("<p>%1</p>").arg(m_image->uniqueID()));
    const AttachmentRuns::Run run = m_view->linkRuns().first();
    m_image->setUploadPath(address);
    m_view->openLink(RVTextView::LinkCommand::Open, run.start + 2);
    QCOMPARE(desktop.urls, opened ? QList<QUrl>{QUrl(address)} : QList<QUrl>{});
}

void tst_RVTextView::clickOnARunOpensItsSettings()
{
    show(QStringLiteral("<p>%1</p>").arg(m_image->uniqueID()));
    const AttachmentRuns::Run run = m_view->linkRuns().first();
    QTextCursor inside(m_view->document());
    inside.setPosition(int(run.start + 3));
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {},
                      m_view->cursorRect(inside).center() + QPoint(2, 0));
    QCOMPARE(m_host->calls, QStringList{"sheet " + m_image->uniqueID()});
}

void tst_RVTextView::spellingMarksWordsOutsideTags()
{
    m_view->setSpellingLanguage(QStringLiteral("en_US"));
    m_view->setContinuousSpellChecking(true);
    show(QStringLiteral("<p class=\"qwzx\">A helo frum the wrld&nbsp;now</p>"));
    QTRY_VERIFY(!m_view->extraSelections().isEmpty());
    QStringList marked;
    for (const QTextEdit::ExtraSelection& mark : m_view->extraSelections())
        marked.append(mark.cursor.selectedText());
    QCOMPARE(marked,
             (QStringList{QStringLiteral("helo"), QStringLiteral("frum"), QStringLiteral("wrld")}));
    m_view->setContinuousSpellChecking(false);
    QTRY_VERIFY(m_view->extraSelections().isEmpty());
}

void tst_RVTextView::draftEditorInterface()
{
    DraftEditor* editor = m_view.get();
    QCOMPARE(editor->editorWidget(), m_view.get());
    int changes = 0;
    editor->setChangeHandler([&changes] { ++changes; });
    const QString stored = QStringLiteral("<p>%1 text</p>").arg(m_image->uniqueID());
    editor->setContent(stored);
    QCOMPARE(changes, 0);
    QString content;
    editor->commitContent([&content](const QString& text) { content = text; });
    QCOMPARE(content, stored);

    const AttachmentRuns::Run run = m_view->linkRuns().first();
    select(int(run.start), int(run.end()) + 5);
    QString selection;
    editor->fetchSelection([&selection](const QString& text) { selection = text; });
    QCOMPARE(selection, m_image->uniqueID() + QStringLiteral(" text"));

    editor->replaceSelection(QStringLiteral("<em>%1</em>").arg(m_movie->uniqueID()));
    QCOMPARE(changes, 1);
    QCOMPARE(m_view->string(), QStringLiteral("<p><em>%1</em></p>").arg(m_movie->uniqueID()));
    QCOMPARE(m_view->linkRuns().size(), 1);
    QCOMPARE(m_view->linkRuns().first().key, m_movie->uniqueID());
    editor->undo();
    QCOMPARE(m_view->string(), stored);
    editor->redo();
    QCOMPARE(m_view->string(), QStringLiteral("<p><em>%1</em></p>").arg(m_movie->uniqueID()));
    QCOMPARE(changes, 3);
}

void tst_RVTextView::antiAliasPreference()
{
    QVERIFY(!(m_view->font().styleStrategy() & QFont::NoAntialias));
    UserDefaults::sharedInstance().setValue(QStringLiteral("no_alias"), true);
    NotificationCenter::sharedInstance().post(QStringLiteral("no_alias"));
    QVERIFY(m_view->noAntiAlias());
    QVERIFY(m_view->font().styleStrategy() & QFont::NoAntialias);
    UserDefaults::sharedInstance().remove(QStringLiteral("no_alias"));
    NotificationCenter::sharedInstance().post(QStringLiteral("no_alias"));
    QVERIFY(!m_view->noAntiAlias());
}

void tst_RVTextView::screenshot()
{
    m_host->html().setBackgroundColor(rv::Color(0.12, 0.13, 0.16));
    m_host->html().setTextColor(rv::Color(0.9, 0.9, 0.88));
    m_host->html().setFontSize(11.0);
    m_view->setDefaults(true);
    show(QStringLiteral("<h2 class=\"title\">A day at the lake</h2>\n"
                        "<p>We walked <em>all</em> the way round, past the "
                        "<a href='http://example.com/boathouse'>boat house</a>.</p>\n"
                        "<!-- photos below -->\n<p>%1</p>\n<p>The wather was cold.<br>\n"
                        "<img src=\"http://example.com/lake.jpg\" alt=\"lake\" />\n</p>")
             .arg(m_image->uniqueID()));
    QTest::qWait(300);
    saveScreenshot(m_view.get(), QStringLiteral("source-view-colours"));
    // Tags and values take the template's colours, over the view's own text.
    const QTextBlock first = m_view->document()->firstBlock();
    bool tagColoured = false;
    for (const QTextLayout::FormatRange& range : first.layout()->formats()) {
        if (range.format.foreground().color() == m_host->html().htmlColor()->toQColor())
            tagColoured = true;
    }
    QVERIFY(tagColoured);
}

QTEST_MAIN(tst_RVTextView)
#include "tst_rvtextview.moc"
