#include "BlogEntryStore.h"
#include "Category.h"
#include "DraftTesting.h"
#include "EntryFile.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "RVDraftWindow.h"
#include "RVTextView.h"
#include "StringExtensions.h"

#include <QFile>
#include <QPointer>
#include <QTest>

using namespace plumet::test;

namespace {

void typeInto(Draft* draft, const QString& text)
{
    RVTextView* view = sourceView(draft);
    view->selectAll();
    view->insertPlainText(text);
}

QVariantList storedOpenDrafts()
{
    return UserDefaults::sharedInstance().value(QStringLiteral("open_drafts")).toList();
}

} // namespace

class tst_DraftController : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void installsItselfForTheRecordsAndSaysSo();
    void openDraftsRefusesEntriesBeingPublished_data();
    void openDraftsRefusesEntriesBeingPublished();
    void openingAnOpenEntryBringsItsDraftForward();
    void entriesBeingDeletedAreNotOpened();
    void frontMostDraftFollowsActivation();
    void quitWithNoDraftsForgetsTheList();
    void quitRemembersOpenDraftsAndStartReopensThem();
    void openDraftsAreStoredAsTheyOpenCloseAndMove();
    void quitWithSavingOnSavesEveryDraft();
    void quitReviewWithTwoChangedDrafts_data();
    void quitReviewWithTwoChangedDrafts();
    void quitWithOneChangedDraftAsksItDirectly();
    void quitWaitsForARichEditorAndAnswersLater();
    void discardedNewDraftNeverReachesTheDisk();
    void quitReviewGoesOnWhenADraftClosesUnderItsSheet();
    void discardAfterADraftWasClosedUnderThePanel();
    void forceClosureSavesChangedTextBeforeClosing();
    void forceClosureRefusesAnEntryBeingPublished();
    void autosaveSavesChangedDrafts();
    void newTagsReachTheBlog();

private:
    std::unique_ptr<DraftWorld> m_world;
};

void tst_DraftController::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    UserDefaults::sharedInstance().remove(QStringLiteral("open_drafts"));
    m_world = std::make_unique<DraftWorld>();
}

void tst_DraftController::cleanup()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(widget))
            widget->close();
    }
    m_world.reset();
}

void tst_DraftController::installsItselfForTheRecordsAndSaysSo()
{
    DraftController::cleanUp();
    QVERIFY(!DraftRegistry::available());
    int announced = 0;
    QObject receiver;
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::draftRegistryInstalled), &receiver,
        [&](const Notification&) { ++announced; });
    DraftController& drafts = DraftController::sharedInstance();
    QCOMPARE(announced, 1);
    QVERIFY(DraftRegistry::available());
    QCOMPARE(DraftRegistry::sharedInstance(), static_cast<DraftRegistry*>(&drafts));

    // The records open drafts through it.
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>");
    entry->edit();
    QCOMPARE(entry->editor(), static_cast<QObject*>(drafts.draftForEntry(entry.get())));
    QVERIFY(entry->editor());
}

void tst_DraftController::openDraftsRefusesEntriesBeingPublished_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("publishing");
    QTest::addColumn<QString>("title");
    QTest::newRow("the only one") << 1 << 1
                                  << "\"Post 0\" cannot be edited as it is currently being "
                                     "published.";
    QTest::newRow("one of two") << 2 << 1
                                << "One draft cannot be edited as it is currently being published.";
    QTest::newRow("two of three") << 3 << 2
                                  << "Some drafts cannot be edited as they are currently being "
                                     "published.";
    QTest::newRow("all of two") << 2 << 2
                                << "These drafts cannot be edited as they are currently being "
                                   "published.";
}

void tst_DraftController::openDraftsRefusesEntriesBeingPublished()
{
    QFETCH(int, count);
    QFETCH(int, publishing);
    QFETCH(QString, title);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    QList<EntryPtr> entries;
    for (int i = 0; i < count; ++i) {
        entries.append(DraftWorld::addEntry(blog, QStringLiteral("Post %1").arg(i), "<p>B</p>"));
        entries.last()->setBeingPublished(i < publishing);
    }
    DraftController& drafts = DraftController::sharedInstance();
    drafts.openDrafts(entries);
    QCOMPARE(drafts.listOfDrafts().size(), count - publishing);
    QMessageBox* alert = openAlert(QStringLiteral("publishingRefusal"));
    QVERIFY(alert);
    QCOMPARE(plainText(alert->text()), title);
    QCOMPARE(alert->informativeText(),
             QStringLiteral("Please wait for the publishing process to complete."));
    alert->close();
}

void tst_DraftController::openingAnOpenEntryBringsItsDraftForward()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>");
    DraftController& drafts = DraftController::sharedInstance();
    Draft* draft = drafts.openDraft(entry);
    draft->window()->hide();
    QCOMPARE(drafts.openDraft(entry), draft);
    drafts.openDrafts(QList<Entry*>{entry.get()});
    QCOMPARE(drafts.listOfDrafts().size(), 1);
    QVERIFY(draft->window()->isVisible());
    // A post link or an entry file naming it finds the same draft.
    draft->window()->hide();
    const QVariantMap link{{QStringLiteral("entry"), rv::MD5(entry->uniqueID())},
                           {QStringLiteral("account"), blog.accountID()},
                           {QStringLiteral("file"), true}};
    Entry::postOpenRequest(link);
    QCOMPARE(drafts.listOfDrafts().size(), 1);
    QVERIFY(draft->window()->isVisible());

    // Nor does a link open an entry being published.
    const EntryPtr busy = DraftWorld::addEntry(blog, "Busy", "<p>Sent</p>");
    busy->setBeingPublished(true);
    Entry::postOpenRequest({{QStringLiteral("entry"), busy->uniqueID()},
                            {QStringLiteral("account"), blog.accountID()}});
    QCOMPARE(drafts.listOfDrafts().size(), 1);
    QVERIFY(openAlert(QStringLiteral("publishingRefusal")));
}

void tst_DraftController::entriesBeingDeletedAreNotOpened()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Body</p>");
    entry->addFlag(Entry::BeingDeleted);
    DraftController& drafts = DraftController::sharedInstance();
    drafts.openDrafts(QList<EntryPtr>{entry});
    drafts.openDraftForEntry(entry.get(), QStringLiteral("10 10"));
    QVERIFY(drafts.listOfDrafts().isEmpty());
    QVERIFY(!openAlert(QStringLiteral("publishingRefusal")));
}

void tst_DraftController::frontMostDraftFollowsActivation()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    DraftController& drafts = DraftController::sharedInstance();
    Draft* one = drafts.openDraft(DraftWorld::addEntry(blog, "One", "1"));
    Draft* two = drafts.openDraft(DraftWorld::addEntry(blog, "Two", "2"));
    QVERIFY(drafts.frontMostDraft() == one || drafts.frontMostDraft() == two);
    one->window()->activateWindow();
    QTRY_COMPARE(drafts.frontMostDraft(), one);
    two->window()->activateWindow();
    QTRY_COMPARE(drafts.frontMostDraft(), two);
    // A hidden window is passed over for the one active before it.
    two->window()->hide();
    QTRY_COMPARE(drafts.frontMostDraft(), one);
    one->window()->hide();
    QCOMPARE(drafts.frontMostDraft(), nullptr);
}

void tst_DraftController::quitWithNoDraftsForgetsTheList()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("open_drafts"),
                                            QVariantList{QVariantMap{{"entry", "x"}}});
    std::optional<bool> answer;
    DraftController::sharedInstance().requestQuit([&](bool mayQuit) { answer = mayQuit; });
    QCOMPARE(answer, true);
    QVERIFY(!UserDefaults::sharedInstance().value(QStringLiteral("open_drafts")).isValid());
    QVERIFY(!DraftController::sharedInstance().openStoredDrafts());
}

void tst_DraftController::quitRemembersOpenDraftsAndStartReopensThem()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr one = DraftWorld::addEntry(blog, "One", "<p>1</p>");
    const EntryPtr two = DraftWorld::addEntry(blog, "Two", "<p>2</p>");
    DraftController& drafts = DraftController::sharedInstance();
    drafts.openDraftForEntry(one.get(), QStringLiteral("150.000000 120.000000"));
    drafts.openDraftForEntry(two.get(), QStringLiteral("300.000000 90.000000"));

    std::optional<bool> answer;
    QCOMPARE(drafts.shouldCloseDrafts([&](bool mayQuit) { answer = mayQuit; }),
             DraftController::QuitReply::Now);
    QVERIFY(drafts.listOfDrafts().isEmpty());
    const QVariantList stored = storedOpenDrafts();
    QCOMPARE(stored.size(), 2);
    const QVariantMap first = stored.first().toMap();
    QCOMPARE(first.value("account").toString(), blog.accountID());
    QCOMPARE(first.value("entry").toString(), one->uniqueID());
    QCOMPARE(first.value("pos").toString(), QStringLiteral("150.000000 120.000000"));
    QCOMPARE(stored.last().toMap().value("pos").toString(), QStringLiteral("300.000000 90.000000"));

    // The next start: the records answer "findAndOpenEntry" and the drafts come back.
    DraftController::cleanUp();
    letDraftsGo();
    DraftController& again = DraftController::sharedInstance();
    QVERIFY(again.openStoredDrafts());
    QCOMPARE(again.listOfDrafts().size(), 2);
    QCOMPARE(again.listOfDrafts().first()->entry(), one);
    QCOMPARE(again.listOfDrafts().first()->window()->pos(), QPoint(150, 120));
    QCOMPARE(again.listOfDrafts().last()->window()->pos(), QPoint(300, 90));
    // The list stays until the next quit writes it.
    QCOMPARE(storedOpenDrafts().size(), 2);
}

void tst_DraftController::openDraftsAreStoredAsTheyOpenCloseAndMove()
{
    Blog& from = m_world->addBlog(QStringLiteral("From"), m_world->plain);
    Blog& to = m_world->addBlog(QStringLiteral("To"), m_world->plain);
    const EntryPtr one = DraftWorld::addEntry(from, "One", "<p>1</p>");
    const EntryPtr two = DraftWorld::addEntry(from, "Two", "<p>2</p>");
    DraftController& drafts = DraftController::sharedInstance();
    auto storedEntries = [] {
        QStringList named;
        for (const QVariant& item : storedOpenDrafts()) {
            const QVariantMap stored = item.toMap();
            named.append(stored.value("account").toString() + '/' +
                         stored.value("entry").toString());
        }
        return named;
    };
    auto named = [](const Blog& blog, const EntryPtr& entry) {
        return blog.accountID() + '/' + entry->uniqueID();
    };

    Draft* first = drafts.openDraft(one);
    drafts.openDraft(two);
    QCOMPARE(storedEntries(), QStringList({named(from, one), named(from, two)}));
    drafts.close(first);
    QCOMPARE(storedEntries(), QStringList{named(from, two)});

    const EntryPtr moved = two->moveToBlog(&to);
    QVERIFY(moved);
    QCOMPARE(storedEntries(), QStringList{named(to, moved)});

    // A crash: no quit runs, and the next start opens the draft where it was.
    DraftController::cleanUp();
    letDraftsGo();
    DraftController& again = DraftController::sharedInstance();
    QVERIFY(again.openStoredDrafts());
    QCOMPARE(again.listOfDrafts().size(), 1);
    QCOMPARE(again.listOfDrafts().first()->entry(), moved);

    again.close(again.listOfDrafts().first());
    QVERIFY(!UserDefaults::sharedInstance().value(QStringLiteral("open_drafts")).isValid());
}

void tst_DraftController::quitWithSavingOnSavesEveryDraft()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr changed = DraftWorld::addEntry(blog, "Changed", "<p>Old</p>");
    const EntryPtr unchanged = DraftWorld::addEntry(blog, "Unchanged", "<p>Same</p>");
    DraftController& drafts = DraftController::sharedInstance();
    typeInto(drafts.openDraft(changed), QStringLiteral("<p>New</p>"));
    drafts.openDraft(unchanged);
    std::optional<bool> answer;
    drafts.requestQuit([&](bool mayQuit) { answer = mayQuit; });
    QCOMPARE(answer, true);
    QVERIFY(!openAlert(QStringLiteral("reviewChangesPanel")));
    QVERIFY(drafts.listOfDrafts().isEmpty());
    QCOMPARE(DraftWorld::storedBody(blog, changed->uniqueID()), QStringLiteral("<p>New</p>"));
}

void tst_DraftController::quitReviewWithTwoChangedDrafts_data()
{
    QTest::addColumn<QString>("panelAnswer");
    QTest::addColumn<QStringList>("sheetAnswers"); // last draft first
    QTest::addColumn<bool>("mayQuit");
    QTest::addColumn<QString>("firstOnDisk");
    QTest::addColumn<QString>("secondOnDisk");
    QTest::addColumn<int>("stillOpen");
    QTest::newRow("cancel") << "Cancel" << QStringList() << false << "<p>First</p>"
                            << "<p>Second</p>" << 2;
    QTest::newRow("discard") << "Discard Changes" << QStringList() << true << "<p>First</p>"
                             << "<p>Second</p>" << 0;
    QTest::newRow("review: save, don't save")
        << "Review Changes" << QStringList{"Save", "Don't Save"} << true << "<p>First</p>"
        << "<p>Second typed</p>" << 0;
    QTest::newRow("review: cancel on the first sheet")
        << "Review Changes" << QStringList{"Cancel"} << false << "<p>First</p>"
        << "<p>Second</p>" << 2;
    QTest::newRow("review: save, then cancel")
        << "Review Changes" << QStringList{"Save", "Cancel"} << false << "<p>First</p>"
        << "<p>Second typed</p>" << 1;
}

void tst_DraftController::quitReviewWithTwoChangedDrafts()
{
    QFETCH(QString, panelAnswer);
    QFETCH(QStringList, sheetAnswers);
    QFETCH(bool, mayQuit);
    QFETCH(QString, firstOnDisk);
    QFETCH(QString, secondOnDisk);
    QFETCH(int, stillOpen);
    UserDefaults::sharedInstance().setValue(QStringLiteral("shouldAutoSave"), false);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr first = DraftWorld::addEntry(blog, "First", "<p>First</p>");
    const EntryPtr second = DraftWorld::addEntry(blog, "Second", "<p>Second</p>");
    DraftController& drafts = DraftController::sharedInstance();
    Draft* firstDraft = drafts.openDraft(first);
    Draft* secondDraft = drafts.openDraft(second);
    typeInto(firstDraft, QStringLiteral("<p>First typed</p>"));
    typeInto(secondDraft, QStringLiteral("<p>Second typed</p>"));

    std::optional<bool> answer;
    QCOMPARE(drafts.shouldCloseDrafts([&](bool result) { answer = result; }),
             DraftController::QuitReply::Later);
    QVERIFY(drafts.quitReviewRunning());
    QMessageBox* panel = drafts.quitPanel();
    QVERIFY(panel);
    QCOMPARE(plainText(panel->text()),
             QStringLiteral("You have 2 drafts with unsaved changes. Do you want "
                            "to review these changes before quitting?"));
    QCOMPARE(panel->informativeText(),
             QStringLiteral("If you don't review your drafts, all your changes will be lost."));
    // The list of open drafts is written even when the quit is cancelled.
    QCOMPARE(storedOpenDrafts().size(), 2);
    saveScreenshot(panel, QStringLiteral("draft-review-panel"));
    QVERIFY(clickButton(panel, panelAnswer));

    // The sheets come last draft first.
    QList<Draft*> order{secondDraft, firstDraft};
    for (int i = 0; i < sheetAnswers.size(); ++i) {
        QVERIFY2(order[i]->sheet(), qPrintable(sheetAnswers[i]));
        QVERIFY(!order[1 - i]->sheet());
        QVERIFY(clickButton(order[i]->sheet(), sheetAnswers[i]));
    }
    QCOMPARE(answer, mayQuit);
    QVERIFY(!drafts.quitReviewRunning());
    QCOMPARE(drafts.listOfDrafts().size(), stillOpen);
    if (!mayQuit && stillOpen == 2) {
        // Cancelled before anything closed: the typed text is still in the windows.
        QCOMPARE(sourceView(firstDraft)->string(), QStringLiteral("<p>First typed</p>"));
    }

    // The program's clean-up then writes every blog's entries: discarded
    // text must not reach the disk with them.
    if (mayQuit) {
        letDraftsGo();
        QVERIFY(blog.save());
    }
    QCOMPARE(DraftWorld::storedBody(blog, first->uniqueID()), firstOnDisk);
    QCOMPARE(DraftWorld::storedBody(blog, second->uniqueID()), secondOnDisk);
}

void tst_DraftController::quitWithOneChangedDraftAsksItDirectly()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("shouldAutoSave"), false);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr changed = DraftWorld::addEntry(blog, "Changed", "<p>Old</p>");
    const EntryPtr unchanged = DraftWorld::addEntry(blog, "Unchanged", "<p>Same</p>");
    DraftController& drafts = DraftController::sharedInstance();
    Draft* changedDraft = drafts.openDraft(changed);
    Draft* unchangedDraft = drafts.openDraft(unchanged);
    typeInto(changedDraft, QStringLiteral("<p>New</p>"));
    std::optional<bool> answer;
    drafts.requestQuit([&](bool result) { answer = result; });
    QVERIFY(!drafts.quitPanel());
    // The unchanged draft, opened last, closes without a question.
    QVERIFY(!drafts.listOfDrafts().contains(unchangedDraft));
    QVERIFY(changedDraft->sheet());
    QVERIFY(!answer);
    QVERIFY(clickButton(changedDraft->sheet(), QStringLiteral("Save")));
    QCOMPARE(answer, true);
    QCOMPARE(DraftWorld::storedBody(blog, changed->uniqueID()), QStringLiteral("<p>New</p>"));
}

void tst_DraftController::quitWaitsForARichEditorAndAnswersLater()
{
    DraftWorld::useFakeRichEditors();
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Old</p>");
    entry->setEditMode(Draft::RichMode);
    DraftController& drafts = DraftController::sharedInstance();
    Draft* draft = drafts.openDraft(entry);
    FakeRichEditor* rich = richEditor(draft);
    rich->answer = FakeRichEditor::Answer::Later;
    rich->delay = 50;
    rich->type(QStringLiteral("<p>Rich text</p>"));

    std::optional<bool> answer;
    QCOMPARE(drafts.shouldCloseDrafts([&](bool result) { answer = result; }),
             DraftController::QuitReply::Later);
    QVERIFY(!answer);
    QTRY_COMPARE(answer, true);
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), QStringLiteral("<p>Rich text</p>"));
    QVERIFY(drafts.listOfDrafts().isEmpty());
}

void tst_DraftController::discardedNewDraftNeverReachesTheDisk()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("shouldAutoSave"), false);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr stored = DraftWorld::addEntry(blog, "Stored", "<p>Stored</p>");
    const EntryPtr fresh = DraftWorld::addNewEntry(blog);
    const QString freshFile = blog.store().folder() + "/" + EntryFile::fileName(*fresh);
    DraftController& drafts = DraftController::sharedInstance();
    typeInto(drafts.openDraft(stored), QStringLiteral("<p>Stored, typed</p>"));
    typeInto(drafts.openDraft(fresh), QStringLiteral("<p>Never to be kept</p>"));

    std::optional<bool> answer;
    drafts.requestQuit([&](bool mayQuit) { answer = mayQuit; });
    QVERIFY(clickButton(drafts.quitPanel(), QStringLiteral("Discard Changes")));
    QCOMPARE(answer, true);
    // The program's clean-up saves every blog's entries next, before any
    // draft is released: the new post is gone from its blog already.
    QVERIFY(!blog.entries().contains(fresh));
    QVERIFY(blog.save());
    QVERIFY(!QFile::exists(freshFile));
    QCOMPARE(DraftWorld::storedBody(blog, stored->uniqueID()), QStringLiteral("<p>Stored</p>"));
}

void tst_DraftController::quitReviewGoesOnWhenADraftClosesUnderItsSheet()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("shouldAutoSave"), false);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr first = DraftWorld::addEntry(blog, "First", "<p>First</p>");
    const EntryPtr second = DraftWorld::addEntry(blog, "Second", "<p>Second</p>");
    DraftController& drafts = DraftController::sharedInstance();
    Draft* firstDraft = drafts.openDraft(first);
    Draft* secondDraft = drafts.openDraft(second);
    typeInto(firstDraft, QStringLiteral("<p>First typed</p>"));
    typeInto(secondDraft, QStringLiteral("<p>Second typed</p>"));

    std::optional<bool> answer;
    drafts.requestQuit([&](bool mayQuit) { answer = mayQuit; });
    QVERIFY(clickButton(drafts.quitPanel(), QStringLiteral("Review Changes")));
    QVERIFY(secondDraft->sheet());
    // The post goes away (a refresh found it deleted) while its sheet is up:
    // its draft saves and closes, and the review asks the next one.
    blog.removeEntry(second.get());
    QVERIFY(!drafts.listOfDrafts().contains(secondDraft));
    QTRY_VERIFY(firstDraft->sheet());
    QVERIFY(!answer);
    QVERIFY(clickButton(firstDraft->sheet(), QStringLiteral("Save")));
    QCOMPARE(answer, true);
    QVERIFY(!drafts.quitReviewRunning());
    QCOMPARE(DraftWorld::storedBody(blog, first->uniqueID()), QStringLiteral("<p>First typed</p>"));

    // The program may ask to quit again: the review is not stuck.
    std::optional<bool> again;
    drafts.requestQuit([&](bool mayQuit) { again = mayQuit; });
    QCOMPARE(again, true);
}

void tst_DraftController::discardAfterADraftWasClosedUnderThePanel()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("shouldAutoSave"), false);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr first = DraftWorld::addEntry(blog, "First", "<p>First</p>");
    const EntryPtr second = DraftWorld::addEntry(blog, "Second", "<p>Second</p>");
    const EntryPtr third = DraftWorld::addEntry(blog, "Third", "<p>Third</p>");
    DraftController& drafts = DraftController::sharedInstance();
    typeInto(drafts.openDraft(first), QStringLiteral("<p>First typed</p>"));
    QPointer<Draft> secondDraft = drafts.openDraft(second);
    typeInto(secondDraft, QStringLiteral("<p>Second typed</p>"));
    typeInto(drafts.openDraft(third), QStringLiteral("<p>Third typed</p>"));

    std::optional<bool> answer;
    drafts.requestQuit([&](bool mayQuit) { answer = mayQuit; });
    QVERIFY(drafts.quitPanel());
    // One changed draft closes under the panel and is freed.
    blog.removeEntry(second.get());
    letDraftsGo();
    QVERIFY(!secondDraft);
    QVERIFY(clickButton(drafts.quitPanel(), QStringLiteral("Discard Changes")));
    QCOMPARE(answer, true);
    QVERIFY(blog.save());
    QCOMPARE(DraftWorld::storedBody(blog, first->uniqueID()), QStringLiteral("<p>First</p>"));
    QCOMPARE(DraftWorld::storedBody(blog, third->uniqueID()), QStringLiteral("<p>Third</p>"));
}

void tst_DraftController::forceClosureSavesChangedTextBeforeClosing()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Old</p>");
    entry->setFlag(0); // on the server
    blog.save(*entry);
    DraftController& drafts = DraftController::sharedInstance();
    Draft* draft = drafts.openDraft(entry);
    typeInto(draft, QStringLiteral("<p>Typed before the delete</p>"));

    // The entries table deletes on the server: the draft goes first.
    entry->addFlag(Entry::BeingDeleted);
    bool closed = false;
    QVERIFY(drafts.forceClosure(entry.get(), [&] { closed = true; }));
    QVERIFY(closed);
    QVERIFY(drafts.listOfDrafts().isEmpty());
    // Should the server refuse the delete, the typed text is on disk.
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()),
             QStringLiteral("<p>Typed before the delete</p>"));
    QVERIFY(!openAlert(QStringLiteral("Do you want to save")));

    // An entry without a draft goes on at once.
    bool alone = false;
    QVERIFY(drafts.forceClosure(entry.get(), [&] { alone = true; }));
    QVERIFY(alone);
}

void tst_DraftController::forceClosureRefusesAnEntryBeingPublished()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Post", "<p>Old</p>");
    entry->setBeingPublished(true);
    bool called = false;
    QVERIFY(!DraftController::sharedInstance().forceClosure(entry.get(), [&] { called = true; }));
    QVERIFY(!called);
}

void tst_DraftController::autosaveSavesChangedDrafts()
{
    DraftWorld::useFakeRichEditors();
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    const EntryPtr source = DraftWorld::addEntry(blog, "Source", "<p>Old</p>");
    const EntryPtr rich = DraftWorld::addEntry(blog, "Rich", "<p>Old rich</p>");
    rich->setEditMode(Draft::RichMode);
    DraftController& drafts = DraftController::sharedInstance();
    typeInto(drafts.openDraft(source), QStringLiteral("<p>New</p>"));
    Draft* richDraft = drafts.openDraft(rich);
    richEditor(richDraft)->answer = FakeRichEditor::Answer::Later;
    richEditor(richDraft)->type(QStringLiteral("<p>New rich</p>"));
    bool done = false;
    drafts.saveIfNeeded([&] { done = true; });
    QTRY_VERIFY(done);
    QCOMPARE(DraftWorld::storedBody(blog, source->uniqueID()), QStringLiteral("<p>New</p>"));
    QCOMPARE(DraftWorld::storedBody(blog, rich->uniqueID()), QStringLiteral("<p>New rich</p>"));
    QCOMPARE(drafts.listOfDrafts().size(), 2);
    QVERIFY(!richDraft->window()->isWindowModified());
}

void tst_DraftController::newTagsReachTheBlog()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    DraftController& drafts = DraftController::sharedInstance();
    Draft* draft = drafts.openDraft(DraftWorld::addEntry(blog, "Post", "<p>B</p>"));
    CategoryPtr tag = Category::withTitle(QStringLiteral("rivers"));
    tag->setIsChecked(true);
    drafts.pushNewTags({tag}, draft);
    const CategoryPtr added = blog.hasCategoryWithName(QStringLiteral("rivers"));
    QVERIFY(added);
    QVERIFY(added != tag);
    QVERIFY(!added->isChecked());
    drafts.pushOldTags({added}, draft);
    QVERIFY(!blog.hasCategoryWithName(QStringLiteral("rivers")));
}

QTEST_MAIN(tst_DraftController)
#include "tst_draftcontroller.moc"
