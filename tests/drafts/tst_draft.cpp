#include "AddonManager.h"
#include "AddonShortcuts.h"
#include "Attachment.h"
#include "AttachmentLibrary.h"
#include "BlogEntryStore.h"
#include "DarkPalette.h"
#include "DraftActions.h"
#include "DraftAddonHandler.h"
#include "DraftPaneStack.h"
#include "DraftSideView.h"
#include "DraftTesting.h"
#include "DraftWindowLayout.h"
#include "EntryRenderer.h"
#include "NotificationCenter.h"
#include "PLUMETAddonObject.h"
#include "PLUMETAddonProtocol.h"
#include "PLUMETFormatterProtocol.h"
#include "RVDraftWindow.h"
#include "RVSubView.h"
#include "RVTagTool.h"
#include "RVTextView.h"
#include "StringExtensions.h"
#include "ValidationSheet.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextCursor>

using namespace plumet::test;

namespace {

// A formatter that allows HTML editing and finds the HTML of "<p>broken" invalid.
class CheckingFormatter : public PLUMETFormatterProtocol {
public:
    QString formatterKey() const override { return QStringLiteral("Generic"); }
    QString formatterDescription() const override { return QStringLiteral("Checks HTML"); }
    bool willHandleFormat(const QString&) const override { return true; }
    bool allowsHTMLEditing() const override { return true; }
    QString formatText(const QString& text) override { return text; }
    QString urlTemplate() const override { return {}; }
};

// A menu add-on that hands its text back in capitals at once.
class ShoutAddon : public QObject, public PLUMETAddonProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETAddonProtocol)
public:
    explicit ShoutAddon(const QString& key = QStringLiteral("Shout")) : m_key(key) {}
    QString addonKey() const override { return m_key; }
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

private:
    QString m_key;
};

} // namespace

class tst_Draft : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readsInADarkPalette();

    void opensWithTheEntryInItsRowsAndPanes();
    void placementRestoresOrStaggers_data();
    void placementRestoresOrStaggers();
    void needsSaveTest_data();
    void needsSaveTest();
    void saveWritesTheEditorsToDisk();
    void anEditorRewritingWhatItWasGivenChangesNothing();
    void saveAsGivesANewEntryAndKeepsTheStoredPost();
    void closeRoad_data();
    void closeRoad();
    void neverSavedEntryLeavesItsBlogWhenClosedUnsaved();
    void switchEditorCarriesTheTextBothWays();
    void switchToRichRefusedOnInvalidHtmlChangesNothing();
    void subPaneSwitchSavesTheOutgoingText();
    void createSummaryFillsTheSummaryPane();
    void styleChangeRebuildsTheRichEditors();
    void hungRichEditorFallsBackAndTellsTheUser();
    void closeAfterAFallbackStopsOnceWithTheTextSaved();
    void rendererDyingWhileIdleTellsAndGivesTheTextBack();
    void roadsArrivingDuringACommitWaitTheirTurn();
    void reloadKeepsTypedTextAndTakesOutsideChanges();
    void movedEntryIsFollowed_data();
    void movedEntryIsFollowed();
    void entryRemovedFromItsBlogClosesTheDraftAfterSaving();
    void menuValidation();
    void blogSystemPanelInTheLowerPane();
    void addonTakesTheFocusedTextAndPutsItsResultBack();
    void customTagMenuAppliesTagsInTheFocusedEditor();
    void formatMenuActsOnTheFocusedSourceView();
    void formatMenuStylesTheRichEditor();
    void recordedAddonShortcutsRunInTheDraft();
    void attachmentsOfTheDraft();

private:
    // A draft of a stored post in rich mode, its editors fakes.
    Draft* openRichDraft(Blog& blog, EntryPtr& entry);

    std::unique_ptr<DraftWorld> m_world;
};

Draft* tst_Draft::openRichDraft(Blog& blog, EntryPtr& entry)
{
    DraftWorld::useFakeRichEditors();
    entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>");
    entry->setEditMode(Draft::RichMode);
    return DraftController::sharedInstance().openDraft(entry);
}

void tst_Draft::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    UserDefaults::sharedInstance().remove(QStringLiteral("summary_height"));
    m_world = std::make_unique<DraftWorld>();
}

void tst_Draft::cleanup()
{
    m_world.reset();
    EntryRenderer::setFormatterLookup({});
}

void tst_Draft::opensWithTheEntryInItsRowsAndPanes()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(
        blog, QStringLiteral("A walk"), QStringLiteral("<p>Out by the river.</p>"),
        QStringLiteral("<p>More of it.</p>"), QStringLiteral("A short one."));
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    QVERIFY(draft->window()->isVisible());
    QCOMPARE(draft->window()->windowTitle(), QStringLiteral("A walk[*]"));
    QCOMPARE(draft->layout().titleField()->text(), QStringLiteral("A walk"));
    // No rich editor is built yet: the draft edits HTML source.
    QCOMPARE(draft->mode(), int(Draft::SourceMode));
    QVERIFY(!draft->layout().richButton()->isEnabled());
    QVERIFY(draft->layout().htmlButton()->isChecked());
    QCOMPARE(sourceView(draft)->string(), QStringLiteral("<p>Out by the river.</p>"));
    QCOMPARE(sourceView(draft, true)->string(), QStringLiteral("<p>More of it.</p>"));
    // The blog system has keywords, shown by default; the blog list is not.
    QVERIFY(!draft->layout().keywordView()->isHidden());
    QVERIFY(draft->layout().blogListView()->isHidden());
    // The rows line their fields up.
    QCOMPARE(draft->layout().titleView()->contentField()->x(),
             draft->layout().keywordView()->contentField()->x());
    // Extended text and summary below; collapsed until the blog says otherwise.
    QVERIFY(draft->layout().paneStack()->dividerShown());
    QCOMPARE(draft->layout().paneStack()->segmentTags(), (QList<int>{0, 1}));
    QVERIFY(draft->layout().paneStack()->isCollapsed());
    draft->window()->resize(780, 560);
    saveScreenshot(draft->window(), QStringLiteral("draft-collapsed"));

    draft->layout().paneStack()->closureAction();
    QVERIFY(!draft->layout().paneStack()->isCollapsed());
    // The blog keeps the divider's collapsed state for its next drafts.
    QCOMPARE(blog.option(QStringLiteral("showExtraEdit")).toBool(), false);
    QTest::qWait(50);
    saveScreenshot(draft->window(), QStringLiteral("draft-expanded"));

    Blog& plain = m_world->addBlog(QStringLiteral("Plain"), m_world->plain);
    const EntryPtr other =
        DraftWorld::addEntry(plain, QStringLiteral("Plain post"), QStringLiteral("Body"));
    Draft* plainDraft = DraftController::sharedInstance().openDraft(other);
    // No extended text, no summary, no panel: the main pane fills the area.
    QVERIFY(!plainDraft->layout().paneStack()->dividerShown());
    QVERIFY(plainDraft->layout().keywordView()->isHidden());
    saveScreenshot(plainDraft->window(), QStringLiteral("draft-plain"));
}

void tst_Draft::placementRestoresOrStaggers_data()
{
    QTest::addColumn<QString>("position");
    QTest::addColumn<bool>("restored");
    QTest::newRow("two numbers") << QStringLiteral("213.000000 187.000000") << true;
    QTest::newRow("one part") << QStringLiteral("213.000000") << false;
    QTest::newRow("three parts") << QStringLiteral("213 187 5") << false;
    QTest::newRow("not numbers") << QStringLiteral("left top") << false;
}

void tst_Draft::placementRestoresOrStaggers()
{
    QFETCH(QString, position);
    QFETCH(bool, restored);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    DraftController& drafts = DraftController::sharedInstance();
    Draft* first = drafts.openDraft(DraftWorld::addEntry(blog, "One", "1"));
    const QPoint firstPlace = first->window()->pos();
    QVERIFY(firstPlace.x() > 0 && firstPlace.y() > 0);
    Draft* second = drafts.openDraft(DraftWorld::addEntry(blog, "Two", "2"));
    // Ten points right of and below the last visible draft.
    QCOMPARE(second->window()->pos(), firstPlace + QPoint(10, 10));

    const EntryPtr third = DraftWorld::addEntry(blog, "Three", "3");
    drafts.openDraftForEntry(third.get(), position);
    Draft* placed = drafts.draftForEntry(third.get());
    QVERIFY(placed);
    if (restored)
        QCOMPARE(placed->window()->pos(), QPoint(213, 187));
    else
        QCOMPARE(placed->window()->pos(), firstPlace + QPoint(20, 20));
}

void tst_Draft::needsSaveTest_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("published");
    QTest::addColumn<bool>("needed");
    QTest::newRow("nothing changed")
        << QStringLiteral("<p>Body</p>") << QString() << false << false;
    QTest::newRow("white space around")
        << QStringLiteral("  <p>Body</p>\n") << QString() << false << false;
    QTest::newRow("body typed") << QStringLiteral("<p>Body and more</p>") << QString() << false
                                << true;
    QTest::newRow("title only") << QStringLiteral("<p>Body</p>") << QStringLiteral("New title")
                                << false << true;
    QTest::newRow("published and changed")
        << QStringLiteral("<p>Changed</p>") << QString() << true << true;
}

void tst_Draft::needsSaveTest()
{
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(bool, published);
    QFETCH(bool, needed);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>");
    if (published) {
        entry->setFlag(0);
        blog.save(*entry);
    }
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), typed);
    if (!title.isEmpty()) {
        draft->layout().titleField()->setFocus();
        draft->layout().titleField()->selectAll();
        QTest::keyClicks(draft->layout().titleField(), title);
    }
    std::optional<bool> answer;
    draft->determineIfSaveIsNeeded([&](bool result) { answer = result; });
    QVERIFY(answer.has_value()); // the source view answers at once
    QCOMPARE(*answer, needed);
    QCOMPARE(draft->needsSave(), needed);
    // The editors are in the entry now, whatever the answer.
    QCOMPARE(entry->body(), typed);
    // A published post that changed is marked as edited locally.
    QCOMPARE(entry->hasFlag(Entry::ChangedLocally), published && needed);
}

void tst_Draft::saveWritesTheEditorsToDisk()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Old</p>", "<p>Old more</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>New</p>"));
    typeInto(sourceView(draft, true), QStringLiteral("<p>New more</p>"));
    QVERIFY(draft->window()->isWindowModified());

    draft->saveDocument();
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), QStringLiteral("<p>New</p>"));
    QCOMPARE(entry->extended(), QStringLiteral("<p>New more</p>"));
    QVERIFY(!draft->window()->isWindowModified());
    QVERIFY(!entry->needsSave());
    // The copy as last saved follows: nothing more to save.
    std::optional<bool> answer;
    draft->determineIfSaveIsNeeded([&](bool result) { answer = result; });
    QCOMPARE(answer, false);
}

void tst_Draft::anEditorRewritingWhatItWasGivenChangesNothing()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    EntryPtr entry;
    Draft* draft = openRichDraft(blog, entry);
    entry->setFlag(0); // a published post
    QVERIFY(blog.save(*entry));
    draft->renewCopy();
    FakeRichEditor* rich = richEditor(draft);
    QVERIFY(rich);
    // The editor hands the post back written its own way, as any serializer
    // would, though nobody typed.
    rich->content = QStringLiteral("<p>\n  Body\n</p>");
    const QString file = blog.entryFilePath(*entry);
    QVERIFY(QFile::remove(file));

    std::optional<bool> answer;
    draft->determineIfSaveIsNeeded([&](bool result) { answer = result; });
    QTRY_COMPARE(answer, std::optional<bool>(false));
    QCOMPARE(entry->body(), QStringLiteral("<p>Body</p>"));
    bool autosaved = false;
    draft->saveDocument();
    draft->saveIfNeeded([&] { autosaved = true; });
    QTRY_VERIFY(autosaved);
    QVERIFY(!QFile::exists(file)); // nothing was written
    QVERIFY(!entry->hasFlag(Entry::ChangedLocally));
    QVERIFY(!draft->window()->isWindowModified());
    // Through the source view and back, untouched: the same bytes.
    draft->switchEditor(Draft::SourceMode);
    QTRY_COMPARE(draft->mode(), int(Draft::SourceMode));
    QCOMPARE(sourceView(draft)->string(), QStringLiteral("<p>Body</p>"));
    draft->switchEditor(Draft::RichMode);
    QTRY_COMPARE(draft->mode(), int(Draft::RichMode));
    rich->content = QStringLiteral("<p>Body</p>\n\n");
    answer.reset();
    draft->determineIfSaveIsNeeded([&](bool result) { answer = result; });
    QTRY_COMPARE(answer, std::optional<bool>(false));
    QVERIFY(!QFile::exists(file));

    // Once the user types, what the editor gives is the post.
    rich->type(QStringLiteral("<p>Body, typed</p>"));
    draft->saveDocument();
    QTRY_COMPARE(DraftWorld::storedBody(blog, entry->uniqueID()),
                 std::optional<QString>(QStringLiteral("<p>Body, typed</p>")));
    QVERIFY(entry->hasFlag(Entry::ChangedLocally));
}

void tst_Draft::saveAsGivesANewEntryAndKeepsTheStoredPost()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Stored</p>");
    entry->setFlag(0);
    entry->setPermaLink(QStringLiteral("http://example.org/post"));
    blog.save(*entry);
    const QString oldID = entry->uniqueID();
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>Another version</p>"));
    int retrieved = 0;
    QObject receiver;
    NotificationCenter::sharedInstance().observe(QStringLiteral("entriesRetrieved"), &receiver,
                                                 [&](const Notification&) { ++retrieved; });

    draft->saveDocumentAs();
    QVERIFY(entry->uniqueID() != oldID);
    QCOMPARE(entry->flag(), int(Entry::LocalOnly));
    QVERIFY(entry->permaLink().isNull());
    QCOMPARE(retrieved, 1);
    QCOMPARE(blog.entries().size(), 2);
    const EntryPtr stored = blog.entryWithID(oldID);
    QVERIFY(stored);
    QCOMPARE(stored->body(), QStringLiteral("<p>Stored</p>"));
    QCOMPARE(DraftWorld::storedBody(blog, oldID), QStringLiteral("<p>Stored</p>"));
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()),
             QStringLiteral("<p>Another version</p>"));
    QCOMPARE(draft->entry(), entry);
}

void tst_Draft::closeRoad_data()
{
    QTest::addColumn<QVariant>("autoSave");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QString>("answer"); // the sheet's button, empty when none shows
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("onDisk");
    QTest::newRow("unchanged closes without writing")
        << QVariant(false) << false << QString() << true << QStringLiteral("<p>Old</p>");
    QTest::newRow("saving unset saves without asking")
        << QVariant() << true << QString() << true << QStringLiteral("<p>Typed</p>");
    QTest::newRow("saving on saves without asking")
        << QVariant(true) << true << QString() << true << QStringLiteral("<p>Typed</p>");
    QTest::newRow("asked: Save") << QVariant(false) << true << QStringLiteral("Save") << true
                                 << QStringLiteral("<p>Typed</p>");
    QTest::newRow("asked: Don't Save") << QVariant(false) << true << QStringLiteral("Don't Save")
                                       << true << QStringLiteral("<p>Old</p>");
    QTest::newRow("asked: Cancel") << QVariant(false) << true << QStringLiteral("Cancel") << false
                                   << QStringLiteral("<p>Old</p>");
}

void tst_Draft::closeRoad()
{
    QFETCH(QVariant, autoSave);
    QFETCH(bool, typed);
    QFETCH(QString, answer);
    QFETCH(bool, closed);
    QFETCH(QString, onDisk);
    if (autoSave.isValid())
        UserDefaults::sharedInstance().setValue(QStringLiteral("shouldAutoSave"), autoSave);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Old</p>");
    const QDateTime fileTime =
        QFileInfo(blog.store().folder() + "/" + rv::MD5(entry->uniqueID()) + ".plumet")
            .lastModified();
    DraftController& drafts = DraftController::sharedInstance();
    Draft* draft = drafts.openDraft(entry);
    if (typed)
        typeInto(sourceView(draft), QStringLiteral("<p>Typed</p>"));
    QTest::qWait(20);

    draft->window()->close(); // the close box
    if (!answer.isEmpty()) {
        QVERIFY(draft->sheet());
        QCOMPARE(plainText(draft->sheet()->text()),
                 QStringLiteral("Do you want to save changes to this draft before closing?"));
        QCOMPARE(draft->sheet()->informativeText(),
                 QStringLiteral("If you don't save, your changes will be lost."));
        saveScreenshot(draft->sheet(), QStringLiteral("draft-save-sheet"));
        QVERIFY(clickButton(draft->sheet(), answer));
    } else {
        QVERIFY(!draft->sheet());
    }
    QCOMPARE(drafts.listOfDrafts().contains(draft), !closed);
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), onDisk);
    if (answer == QLatin1String("Don't Save"))
        QCOMPARE(entry->body(), QStringLiteral("<p>Old</p>")); // restored from the copy
    if (!typed)
        QCOMPARE(QFileInfo(blog.store().folder() + "/" + rv::MD5(entry->uniqueID()) + ".plumet")
                     .lastModified(),
                 fileTime);
    if (!closed)
        QVERIFY(draft->window()->isVisible());
    letDraftsGo();
}

void tst_Draft::neverSavedEntryLeavesItsBlogWhenClosedUnsaved()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("shouldAutoSave"), false);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    DraftController& drafts = DraftController::sharedInstance();
    const EntryPtr entry = DraftWorld::addNewEntry(blog);
    Draft* draft = drafts.openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("Not worth keeping"));
    draft->window()->close();
    QVERIFY(clickButton(draft->sheet(), QStringLiteral("Don't Save")));
    // Gone as the draft closes, not when it is released later.
    QVERIFY(!blog.entries().contains(entry));
    letDraftsGo();
    QVERIFY(!blog.entries().contains(entry));
}

void tst_Draft::switchEditorCarriesTheTextBothWays()
{
    DraftWorld::useFakeRichEditors();
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Start</p>", "<p>Ext</p>");
    entry->setEditMode(Draft::RichMode);
    entry->setFormat(QStringLiteral("markdown"));
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QCOMPARE(draft->mode(), int(Draft::RichMode));
    QVERIFY(draft->layout().richButton()->isChecked());
    FakeRichEditor* rich = richEditor(draft);
    QCOMPARE(rich->content, QStringLiteral("<p>Start</p>"));
    QCOMPARE(richEditor(draft, true)->content, QStringLiteral("<p>Ext</p>"));
    QCOMPARE(draft->actions().switchEditorAction()->text(), QStringLiteral("Make HTML Text"));

    rich->answer = FakeRichEditor::Answer::Later;
    rich->type(QStringLiteral("<p>Start, edited richly</p>"));
    draft->layout().htmlButton()->click();
    QCOMPARE(draft->mode(), int(Draft::RichMode)); // waits for the rich editor
    QTRY_COMPARE(draft->mode(), int(Draft::SourceMode));
    QCOMPARE(sourceView(draft)->string(), QStringLiteral("<p>Start, edited richly</p>"));
    QCOMPARE(sourceView(draft, true)->string(), QStringLiteral("<p>Ext</p>"));
    QCOMPARE(entry->editMode(), int(Draft::SourceMode));
    // HTML written by the rich editor takes no text filter any more.
    QCOMPARE(entry->format(), QString());
    QCOMPARE(draft->layout().mainTabView()->currentIndex(), int(Draft::SourceMode));
    draft->validateActions();
    QCOMPARE(draft->actions().switchEditorAction()->text(), QStringLiteral("Make Rich Text"));

    // The button of the kind shown does nothing.
    const int loads = rich->loads;
    draft->switchEditor(Draft::SourceMode);
    QCOMPARE(draft->mode(), int(Draft::SourceMode));
    typeInto(sourceView(draft), QStringLiteral("<p>Back to rich</p>"));
    draft->switchEditor(Draft::RichMode);
    QCOMPARE(draft->mode(), int(Draft::RichMode));
    QCOMPARE(rich->loads, loads + 1);
    QCOMPARE(rich->content, QStringLiteral("<p>Back to rich</p>"));
    QCOMPARE(entry->editMode(), int(Draft::RichMode));
}

void tst_Draft::switchToRichRefusedOnInvalidHtmlChangesNothing()
{
    CheckingFormatter formatter;
    EntryRenderer::setFormatterLookup(
        {[&](const QString&) -> PLUMETFormatterProtocol* { return &formatter; },
         [&](const QString&) -> PLUMETFormatterProtocol* { return &formatter; }});
    DraftWorld::useFakeRichEditors();
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>fine</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>broken <b>bold</p>"));
    draft->switchEditor(Draft::RichMode);
    ValidationSheet* sheet = nullptr;
    QTRY_VERIFY((sheet = draft->window()->findChild<ValidationSheet*>()));
    QCOMPARE(sheet->message(), QStringLiteral("Invalid HTML in main body!"));
    QVERIFY(sheet->detail().contains(QStringLiteral("line")));
    saveScreenshot(sheet, QStringLiteral("draft-validation"));
    sheet->keepButton()->click();
    letDraftsGo(); // the answered sheet goes
    QCOMPARE(draft->mode(), int(Draft::SourceMode));
    QCOMPARE(sourceView(draft)->string(), QStringLiteral("<p>broken <b>bold</p>"));
    QCOMPARE(entry->editMode(), int(Draft::SourceMode));

    // Taking the correction switches with the corrected HTML.
    draft->switchEditor(Draft::RichMode);
    QTRY_VERIFY((sheet = draft->window()->findChild<ValidationSheet*>()));
    sheet->correctButton()->click();
    QCOMPARE(draft->mode(), int(Draft::RichMode));
    QCOMPARE(richEditor(draft)->content, entry->fixedHTML());
    QVERIFY(richEditor(draft)->content.contains(QStringLiteral("</b>")));
}

void tst_Draft::subPaneSwitchSavesTheOutgoingText()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>B</p>", "<p>Ext</p>", "Sum");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft, true), QStringLiteral("<p>Ext, longer</p>"));
    draft->toggleExtraEdit(Draft::SummaryTag);
    QCOMPARE(entry->extended(), QStringLiteral("<p>Ext, longer</p>"));
    QCOMPARE(sourceView(draft, true)->string(), QStringLiteral("Sum"));
    QCOMPARE(draft->layout().paneStack()->selectedTag(), int(Draft::SummaryTag));
    QCOMPARE(blog.option(QStringLiteral("extraEditTab")).toInt(), int(Draft::SummaryTag));
    typeInto(sourceView(draft, true), QStringLiteral("A better summary"));
    draft->saveDocument();
    QCOMPARE(entry->summary(), QStringLiteral("A better summary"));
    QCOMPARE(entry->extended(), QStringLiteral("<p>Ext, longer</p>"));

    // Another draft of the same blog switching its pane leaves this one's
    // text going to the field it shows.
    const EntryPtr second = DraftWorld::addEntry(blog, "Second", "<p>2</p>", "<p>2 ext</p>", "");
    Draft* other = DraftController::sharedInstance().openDraft(second);
    QCOMPARE(other->subTag(), int(Draft::SummaryTag));
    other->toggleExtraEdit(Draft::ExtendedTag);
    typeInto(sourceView(draft, true), QStringLiteral("Summary still"));
    draft->saveDocument();
    QCOMPARE(entry->summary(), QStringLiteral("Summary still"));
    QCOMPARE(entry->extended(), QStringLiteral("<p>Ext, longer</p>"));
}

void tst_Draft::createSummaryFillsTheSummaryPane()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("summary_num"), 1);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "", "");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft->actions().createSummaryAction()->isEnabled());
    QVERIFY(draft->layout().paneStack()->isCollapsed());
    typeInto(sourceView(draft),
             QStringLiteral("<p>Rivers run to the sea. The sea is wide. Rivers and the sea "
                            "meet at the river mouth.</p>"));
    draft->createSummary();
    QVERIFY(!entry->summary().isEmpty());
    QCOMPARE(draft->subTag(), int(Draft::SummaryTag));
    QVERIFY(!draft->layout().paneStack()->isCollapsed());
    QCOMPARE(sourceView(draft, true)->string(), entry->summary());
    QVERIFY(entry->body().contains(QStringLiteral("Rivers run")));
}

void tst_Draft::styleChangeRebuildsTheRichEditors()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    EntryPtr entry;
    Draft* draft = openRichDraft(blog, entry);
    FakeRichEditor* rich = richEditor(draft);
    rich->type(QStringLiteral("<p>Typed before the style changed</p>"));
    const int loads = rich->loads;
    NotificationCenter::sharedInstance().post(QStringLiteral("styleChanged"));
    QCOMPARE(rich->loads, loads + 1);
    // Rebuilt from what the editor held, not from the older entry.
    QCOMPARE(rich->content, QStringLiteral("<p>Typed before the style changed</p>"));
}

void tst_Draft::hungRichEditorFallsBackAndTellsTheUser()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    EntryPtr entry;
    Draft* draft = openRichDraft(blog, entry);
    QCOMPARE(draft->committer().timeout(), 2000);
    draft->committer().setTimeout(150);
    FakeRichEditor* rich = richEditor(draft);
    rich->answer = FakeRichEditor::Answer::Never;
    rich->type(QStringLiteral("<p>Pushed</p>"), true);
    rich->type(QStringLiteral("<p>Pushed, then typed more</p>"));

    draft->saveDocument();
    QVERIFY(draft->layout().noticeText().isEmpty());
    QTRY_VERIFY(!draft->layout().noticeText().isEmpty());
    QVERIFY(draft->layout().noticeText().contains(QStringLiteral("did not hand over its text")));
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), QStringLiteral("<p>Pushed</p>"));
    saveScreenshot(draft->window(), QStringLiteral("draft-fallback-note"));

    // A renderer that dies says so: the draft goes on at once, long before
    // a time-out this wait could reach.
    draft->committer().setTimeout(600000);
    rich->answer = FakeRichEditor::Answer::Fail;
    rich->delay = 10;
    rich->type(QStringLiteral("<p>Pushed again</p>"), true);
    bool saved = false;
    draft->commitThen(QStringLiteral("save"), [&] { saved = true; });
    QTRY_VERIFY_WITH_TIMEOUT(saved, 60000);
    QCOMPARE(entry->body(), QStringLiteral("<p>Pushed again</p>"));
}

void tst_Draft::closeAfterAFallbackStopsOnceWithTheTextSaved()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    EntryPtr entry;
    Draft* draft = openRichDraft(blog, entry);
    DraftController& drafts = DraftController::sharedInstance();
    draft->committer().setTimeout(100);
    FakeRichEditor* rich = richEditor(draft);
    rich->answer = FakeRichEditor::Answer::Never;
    rich->type(QStringLiteral("<p>Last pushed</p>"), true);

    draft->window()->close();
    QTRY_VERIFY(!draft->layout().noticeText().isEmpty());
    QVERIFY(drafts.listOfDrafts().contains(draft)); // stopped once, the user told
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), QStringLiteral("<p>Last pushed</p>"));
    draft->window()->close();
    QTRY_VERIFY(!drafts.listOfDrafts().contains(draft)); // the second close goes through
    letDraftsGo();
}

void tst_Draft::rendererDyingWhileIdleTellsAndGivesTheTextBack()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    EntryPtr entry;
    Draft* draft = openRichDraft(blog, entry);
    FakeRichEditor* rich = richEditor(draft);
    rich->type(QStringLiteral("<p>Pushed</p>"), true);
    rich->type(QStringLiteral("<p>Pushed, and typed on</p>")); // dies with the renderer

    // No road is running: the draft still tells the user at once.
    rich->crash();
    QVERIFY(draft->layout().noticeText().contains(QStringLiteral("stopped working")));
    saveScreenshot(draft->window(), QStringLiteral("draft-renderer-stopped-note"));
    QCOMPARE(rich->content, QStringLiteral("<p>Body</p>")); // the page as first loaded
    // The new page is ready: it gets the text the editor last passed on, not
    // the one it was loaded with.
    rich->recover();
    QCOMPARE(rich->content, QStringLiteral("<p>Pushed</p>"));

    // The user types on there, and saves: nothing passed on is lost.
    rich->type(rich->content + QStringLiteral("<p>More</p>"));
    draft->saveDocument();
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()),
             QStringLiteral("<p>Pushed</p><p>More</p>"));
    // The editor answered that commit itself: no fallback, no hold on closing.
    QCOMPARE(rich->commits, 1);
    draft->window()->close();
    QTRY_VERIFY(!DraftController::sharedInstance().listOfDrafts().contains(draft));
    letDraftsGo();
}

void tst_Draft::roadsArrivingDuringACommitWaitTheirTurn()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    EntryPtr entry;
    Draft* draft = openRichDraft(blog, entry);
    DraftController& drafts = DraftController::sharedInstance();
    FakeRichEditor* rich = richEditor(draft);
    rich->answer = FakeRichEditor::Answer::Later;
    rich->delay = 40;
    rich->type(QStringLiteral("<p>Typed richly</p>"));

    // Save, switch to source, then close: each waits for the one before.
    draft->saveDocument();
    draft->switchEditor();
    draft->window()->close();
    QCOMPARE(draft->committer().queuedRoads(), (QStringList{"switch editor", "close"}));
    QTRY_VERIFY(!drafts.listOfDrafts().contains(draft));
    QCOMPARE(entry->editMode(), int(Draft::SourceMode));
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()),
             QStringLiteral("<p>Typed richly</p>"));
    letDraftsGo();
}

void tst_Draft::reloadKeepsTypedTextAndTakesOutsideChanges()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>", "<p>Ext</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>Typed body</p>"));
    // Something else changes the entry, then asks to edit it.
    entry->setExtended(QStringLiteral("<p>Changed elsewhere</p>"));
    entry->setBody(QStringLiteral("<p>Body changed elsewhere</p>"));
    entry->edit();
    QCOMPARE(sourceView(draft)->string(), QStringLiteral("<p>Typed body</p>"));
    QCOMPARE(sourceView(draft, true)->string(), QStringLiteral("<p>Changed elsewhere</p>"));
    QVERIFY(entry->needsSave());
}

void tst_Draft::movedEntryIsFollowed_data()
{
    QTest::addColumn<bool>("published");
    QTest::newRow("local post") << false;
    QTest::newRow("published post") << true;
}

void tst_Draft::movedEntryIsFollowed()
{
    QFETCH(bool, published);
    Blog& from = m_world->addBlog(QStringLiteral("From"), m_world->plain);
    Blog& to = m_world->addBlog(QStringLiteral("To"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(from, "Post", "<p>Body</p>");
    if (published) {
        entry->setFlag(0);
        from.save(*entry);
    }
    DraftController& drafts = DraftController::sharedInstance();
    Draft* draft = drafts.openDraft(entry);
    QVERIFY(!draft->layout().paneStack()->dividerShown());
    typeInto(sourceView(draft), QStringLiteral("<p>Typed before the move</p>"));

    const EntryPtr moved = entry->moveToBlog(&to); // as a drop on the outline does
    QVERIFY(moved);
    QCOMPARE(draft->entry(), moved);
    QCOMPARE(drafts.draftForEntry(moved.get()), draft);
    QVERIFY(!drafts.draftForEntry(entry.get()));
    QCOMPARE(from.entries().contains(entry), published);
    // The window takes on the new blog's fields.
    QVERIFY(draft->layout().paneStack()->dividerShown());
    QVERIFY(!draft->layout().keywordView()->isHidden());

    // The typed text goes into the moved entry.
    draft->saveDocument();
    QCOMPARE(DraftWorld::storedBody(to, moved->uniqueID()),
             QStringLiteral("<p>Typed before the move</p>"));
    if (published)
        QCOMPARE(DraftWorld::storedBody(from, entry->uniqueID()), QStringLiteral("<p>Body</p>"));
    else
        QVERIFY(!DraftWorld::storedBody(from, entry->uniqueID()));
}

void tst_Draft::entryRemovedFromItsBlogClosesTheDraftAfterSaving()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>");
    const QString id = entry->uniqueID();
    DraftController& drafts = DraftController::sharedInstance();
    QPointer<Draft> draft = drafts.openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>Not to be lost</p>"));
    std::weak_ptr<Entry> watched = entry;

    blog.removeEntry(entry.get());
    QVERIFY(!drafts.listOfDrafts().contains(draft.data()));
    QCOMPARE(entry->body(), QStringLiteral("<p>Not to be lost</p>"));
    QCOMPARE(DraftWorld::storedBody(blog, id), QStringLiteral("<p>Not to be lost</p>"));
    letDraftsGo();
    QVERIFY(!draft);

    // An entry removed unchanged leaves nothing behind.
    const EntryPtr other = DraftWorld::addEntry(blog, "Other", "<p>Other</p>");
    const QString otherID = other->uniqueID();
    drafts.openDraft(other);
    blog.removeEntry(other.get());
    QVERIFY(drafts.listOfDrafts().isEmpty());
    QVERIFY(!DraftWorld::storedBody(blog, otherID));
}

void tst_Draft::menuValidation()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    Draft* draft = DraftController::sharedInstance().openDraft(
        DraftWorld::addEntry(blog, "Post", "<p>Body</p>"));
    draft->validateActions();
    QVERIFY(draft->actions().toggleKeywordsAction()->isEnabled());
    QVERIFY(draft->actions().toggleKeywordsAction()->isChecked());
    QVERIFY(!draft->actions().toggleBloglistAction()->isChecked());
    QVERIFY(draft->actions().createSummaryAction()->isEnabled());
    // Parts not built yet leave their commands off.
    QVERIFY(!draft->actions().publishAction()->isEnabled());
    QVERIFY(!draft->actions().refreshCategoriesAction()->isEnabled());
    QVERIFY(!draft->actions().switchEditorAction()->isEnabled());
    // Custom Tags opens the custom-tag window.
    QVERIFY(draft->actions().customTagsAction()->isEnabled());
    draft->actions().customTagsAction()->trigger();
    QVERIFY(RVTagTool::sharedInstance().window());
    QVERIFY(RVTagTool::sharedInstance().window()->isVisible());
    RVTagTool::sharedInstance().window()->close();

    draft->toggleKeywords();
    QVERIFY(draft->layout().keywordView()->isHidden());
    QVERIFY(!draft->actions().toggleKeywordsAction()->isChecked());
    QCOMPARE(blog.option(QStringLiteral("showKeywords")).toBool(), false);
    draft->toggleBloglist();
    QVERIFY(!draft->layout().blogListView()->isHidden());
    QVERIFY(draft->actions().toggleBloglistAction()->isChecked());

    Blog& plain = m_world->addBlog(QStringLiteral("Plain"), m_world->plain);
    Draft* plainDraft = DraftController::sharedInstance().openDraft(
        DraftWorld::addEntry(plain, "Plain", "<p>Body</p>"));
    plainDraft->validateActions();
    QVERIFY(!plainDraft->actions().toggleKeywordsAction()->isEnabled());
    QVERIFY(!plainDraft->actions().createSummaryAction()->isEnabled());

    // A publishing road installed turns Publish on.
    int published = 0;
    DraftExtensions::sharedInstance().publish = [&](Draft&) { ++published; };
    draft->validateActions();
    QVERIFY(draft->actions().publishAction()->isEnabled());
    draft->actions().publishAction()->trigger();
    QCOMPARE(published, 1);
}

void tst_Draft::blogSystemPanelInTheLowerPane()
{
    m_world->plain.offersPanel = true;
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>");
    DraftController& drafts = DraftController::sharedInstance();
    Draft* draft = drafts.openDraft(entry);
    QVERIFY(draft->pluginObject());
    QVERIFY(draft->layout().paneStack()->dividerShown());
    QCOMPARE(draft->layout().paneStack()->segmentTags(), QList<int>{2});
    QCOMPARE(draft->subTag(), int(Draft::PluginTag));
    QCOMPARE(draft->layout().subTabView()->currentIndex(), int(Draft::PluginTag));
    // The panel writes the entry's settings as it edits them.
    static_cast<TestDraftPanel*>(draft->pluginObject())->edit(QStringLiteral("mood"), 3);
    QCOMPARE(entry->pluginSettings().value(QStringLiteral("mood")).toInt(), 3);
    draft->window()->close();
    QCOMPARE(m_world->plain.panelsDisposed, 1);
    letDraftsGo();
}

void tst_Draft::addonTakesTheFocusedTextAndPutsItsResultBack()
{
    static ShoutAddon shout;
    AddonManager::sharedInstance().registerPlugin(&shout, QStringLiteral("test"));
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry =
        DraftWorld::addEntry(blog, "Post", "<p>Body and more</p>", "<p>Extended</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    RVTextView* view = sourceView(draft);

    // Without an editor in focus the items are off and a call does nothing.
    draft->layout().titleField()->setFocus();
    QTRY_VERIFY(draft->layout().titleField()->hasFocus());
    emit draft->addonMenu()->aboutToShow();
    QVERIFY(!draft->addonMenu()->actions().isEmpty());
    QVERIFY(!draft->addonMenu()->actions().first()->isEnabled());
    draft->callAddon(QStringLiteral("Shout"));
    QVERIFY(shout.received.isEmpty());

    // The selection goes over and the result takes its place.
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    emit draft->addonMenu()->aboutToShow();
    QVERIFY(draft->addonMenu()->actions().first()->isEnabled());
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(3);
    cursor.setPosition(7, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    draft->addonMenu()->actions().first()->trigger();
    QCOMPARE(shout.received, QStringList{QStringLiteral("Body")});
    QCOMPARE(view->string(), QStringLiteral("<p>BODY and more</p>"));

    // An add-on that wants the whole text gets it and replaces all of it,
    // in the editor that has the focus (here the lower pane's).
    shout.wholeText = true;
    RVTextView* sub = sourceView(draft, true);
    sub->setFocus();
    QTRY_VERIFY(sub->hasFocus());
    draft->callAddon(QStringLiteral("Shout"));
    QCOMPARE(shout.received.last(), QStringLiteral("<p>Extended</p>"));
    QCOMPARE(sub->string(), QStringLiteral("<P>EXTENDED</P>"));
    QCOMPARE(view->string(), QStringLiteral("<p>BODY and more</p>"));

    // The result is the user's to save like any edit.
    draft->saveDocument();
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()),
             QStringLiteral("<p>BODY and more</p>"));
    QCOMPARE(entry->extended(), QStringLiteral("<P>EXTENDED</P>"));
    QVERIFY(draft->addonHandler()->runningAddon().isNull());
    shout.wholeText = false;
}

void tst_Draft::customTagMenuAppliesTagsInTheFocusedEditor()
{
    QMenu tagMenu;
    RVTagTool& tool = RVTagTool::sharedInstance();
    tool.loadUI(&tagMenu);
    const RVTagPtr emphasis = RVTag::create();
    emphasis->setTitle(QStringLiteral("Emphasis"));
    emphasis->setOpenTag(QStringLiteral("em"));
    tool.setCustomTags({emphasis});

    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    Draft* draft =
        DraftController::sharedInstance().openDraft(DraftWorld::addEntry(blog, "Post", "Body"));
    QVERIFY(draft->window()->menuBar()->actions().contains(tagMenu.menuAction()));
    RVTextView* view = sourceView(draft);
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    view->selectAll();
    emit tagMenu.aboutToShow();
    QCOMPARE(tagMenu.actions().size(), 1);
    QVERIFY(tagMenu.actions().first()->isEnabled());
    tagMenu.actions().first()->trigger();
    QCOMPARE(view->string(), QStringLiteral("<em>Body</em>"));
    tool.loadUI(nullptr);
    tool.setCustomTags({});
}

void tst_Draft::formatMenuActsOnTheFocusedSourceView()
{
    CheckingFormatter formatter;
    EntryRenderer::setFormatterLookup(
        {[&](const QString&) -> PLUMETFormatterProtocol* { return &formatter; },
         [&](const QString&) -> PLUMETFormatterProtocol* { return &formatter; }});
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    Draft* draft = DraftController::sharedInstance().openDraft(
        DraftWorld::addEntry(blog, "Post", "<p>Body</p>"));
    QMenu* format = nullptr;
    for (QAction* item : draft->window()->menuBar()->actions()) {
        if (item->menu() && item->menu()->actions().contains(draft->actions().closeTagAction()))
            format = item->menu();
    }
    QVERIFY(format);
    QCOMPARE(format->actions().first(), draft->actions().boldAction());
    const QList<QAction*> commands{draft->actions().boldAction(), draft->actions().italicAction(),
                                   draft->actions().closeTagAction(),
                                   draft->actions().validateHTMLAction()};

    // The states follow the focus, menu opened or not.
    draft->layout().titleField()->setFocus();
    QTRY_VERIFY(draft->layout().titleField()->hasFocus());
    for (QAction* command : commands)
        QVERIFY2(!command->isEnabled(), qPrintable(command->text()));
    RVTextView* view = sourceView(draft);
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    for (QAction* command : commands)
        QVERIFY2(command->isEnabled(), qPrintable(command->text()));

    // The keys reach the source view, each command one undo step.
    view->setSelectedRange(3, 4);
    QTest::keyClick(view, Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(view->string(), QStringLiteral("<p><strong>Body</strong></p>"));
    view->setSelectedRange(11, 4);
    QTest::keyClick(view, Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(view->string(), QStringLiteral("<p><strong><em>Body</em></strong></p>"));
    view->undo();
    QCOMPARE(view->string(), QStringLiteral("<p><strong>Body</strong></p>"));

    typeInto(view, QStringLiteral("<div><p>a > b"));
    view->moveCursor(QTextCursor::End);
    QTest::keyClick(view, Qt::Key_Period, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(view->string(), QStringLiteral("<div><p>a > b</p>"));
    QTest::keyClick(view, Qt::Key_Period, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(view->string(), QStringLiteral("<div><p>a > b</p></div>"));

    // Validation says what Tidy found, and points at it.
    typeInto(view, QStringLiteral("<p>one</p>\n<p>two <b>three</p>\n<p>four</p>"));
    QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
    // Validation answers later: wait for its sheet, not the one closed before.
    QTRY_VERIFY(view->alertSheet() && view->alertSheet()->isVisible());
    QCOMPARE(view->alertSheet()->text(), QStringLiteral("Invalid HTML!"));
    QVERIFY(view->errorHighlighted());
    view->alertSheet()->close();
    typeInto(view, QStringLiteral("<p>one</p>"));
    // The closed sheet leaves no window active here, as a window manager would.
    draft->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(draft->window()));
    view->setFocus();
    QTRY_VERIFY(draft->actions().validateHTMLAction()->isEnabled());
    draft->actions().validateHTMLAction()->trigger();
    QTRY_VERIFY(view->alertSheet() && view->alertSheet()->isVisible());
    QCOMPARE(view->alertSheet()->text(), QStringLiteral("The HTML is valid!"));

    format->popup(draft->window()->mapToGlobal(QPoint(60, 30)));
    QTRY_VERIFY(format->isVisible());
    saveScreenshot(format, QStringLiteral("draft-format-menu"));
    format->hide();
    view->alertSheet()->close();

    // Another window's focus turns them off: their keys are no longer taken.
    draft->layout().titleField()->setFocus();
    QTRY_VERIFY(!draft->actions().boldAction()->isEnabled());
    QVERIFY(!draft->actions().closeTagAction()->isEnabled());
}

void tst_Draft::formatMenuStylesTheRichEditor()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    EntryPtr entry;
    Draft* draft = openRichDraft(blog, entry);
    auto* rich = static_cast<FakeRichEditor*>(draft->editor(Draft::RichMode, false));
    rich->setFocusPolicy(Qt::StrongFocus);
    rich->setFocus();
    QTRY_VERIFY(rich->hasFocus());
    QVERIFY(draft->actions().boldAction()->isEnabled());
    QVERIFY(draft->actions().italicAction()->isEnabled());
    // Closing tags and validating are the source view's.
    QVERIFY(!draft->actions().closeTagAction()->isEnabled());
    QVERIFY(!draft->actions().validateHTMLAction()->isEnabled());
    QTest::keyClick(rich, Qt::Key_B, Qt::ControlModifier);
    draft->actions().italicAction()->trigger();
    QCOMPARE(rich->styles, QStringList({QStringLiteral("bold"), QStringLiteral("italic")}));
}

void tst_Draft::recordedAddonShortcutsRunInTheDraft()
{
    static ShoutAddon keyed(QStringLiteral("Keyed"));
    AddonManager::sharedInstance().registerPlugin(&keyed, QStringLiteral("test"));
    UserDefaults& defaults = UserDefaults::sharedInstance();
    AddonShortcuts::store(defaults, QStringLiteral("Keyed"), QString::fromUtf8("⌘⇧K"));
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    Draft* draft = DraftController::sharedInstance().openDraft(
        DraftWorld::addEntry(blog, "Post", "<p>quiet words</p>"));
    RVTextView* view = sourceView(draft);

    // The Add-ons menu was opened once with the focus elsewhere: the items
    // come back on with the focus, and the key runs the add-on.
    draft->layout().titleField()->setFocus();
    QTRY_VERIFY(draft->layout().titleField()->hasFocus());
    emit draft->addonMenu()->aboutToShow();
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    view->setSelectedRange(3, 5);
    QTest::keyClick(view, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(keyed.received, QStringList{QStringLiteral("quiet")});
    QCOMPARE(view->string(), QStringLiteral("<p>QUIET words</p>"));

    // A shortcut recorded while the draft is open reaches it; the old key is free.
    AddonShortcuts::store(defaults, QStringLiteral("Keyed"), QString::fromUtf8("⌘⌥J"));
    view->setSelectedRange(9, 5);
    QTest::keyClick(view, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(keyed.received.size(), 1);
    QTest::keyClick(view, Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(keyed.received.last(), QStringLiteral("words"));
    QCOMPARE(view->string(), QStringLiteral("<p>QUIET WORDS</p>"));
    defaults.remove(QStringLiteral("addon_shortcuts"));
}

void tst_Draft::attachmentsOfTheDraft()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);

    // An inserted attachment goes to the blog, which takes uploads, and into
    // the entry's list; a temporary one only into the draft.
    const auto listed = std::make_shared<Attachment>();
    draft->addAttachment(listed, false);
    QCOMPARE(listed->accountID(), blog.account()->accountID());
    QCOMPARE(listed->blogID(), blog.uniqueID());
    QVERIFY(entry->containsAttachment(listed->uniqueID()));
    QVERIFY(!draft->isTemporaryAttachment(listed->uniqueID()));
    const auto temporary = std::make_shared<Attachment>();
    draft->addAttachment(temporary, true);
    QVERIFY(draft->isTemporaryAttachment(temporary->uniqueID()));
    QVERIFY(!entry->containsAttachment(temporary->uniqueID()));
    QCOMPARE(draft->allAttachments(), (QList<AttachmentPtr>{listed, temporary}));
    QCOMPARE(draft->attachmentForKey(temporary->uniqueID()), temporary);

    // Once written out, a temporary one goes; a listed one is never dropped so.
    draft->removeTemporaryAttachment(listed->uniqueID());
    draft->removeTemporaryAttachment(temporary->uniqueID());
    QCOMPARE(draft->allAttachments(), QList<AttachmentPtr>{listed});
    QVERIFY(!draft->attachmentForKey(temporary->uniqueID()));

    // A key the draft does not know comes from the library and joins the entry.
    struct Library : AttachmentLibrary {
        AttachmentPtr known = std::make_shared<Attachment>();
        bool isLoaded() const override { return true; }
        AttachmentPtr attachmentForKey(const QString& key) override
        {
            return key == known->uniqueID() ? known : nullptr;
        }
    } library;
    AttachmentLibrary::setSharedInstance(&library);
    QCOMPARE(draft->attachmentForKey(library.known->uniqueID()), library.known);
    QVERIFY(entry->containsAttachment(library.known->uniqueID()));
    QVERIFY(!draft->attachmentForKey(QStringLiteral("nowhere")));
    AttachmentLibrary::setSharedInstance(nullptr);

    // A blog without uploads and no uploader loaded: the destination stays.
    Blog& plain = m_world->addBlog(QStringLiteral("Plain"), m_world->plain);
    Draft* plainDraft =
        DraftController::sharedInstance().openDraft(DraftWorld::addEntry(plain, "P", "<p>P</p>"));
    const auto kept = std::make_shared<Attachment>();
    kept->setAccountID(QStringLiteral("elsewhere"));
    plainDraft->addAttachment(kept, false);
    QCOMPARE(kept->accountID(), QStringLiteral("elsewhere"));
}

// The draft window, its side panel in the lists' colour and its note bar,
// all in a dark palette: every label reads on what is behind it.
void tst_Draft::readsInADarkPalette()
{
    const DarkPaletteScope dark;
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(
        blog, QStringLiteral("A walk"), QStringLiteral("<p>Out by the river.</p>"),
        QStringLiteral("<p>More of it.</p>"), QStringLiteral("A short one."));
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    QWidget* window = draft->window();
    window->resize(780, 560);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(window->palette().color(QPalette::Window).lightness() < 100);
    PLUMET_VERIFY_READABLE(window);

    // The note bar, as a note shows it.
    QFrame* note = nullptr;
    for (QFrame* frame : window->findChildren<QFrame*>()) {
        if (frame->autoFillBackground() && frame->frameShape() == QFrame::StyledPanel &&
            frame->findChild<QLabel*>())
            note = frame;
    }
    QVERIFY(note);
    note->findChild<QLabel*>()->setText(QStringLiteral("The draft's revisions could not be read."));
    note->show();
    PLUMET_VERIFY_READABLE(window);

    // The side panel in a pale colour the user chose: its labels turn dark.
    DraftSideView* side = draft->layout().sideView();
    side->setBackgroundColor(QColor(240, 246, 255));
    auto* categories = new QLabel(QStringLiteral("Categories"));
    draft->setSidePanelContent(categories);
    side->show();
    PLUMET_VERIFY_READABLE(window);
    QCOMPARE(side->backgroundColor(), QColor(240, 246, 255));
    // And in the default tint it stays dark, with light labels.
    side->setBackgroundColor(DraftSideView::defaultColor());
    QVERIFY(side->palette().color(QPalette::Window).lightness() < 100);
    PLUMET_VERIFY_READABLE(window);
    saveScreenshot(window, QStringLiteral("looks-draft-window"));
    saveScreenGrab(window, QStringLiteral("looks-draft-window-screen"));
}

QTEST_MAIN(tst_Draft)
#include "tst_draft.moc"
