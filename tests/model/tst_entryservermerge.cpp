#include "Account.h"
#include "Blog.h"
#include "BlogClock.h"
#include "BlogEntryStore.h"
#include "Category.h"
#include "Entry.h"
#include "EntryContent.h"
#include "EntryFile.h"
#include "EntryServerMerge.h"
#include "PluginManager.h"
#include "RVDiffTool.h"
#include "UserDefaults.h"
#include "XMLRPCDates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <ctime>

// The server's copy of an entry merged into the local one, and the blog's
// clock that dates are shifted onto and back from.
class tst_EntryServerMerge : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void zoneClockUsesTheOffsetOfTheDateItself_data();
    void zoneClockUsesTheOffsetOfTheDateItself();
    void labelledGmtZonesCountTheOtherWay();
    void serverDates_data();
    void serverDates();
    void readBackAroundClockChangesAgrees_data();
    void readBackAroundClockChangesAgrees();
    void textsThatDifferOnlyInFormAreTaken();
    void whatCountsAsForm_data();
    void whatCountsAsForm();
    void differencesGoToTheComparisonWindow();
    void aCopyThatAgreesAgainLeavesTheComparisonWindow();
    void agreementClearsChangedLocally();
    void unchangedIdLeavesTheFileAlone();
    void newIdWritesTheNewFileBeforeTheOldGoes();
    void anOldFileGoesWithTheFirstSaveThatWorks();
    void attachmentsThatCannotMoveAreReported();
    void whatTheServerDidNotKeepStays_data();
    void whatTheServerDidNotKeepStays();
    void notKeptFieldsInWords();

private:
    EntryPtr newEntry();

    std::shared_ptr<Account> m_account;
    std::shared_ptr<Blog> m_blog;
};

void tst_EntryServerMerge::initTestCase()
{
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    QVERIFY(drivers.pluginForKey(QStringLiteral("MovableType 4")));
}

void tst_EntryServerMerge::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("ignoreTime"));
    m_account = Account::create();
    m_blog = std::make_shared<Blog>();
    m_blog->setUniqueID(QStringLiteral("7"));
    m_account->addBlog(m_blog);
}

EntryPtr tst_EntryServerMerge::newEntry()
{
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("Title"));
    entry->setBody(QStringLiteral("<p>Hello   <b>world</b></p>"));
    entry->setEntryDate(QDateTime(QDate(2024, 7, 1), QTime(12, 0), QTimeZone::utc()));
    m_blog->addEntry(entry);
    return entry;
}

void tst_EntryServerMerge::zoneClockUsesTheOffsetOfTheDateItself_data()
{
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<QTime>("berlinClock");
    // Summer and winter time each once, whatever today is.
    QTest::newRow("summer") << QDateTime(QDate(2024, 7, 1), QTime(10, 0), QTimeZone::utc())
                            << QTime(12, 0);
    QTest::newRow("winter") << QDateTime(QDate(2024, 1, 15), QTime(10, 0), QTimeZone::utc())
                            << QTime(11, 0);
    QTest::newRow("after the spring change")
        << QDateTime(QDate(2024, 3, 31), QTime(1, 30), QTimeZone::utc()) << QTime(3, 30);
}

void tst_EntryServerMerge::zoneClockUsesTheOffsetOfTheDateItself()
{
    QFETCH(QDateTime, instant);
    QFETCH(QTime, berlinClock);
    const QTimeZone berlin("Europe/Berlin");
    const QDateTime clock = BlogClock::toZoneClock(instant, berlin);
    QCOMPARE(clock.time(), berlinClock);
    QCOMPARE(BlogClock::fromZoneClock(clock, berlin), instant);
}

void tst_EntryServerMerge::labelledGmtZonesCountTheOtherWay()
{
    // Users picked "GMT-2" to mean two hours behind.
    const QDateTime noon(QDate(2024, 7, 1), QTime(12, 0), QTimeZone::utc());
    QCOMPARE(BlogClock::offsetAt(QTimeZone("Etc/GMT-2"), noon), -7200);
    QCOMPARE(BlogClock::toZoneClock(noon, QTimeZone("Etc/GMT-2")).time(), QTime(10, 0));
    QCOMPARE(BlogClock::offsetAt(QTimeZone("Etc/GMT+3"), noon), -10800);

    m_blog->setTimeZone(QStringLiteral("Etc/GMT-2"));
    m_blog->setOption(QStringLiteral("utcMode"), true);
    QCOMPARE(BlogClock::toBlogClock(noon, *m_blog), noon); // UTC mode shifts nothing
    m_blog->setOption(QStringLiteral("utcMode"), false);
    QCOMPARE(BlogClock::toBlogClock(noon, *m_blog).time(), QTime(10, 0));
}

void tst_EntryServerMerge::serverDates_data()
{
    QTest::addColumn<QVariant>("serverDate");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<bool>("ignoreTime");
    QTest::addColumn<QDateTime>("expected");
    QTest::addColumn<bool>("differs");

    const QDateTime local(QDate(2024, 7, 1), QTime(12, 0), QTimeZone::utc());
    QTest::newRow("300 s apart") << QVariant(local.addSecs(300)) << QString() << false
                                 << local.addSecs(300) << false;
    QTest::newRow("301 s apart") << QVariant(local.addSecs(301)) << QString() << false << local
                                 << true;
    QTest::newRow("ignoreTime") << QVariant(local.addDays(3)) << QString() << true
                                << local.addDays(3) << false;
    QTest::newRow("unreadable text")
        << QVariant(QStringLiteral("soon-ish")) << QString() << false << local << false;
    QTest::newRow("unreadable, ignoreTime")
        << QVariant(QStringLiteral("soon-ish")) << QString() << true << local << false;
    // The server shows the blog's clock: 14:00 in Berlin in summer is 12:00 UTC.
    QTest::newRow("blog clock") << QVariant(
                                       BlogClock::toZoneClock(local, QTimeZone("Europe/Berlin")))
                                << QStringLiteral("Europe/Berlin") << false << local << false;
    QTest::newRow("blog clock, too far")
        << QVariant(BlogClock::toZoneClock(local.addSecs(3600), QTimeZone("Europe/Berlin")))
        << QStringLiteral("Europe/Berlin") << false << local << true;
}

void tst_EntryServerMerge::serverDates()
{
    QFETCH(QVariant, serverDate);
    QFETCH(QString, zone);
    QFETCH(bool, ignoreTime);
    QFETCH(QDateTime, expected);
    QFETCH(bool, differs);
    UserDefaults::sharedInstance().setValue(QStringLiteral("ignoreTime"), ignoreTime);
    if (!zone.isEmpty())
        m_blog->setTimeZone(zone);
    const EntryPtr entry = newEntry();

    EntryServerMerge(*entry).compareWithXML({{"datecreated", serverDate}});

    const QVariantMap diffs = entry->diffs().value_or(QVariantMap());
    QCOMPARE(diffs.contains("datecreated"), differs);
    QCOMPARE(diffs.contains("oridate"), differs);
    QCOMPARE(entry->entryDate(), expected);
}

void tst_EntryServerMerge::readBackAroundClockChangesAgrees_data()
{
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("blogClock");
    QTest::addColumn<QString>("gmt");
    const auto utc = [](int month, int day, int hour, int minute) {
        return QDateTime(QDate(2024, month, day), QTime(hour, minute), QTimeZone::utc());
    };
    QTest::newRow("first of a repeated hour") << utc(10, 27, 0, 30) << "20241027T02:30:00"
                                              << "";
    QTest::newRow("second of it, with the GMT field") << utc(10, 27, 1, 30) << "20241027T02:30:00"
                                                      << "20241027T01:30:00";
    QTest::newRow("after the skipped hour") << utc(3, 31, 1, 30) << "20240331T03:30:00"
                                            << "";
    QTest::newRow("in New York's skipped hour") << utc(3, 10, 1, 30) << "20240310T02:30:00"
                                                << "";
}

// The server's copy of a post carries the date the entry has, on the blog's
// clock: the merge finds no difference and leaves the date as it is, with
// this computer in another zone.
void tst_EntryServerMerge::readBackAroundClockChangesAgrees()
{
    QFETCH(QDateTime, date);
    QFETCH(QString, blogClock);
    QFETCH(QString, gmt);
    qputenv("TZ", "America/New_York");
    tzset();
    const auto restore = qScopeGuard([] {
        qputenv("TZ", "UTC");
        tzset();
    });
    m_blog->setTimeZone(QStringLiteral("Europe/Berlin"));
    const EntryPtr entry = newEntry();
    entry->setEntryDate(date.toLocalTime());
    QVariantMap post{{"datecreated", parseXMLRPCDate(blogClock)}};
    if (!gmt.isEmpty())
        post.insert("date_created_gmt", parseXMLRPCDate(gmt));

    EntryServerMerge(*entry).compareWithXML(post);

    QVERIFY(!entry->diffs().value_or(QVariantMap()).contains("datecreated"));
    QCOMPARE(entry->entryDate(), date);
}

void tst_EntryServerMerge::textsThatDifferOnlyInFormAreTaken()
{
    const EntryPtr entry = newEntry();
    const QString server = QStringLiteral("<p>Hello world</p>\n");
    EntryServerMerge(*entry).compareWithXML(
        {{"title", QStringLiteral("  Title ")}, {"description", server}});
    QVERIFY(entry->diffs().value_or(QVariantMap()).isEmpty());
    QCOMPARE(entry->body(), QStringLiteral("<p>Hello world</p>"));
    QCOMPARE(entry->title(), QStringLiteral("Title"));
}

void tst_EntryServerMerge::whatCountsAsForm_data()
{
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("alike");

    const QString hello = QStringLiteral("<p>Hello   <b>world</b></p>");
    QTest::newRow("no markup, one space") << hello << "Hello world" << true;
    QTest::newRow("other markup") << hello << "<div><i>Hello</i> <span>world</span></div>" << true;
    QTest::newRow("line breaks and tabs") << hello << "<p>Hello\r\n\t world</p>" << true;
    QTest::newRow("markup inside markup")
        << hello << "Hello <a title=\"<b>x</b>\">world</a>" << true;
    QTest::newRow("a tag left open at the end") << hello << "Hello world<br" << true;
    QTest::newRow("spaces around") << hello << "  Hello world\n" << true;
    QTest::newRow("no space at all") << hello << "Helloworld" << false;
    QTest::newRow("a word more") << hello << "<p>Hello big world</p>" << false;
    QTest::newRow("a stray closing bracket") << hello << "Hello > world" << false;
    QTest::newRow("a non-breaking space") << hello << QStringLiteral("Hello\u00a0world") << false;
    QTest::newRow("an entity for the space") << hello << "Hello&nbsp;world" << false;

    // Markup that brings content, and where links and sources point, are the post's.
    QTest::newRow("an image stripped") << "<p>Hello <img src=\"a.png\"> world</p>"
                                       << "<p>Hello world</p>" << false;
    QTest::newRow("a frame stripped")
        << "<p>Hello world</p><iframe src=\"https://video.example/1\"></iframe>"
        << "<p>Hello world</p>" << false;
    QTest::newRow("a script stripped") << "Hello world<script src=\"s.js\"></script>"
                                       << "Hello world" << false;
    QTest::newRow("an element swapped for another")
        << "Hello world<video src=\"v.mp4\"></video>"
        << "Hello world<object data=\"v.mp4\"></object>" << false;
    QTest::newRow("a link rewritten") << "<a href=\"https://a.example/\">Hello</a> world"
                                      << "<a href=\"https://b.example/\">Hello</a> world" << false;
    QTest::newRow("a link taken away") << "<a href=\"https://a.example/\">Hello</a> world"
                                       << "Hello world" << false;
    QTest::newRow("an image's source changed") << "Hello world<img src=\"a.png\">"
                                               << "Hello world<img src=\"b.png\">" << false;
    // How the same markup is written stays form.
    QTest::newRow("a link quoted otherwise, with attributes added")
        << "<a href=\"https://a.example/?x=1&amp;y=2\">Hello</a> world"
        << "<a rel=\"nofollow\" href='https://a.example/?x=1&y=2'>Hello</a>\n world" << true;
    QTest::newRow("an image written otherwise")
        << "<IMG src=\"a.png\" alt=\"x\">Hello world"
        << "<p><img alt=\"x\"   src = a.png />Hello world</p>" << true;
}

// Texts alike once formatting markup is dropped and white space reduced are
// the same text: the entry takes the server's; anything else is a difference.
void tst_EntryServerMerge::whatCountsAsForm()
{
    QFETCH(QString, own);
    QFETCH(QString, server);
    QFETCH(bool, alike);
    const EntryPtr entry = newEntry();
    entry->setBody(own);
    EntryServerMerge(*entry).compareWithXML({{"description", server}});
    const QVariantMap diffs = entry->diffs().value_or(QVariantMap());
    QCOMPARE(diffs.contains(QStringLiteral("description")), !alike);
    QCOMPARE(entry->body(), alike ? server.trimmed() : own);
}

void tst_EntryServerMerge::differencesGoToTheComparisonWindow()
{
    const EntryPtr entry = newEntry();
    EntryServerMerge(*entry).compareWithXML({{"title", QStringLiteral("Other title")},
                                             {"description", QStringLiteral("<p>Changed</p>")}});
    const QVariantMap diffs = entry->diffs().value_or(QVariantMap());
    QCOMPARE(diffs.value("title").toString(), QStringLiteral("Other title"));
    QCOMPARE(diffs.value("description").toString(), QStringLiteral("<p>Changed</p>"));
    QCOMPARE(entry->title(), QStringLiteral("Title"));
    QVERIFY(entry->body().contains(QLatin1String("Hello")));
    QVERIFY(RVDiffTool::sharedInstance().contains(entry.get()));
}

void tst_EntryServerMerge::aCopyThatAgreesAgainLeavesTheComparisonWindow()
{
    const EntryPtr entry = newEntry();
    QSignalSpy added(&RVDiffTool::sharedInstance(), &RVDiffTool::entryAdded);
    const QVariantMap differing{{"title", QStringLiteral("Other title")}};
    EntryServerMerge(*entry).compareWithXML(differing);
    QVERIFY(RVDiffTool::sharedInstance().contains(entry.get()));
    // The same difference again: listed once, announced once.
    entry->resetDiffs();
    EntryServerMerge(*entry).compareWithXML(differing);
    QCOMPARE(added.count(), 1);
    QCOMPARE(RVDiffTool::sharedInstance().entries().count(entry), 1);

    // Someone set the server's copy right: the entry leaves the list.
    entry->resetDiffs();
    EntryServerMerge(*entry).compareWithXML({{"title", QStringLiteral("Title")}});
    QVERIFY(!RVDiffTool::sharedInstance().contains(entry.get()));
}

void tst_EntryServerMerge::agreementClearsChangedLocally()
{
    const EntryPtr entry = newEntry();
    entry->removeFlag(Entry::LocalOnly);
    entry->addFlag(Entry::ChangedLocally);
    EntryServerMerge(*entry).compareWithXML({{"title", QStringLiteral("Title")}});
    QVERIFY(!entry->hasFlag(Entry::ChangedLocally));
    QVERIFY(entry->diffs().has_value());
}

void tst_EntryServerMerge::unchangedIdLeavesTheFileAlone()
{
    const EntryPtr entry = newEntry();
    entry->setUniqueID(QStringLiteral("42"));
    entry->removeFlag(Entry::LocalOnly);
    QVERIFY(m_blog->save(*entry));
    const QString file = m_blog->store().folder() + QLatin1Char('/') + EntryFile::fileName(*entry);
    QVERIFY(QFileInfo::exists(file));

    // An Atom copy names the same post: nothing is renamed, nothing deleted.
    EntryServerMerge(*entry).compareWithXML({{"id", QStringLiteral("tag:example.org,2024:post-42")},
                                             {"title", QStringLiteral("Title")}});
    QCOMPARE(entry->uniqueID(), QStringLiteral("42"));
    QVERIFY(QFileInfo::exists(file));
}

void tst_EntryServerMerge::newIdWritesTheNewFileBeforeTheOldGoes()
{
    const EntryPtr entry = newEntry();
    const QString oldID = entry->uniqueID();
    QVERIFY(m_blog->save(*entry));
    const QString folder = m_blog->store().folder();
    const QString oldFile = folder + QLatin1Char('/') + EntryFile::fileName(oldID);
    QVERIFY(QFileInfo::exists(oldFile));
    const QString oldAttachments = EntryServerMerge::attachmentFolder(*entry, oldID);
    QVERIFY(QDir().mkpath(oldAttachments));
    QFile picture(oldAttachments + QStringLiteral("/picture.png"));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.write("png");
    picture.close();

    QVERIFY(EntryServerMerge(*entry).processPostID(123));
    QCOMPARE(entry->uniqueID(), QStringLiteral("123"));
    QVERIFY(!entry->hasFlag(Entry::LocalOnly));
    // The blog's writer writes the new file, then removes the old one.
    QVERIFY(m_blog->store().flush());
    QVERIFY(!QFileInfo::exists(oldFile));
    const QString newFile = folder + QLatin1Char('/') + EntryFile::fileName(QStringLiteral("123"));
    QVERIFY(QFileInfo::exists(newFile));
    QCOMPARE(EntryFile::entryFromFile(newFile)->uniqueID(), QStringLiteral("123"));
    const QString newAttachments =
        EntryServerMerge::attachmentFolder(*entry, QStringLiteral("123"));
    QVERIFY(QFileInfo::exists(newAttachments + QStringLiteral("/picture.png")));
    QVERIFY(!QFileInfo::exists(oldAttachments));

    QVERIFY(!EntryServerMerge(*entry).processPostID(QVariant()));
}

void tst_EntryServerMerge::anOldFileGoesWithTheFirstSaveThatWorks()
{
    const EntryPtr entry = newEntry();
    const QString oldID = entry->uniqueID();
    QVERIFY(m_blog->save(*entry));
    const QString folder = m_blog->store().folder() + QLatin1Char('/');
    const QString oldFile = folder + EntryFile::fileName(oldID);
    const QString newFile = folder + EntryFile::fileName(QStringLiteral("123"));
    // Something stands where the new file goes: the entry cannot be saved.
    QVERIFY(QDir().mkpath(newFile));

    QVERIFY(EntryServerMerge(*entry).processPostID(123));
    QCOMPARE(entry->uniqueID(), QStringLiteral("123"));
    QVERIFY(!m_blog->store().flush());   // the new file could not be written...
    QVERIFY(QFileInfo::exists(oldFile)); // ...so the old one stays: the only copy on disk

    // The next save that works writes the new file, and only then removes the old one.
    QVERIFY(QDir(newFile).removeRecursively());
    m_blog->save(); // tells of the write that failed
    QVERIFY(m_blog->store().flush());
    QVERIFY(QFileInfo(newFile).isFile());
    QCOMPARE(EntryFile::entryFromFile(newFile)->uniqueID(), QStringLiteral("123"));
    QVERIFY(!QFileInfo::exists(oldFile));
}

void tst_EntryServerMerge::attachmentsThatCannotMoveAreReported()
{
    const EntryPtr entry = newEntry();
    const QString oldFolder = EntryServerMerge::attachmentFolder(*entry, entry->uniqueID());
    QVERIFY(QDir().mkpath(oldFolder));
    QFile picture(oldFolder + QStringLiteral("/picture.png"));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.close();
    QFile blocker(EntryServerMerge::attachmentFolder(*entry, QStringLiteral("124")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    EntryServerMerge merge(*entry);
    QVERIFY(merge.processPostID(QStringLiteral("124")));
    // The post is 124 on the server: the entry follows, its files stay, and it says where.
    QCOMPARE(entry->uniqueID(), QStringLiteral("124"));
    QVERIFY(QFileInfo::exists(picture.fileName()));
    QVERIFY2(merge.problem().contains(oldFolder), qPrintable(merge.problem()));

    EntryServerMerge unchanged(*entry);
    QVERIFY(unchanged.processPostID(QStringLiteral("124")));
    QVERIFY(unchanged.problem().isEmpty());
}

namespace {

// What WordPress's metaWeblog.getPost answers for the post the table's entry
// publishes, with `changes` applied (an invalid value takes the key out).
QVariantMap wordpressCopy(const QVariantMap& changes = {})
{
    QVariantMap post{{"title", QStringLiteral("Title")},
                     {"description", QStringLiteral("<p>Hello world</p>")},
                     {"mt_excerpt", QStringLiteral("Short")},
                     {"mt_keywords", QStringLiteral("t1,t2")},
                     {"categories", QStringList{"News", "Tech"}},
                     {"mt_convert_breaks", QStringLiteral("markdown")},
                     {"wp_slug", QStringLiteral("my-slug")}};
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.value().isValid())
            post.insert(it.key(), it.value());
        else
            post.remove(it.key());
    }
    return post;
}

QStringList kinds(const Entry& entry, bool tags)
{
    QStringList found;
    for (const auto& record : entry.categories().value_or(CategoryList())) {
        if (tags && record->isTag())
            found << record->title();
        if (!tags && record->isCategory())
            found << record->title() + u'#' + record->uniqueID() +
                         (record->isPrimary() ? QStringLiteral("*") : QString());
    }
    found.sort();
    return found;
}

} // namespace

// A field the server's copy lacks, or (in the read-back of a publish) brings
// back empty, never empties the entry's; the copy names it. A copy that
// carries the field with other values is the server's word.
void tst_EntryServerMerge::whatTheServerDidNotKeepStays_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<bool>("readBack");
    QTest::addColumn<QVariantMap>("post");
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QStringList>("notKept");
    QTest::addColumn<QStringList>("differences");

    const QStringList allTags{"t1", "t2"};
    const QStringList allCategories{"News#5", "Tech#6*"};
    const QVariant out; // the key is left out
    const QVariantMap noTags{{"mt_keywords", QString()}};
    // Movable Type 4 sends the tags as mt_tags, which WordPress ignores and
    // never answers with; its categories travel in a request of their own.
    QTest::newRow("mt_tags missing from a read-back")
        << "MovableType 4" << true << wordpressCopy({{"mt_keywords", "kw"}}) << allTags
        << allCategories << QStringList{"tags"} << QStringList();
    QTest::newRow("mt_tags missing from a listed copy")
        << "MovableType 4" << false << wordpressCopy({{"mt_keywords", "kw"}}) << allTags
        << allCategories << QStringList() << QStringList();
    QTest::newRow("mt_tags empty in a listed copy: the post has none")
        << "MovableType 4" << false << wordpressCopy({{"mt_keywords", "kw"}, {"mt_tags", ""}})
        << QStringList() << allCategories << QStringList() << QStringList();
    QTest::newRow("mt_tags changed by the server")
        << "MovableType 4" << true << wordpressCopy({{"mt_keywords", "kw"}, {"mt_tags", "t1"}})
        << QStringList{"t1"} << allCategories << QStringList() << QStringList();
    QTest::newRow("keywords empty in a read-back")
        << "MovableType 4" << true << wordpressCopy({{"mt_keywords", ""}, {"mt_tags", "t1,t2"}})
        << allTags << allCategories << QStringList{"mt_keywords"} << QStringList();

    // WordPress's own driver: tags in the keywords, categories by name.
    QTest::newRow("as sent: the category ids stay")
        << "Wordpress" << true << wordpressCopy() << allTags << allCategories << QStringList()
        << QStringList();
    QTest::newRow("categories and tags missing from a read-back")
        << "Wordpress" << true << wordpressCopy({{"categories", out}, {"mt_keywords", out}})
        << allTags << allCategories << QStringList{"categories", "tags"} << QStringList();
    QTest::newRow("categories and tags empty in a read-back")
        << "Wordpress" << true
        << wordpressCopy({{"categories", QVariantList()}, {"mt_keywords", ""}}) << allTags
        << allCategories << QStringList{"categories", "tags"} << QStringList();
    QTest::newRow("categories and tags missing from a listed copy")
        << "Wordpress" << false << wordpressCopy({{"categories", out}, {"mt_keywords", out}})
        << allTags << allCategories << QStringList() << QStringList();
    QTest::newRow("categories and tags empty in a listed copy: the post has none")
        << "Wordpress" << false
        << wordpressCopy({{"categories", QVariantList()}, {"mt_keywords", ""}}) << QStringList()
        << QStringList() << QStringList() << QStringList();
    QTest::newRow("categories changed by the server")
        << "Wordpress" << true << wordpressCopy({{"categories", QStringList{"News", "Other"}}})
        << allTags << QStringList{"News#5", "Other#"} << QStringList() << QStringList();
    QTest::newRow("texts, format and slug empty in a read-back")
        << "Wordpress" << true
        << wordpressCopy({{"title", ""},
                          {"description", ""},
                          {"mt_excerpt", " "},
                          {"mt_convert_breaks", ""},
                          {"wp_slug", ""}})
        << allTags << allCategories
        << QStringList{"title", "description", "mt_excerpt", "mt_convert_breaks", "wp_slug"}
        << QStringList();
    QTest::newRow("texts empty in a listed copy: differences")
        << "Wordpress" << false
        << wordpressCopy({{"title", ""}, {"description", ""}, {"mt_excerpt", ""}}) << allTags
        << allCategories << QStringList() << QStringList{"description", "mt_excerpt", "title"};

    // MetaWeblog: the tags in a block of links at the end of the body.
    QTest::newRow("tag block stripped in a read-back")
        << "MetaWeblog" << true << wordpressCopy({{"mt_keywords", out}}) << allTags << allCategories
        << QStringList{"tags"} << QStringList();
    QTest::newRow("tag block and categories missing from a listed copy")
        << "MetaWeblog" << false
        << QVariantMap{{"title", QStringLiteral("Title")}, {"mt_excerpt", QStringLiteral("Short")}}
        << allTags << allCategories << QStringList() << QStringList();
    QTest::newRow("no tag block in a listed body: the post has none")
        << "MetaWeblog" << false << wordpressCopy({{"mt_keywords", out}}) << QStringList()
        << allCategories << QStringList() << QStringList();
}

void tst_EntryServerMerge::whatTheServerDidNotKeepStays()
{
    QFETCH(QString, driver);
    QFETCH(bool, readBack);
    QFETCH(QVariantMap, post);
    QFETCH(QStringList, tags);
    QFETCH(QStringList, categories);
    QFETCH(QStringList, notKept);
    QFETCH(QStringList, differences);

    m_account->setPluginKey(driver);
    const EntryPtr entry = newEntry();
    entry->removeFlag(Entry::LocalOnly);
    entry->setBody(QStringLiteral("<p>Hello world</p>"));
    entry->setSummary(QStringLiteral("Short"));
    entry->setKeywords(QStringLiteral("kw"));
    entry->setFormat(QStringLiteral("markdown"));
    entry->setPluginSettings(QVariantMap{{"wp_slug", QStringLiteral("my-slug")}});
    EntryContent content(*entry);
    for (const auto& [title, id] : {std::pair{"News", "5"}, std::pair{"Tech", "6"}}) {
        auto category = Category::withTitle(QString::fromLatin1(title));
        category->setUniqueID(QString::fromLatin1(id));
        category->setIsTag(false);
        category->setIsCategory(true);
        category->setIsPrimary(id == QLatin1String("6"));
        content.addCategories({category});
    }
    content.addTags({"t1", "t2"});

    EntryServerMerge merge(*entry);
    merge.compareWithXML(post, readBack ? EntryServerMerge::Copy::ReadBack
                                        : EntryServerMerge::Copy::Listed);

    QCOMPARE(kinds(*entry, true), tags);
    QCOMPARE(kinds(*entry, false), categories);
    QCOMPARE(merge.notKept(), notKept);
    QVariantMap diffs = entry->diffs().value_or(QVariantMap());
    QCOMPARE(diffs.take(EntryServerMerge::notKeptKey).toStringList(), notKept);
    QCOMPARE(diffs.keys(), differences);
    // Nothing the user wrote went for a field the server left empty.
    QCOMPARE(entry->title(), QStringLiteral("Title"));
    QCOMPARE(entry->body(), QStringLiteral("<p>Hello world</p>"));
    QCOMPARE(entry->summary(), QStringLiteral("Short"));
    QCOMPARE(entry->keywords(), QStringLiteral("kw"));
    QCOMPARE(entry->format(), QStringLiteral("markdown"));
    QCOMPARE(entry->pluginSettings().value("wp_slug").toString(), QStringLiteral("my-slug"));
    // The comparison window lists the differences and names what was not kept.
    QCOMPARE(RVDiffTool::sharedInstance().contains(entry.get()),
             !differences.isEmpty() || !notKept.isEmpty());
    RVDiffTool::sharedInstance().removeEntry(entry.get());
}

void tst_EntryServerMerge::notKeptFieldsInWords()
{
    QCOMPARE(EntryServerMerge::notKeptSentence({}), QString());
    QCOMPARE(EntryServerMerge::notKeptSentence({"tags"}),
             QStringLiteral("The server did not keep the tags."));
    QCOMPARE(EntryServerMerge::notKeptSentence({"mt_excerpt", "categories", "tags"}),
             QStringLiteral("The server did not keep the summary, the categories and the tags."));
}

QTEST_GUILESS_MAIN(tst_EntryServerMerge)
#include "tst_entryservermerge.moc"
