#include "Category.h"
#include "DraftActions.h"
#include "DraftTesting.h"
#include "DraftWindowLayout.h"
#include "EntryRenderer.h"
#include "PLUMETFormatterProtocol.h"
#include "PublishHandOver.h"
#include "RVDraftWindow.h"
#include "RVTextView.h"
#include "ServerRoads.h"

#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace plumet::test;

namespace {

// Records what reaches the publishing road.
class RecordingRoad : public ServerRoads {
public:
    bool publish(const EntryPtr& entry) override
    {
        published.append(entry);
        return true;
    }
    QList<EntryPtr> published;
};

CategoryList oneCategory()
{
    auto category = std::make_shared<Category>();
    category->setTitle(QStringLiteral("Walks"));
    category->setIsChecked(true);
    return {category};
}

} // namespace

class tst_PublishHandOver : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void warningBits_data();
    void warningBits();
    void warningMessageListsTheLinesInOrder();
    void dateRule_data();
    void dateRule();
    void summaryRule();
    void warningsAskAndEditDraftKeepsTheDraftOpen();
    void continuePublishClosesAndHandsOver();
    void completeDraftGoesStraightThrough();
    void entryLeavingItsBlogInTheGapIsNotPublished_data();
    void entryLeavingItsBlogInTheGapIsNotPublished();
    void publishAfterAnEditorFellBackStopsOnce();
    void slowFormatterLeavesTheWindowResponsive();

private:
    std::unique_ptr<DraftWorld> m_world;
    RecordingRoad m_road;
};

void tst_PublishHandOver::init()
{
    m_world = std::make_unique<DraftWorld>();
    ServerRoads::setSharedInstance(&m_road);
    DraftExtensions::sharedInstance().publish = PublishHandOver::publish;
    UserDefaults::sharedInstance().remove(QStringLiteral("summary_check"));
    UserDefaults::sharedInstance().remove(QStringLiteral("post_date_option"));
    UserDefaults::sharedInstance().setValue(QStringLiteral("summary_num"), 2);
}

void tst_PublishHandOver::cleanup()
{
    m_world.reset();
    ServerRoads::setSharedInstance(nullptr);
    m_road.published.clear();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(widget))
            widget->close();
    }
    letDraftsGo();
}

void tst_PublishHandOver::warningBits_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<bool>("categories");
    QTest::addColumn<bool>("page");
    QTest::addColumn<bool>("summaryCheck");
    QTest::addColumn<bool>("keywordsField");
    QTest::addColumn<int>("bits");
    // The blog warns on all four.
    QTest::newRow("complete") << "T"
                              << "S"
                              << "k" << true << false << false << true << 0;
    QTest::newRow("all missing") << ""
                                 << ""
                                 << "" << false << false << false << true << 15;
    QTest::newRow("no title") << ""
                              << "S"
                              << "k" << true << false << false << true << 1;
    QTest::newRow("page without categories") << "T"
                                             << "S"
                                             << "k" << false << true << false << true << 0;
    QTest::newRow("summary of tags only") << "T"
                                          << "<p></p>"
                                          << "k" << true << false << false << true << 0;
    QTest::newRow("summary made automatically") << "T"
                                                << ""
                                                << "k" << true << false << true << true << 0;
    QTest::newRow("no keywords field") << "T"
                                       << "S"
                                       << "" << true << false << false << false << 0;
}

void tst_PublishHandOver::warningBits()
{
    QFETCH(QString, title);
    QFETCH(QString, summary);
    QFETCH(QString, keywords);
    QFETCH(bool, categories);
    QFETCH(bool, page);
    QFETCH(bool, summaryCheck);
    QFETCH(bool, keywordsField);
    QFETCH(int, bits);
    Blog& blog =
        m_world->addBlog(QStringLiteral("Notes"), keywordsField ? m_world->full : m_world->plain);
    for (const char* warning :
         {"warnOnTitle", "warnOnSummary", "warnOnKeywords", "warnOnCategories"})
        blog.setOption(QString::fromLatin1(warning), true);
    const EntryPtr entry = DraftWorld::addEntry(blog, title, "<p>Body</p>", {}, summary);
    entry->setKeywords(keywords);
    if (categories)
        entry->setCategories(oneCategory());
    if (page)
        entry->addFlag(Entry::IsPage);
    QCOMPARE(PublishHandOver::warningBits(*entry, summaryCheck), bits);

    // A blog that warns on nothing never asks.
    for (const char* warning :
         {"warnOnTitle", "warnOnSummary", "warnOnKeywords", "warnOnCategories"})
        blog.setOption(QString::fromLatin1(warning), false);
    QCOMPARE(PublishHandOver::warningBits(*entry, summaryCheck), 0);
}

void tst_PublishHandOver::warningMessageListsTheLinesInOrder()
{
    QCOMPARE(PublishHandOver::warningMessage(PublishHandOver::MissingTitle |
                                             PublishHandOver::MissingSummary),
             QStringLiteral("This draft is missing content:\n\u00BB A title\n\u00BB A summary"));
    QCOMPARE(PublishHandOver::warningMessage(15),
             QStringLiteral("This draft is missing content:\n\u00BB A title\n\u00BB A summary\n"
                            "\u00BB One or more tags or categories\n"
                            "\u00BB One or more keywords"));
}

void tst_PublishHandOver::dateRule_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("keepDate");
    QTest::addColumn<bool>("customDate");
    QTest::addColumn<bool>("local");
    QTest::addColumn<bool>("dated");
    QTest::newRow("changed local post") << true << false << false << true << true;
    QTest::newRow("unchanged keeps its date") << false << false << false << true << false;
    QTest::newRow("post_date_option on") << true << true << false << true << false;
    QTest::newRow("a date of its own") << true << false << true << true << false;
    QTest::newRow("published before") << true << false << false << false << false;
}

void tst_PublishHandOver::dateRule()
{
    QFETCH(bool, changed);
    QFETCH(bool, keepDate);
    QFETCH(bool, customDate);
    QFETCH(bool, local);
    QFETCH(bool, dated);
    const EntryPtr entry = Entry::create();
    const QDateTime old(QDate(2020, 3, 4), QTime(5, 6, 7));
    entry->setEntryDate(old);
    entry->setHasCustomDate(customDate);
    entry->setFlag(local ? int(Entry::LocalOnly) : 0);
    PublishHandOver::applyDateRule(*entry, changed, keepDate);
    QCOMPARE(entry->entryDate() != old, dated);
    if (dated)
        QVERIFY(qAbs(entry->entryDate().secsTo(QDateTime::currentDateTime())) < 5);
}

void tst_PublishHandOver::summaryRule()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry = DraftWorld::addEntry(
        blog, "Post", "<p>The river was high. We walked along it all day. Then it rained.</p>");
    PublishHandOver::applySummaryRule(*entry, false);
    QVERIFY(entry->summary().isEmpty());
    PublishHandOver::applySummaryRule(*entry, true);
    QVERIFY(!entry->summary().isEmpty());
    QVERIFY(entry->summary().contains(QStringLiteral("river")));

    // A summary of tags only is the user's; a blog system without the
    // fields gets none.
    entry->setSummary(QStringLiteral("<p></p>"));
    PublishHandOver::applySummaryRule(*entry, true);
    QCOMPARE(entry->summary(), QStringLiteral("<p></p>"));
    Blog& plain = m_world->addBlog(QStringLiteral("Plain"), m_world->plain);
    const EntryPtr other = DraftWorld::addEntry(plain, "Post", "<p>Some text here.</p>");
    PublishHandOver::applySummaryRule(*other, true);
    QVERIFY(other->summary().isEmpty());
}

void tst_PublishHandOver::warningsAskAndEditDraftKeepsTheDraftOpen()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    blog.setOption(QStringLiteral("warnOnTitle"), true);
    blog.setOption(QStringLiteral("warnOnSummary"), true);
    blog.setOption(QStringLiteral("warnOnCategories"), false);
    blog.setOption(QStringLiteral("warnOnKeywords"), false);
    const EntryPtr entry = DraftWorld::addEntry(blog, "", "<p>Old</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    typeInto(sourceView(draft), QStringLiteral("<p>New</p>"));

    draft->actions().publishAction()->trigger();
    QMessageBox* sheet = draft->sheet();
    QVERIFY(sheet);
    QCOMPARE(sheet->objectName(), QStringLiteral("publishWarnings"));
    QCOMPARE(plainText(sheet->text()).replace(QChar::LineSeparator, u'\n'),
             QStringLiteral("This draft is missing content:\n\u00BB A title\n\u00BB A summary"));
    QCOMPARE(sheet->informativeText(),
             QStringLiteral("Please indicate how you would like to proceed."));
    QCOMPARE(sheet->defaultButton()->text(), QStringLiteral("Edit draft"));
    QCOMPARE(sheet->buttons().size(), 2);
    // Saved before the question.
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), QStringLiteral("<p>New</p>"));
    QVERIFY(!draft->window()->isWindowModified());
    QTest::qWait(50);
    saveScreenshot(draft->window(), QStringLiteral("publish-warnings-window"));
    saveScreenshot(sheet, QStringLiteral("publish-warnings-sheet"));

    QVERIFY(clickButton(sheet, QStringLiteral("Edit draft")));
    QTest::qWait(PublishHandOver::handOverDelay * 2);
    QVERIFY(m_road.published.isEmpty());
    QCOMPARE(DraftController::sharedInstance().draftForEntry(entry.get()), draft);
    QVERIFY(!draft->isClosed());
    QVERIFY(!draft->sheet());
}

void tst_PublishHandOver::continuePublishClosesAndHandsOver()
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    blog.setOption(QStringLiteral("warnOnTitle"), true);
    const EntryPtr entry = DraftWorld::addEntry(blog, "", "<p>Body</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    draft->actions().publishAction()->trigger();
    QVERIFY(draft->sheet());
    QVERIFY(clickButton(draft->sheet(), QStringLiteral("Continue publish")));
    QVERIFY(!DraftController::sharedInstance().draftForEntry(entry.get()));
    QVERIFY(m_road.published.isEmpty()); // a moment later, the window gone first
    QTRY_COMPARE(m_road.published.size(), 1);
    QCOMPARE(m_road.published.first(), entry);
}

void tst_PublishHandOver::completeDraftGoesStraightThrough()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("summary_check"), true);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    for (const char* warning :
         {"warnOnTitle", "warnOnSummary", "warnOnKeywords", "warnOnCategories"})
        blog.setOption(QString::fromLatin1(warning), true);
    const EntryPtr entry = DraftWorld::addEntry(
        blog, "A walk", "<p>The river was high. We walked along it. Then it rained.</p>");
    entry->setKeywords(QStringLiteral("river"));
    entry->setCategories(oneCategory());
    const QDateTime stored(QDate(2021, 1, 2), QTime(3, 4, 5));
    entry->setEntryDate(stored);
    blog.save(*entry);
    Draft* draft = DraftController::sharedInstance().openDraft(entry);

    // Unchanged: it keeps its date; the summary is made, so nothing is missing.
    draft->actions().publishAction()->trigger();
    QTRY_VERIFY(!DraftController::sharedInstance().draftForEntry(entry.get()));
    QVERIFY(!draft->sheet());
    QTRY_COMPARE(m_road.published.size(), 1);
    QCOMPARE(entry->entryDate(), stored);
    QVERIFY(!entry->summary().isEmpty());
    QVERIFY(!entry->isNew());
    QVERIFY(!entry->needsSave());
}

void tst_PublishHandOver::entryLeavingItsBlogInTheGapIsNotPublished_data()
{
    QTest::addColumn<bool>("moved");
    QTest::newRow("deleted") << false;
    QTest::newRow("moved to another blog") << true;
}

void tst_PublishHandOver::entryLeavingItsBlogInTheGapIsNotPublished()
{
    QFETCH(bool, moved);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    Blog& other = m_world->addBlog(QStringLiteral("Elsewhere"), m_world->plain);
    blog.setOption(QStringLiteral("warnOnTitle"), false);
    blog.setOption(QStringLiteral("warnOnCategories"), false);
    EntryPtr entry = DraftWorld::addEntry(blog, "Going", "<p>Body</p>");
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    draft->actions().publishAction()->trigger();
    QVERIFY(!DraftController::sharedInstance().draftForEntry(entry.get()));
    // Deleted, or dropped on another blog, before the road was reached.
    EntryPtr there;
    if (moved) {
        QString error;
        there = entry->moveToBlog(&other, &error);
        QVERIFY2(there, qPrintable(error));
        QVERIFY(other.entries().contains(there));
    } else {
        blog.removeEntry(entry.get());
        entry.reset();
    }
    QTRY_VERIFY(openAlert(QStringLiteral("publishCancelled")));
    QMessageBox* alert = openAlert(QStringLiteral("publishCancelled"));
    QCOMPARE(plainText(alert->text()), QStringLiteral("\"Going\" was not published."));
    QVERIFY(alert->informativeText().contains(QStringLiteral("moved to another blog")));
    QVERIFY(m_road.published.isEmpty());
}

void tst_PublishHandOver::publishAfterAnEditorFellBackStopsOnce()
{
    DraftWorld::useFakeRichEditors();
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->plain);
    blog.setOption(QStringLiteral("warnOnTitle"), false);
    blog.setOption(QStringLiteral("warnOnCategories"), false);
    const EntryPtr entry = DraftWorld::addEntry(blog, "Rich", "<p>Body</p>");
    entry->setEditMode(Draft::RichMode);
    DraftController& drafts = DraftController::sharedInstance();
    QPointer<Draft> draft = drafts.openDraft(entry);
    draft->committer().setTimeout(100);
    FakeRichEditor* rich = richEditor(draft);
    rich->answer = FakeRichEditor::Answer::Never;
    rich->type(QStringLiteral("<p>Last pushed</p>"), true);

    // The editor does not answer: the window stays, the user told, the text
    // it last passed on saved; nothing goes to the server yet.
    draft->actions().publishAction()->trigger();
    QTRY_VERIFY(!draft || draft->layout().noticeText().contains(QStringLiteral("Check the text")));
    QVERIFY2(draft, "the window closed before the user saw the editor's text");
    QCOMPARE(drafts.draftForEntry(entry.get()), draft);
    QVERIFY(draft->window()->isVisible());
    QCOMPARE(DraftWorld::storedBody(blog, entry->uniqueID()), QStringLiteral("<p>Last pushed</p>"));
    QVERIFY(m_road.published.isEmpty());

    // Checked: the second Publish goes through.
    draft->actions().publishAction()->trigger();
    QTRY_COMPARE(m_road.published, QList<EntryPtr>{entry});
    QVERIFY(!drafts.draftForEntry(entry.get()));
    QCOMPARE(entry->body(), QStringLiteral("<p>Last pushed</p>"));
    letDraftsGo();
}

namespace {

// A formatter that takes its time, as an outside program may, and tells on
// which thread it ran.
class SlowFormatter : public PLUMETFormatterProtocol {
public:
    QString formatterKey() const override { return QStringLiteral("Slow"); }
    QString formatterDescription() const override { return QStringLiteral("slow"); }
    bool willHandleFormat(const QString& format) const override
    {
        return format == QLatin1String("slow");
    }
    bool allowsHTMLEditing() const override { return true; }
    QString formatText(const QString& text) override
    {
        thread = QThread::currentThread();
        QThread::msleep(1500);
        return QStringLiteral("<p>Formatted slowly.</p>") + text;
    }
    QString urlTemplate() const override { return {}; }
    QThread* thread = nullptr;
};

} // namespace

void tst_PublishHandOver::slowFormatterLeavesTheWindowResponsive()
{
    SlowFormatter slow;
    const auto find = [&slow](const QString& name) -> PLUMETFormatterProtocol* {
        return name == QLatin1String("slow") || name == QLatin1String("Slow") ? &slow : nullptr;
    };
    EntryRenderer::setFormatterLookup({find, find});
    const auto restore = qScopeGuard([] { EntryRenderer::setFormatterLookup({}); });
    UserDefaults::sharedInstance().setValue(QStringLiteral("summary_check"), true);
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    for (const char* warning :
         {"warnOnTitle", "warnOnSummary", "warnOnKeywords", "warnOnCategories"})
        blog.setOption(QString::fromLatin1(warning), false);
    const EntryPtr entry =
        DraftWorld::addEntry(blog, "A walk", "<p>The river was high. We walked along it.</p>");
    entry->setFormat(QStringLiteral("slow"));
    Draft* draft = DraftController::sharedInstance().openDraft(entry);

    // The main thread keeps turning while the excerpt's formatter runs.
    int ticks = 0;
    QTimer clock;
    connect(&clock, &QTimer::timeout, this, [&ticks] { ++ticks; });
    clock.start(50);
    draft->actions().publishAction()->trigger();
    QVERIFY(DraftController::sharedInstance().draftForEntry(entry.get()));
    QVERIFY(!draft->window()->isEnabled()); // nothing typed now could be lost
    QTRY_COMPARE_WITH_TIMEOUT(m_road.published.size(), 1, 10000);
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QVERIFY(slow.thread && slow.thread != QThread::currentThread());
    QVERIFY2(entry->summary().contains(QLatin1String("Formatted slowly.")),
             qPrintable(entry->summary()));
    QVERIFY(!DraftController::sharedInstance().draftForEntry(entry.get()));
}

QTEST_MAIN(tst_PublishHandOver)
#include "tst_publishhandover.moc"
