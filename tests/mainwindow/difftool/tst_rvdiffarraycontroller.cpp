#include "Account.h"
#include "Blog.h"
#include "BlogClock.h"
#include "BlogEntryStore.h"
#include "DarkPalette.h"
#include "DraftRegistry.h"
#include "Entry.h"
#include "EntryFile.h"
#include "RVDiffArrayController.h"
#include "RVDiffTool.h"
#include "UserDefaults.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

namespace {

// Draft windows as the comparison window sees them: it records what it is asked to open.
class RecordingDrafts : public DraftRegistry {
public:
    QObject* hasOpenDraft(const Entry*) const override { return nullptr; }
    void reloadEntry(QObject*) override {}
    void openDrafts(const QList<Entry*>& entries) override
    {
        for (Entry* entry : entries)
            opened.append({entry, entry->entryDate()});
    }
    void openDraftForEntry(Entry* entry, const QVariant&) override
    {
        opened.append({entry, entry->entryDate()});
    }
    void saveIfNeeded(std::function<void()> done) override { done(); }
    // Each entry with its date at the moment its draft opened.
    QList<std::pair<Entry*, QDateTime>> opened;
};

const QString dateKey = QStringLiteral("datecreated");
const QString originalKey = QStringLiteral("oridate");

QDateTime utc(int year, int month, int day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc());
}

// A date whose clock fields are `zone`'s clock at `instant`, as the server
// sends a date without a zone and the merge keeps it ("oridate").
QDateTime serverClock(const QDateTime& instant, const QTimeZone& zone)
{
    const QDateTime there = instant.toTimeZone(zone);
    return QDateTime(there.date(), there.time(), Qt::LocalTime);
}

} // namespace

class tst_RVDiffArrayController : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listFollowsTheToolAndKeepsItsSelection();
    void tabsFollowTheKeysPresent_data();
    void tabsFollowTheKeysPresent();
    void timeDifferenceWording_data();
    void timeDifferenceWording();
    void textFormIsShownWhileTheDefaultIsUnset();
    void pageTakesThePalettesColours();
    void everyPieceOfBothTextsIsEscaped();
    void acceptTakesTheServerCopyAndWritesTheFile();
    void acceptWithTheAllBoxTakesEveryEntry();
    void fixNowOpensAtMostTenDrafts_data();
    void fixNowOpensAtMostTenDrafts();
    void fixLaterDismissesTheSelectedOrAll();
    void ignoreTimeDismissesOnlyDateDifferences();
    void timeZoneReadsEachDateAtItsOwnOffset_data();
    void timeZoneReadsEachDateAtItsOwnOffset();
    void applyToAllShiftsEachDateOnceAndKeepsOtherDifferences();
    void aFileThatCannotBeWrittenIsReported();

private:
    EntryPtr listed(const QVariantMap& diffs, std::shared_ptr<Blog> blog = {});
    QVariantMap datesApart(const EntryPtr& entry, qint64 seconds) const;
    EntryPtr stored(const Entry& entry) const;

    std::shared_ptr<Account> m_account;
    std::shared_ptr<Blog> m_blog;
    std::unique_ptr<RVDiffTool> m_tool;
    std::unique_ptr<RVDiffArrayController> m_controller;
    std::unique_ptr<RecordingDrafts> m_drafts;
    int m_made = 0;
};

void tst_RVDiffArrayController::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("diffIgnoreHTML"));
    m_made = 0;
    m_account = Account::create();
    m_account->setTitle(QStringLiteral("Home"));
    m_blog = std::make_shared<Blog>();
    m_blog->setUniqueID(QStringLiteral("7"));
    m_blog->setTitle(QStringLiteral("Notes"));
    m_account->addBlog(m_blog);
    m_tool = std::make_unique<RVDiffTool>();
    m_controller = std::make_unique<RVDiffArrayController>(*m_tool);
    m_drafts = std::make_unique<RecordingDrafts>();
    DraftRegistry::setSharedInstance(m_drafts.get());
}

void tst_RVDiffArrayController::cleanup()
{
    DraftRegistry::setSharedInstance(nullptr);
    m_controller.reset();
    m_tool.reset();
    UserDefaults::sharedInstance().remove(QStringLiteral("diffIgnoreHTML"));
}

EntryPtr tst_RVDiffArrayController::listed(const QVariantMap& diffs, std::shared_ptr<Blog> blog)
{
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("Post %1").arg(++m_made));
    entry->setBody(QStringLiteral("<p>Local text</p>"));
    entry->setKeywords(QStringLiteral("local, words"));
    entry->setEntryDate(utc(2024, 7, 1, 12));
    entry->removeFlag(Entry::LocalOnly);
    entry->addFlag(Entry::ChangedLocally);
    (blog ? blog : m_blog)->addEntry(entry);
    entry->setPublishTexts(entry->body(), QString(), QString());
    entry->setDiffs(diffs);
    m_tool->addEntry(entry);
    return entry;
}

QVariantMap tst_RVDiffArrayController::datesApart(const EntryPtr& entry, qint64 seconds) const
{
    const QDateTime server = entry->entryDate().addSecs(-seconds).toLocalTime();
    return {{dateKey, server}, {originalKey, server}};
}

EntryPtr tst_RVDiffArrayController::stored(const Entry& entry) const
{
    return EntryFile::entryFromFile(m_blog->store().folder() + QLatin1Char('/') +
                                    EntryFile::fileName(entry));
}

void tst_RVDiffArrayController::listFollowsTheToolAndKeepsItsSelection()
{
    QAbstractItemModelTester tester(m_controller.get(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy emptied(m_controller.get(), &RVDiffArrayController::emptied);
    QCOMPARE(m_controller->selectedRow(), -1);
    QVERIFY(m_controller->tabs().isEmpty());

    const EntryPtr first = listed({{"title", QStringLiteral("Server title")}});
    QCOMPARE(m_controller->rowCount(), 1);
    QCOMPARE(m_controller->selectedEntry(), first); // the first one is selected
    QCOMPARE(m_controller->currentIndex(), QStringLiteral("1"));
    QCOMPARE(m_controller->data(m_controller->index(0, RVDiffArrayController::TitleColumn)),
             QVariant(QStringLiteral("Post 1")));
    QCOMPARE(m_controller->data(m_controller->index(0, RVDiffArrayController::BlogColumn)),
             QVariant(QStringLiteral("Notes")));

    const EntryPtr second = listed({{"title", QStringLiteral("Other")}});
    const EntryPtr third = listed({{"title", QStringLiteral("Third")}});
    m_controller->setSelectedRow(1);
    QCOMPARE(m_controller->selectedEntry(), second);
    QCOMPARE(m_controller->currentIndex(), QStringLiteral("2"));
    m_tool->removeEntry(first.get());
    QCOMPARE(m_controller->selectedEntry(), second); // the same entry, a row higher
    // The selected one goes: its neighbour takes its place.
    m_controller->fixLater();
    QCOMPARE(m_controller->selectedEntry(), third);
    QCOMPARE(emptied.count(), 0);
    m_controller->fixLater();
    QCOMPARE(m_controller->rowCount(), 0);
    QCOMPARE(m_controller->selectedRow(), -1);
    QCOMPARE(emptied.count(), 1);
}

void tst_RVDiffArrayController::tabsFollowTheKeysPresent_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<bool>("bar");
    QTest::newRow("the date alone")
        << QStringList{"datecreated", "oridate"} << QStringList{"Time & Date"} << false;
    QTest::newRow("the title alone") << QStringList{"title"} << QStringList{"Title"} << false;
    QTest::newRow("date and main text") << QStringList{"description", "oridate", "datecreated"}
                                        << QStringList{"Time & Date", "Main"} << true;
    QTest::newRow("every field") << QStringList{"mt_keywords", "mt_excerpt", "mt_text_more",
                                                "description", "title",      "oridate",
                                                "datecreated"}
                                 << QStringList{"Time & Date", "Title",   "Main",
                                                "Extended",    "Summary", "Keywords"}
                                 << true;
}

void tst_RVDiffArrayController::tabsFollowTheKeysPresent()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, labels);
    QFETCH(bool, bar);
    QVariantMap diffs;
    for (const QString& key : keys)
        diffs.insert(key, key.contains(QLatin1String("date")) ? QVariant(utc(2024, 7, 1, 9))
                                                              : QVariant(QStringLiteral("x")));
    listed(diffs);
    QStringList shown;
    for (const auto& tab : m_controller->tabs())
        shown << tab.label;
    QCOMPARE(shown, labels);
    QCOMPARE(m_controller->showsTabBar(), bar);
    // The first tab shows first: the date tab when the date differs.
    QCOMPARE(m_controller->currentTab(), m_controller->tabs().constFirst().tag);
}

void tst_RVDiffArrayController::timeDifferenceWording_data()
{
    QTest::addColumn<qint64>("seconds"); // local date minus server date
    QTest::addColumn<QString>("wording");
    QTest::newRow("hours and seconds name the hours") << qint64(2 * 3600 + 5) << "2 hours later";
    QTest::newRow("singular parts") << qint64(-61) << "1 minute and 1 second earlier";
    QTest::newRow("all three") << qint64(3600 + 2 * 60 + 3)
                               << "1 hour, 2 minutes and 3 seconds later";
    QTest::newRow("hours and minutes")
        << qint64(-(5 * 3600 + 30 * 60)) << "5 hours and 30 minutes earlier";
    QTest::newRow("minutes alone") << qint64(10 * 60) << "10 minutes later";
    QTest::newRow("an hour") << qint64(-3600) << "1 hour earlier";
    QTest::newRow("no days, only hours") << qint64(50 * 3600) << "50 hours later";
    QTest::newRow("seconds alone") << qint64(-45) << "45 seconds earlier";
    QTest::newRow("the same") << qint64(0) << "";
}

void tst_RVDiffArrayController::timeDifferenceWording()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, wording);
    const QDateTime server = utc(2024, 3, 31, 0, 30);
    QCOMPARE(RVDiffArrayController::timeDifference(server.addSecs(seconds), server), wording);

    const EntryPtr entry = listed({});
    entry->setDiffs(datesApart(entry, seconds));
    m_controller->setSelectedRow(-1);
    m_controller->setSelectedRow(0);
    QCOMPARE(m_controller->timeDiff(), wording);
}

void tst_RVDiffArrayController::textFormIsShownWhileTheDefaultIsUnset()
{
    listed({{"description", QStringLiteral("<p>Server text &amp; <em>more</em></p>")}});
    QCOMPARE(m_controller->currentTab(), int(RVDiffArrayController::MainTab));
    QVERIFY(RVDiffArrayController::ignoreHTML());
    const QString page = m_controller->currentPage();
    QCOMPARE(page, m_controller->diffHTMLText());
    // Words only; the reference is read, then escaped once on the way in.
    QVERIFY2(page.contains(QLatin1String("<del>Local</del><ins>Server</ins> text")),
             qPrintable(page));
    QVERIFY(page.contains(QLatin1String("<ins>&amp;")));
    QVERIFY(!page.contains(QLatin1String("&amp;amp;")));
    QVERIFY(!page.contains(QLatin1String("&lt;p&gt;")));
    QVERIFY(page.endsWith(QLatin1String("</body></html>")));

    QSignalSpy changed(m_controller.get(), &RVDiffArrayController::pageChanged);
    m_controller->setIgnoreHTML(false);
    QCOMPARE(changed.count(), 1);
    const QString source = m_controller->currentPage();
    QCOMPARE(source, m_controller->diffPlainText());
    QVERIFY2(source.contains(QLatin1String("<code>&lt;p&gt;<del>Local</del><ins>Server</ins>")),
             qPrintable(source));
    QVERIFY(source.contains(QLatin1String("&lt;em&gt;more&lt;/em&gt;")));
    QVERIFY(source.contains(QLatin1String("&amp;amp;")));
}

void tst_RVDiffArrayController::pageTakesThePalettesColours()
{
    const plumet::test::DarkPaletteScope dark;
    const QPalette palette = plumet::test::darkPalette();
    RVDiffArrayController controller(*m_tool);
    listed({{"description", QStringLiteral("<p>Server text</p>")}});
    for (const QString& page : {controller.diffHTMLText(), controller.diffPlainText()}) {
        QVERIFY2(page.contains(QStringLiteral("color-scheme: dark")), qPrintable(page));
        QVERIFY(page.contains(palette.color(QPalette::Base).name()));
        QVERIFY(page.contains(palette.color(QPalette::Text).name()));
        // No fixed light colour of its own: the washes are see-through.
        for (const char* fixed : {"#fff", "#fbe0e0", "#dcf3dc", "#1e1e1e"})
            QVERIFY2(!page.contains(QLatin1String(fixed)), fixed);
    }
}

void tst_RVDiffArrayController::everyPieceOfBothTextsIsEscaped()
{
    const QString hostile =
        QStringLiteral("<meta http-equiv=\"Content-Security-Policy\" content=\"script-src *\">"
                       "<script>document.title='ran'</script><img src=x onerror=\"alert(1)\">"
                       "&lt;script&gt;alert(2)&lt;/script&gt;<svg onload=alert(3)>");
    listed({{"description", hostile}, {"title", hostile}});
    for (const bool ignore : {true, false}) {
        m_controller->setIgnoreHTML(ignore);
        for (const int tab :
             {int(RVDiffArrayController::TitleTab), int(RVDiffArrayController::MainTab)}) {
            m_controller->changeTab(tab);
            QString body = m_controller->currentPage();
            body = body.mid(body.indexOf(QLatin1String("<body>")) + 6);
            body.chop(int(QStringLiteral("</body></html>").size()));
            for (const char* ours : {"<del>", "</del>", "<ins>", "</ins>", "<code>", "</code>",
                                     "<div class=\"text\">", "</div>"})
                body.remove(QLatin1String(ours));
            QVERIFY2(!body.contains(QLatin1Char('<')) && !body.contains(QLatin1Char('>')) &&
                         !body.contains(QLatin1Char('"')),
                     qPrintable(body));
        }
    }
}

void tst_RVDiffArrayController::acceptTakesTheServerCopyAndWritesTheFile()
{
    const QDateTime serverDate = utc(2024, 7, 1, 9).toLocalTime();
    const EntryPtr entry = listed({{"title", QStringLiteral("Server title")},
                                   {"description", QStringLiteral("<p>Server text</p>")},
                                   {"mt_excerpt", QStringLiteral("Server summary")},
                                   {dateKey, serverDate},
                                   {originalKey, serverDate}});
    const EntryPtr other = listed({{"title", QStringLiteral("Untouched")}});
    m_controller->setSelectedRow(0);
    m_controller->accept();

    QCOMPARE(entry->title(), QStringLiteral("Server title"));
    QCOMPARE(entry->body(), QStringLiteral("<p>Server text</p>"));
    QCOMPARE(entry->summary(), QStringLiteral("Server summary"));
    QCOMPARE(entry->entryDate(), serverDate);
    // No keywords among the differences: the local ones stay.
    QCOMPARE(entry->keywords(), QStringLiteral("local, words"));
    QVERIFY(!entry->hasFlag(Entry::ChangedLocally));
    QVERIFY(!entry->diffs().has_value());
    QVERIFY(entry->pubBody().isNull()); // the next comparison starts from the accepted text
    QVERIFY(!m_tool->contains(entry.get()));
    QVERIFY(m_tool->contains(other.get())); // the all box is off
    QCOMPARE(other->title(), QStringLiteral("Post 2"));

    const EntryPtr file = stored(*entry);
    QVERIFY(file);
    QCOMPARE(file->title(), QStringLiteral("Server title"));
    QCOMPARE(file->body(), QStringLiteral("<p>Server text</p>"));
    QCOMPARE(file->entryDate(), serverDate);
}

void tst_RVDiffArrayController::acceptWithTheAllBoxTakesEveryEntry()
{
    const EntryPtr first = listed({{"mt_keywords", QStringLiteral("server, tags")}});
    const EntryPtr second = listed({{"title", QStringLiteral("Second from the server")}});
    m_controller->setAllOrOne(true);
    m_controller->accept();
    QCOMPARE(first->keywords(), QStringLiteral("server, tags"));
    QCOMPARE(second->title(), QStringLiteral("Second from the server"));
    QCOMPARE(m_controller->rowCount(), 0);
    QCOMPARE(stored(*first)->keywords(), QStringLiteral("server, tags"));
}

void tst_RVDiffArrayController::fixNowOpensAtMostTenDrafts_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("all");
    QTest::addColumn<int>("opened");
    QTest::newRow("ten with the all box") << 10 << true << 10;
    QTest::newRow("eleven with the all box") << 11 << true << 1;
    QTest::newRow("three without it") << 3 << false << 1;
}

void tst_RVDiffArrayController::fixNowOpensAtMostTenDrafts()
{
    QFETCH(int, count);
    QFETCH(bool, all);
    QFETCH(int, opened);
    QList<EntryPtr> entries;
    for (int i = 0; i < count; ++i)
        entries << listed({{"title", QStringLiteral("Server %1").arg(i)}});
    // The selected one has a shifted date: its draft opens with the server's date.
    const EntryPtr selected = entries.at(count - 1);
    const QDateTime shifted = utc(2024, 7, 1, 10).toLocalTime();
    selected->setDiffs(QVariantMap{{"title", QStringLiteral("Server")},
                                   {dateKey, shifted},
                                   {originalKey, utc(2024, 7, 1, 12).toLocalTime()}});
    m_controller->setSelectedRow(count - 1);
    m_controller->setAllOrOne(all);
    m_controller->fixNow();

    QCOMPARE(int(m_drafts->opened.size()), opened);
    if (opened == 1)
        QCOMPARE(m_drafts->opened.constFirst().first, selected.get());
    for (const auto& [entry, date] : std::as_const(m_drafts->opened)) {
        QVERIFY(!m_tool->contains(entry));
        QVERIFY(!entry->diffs().has_value());
        if (entry == selected.get())
            QCOMPARE(date, shifted);
    }
    QCOMPARE(m_controller->rowCount(), count - opened);
    QCOMPARE(stored(*selected)->entryDate(), shifted);
    QCOMPARE(selected->title(), QStringLiteral("Post %1").arg(m_made)); // the local copy stays
}

void tst_RVDiffArrayController::fixLaterDismissesTheSelectedOrAll()
{
    const EntryPtr first = listed({{"title", QStringLiteral("A")}});
    const EntryPtr second = listed({{"title", QStringLiteral("B")}});
    const EntryPtr third = listed({{"title", QStringLiteral("C")}});
    m_controller->setSelectedRow(1);
    m_controller->fixLater();
    QVERIFY(!m_tool->contains(second.get()));
    QVERIFY(!second->diffs().has_value());
    QCOMPARE(second->title(), QStringLiteral("Post 2"));
    QCOMPARE(m_controller->rowCount(), 2);
    m_controller->setAllOrOne(true);
    m_controller->fixLater();
    QCOMPARE(m_controller->rowCount(), 0);
    QVERIFY(!first->diffs().has_value());
    QVERIFY(!third->diffs().has_value());
    QVERIFY(m_drafts->opened.isEmpty());
}

void tst_RVDiffArrayController::ignoreTimeDismissesOnlyDateDifferences()
{
    const EntryPtr datesOnly = listed({});
    datesOnly->setDiffs(datesApart(datesOnly, 7200));
    // One key, fewer than three: still a title difference, not a date one.
    const EntryPtr titleOnly = listed({{"title", QStringLiteral("Server title")}});
    const EntryPtr keywordsOnly = listed({{"mt_keywords", QStringLiteral("a b")}});
    const EntryPtr both = listed({});
    QVariantMap mixed = datesApart(both, 3600);
    mixed.insert(QStringLiteral("title"), QStringLiteral("Other"));
    both->setDiffs(mixed);

    m_controller->ignoreTime();
    QVERIFY(!m_tool->contains(datesOnly.get()));
    QVERIFY(!datesOnly->diffs().has_value());
    QVERIFY(m_tool->contains(titleOnly.get()));
    QVERIFY(m_tool->contains(keywordsOnly.get()));
    QVERIFY(m_tool->contains(both.get()));
    QCOMPARE(both->diffs()->value(QStringLiteral("title")).toString(), QStringLiteral("Other"));
}

void tst_RVDiffArrayController::timeZoneReadsEachDateAtItsOwnOffset_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QDateTime>("instant");
    // Each zone in its summer and its winter, whatever today's offset is.
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Sydney"}) {
        QTest::addRow("%s, January", zone) << QString::fromLatin1(zone) << utc(2024, 1, 15, 10);
        QTest::addRow("%s, July", zone) << QString::fromLatin1(zone) << utc(2024, 7, 15, 10);
    }
    QTest::newRow("Berlin, the night clocks go forward")
        << "Europe/Berlin" << utc(2024, 3, 31, 1, 30);
    // 02:30 comes twice that night; a clock time names the first.
    QTest::newRow("Sydney, the night clocks go back")
        << "Australia/Sydney" << utc(2024, 4, 6, 15, 30);
}

void tst_RVDiffArrayController::timeZoneReadsEachDateAtItsOwnOffset()
{
    QFETCH(QString, zone);
    QFETCH(QDateTime, instant);
    // The server keeps the zone's clock; the blog still says "local", so the
    // merge took the server's clock for this computer's.
    const QDateTime oridate = serverClock(instant, QTimeZone(zone.toUtf8()));
    const EntryPtr entry = listed({{dateKey, oridate}, {originalKey, oridate}});
    entry->setEntryDate(instant);
    QVERIFY(!m_controller->timeDiff().isEmpty());
    QSignalSpy timeDiffChanged(m_controller.get(), &RVDiffArrayController::timeDiffChanged);

    m_controller->changeTimeZone(zone);
    QCOMPARE(m_blog->timeZone(), zone);
    QCOMPARE(m_controller->dateCreated(), instant);
    QCOMPARE(m_controller->timeDiff(), QString());
    QVERIFY(timeDiffChanged.count() >= 1);

    // Back to local: the server's clock read as this computer's again.
    m_controller->changeTimeZone(QStringLiteral("Use local timezone"));
    QCOMPARE(m_controller->dateCreated(), oridate);
}

void tst_RVDiffArrayController::applyToAllShiftsEachDateOnceAndKeepsOtherDifferences()
{
    const QTimeZone sydney("Australia/Sydney");
    auto otherBlog = std::make_shared<Blog>();
    otherBlog->setUniqueID(QStringLiteral("8"));
    m_account->addBlog(otherBlog);
    m_blog->setTimeZone(QStringLiteral("Australia/Sydney"));

    // As the merge lists them: "datecreated" already read from the blog's clock.
    auto mergedDates = [&](const QDateTime& instant) {
        const QDateTime oridate = serverClock(instant, sydney);
        return QVariantMap{{dateKey, BlogClock::fromZoneClock(oridate, sydney)},
                           {originalKey, oridate}};
    };
    const QDateTime winter = utc(2024, 7, 1, 3);
    const QDateTime summer = utc(2024, 1, 10, 22);
    const EntryPtr selected = listed(mergedDates(winter));
    const EntryPtr elsewhere = listed(mergedDates(summer), otherBlog);
    QVariantMap mixed = mergedDates(winter.addDays(2));
    mixed.insert(QStringLiteral("description"), QStringLiteral("<p>Server</p>"));
    const EntryPtr withText = listed(mixed);
    const EntryPtr textOnly = listed({{"title", QStringLiteral("Server title")}});
    m_controller->setSelectedRow(0);

    m_controller->applyTimeZoneToAll();
    // Every date read once in the selected entry's blog's zone, the selected one's too.
    QCOMPARE(selected->entryDate(), winter);
    QCOMPARE(elsewhere->entryDate(), summer);
    QCOMPARE(withText->entryDate(), winter.addDays(2));
    QCOMPARE(textOnly->entryDate(), utc(2024, 7, 1, 12));
    QVERIFY(!m_tool->contains(selected.get()));
    QVERIFY(!m_tool->contains(elsewhere.get()));
    // Other differences stay to be settled, without their settled date.
    QVERIFY(m_tool->contains(withText.get()));
    QCOMPARE(withText->diffs()->keys(), QStringList{QStringLiteral("description")});
    QVERIFY(m_tool->contains(textOnly.get()));
    QCOMPARE(stored(*selected)->entryDate(), winter);
    QCOMPARE(stored(*withText)->entryDate(), winter.addDays(2));
    // What is left shows without a date tab.
    QCOMPARE(m_controller->selectedEntry(), withText);
    QCOMPARE(m_controller->tabs().size(), 1);
    QCOMPARE(m_controller->currentTab(), int(RVDiffArrayController::MainTab));
}

void tst_RVDiffArrayController::aFileThatCannotBeWrittenIsReported()
{
    const EntryPtr entry = listed({{"title", QStringLiteral("Server title")}});
    // A folder where the entry's file should be: the file cannot be written.
    const QString file = m_blog->store().folder() + QLatin1Char('/') + EntryFile::fileName(*entry);
    QVERIFY(QDir().mkpath(file + QStringLiteral("/in-the-way")));
    QSignalSpy problem(m_controller.get(), &RVDiffArrayController::problem);
    m_controller->accept();
    QCOMPARE(problem.count(), 1);
    QVERIFY2(problem.constFirst().constFirst().toString().contains(QLatin1String("Server title")),
             qPrintable(problem.constFirst().constFirst().toString()));
    QVERIFY(QDir(file).removeRecursively());
}

QTEST_MAIN(tst_RVDiffArrayController)
#include "tst_rvdiffarraycontroller.moc"
