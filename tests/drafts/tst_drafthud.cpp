#include "DateHUDPanel.h"
#include "DraftActions.h"
#include "DraftHUD.h"
#include "DraftPanels.h"
#include "DraftTesting.h"
#include "EntryContent.h"
#include "EntryRenderer.h"
#include "Ping.h"
#include "RVDraftWindow.h"
#include "StatisticsHUDPanel.h"
#include "TextStatistics.h"
#include "TrackbackHUDPanel.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

using namespace plumet::test;

// The heads-up panels of a draft window: one at a time over the content,
// the date and its custom mark, the trackback addresses, the statistics.
class tst_DraftHUD : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openSwapAndClose();
    void dateFlag_data();
    void dateFlag();
    void clockGapShowsTheTimeItBecomes();
    void dateRange();
    void blogClockShownWhenItDiffers();
    void trackbackRows();
    void trackbackRefusals_data();
    void trackbackRefusals();
    void statisticsFollowTheCommits();

private:
    Draft* openDraft(const QString& body = QStringLiteral("<p>Body</p>"));

    std::unique_ptr<DraftWorld> m_world;
    EntryPtr m_entry;
};

void tst_DraftHUD::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    m_world = std::make_unique<DraftWorld>();
}

void tst_DraftHUD::cleanup()
{
    m_entry.reset();
    m_world.reset();
}

Draft* tst_DraftHUD::openDraft(const QString& body)
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    m_entry = DraftWorld::addEntry(blog, QStringLiteral("Post"), body);
    Draft* draft = DraftController::sharedInstance().openDraft(m_entry);
    draft->window()->resize(760, 560);
    draft->window()->show();
    [&] { QVERIFY(QTest::qWaitForWindowActive(draft->window())); }();
    return draft;
}

void tst_DraftHUD::openSwapAndClose()
{
    Draft* draft = openDraft();
    DraftPanels* panels = draft->panels();
    QVERIFY(!panels->hud()); // made on first use

    draft->actions().changeDateAction()->trigger();
    DraftHUD* hud = panels->hud();
    QVERIFY(hud);
    QCOMPARE(hud->parentWidget(), static_cast<QWidget*>(draft->window()));
    QVERIFY(hud->isVisible());
    QCOMPARE(hud->shownPanel(), static_cast<QWidget*>(panels->datePanel()));
    QCOMPARE(hud->lastTransitionStyle(), 1);
    QVERIFY(panels->datePanel()->isVisible());
    QCOMPARE(hud->geometry(), draft->window()->centralWidget()->geometry());
    QVERIFY(panels->datePanel()->editor()->hasFocus());
    saveScreenshot(draft->window(), QStringLiteral("hud-date"));

    // Opening the panel shown does nothing.
    QVERIFY(!hud->open(panels->datePanel()));
    draft->panels()->changeDate();
    QCOMPARE(hud->lastTransitionStyle(), 1);

    // Another panel swaps in, the layer stays.
    draft->actions().manageTrackbackAction()->trigger();
    QCOMPARE(hud->shownPanel(), static_cast<QWidget*>(panels->trackbackPanel()));
    QCOMPARE(hud->lastTransitionStyle(), 6);
    QVERIFY(hud->isVisible());
    QVERIFY(!panels->datePanel()->isVisible());
    QVERIFY(panels->trackbackPanel()->isVisible());
    QVERIFY(panels->trackbackPanel()->table()->hasFocus());

    // The layer follows the window's size.
    draft->window()->resize(900, 640);
    QTRY_COMPARE(hud->geometry(), draft->window()->centralWidget()->geometry());

    // Escape is Done.
    QTest::keyClick(panels->trackbackPanel()->table(), Qt::Key_Escape);
    QVERIFY(!hud->shownPanel());
    QVERIFY(!hud->isVisible());

    // After a close the next panel appears with the first style again.
    draft->actions().wordCountAction()->trigger();
    QCOMPARE(hud->shownPanel(), static_cast<QWidget*>(panels->statisticsPanel()));
    QCOMPARE(hud->lastTransitionStyle(), 1);
    QTest::keyClick(panels->statisticsPanel(), Qt::Key_Escape);
    QVERIFY(!hud->isVisible());

    // Escape in the date field closes the date panel as Done.
    draft->panels()->changeDate();
    QTest::keyClick(panels->datePanel()->editor(), Qt::Key_Escape);
    QVERIFY(!hud->isVisible());
}

void tst_DraftHUD::dateFlag_data()
{
    // What the user does in the date panel, one opening per "|": "edit"
    // sets another date, "back" sets the opening's date again, "save"
    // saves the post between openings.
    QTest::addColumn<bool>("savedCustom");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<bool>("savedDate"); // the entry's date is the saved one at the end
    QTest::newRow("scheduled, Done unchanged keeps it") << true << "done" << true << true;
    QTest::newRow("not custom, Done unchanged") << false << "done" << false << true;
    QTest::newRow("scheduled, saved, Done again") << true << "done|save|done" << true << true;
    QTest::newRow("Now then Done") << false << "now done" << true << false;
    QTest::newRow("Now, save, reopen, Done") << false << "now done|save|done" << true << false;
    QTest::newRow("edit then Done") << false << "edit done" << true << false;
    QTest::newRow("edit and back then Done") << false << "edit back done" << false << true;
    QTest::newRow("Revert restores no mark") << false << "edit done|revert done" << false << true;
    QTest::newRow("Revert restores the mark") << true << "now done|revert done" << true << true;
    QTest::newRow("Revert after Now, same opening") << false << "now revert done" << false << true;
}

void tst_DraftHUD::dateFlag()
{
    QFETCH(bool, savedCustom);
    QFETCH(QString, steps);
    QFETCH(bool, flag);
    QFETCH(bool, savedDate);

    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    m_entry = DraftWorld::addEntry(blog, QStringLiteral("Post"), QStringLiteral("<p>x</p>"));
    const QDateTime scheduled(QDate(2027, 3, 2), QTime(9, 0), QTimeZone("Europe/Berlin"));
    m_entry->setEntryDate(scheduled);
    m_entry->setHasCustomDate(savedCustom);
    QString error;
    QVERIFY2(blog.save(*m_entry, &error), qPrintable(error));
    m_entry->setNeedsSave(false);
    Draft* draft = DraftController::sharedInstance().openDraft(m_entry);
    QVERIFY(draft->savedCopy());
    QCOMPARE(draft->savedCopy()->hasCustomDate(), savedCustom);
    DraftPanels* panels = draft->panels();

    for (const QString& opening : steps.split(QLatin1Char('|'))) {
        if (opening == QLatin1String("save")) {
            QVERIFY(draft->saveToDisk());
            draft->renewCopy();
            continue;
        }
        draft->panels()->changeDate();
        panels->hud()->setTransitionsEnabled(false);
        DateHUDPanel* panel = panels->datePanel();
        QDateTimeEdit* edit = panel->editor();
        const QDateTime openedWith = edit->dateTime();
        for (const QString& step : opening.split(QLatin1Char(' '))) {
            if (step == QLatin1String("edit"))
                edit->setDateTime(openedWith.addDays(7));
            else if (step == QLatin1String("back"))
                edit->setDateTime(openedWith);
            else if (step == QLatin1String("now"))
                panel->setNow();
            else if (step == QLatin1String("revert"))
                panel->revert();
            else if (step == QLatin1String("done"))
                panel->done();
        }
        QVERIFY(!panels->hud()->isVisible());
    }
    QCOMPARE(m_entry->hasCustomDate(), flag);
    QCOMPARE(m_entry->entryDate() == scheduled, savedDate);
    if (savedDate) // same instant, and never moved to another zone's form unasked
        QCOMPARE(m_entry->entryDate().timeZone(), scheduled.timeZone());
}

void tst_DraftHUD::clockGapShowsTheTimeItBecomes()
{
    Draft* draft = openDraft();
    draft->panels()->changeDate();
    DateHUDPanel* panel = draft->panels()->datePanel();
    const QTimeZone berlin("Europe/Berlin");
    QVERIFY(berlin.isValid());
    panel->setClockZone(berlin);
    // 02:30 on the last Sunday of March 2027 does not exist in Berlin.
    panel->editor()->setDateTime(QDateTime(QDate(2027, 3, 28), QTime(2, 30), Qt::UTC));
    QCOMPARE(panel->editor()->time(), QTime(3, 30));
    QVERIFY2(panel->noteText().contains(QStringLiteral("clocks skip")),
             qPrintable(panel->noteText()));
    QCOMPARE(m_entry->entryDate().toUTC(), QDateTime(QDate(2027, 3, 28), QTime(1, 30), Qt::UTC));
    saveScreenshot(draft->window(), QStringLiteral("hud-date-gap"));
    // An ordinary time is taken as typed, on that day's offset.
    panel->editor()->setDateTime(QDateTime(QDate(2027, 7, 1), QTime(9, 0), Qt::UTC));
    QCOMPARE(panel->editor()->time(), QTime(9, 0));
    QCOMPARE(m_entry->entryDate().toUTC(), QDateTime(QDate(2027, 7, 1), QTime(7, 0), Qt::UTC));
    QVERIFY(!panel->noteText().contains(QStringLiteral("clocks skip")));
    panel->done();
    QVERIFY(m_entry->hasCustomDate());
}

void tst_DraftHUD::dateRange()
{
    Draft* draft = openDraft();
    draft->panels()->changeDate();
    QDateTimeEdit* edit = draft->panels()->datePanel()->editor();
    QCOMPARE(edit->minimumDate(), QDate(1900, 1, 1));
    QCOMPARE(edit->maximumDate(), QDate(9999, 12, 31));
    QVERIFY(edit->calendarPopup());
    QVERIFY(edit->displayFormat().contains(QLatin1String("yyyy")));
}

void tst_DraftHUD::blogClockShownWhenItDiffers()
{
    Draft* draft = openDraft();
    m_entry->setEntryDate(QDateTime(QDate(2027, 1, 15), QTime(12, 0), Qt::UTC));
    const QTimeZone utc("UTC");
    draft->panels()->changeDate();
    DateHUDPanel* panel = draft->panels()->datePanel();
    panel->setClockZone(utc);
    panel->done();

    // Same clock as the panel's: no note.
    draft->blog()->setTimeZone(QStringLiteral("UTC"));
    draft->panels()->changeDate();
    QVERIFY2(panel->noteText().isEmpty(), qPrintable(panel->noteText()));
    panel->done();

    // Tokyo is nine hours ahead in January.
    draft->blog()->setTimeZone(QStringLiteral("Asia/Tokyo"));
    draft->panels()->changeDate();
    QVERIFY2(panel->noteText().contains(QStringLiteral("blog's clock")),
             qPrintable(panel->noteText()));
    QVERIFY2(panel->noteText().contains(QStringLiteral("21:00")), qPrintable(panel->noteText()));
    // Looking changes nothing.
    panel->done();
    QCOMPARE(m_entry->entryDate(), QDateTime(QDate(2027, 1, 15), QTime(12, 0), Qt::UTC));
    QVERIFY(!m_entry->hasCustomDate());
}

void tst_DraftHUD::trackbackRows()
{
    Draft* draft = openDraft();
    draft->panels()->manageTrackback();
    TrackbackHUDPanel* panel = draft->panels()->trackbackPanel();
    QCOMPARE(panel->table()->rowCount(), 0);

    struct Row {
        const char* typed;
        bool taken;
    };
    const Row rows[] = {
        {"  https://a.example/trackback/1 ", true},
        {"https://a.example/trackback/1", false}, // the same again
        {"HTTPS://A.EXAMPLE/trackback/1", false}, // the same but for case of scheme and host
        {"ftp://a.example/tb", false},
        {"javascript:alert(1)", false},
        {"a.example/tb", false},
        {"", false},
        {"http://b.example/ping?id=7", true},
    };
    for (const Row& row : rows) {
        const QString typed = QString::fromUtf8(row.typed);
        panel->field()->setText(typed);
        QTest::keyClick(panel->field(), Qt::Key_Return);
        QVERIFY2(panel->refusalText().isEmpty() == row.taken, row.typed);
        if (!row.taken)
            QCOMPARE(panel->field()->text(), typed); // kept for mending
    }
    const QStringList expected{QStringLiteral("https://a.example/trackback/1"),
                               QStringLiteral("http://b.example/ping?id=7")};
    QCOMPARE(panel->addresses(), expected);
    QCOMPARE(Ping::addressesOf(m_entry->pingUris()), (QVariantList{expected[0], expected[1]}));
    QCOMPARE(panel->table()->rowCount(), 2);
    QCOMPARE(panel->table()->item(1, 0)->text(), expected[1]);
    panel->field()->setText(QStringLiteral("ftp://a.example/tb"));
    QTest::keyClick(panel->field(), Qt::Key_Return);
    saveScreenshot(draft->window(), QStringLiteral("hud-trackbacks"));

    panel->table()->selectRow(0);
    panel->removeSelected();
    QCOMPARE(panel->addresses(), QStringList{expected[1]});
    QCOMPARE(panel->table()->rowCount(), 1);

    // Reopened, the panel shows the post's list.
    panel->done();
    draft->panels()->manageTrackback();
    QCOMPARE(panel->table()->rowCount(), 1);
    QVERIFY(panel->refusalText().isEmpty());
}

void tst_DraftHUD::trackbackRefusals_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("words");
    QTest::newRow("ftp") << "ftp://a.example/tb"
                         << "http or https";
    QTest::newRow("mailto") << "mailto:me@a.example"
                            << "http or https";
    QTest::newRow("no server") << "http:///tb"
                               << "names no server";
    QTest::newRow("duplicate") << " https://a.example/x"
                               << "in the list already";
    QTest::newRow("blank") << "   "
                           << "Type a trackback address";
}

void tst_DraftHUD::trackbackRefusals()
{
    QFETCH(QString, typed);
    QFETCH(QString, words);
    QString cleaned;
    const QString why =
        TrackbackHUDPanel::refusal(typed, {QStringLiteral("https://a.example/x")}, &cleaned);
    QVERIFY2(why.contains(words), qPrintable(why));
    QVERIFY(cleaned.isEmpty());

    QStringList full;
    for (int i = 0; i < TrackbackHUDPanel::maximumAddresses; ++i)
        full << QStringLiteral("https://a.example/%1").arg(i);
    QVERIFY(TrackbackHUDPanel::refusal(QStringLiteral("https://b.example/"), full, &cleaned)
                .contains(QStringLiteral("at most")));
}

void tst_DraftHUD::statisticsFollowTheCommits()
{
    Draft* draft = openDraft(QStringLiteral("<p>One two three.</p><p>Four</p>"));
    auto expected = [&] {
        QString html = EntryRenderer(*m_entry).formattedText();
        EntryContent(*m_entry).applyAttachmentMarkup(html);
        const TextCounts counts = TextStatistics::countFresh(html);
        QStringList texts;
        for (int n :
             {counts.paragraphs, counts.lines, counts.words, counts.letters, counts.characters})
            texts << QLocale().toString(n);
        return texts;
    };
    draft->panels()->wordCount();
    StatisticsHUDPanel* panel = draft->panels()->statisticsPanel();
    QCOMPARE(panel->fieldTexts(), QStringList(5, QStringLiteral("...")));
    QSignalSpy counted(panel, &StatisticsHUDPanel::counted);
    QTRY_COMPARE(counted.size(), 1);
    QCOMPARE(panel->fieldTexts(), expected());
    saveScreenshot(draft->window(), QStringLiteral("hud-statistics"));

    // While open, each commit counts the new text.
    typeInto(sourceView(draft), QStringLiteral("<p>Only these words now, five or six.</p>"));
    draft->requestPreviewRefresh();
    QTRY_COMPARE(counted.size(), 2);
    QVERIFY(m_entry->body().contains(QStringLiteral("five or six")));
    QCOMPARE(panel->fieldTexts(), expected());

    // Commits in quick succession: the numbers shown are the last text's.
    typeInto(sourceView(draft), QStringLiteral("<p>First of three</p>"));
    draft->requestPreviewRefresh();
    typeInto(sourceView(draft), QStringLiteral("<p>Second</p><ul><li>of</li><li>three</li></ul>"));
    draft->requestPreviewRefresh();
    typeInto(sourceView(draft),
             QStringLiteral("<p>The third 文字 and 👍🏽 text</p><p>x</p>"));
    draft->requestPreviewRefresh();
    QTRY_VERIFY(m_entry->body().contains(QStringLiteral("third")) && !panel->isCounting() &&
                panel->fieldTexts() == expected());
    const qsizetype afterBurst = counted.size();

    // Closed, it counts no more.
    panel->done();
    draft->requestPreviewRefresh();
    QTest::qWait(100);
    QCOMPARE(counted.size(), afterBurst);

    // Reopened, it starts again from "...".
    draft->panels()->wordCount();
    QCOMPARE(panel->fieldTexts(), QStringList(5, QStringLiteral("...")));
    QTRY_COMPARE(counted.size(), afterBurst + 1);
}

QTEST_MAIN(tst_DraftHUD)
#include "tst_drafthud.moc"
