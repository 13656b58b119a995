#include "AccountList.h"
#include "ActivityList.h"
#include "AtomPubServer.h"
#include "BlogRoads.h"
#include "Category.h"
#include "EntryContent.h"
#include "EntryServerMerge.h"
#include "PublishTesting.h"
#include "ServerRoads.h"
#include "TestSecretService.h"
#include "UserDefaults.h"
#include "WordPressServer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QScopeGuard>
#include <QTest>
#include <QTimeZone>
#include <ctime>

using namespace plumet::test;

// The whole publishing road against real servers: WordPress 6.1 through each
// of the five XML-RPC drivers, and our AtomPub server through the Atom driver.
// Every post is read back through the road's own last step and must come back
// without a difference.
namespace {

const QString hardTitle = QStringLiteral("It's <b>A & B</b> — café 😀 𝔘𝔫𝔦");
// Winter and summer time in Berlin (the blog's zone) and in New York (this
// test's zone), and a day between the two zones' changes: summer time in New
// York, not yet in Berlin.
const QDateTime winter(QDate(2024, 1, 15), QTime(10, 15), QTimeZone::utc());
const QDateTime summer(QDate(2024, 7, 1), QTime(10, 15), QTimeZone::utc());
const QDateTime between(QDate(2024, 3, 20), QTime(10, 15), QTimeZone::utc());

QStringList tagNames(const Entry& entry)
{
    QStringList names;
    for (const auto& category : entry.categories().value_or(CategoryList()))
        if (category->isTag())
            names << category->title();
    names.sort();
    return names;
}

QString describe(const Entry& entry)
{
    QStringList parts;
    const QVariantMap diffs = entry.diffs().value_or(QVariantMap());
    for (auto it = diffs.cbegin(); it != diffs.cend(); ++it)
        parts << it.key() + QStringLiteral(" = ") + it.value().toString();
    return parts.join(QStringLiteral("; "));
}

} // namespace

class tst_PublishPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void datesSurviveInEveryZone_data();
    void datesSurviveInEveryZone();
    void publishThroughEachDriver_data();
    void publishThroughEachDriver();
    void wrongPasswordKeepsThePostLocal_data();
    void wrongPasswordKeepsThePostLocal();
    void namesWithMarkupCharactersArriveAsTyped_data();
    void namesWithMarkupCharactersArriveAsTyped();
    void tagsTheServerIgnoresStayWithTheEntry();
    void atomPublishEditAndReadBack();
    void atomWrongPassword();

private:
    EntryPtr makeEntry(const BlogSetup& setup);
    // Starts a road and waits for every job the roads make meanwhile.
    Job::State runRoad(BlogRoads& roads, const std::function<bool()>& start, QString* message);
    // `notKept`: the fields the server is known to ignore.
    void checkPublished(const Entry& entry, const QDateTime& date, const QStringList& notKept = {});
    QString php(const QString& code);
    // How many posts and pages the blog holds, whatever their status.
    int postCount();
    QString logs() const { return QLatin1Char('\n') + m_wordpress->logs(); }

    plumet::test::TestKeyring m_keyring;
    WordPressServer* m_wordpress = nullptr;
    AtomPubServer* m_atom = nullptr;
    ActivityList* m_list = nullptr;
    PublishRoad* m_road = nullptr;
    QString m_tomAndJerry, m_news;
};

void tst_PublishPeer::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    loadDrivers();
    m_wordpress = new WordPressServer(this);
    QVERIFY2(m_wordpress->start(), qPrintable(m_wordpress->problem()));
    const QString ids = php(QStringLiteral("update_option('timezone_string', 'Europe/Berlin');\n"
                                           "$a = wp_insert_term(\"Tom & Jerry's\", 'category');\n"
                                           "$b = wp_insert_term('News', 'category');\n"
                                           "echo $a['term_id'], ',', $b['term_id'];"));
    const QStringList parts = ids.split(QLatin1Char(','));
    QCOMPARE(parts.size(), 2);
    m_tomAndJerry = parts.at(0);
    m_news = parts.at(1);
    m_atom = new AtomPubServer(this);
    QVERIFY2(m_atom->start(), qPrintable(m_atom->problem()));
}

void tst_PublishPeer::init()
{
    m_list = new ActivityList(this);
    m_list->setRetryInterval(50);
    m_road = new PublishRoad(*m_list, this);
    ServerRoads::setSharedInstance(m_road);
}

void tst_PublishPeer::cleanup()
{
    ServerRoads::setSharedInstance(nullptr);
    delete m_road;
    delete m_list;
}

QString tst_PublishPeer::php(const QString& code)
{
    QString output;
    if (!m_wordpress->runInWordPress(code, &output))
        qWarning("%s", qPrintable(m_wordpress->problem()));
    return output.trimmed();
}

int tst_PublishPeer::postCount()
{
    return php(QStringLiteral("global $wpdb; echo $wpdb->get_var(\"SELECT COUNT(*) FROM "
                              "$wpdb->posts WHERE post_type IN ('post', 'page')\");"))
        .toInt();
}

EntryPtr tst_PublishPeer::makeEntry(const BlogSetup& setup)
{
    auto entry = Entry::create();
    entry->setTitle(hardTitle);
    entry->setBody(QStringLiteral("<p>Grüße aus Köln: 日本語 &amp; <i>more</i> 😀</p>"));
    entry->setEntryDate(winter);
    setup.blog->addEntry(entry);
    EntryContent content(*entry);
    for (const auto& [title, id] : {std::pair{QStringLiteral("Tom & Jerry's"), m_tomAndJerry},
                                    std::pair{QStringLiteral("News"), m_news}}) {
        auto category = Category::withTitle(title);
        category->setUniqueID(id);
        category->setIsTag(false);
        category->setIsCategory(true);
        category->setIsChecked(true);
        content.addCategories({category});
    }
    content.addTag(QStringLiteral("peer-one"));
    content.addTag(QStringLiteral("peer two"));
    return entry;
}

void tst_PublishPeer::checkPublished(const Entry& entry, const QDateTime& date,
                                     const QStringList& notKept)
{
    QVariantMap diffs = entry.diffs().value_or(QVariantMap());
    QCOMPARE(diffs.take(EntryServerMerge::notKeptKey).toStringList(), notKept);
    QVERIFY2(diffs.isEmpty(), qPrintable(describe(entry)));
    QVERIFY(entry.uniqueID().toInt() > 0);
    QVERIFY(!entry.hasFlag(Entry::LocalOnly));
    QVERIFY(!entry.hasFlag(Entry::ChangedLocally));
    QVERIFY(!entry.beingPublished());
    QCOMPARE(entry.entryDate(), date);
    QCOMPARE(entry.title(), hardTitle);
}

Job::State tst_PublishPeer::runRoad(BlogRoads& roads, const std::function<bool()>& start,
                                    QString* message)
{
    QList<QPointer<Job>> jobs;
    const auto watch =
        connect(&roads, &BlogRoads::jobCreated, this, [&jobs](Job* job) { jobs.append(job); });
    const auto unwatch = qScopeGuard([watch] { disconnect(watch); });
    if (!start())
        return Job::State::Waiting;
    Job::State state = Job::State::Finished;
    for (int i = 0; i < jobs.size(); ++i) {
        Job* job = jobs.at(i);
        if (!job)
            continue;
        bool ended = job->isFinished();
        if (!ended) {
            connect(job, &Job::finished, this, [&, job] {
                ended = true;
                if (job->state() != Job::State::Finished) {
                    state = job->state();
                    *message = job->error() ? job->error()->message : QString();
                }
            });
            if (!QTest::qWaitFor([&] { return ended; }, 60000))
                return Job::State::Waiting;
        }
    }
    return state;
}

void tst_PublishPeer::datesSurviveInEveryZone_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QByteArray>("computerZone");
    QTest::addColumn<bool>("blogClock");
    for (const char* driver :
         {"Wordpress", "MovableType 4", "TypePad", "MovableType", "MetaWeblog"}) {
        // New York skips and repeats its own hours on other days than Berlin;
        // Tokyo keeps no summer time; UTC is where a date without a zone
        // looks like one in UTC.
        for (const auto& [zone, blogClock] :
             {std::pair{"America/New_York", false}, std::pair{"America/New_York", true},
              std::pair{"Asia/Tokyo", false}, std::pair{"UTC", true}}) {
            QTest::addRow("%s, here %s, %s", driver, zone,
                          blogClock ? "Berlin clock" : "default settings")
                << QString::fromLatin1(driver) << QByteArray(zone) << blogClock;
        }
    }
}

// Posts dated where clocks change, published, retrieved, edited and
// published again, with this computer in another zone than the blog's
// (Berlin): WordPress keeps each date as sent, and no step moves one or
// finds a difference. With default settings the blog names no zone and dates
// go out in UTC; with the blog's clock they go out as Berlin's wall-clock time.
void tst_PublishPeer::datesSurviveInEveryZone()
{
    QFETCH(QString, driver);
    QFETCH(QByteArray, computerZone);
    QFETCH(bool, blogClock);
    qputenv("TZ", computerZone);
    tzset();
    QStringList made;
    const auto restore = qScopeGuard([&] {
        qputenv("TZ", "America/New_York");
        tzset();
        UserDefaults::sharedInstance().remove(QStringLiteral("num_entries"));
        for (const QString& id : made)
            php(QStringLiteral("wp_delete_post(%1, true);").arg(id));
    });
    const auto utc = [](int month, int day, int hour, int minute) {
        return QDateTime(QDate(2024, month, day), QTime(hour, minute), QTimeZone::utc());
    };
    struct Dated {
        QDateTime date;
        QString berlinClock;
    };
    QList<Dated> dates{
        {utc(10, 27, 0, 30), QStringLiteral("2024-10-27 02:30:00")}, // the first of a repeated hour
        {utc(3, 31, 1, 30), QStringLiteral("2024-03-31 03:30:00")},  // in the hour clocks skip
        {utc(3, 10, 1, 30), QStringLiteral("2024-03-10 02:30:00")},  // New York skips it
    };
    // Only a date with its zone tells the second of a repeated hour.
    if (!blogClock)
        dates.append({utc(10, 27, 1, 30), QStringLiteral("2024-10-27 02:30:00")});

    ActivityList list;
    list.setRetryInterval(50);
    BlogRoads roads(list);
    roads.setCategoryPacing(std::chrono::milliseconds(5));
    ServerRoads::setSharedInstance(&roads);
    const auto uninstall = qScopeGuard([this] { ServerRoads::setSharedInstance(m_road); });
    AccountList accounts;
    const BlogSetup setup = makeBlog(driver, m_wordpress->xmlrpcUrl(), m_wordpress->username(),
                                     m_wordpress->password(), QStringLiteral("1"));
    accounts.insertAccount(setup.account, -1);
    if (blogClock) {
        setup.blog->setOption(QStringLiteral("utcMode"), false);
        setup.blog->setTimeZone(QStringLiteral("Europe/Berlin"));
    }
    const auto checkServer = [&](const EntryPtr& entry, const Dated& dated) {
        const QString id = entry->uniqueID();
        QCOMPARE(php(QStringLiteral("echo get_post(%1)->post_date_gmt;").arg(id)),
                 dated.date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        QCOMPARE(php(QStringLiteral("echo get_post(%1)->post_date;").arg(id)), dated.berlinClock);
    };

    QList<EntryPtr> entries;
    for (const Dated& dated : dates) {
        auto entry = Entry::create();
        entry->setTitle(hardTitle);
        entry->setBody(QStringLiteral("<p>When clocks change</p>"));
        entry->setEntryDate(dated.date.toLocalTime());
        setup.blog->addEntry(entry);
        const Outcome outcome = publish(roads.publishing(), entry);
        QVERIFY2(outcome.state == Job::State::Finished, qPrintable(outcome.message + logs()));
        made << entry->uniqueID();
        checkPublished(*entry, dated.date);
        checkServer(entry, dated);
        entries << entry;
    }

    // Retrieved into a blog that has none of them yet: each comes with the
    // date it was published with (the publish's own read-back has already
    // found ours alike).
    UserDefaults::sharedInstance().setValue(QStringLiteral("num_entries"), 10);
    const BlogSetup reader = makeBlog(driver, m_wordpress->xmlrpcUrl(), m_wordpress->username(),
                                      m_wordpress->password(), QStringLiteral("1"));
    accounts.insertAccount(reader.account, -1);
    setup.blog->applySettingsTo(*reader.blog);
    QString message;
    QCOMPARE(runRoad(
                 roads, [&] { return reader.blog->retrieveEntries(); }, &message),
             Job::State::Finished);
    QVERIFY2(message.isEmpty(), qPrintable(message));
    QList<EntryPtr> retrieved;
    for (int i = 0; i < entries.size(); ++i) {
        const EntryPtr copy = reader.blog->entryWithID(entries.at(i)->uniqueID());
        QVERIFY2(copy, qPrintable(entries.at(i)->uniqueID()));
        QCOMPARE(copy->entryDate(), dates.at(i).date);
        retrieved << copy;
    }

    // The retrieved copies edited and published again: every date stays.
    for (int i = 0; i < retrieved.size(); ++i) {
        retrieved.at(i)->setBody(QStringLiteral("<p>When clocks change, edited</p>"));
        const Outcome outcome = publish(roads.publishing(), retrieved.at(i));
        QVERIFY2(outcome.state == Job::State::Finished, qPrintable(outcome.message + logs()));
        QVERIFY(outcome.edit);
        checkPublished(*retrieved.at(i), dates.at(i).date);
        checkServer(retrieved.at(i), dates.at(i));
    }
}

void tst_PublishPeer::publishThroughEachDriver_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<bool>("pages");
    QTest::addColumn<bool>("wordpressTags");
    QTest::addColumn<QStringList>("notKept");
    QTest::addColumn<QStringList>("pageNotKept");
    // WordPress pages have neither categories nor tags; the tag block is text.
    QTest::newRow("WordPress") << "Wordpress" << true << true << QStringList()
                               << QStringList{"categories", "tags"};
    // mt_tags is no field of WordPress's.
    QTest::newRow("Movable Type 4")
        << "MovableType 4" << true << false << QStringList{"tags"} << QStringList{"tags"};
    QTest::newRow("TypePad") << "TypePad" << true << false << QStringList() << QStringList();
    QTest::newRow("Movable Type") << "MovableType" << false << false << QStringList()
                                  << QStringList();
    QTest::newRow("MetaWeblog") << "MetaWeblog" << false << false << QStringList() << QStringList();
}

void tst_PublishPeer::publishThroughEachDriver()
{
    QFETCH(QString, driver);
    QFETCH(bool, pages);
    QFETCH(bool, wordpressTags);
    QFETCH(QStringList, notKept);
    QFETCH(QStringList, pageNotKept);
    const BlogSetup setup = makeBlog(driver, m_wordpress->xmlrpcUrl(), m_wordpress->username(),
                                     m_wordpress->password(), QStringLiteral("1"));
    // The server shows dates on the blog's clock, not ours.
    setup.blog->setOption(QStringLiteral("utcMode"), false);
    setup.blog->setTimeZone(QStringLiteral("Europe/Berlin"));

    // First as a draft, then published.
    const EntryPtr entry = makeEntry(setup);
    entry->setExtended(QStringLiteral("<p>Mehr: ß</p>"));
    entry->setDraftOrPublish(true);
    Outcome outcome = publish(*m_road, entry);
    QVERIFY2(outcome.state == Job::State::Finished, qPrintable(outcome.message + logs()));
    QCOMPARE(outcome.endings, 1);
    checkPublished(*entry, winter, notKept);
    const QString id = entry->uniqueID();
    QCOMPARE(php(QStringLiteral("echo get_post_status(%1);").arg(id)), QStringLiteral("draft"));
    QCOMPARE(php(QStringLiteral("echo get_post(%1)->post_date_gmt;").arg(id)),
             QStringLiteral("2024-01-15 10:15:00"));
    // On the blog's clock: an hour ahead in winter, two in summer.
    QCOMPARE(php(QStringLiteral("echo get_post(%1)->post_date;").arg(id)),
             QStringLiteral("2024-01-15 11:15:00"));

    entry->setDraftOrPublish(false);
    entry->setBody(entry->body() + QStringLiteral("<p>Edited.</p>"));
    entry->setEntryDate(summer);
    outcome = publish(*m_road, entry);
    QVERIFY2(outcome.state == Job::State::Finished, qPrintable(outcome.message + logs()));
    QVERIFY(outcome.edit);
    checkPublished(*entry, summer, notKept);
    QCOMPARE(entry->uniqueID(), id);
    QCOMPARE(php(QStringLiteral("echo get_post_status(%1);").arg(id)), QStringLiteral("publish"));
    QCOMPARE(php(QStringLiteral("echo get_post(%1)->post_date_gmt;").arg(id)),
             QStringLiteral("2024-07-01 10:15:00"));
    QCOMPARE(php(QStringLiteral("echo get_post(%1)->post_date;").arg(id)),
             QStringLiteral("2024-07-01 12:15:00"));
    QCOMPARE(php(QStringLiteral("echo get_post(%1)->post_title;").arg(id)), hardTitle);
    const QString categories = php(
        QStringLiteral("echo implode('|', wp_get_post_categories(%1, array('fields' => 'ids')));")
            .arg(id));
    QVERIFY2(categories.split(QLatin1Char('|')).contains(m_tomAndJerry), qPrintable(categories));
    QVERIFY2(categories.split(QLatin1Char('|')).contains(m_news), qPrintable(categories));
    // The categories the server names back keep the ids the entry knows them by.
    QStringList ids;
    for (const auto& category : entry->categories().value_or(CategoryList()))
        if (category->isCategory())
            ids << category->title() + u'#' + category->uniqueID();
    ids.sort();
    QCOMPARE(ids, QStringList({QStringLiteral("News#") + m_news,
                               QStringLiteral("Tom & Jerry's#") + m_tomAndJerry}));
    // Every driver's tags stay with the entry, wherever the server keeps them.
    QCOMPARE(tagNames(*entry), QStringList({"peer two", "peer-one"}));
    if (wordpressTags) {
        // Real tags on the server, kept by the edit.
        QCOMPARE(php(QStringLiteral("$t = wp_get_post_tags(%1, array('fields' => 'names')); "
                                    "sort($t); echo implode('|', $t);")
                         .arg(id)),
                 QStringLiteral("peer two|peer-one"));
        QCOMPARE(tagNames(*entry), QStringList({"peer two", "peer-one"}));
    }

    if (!pages)
        return;
    const EntryPtr page = makeEntry(setup);
    page->addFlag(Entry::IsPage);
    page->setTitle(hardTitle);
    page->setEntryDate(between);
    outcome = publish(*m_road, page);
    QVERIFY2(outcome.state == Job::State::Finished, qPrintable(outcome.message + logs()));
    checkPublished(*page, between, pageNotKept);
    QCOMPARE(php(QStringLiteral("echo get_post(%1)->post_date;").arg(page->uniqueID())),
             QStringLiteral("2024-03-20 11:15:00"));
    QCOMPARE(php(QStringLiteral("echo get_post_type(%1);").arg(page->uniqueID())),
             QStringLiteral("page"));
}

void tst_PublishPeer::wrongPasswordKeepsThePostLocal_data()
{
    QTest::addColumn<QString>("driver");
    for (const char* driver :
         {"Wordpress", "MovableType 4", "TypePad", "MovableType", "MetaWeblog"})
        QTest::newRow(driver) << QString::fromLatin1(driver);
}

void tst_PublishPeer::wrongPasswordKeepsThePostLocal()
{
    QFETCH(QString, driver);
    const BlogSetup setup = makeBlog(driver, m_wordpress->xmlrpcUrl(), m_wordpress->username(),
                                     QStringLiteral("not the password"), QStringLiteral("1"));
    const EntryPtr entry = makeEntry(setup);
    const QString localID = entry->uniqueID();
    const int posts = postCount();
    QVERIFY2(posts > 0, qPrintable(logs())); // the count works: a new blog has its first post
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Failed);
    QCOMPARE(outcome.endings, 1);
    QCOMPARE(outcome.message, QStringLiteral("Incorrect username or password."));
    QCOMPARE(errorRowMessage(*m_list), outcome.message);
    QVERIFY(entry->hasFlag(Entry::LocalOnly));
    QCOMPARE(entry->uniqueID(), localID);
    QVERIFY(!entry->beingPublished());
    QVERIFY(!setup.account->isCritical());
    // Nothing reached the blog.
    QCOMPARE(postCount(), posts);
}

void tst_PublishPeer::namesWithMarkupCharactersArriveAsTyped_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("tagsGo");
    QTest::newRow("WordPress") << "Wordpress"
                               << "terms"; // mt_keywords
    // mt_tags is no field of WordPress's: it keeps no tags.
    QTest::newRow("Movable Type 4") << "MovableType 4"
                                    << "nowhere";
    QTest::newRow("TypePad") << "TypePad"
                             << "block";
    QTest::newRow("Movable Type") << "MovableType"
                                  << "block";
    QTest::newRow("MetaWeblog") << "MetaWeblog"
                                << "block";
}

// Tag and category names holding "&", "'" and "<". Names go out XML-encoded,
// inside XML-RPC's own escaping, and WordPress keeps every term name escaped:
// it must show the names the user typed, find the category it already has,
// and the road's read-back must bring the same names home, so that the next
// publish sends them alike and no "A &amp; B" tag grows beside "A & B".
void tst_PublishPeer::namesWithMarkupCharactersArriveAsTyped()
{
    QFETCH(QString, driver);
    QFETCH(QString, tagsGo);
    const BlogSetup setup = makeBlog(driver, m_wordpress->xmlrpcUrl(), m_wordpress->username(),
                                     m_wordpress->password(), QStringLiteral("1"));
    setup.blog->setOption(QStringLiteral("utcMode"), false);
    setup.blog->setTimeZone(QStringLiteral("Europe/Berlin"));
    const QString countTerms =
        QStringLiteral("echo count(get_terms(['taxonomy' => '%1', 'hide_empty' => false]));");
    const QString categoriesBefore = php(countTerms.arg(QStringLiteral("category")));

    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("Names with markup characters"));
    entry->setBody(QStringLiteral("<p>Body</p>"));
    setup.blog->addEntry(entry);
    EntryContent content(*entry);
    auto category = Category::withTitle(QStringLiteral("Tom & Jerry's"));
    category->setUniqueID(m_tomAndJerry);
    category->setIsTag(false);
    category->setIsCategory(true);
    category->setIsChecked(true);
    content.addCategories({category});
    const QStringList typed{QStringLiteral("A & B"), QStringLiteral("Q's <tag>")};
    content.addTags(typed);

    QString tagsAfterFirst;
    for (const bool edit : {false, true}) {
        if (edit)
            entry->setBody(QStringLiteral("<p>Body, edited.</p>"));
        const Outcome outcome = publish(*m_road, entry);
        QVERIFY2(outcome.state == Job::State::Finished, qPrintable(outcome.message + logs()));
        QCOMPARE(outcome.edit, edit);
        // The road's read-back found the post as sent, but for the tags
        // WordPress does not take as mt_tags.
        QVariantMap diffs = entry->diffs().value_or(QVariantMap());
        QCOMPARE(diffs.take(EntryServerMerge::notKeptKey).toStringList(),
                 tagsGo == QLatin1String("nowhere") ? QStringList{"tags"} : QStringList());
        QVERIFY2(diffs.isEmpty(), qPrintable(describe(*entry)));
        const QString id = entry->uniqueID();

        // The category already there, found by its name or its number; no new one.
        QCOMPARE(php(QStringLiteral("echo implode('|', wp_get_post_categories(%1));").arg(id)),
                 m_tomAndJerry);
        QCOMPARE(php(countTerms.arg(QStringLiteral("category"))), categoriesBefore);

        const QString postTags =
            php(QStringLiteral("$t = array_map(fn($n) => html_entity_decode($n, ENT_QUOTES, "
                               "'UTF-8'), wp_get_post_tags(%1, ['fields' => 'names'])); "
                               "sort($t); echo implode('|', $t);")
                    .arg(id));
        if (tagsGo == QLatin1String("terms")) {
            // What WordPress shows of each tag is what was typed, and so is
            // what came home.
            QCOMPARE(postTags, typed.join(QLatin1Char('|')));
            QCOMPARE(tagNames(*entry), typed);
            // The tag WordPress itself makes of "A & B" is the one on the post.
            QCOMPARE(php(QStringLiteral("$t = get_term_by('name', 'A & B', 'post_tag'); "
                                        "echo $t && has_term($t->term_id, 'post_tag', %1) ? "
                                        "'same' : 'other';")
                             .arg(id)),
                     QStringLiteral("same"));
        } else if (tagsGo == QLatin1String("block")) {
            QCOMPARE(postTags, QString());
            QCOMPARE(tagNames(*entry), typed);
            // The tag block shows the names as typed, as links.
            const QString shown =
                php(QStringLiteral("echo html_entity_decode(wp_strip_all_tags(get_post(%1)->"
                                   "post_content), ENT_QUOTES, 'UTF-8');")
                        .arg(id));
            QVERIFY2(shown.contains(QLatin1String("A & B, Q's <tag>")), qPrintable(shown));
        } else {
            QCOMPARE(postTags, QString());
            QCOMPARE(tagNames(*entry), typed);
        }
        // The edit made no tag besides those of the first publish.
        const QString tagTerms = php(countTerms.arg(QStringLiteral("post_tag")));
        if (edit)
            QCOMPARE(tagTerms, tagsAfterFirst);
        tagsAfterFirst = tagTerms;
    }
}

// WordPress ignores the mt_tags of the Movable Type 4 driver: the read-back
// has none. The entry keeps its tags, and the publish's row says what the
// server did not keep; what WordPress did keep makes no difference.
void tst_PublishPeer::tagsTheServerIgnoresStayWithTheEntry()
{
    const BlogSetup setup =
        makeBlog(QStringLiteral("MovableType 4"), m_wordpress->xmlrpcUrl(), m_wordpress->username(),
                 m_wordpress->password(), QStringLiteral("1"));
    setup.blog->setOption(QStringLiteral("utcMode"), false);
    setup.blog->setTimeZone(QStringLiteral("Europe/Berlin"));
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("Tags through mt_tags"));
    entry->setEntryDate(winter);
    entry->setBody(QStringLiteral("<p>Body</p>"));
    setup.blog->addEntry(entry);
    EntryContent(*entry).addTags({QStringLiteral("kept-one"), QStringLiteral("kept two")});

    for (const bool edit : {false, true}) {
        if (edit)
            entry->setBody(QStringLiteral("<p>Body, edited.</p>"));
        const Outcome outcome = publish(*m_road, entry);
        QVERIFY2(outcome.state == Job::State::Finished, qPrintable(outcome.message + logs()));
        QCOMPARE(outcome.edit, edit);
        QCOMPARE(tagNames(*entry), QStringList({"kept two", "kept-one"}));
        QCOMPARE(errorRowMessage(*m_list), QStringLiteral("The server did not keep the tags."));
        const QVariantMap diffs = entry->diffs().value_or(QVariantMap());
        QVERIFY2(diffs.keys() == QStringList{EntryServerMerge::notKeptKey},
                 qPrintable(describe(*entry)));
        QCOMPARE(diffs.value(EntryServerMerge::notKeptKey).toStringList(), QStringList{"tags"});
        QVERIFY(!entry->hasFlag(Entry::ChangedLocally));
        QCOMPARE(php(QStringLiteral("echo count(wp_get_post_tags(%1));").arg(entry->uniqueID())),
                 QStringLiteral("0"));
    }
}

void tst_PublishPeer::atomPublishEditAndReadBack()
{
    const BlogSetup setup = makeBlog(QStringLiteral("Atom 1.0"), m_atom->serviceUrl(),
                                     m_atom->username(), m_atom->password(), m_atom->blogTitle());
    setup.blog->addService(QStringLiteral("service.post"), m_atom->collectionUrl().toString());
    const EntryPtr entry = makeEntry(setup);
    Outcome outcome = publish(*m_road, entry);
    QVERIFY2(outcome.state == Job::State::Finished, qPrintable(outcome.message + m_atom->logs()));
    QCOMPARE(outcome.requests, 1);
    checkPublished(*entry, winter);
    QCOMPARE(m_atom->storedEntryIds().size() > 0, true);
    QVERIFY(m_atom->storedEntryIds().contains(entry->uniqueID()));
    QCOMPARE(entry->editURI(), m_atom->entryUrl(entry->uniqueID()).toString());

    entry->setBody(QStringLiteral("<p>Edited ü</p>"));
    outcome = publish(*m_road, entry);
    QVERIFY2(outcome.state == Job::State::Finished, qPrintable(outcome.message + m_atom->logs()));
    QVERIFY(outcome.edit);
    checkPublished(*entry, winter);
    QVERIFY(m_atom->logs().contains(QLatin1String("PUT")));
    QVERIFY(QString::fromUtf8(m_atom->storedEntry(entry->uniqueID())).contains("Edited"));
}

void tst_PublishPeer::atomWrongPassword()
{
    const BlogSetup setup =
        makeBlog(QStringLiteral("Atom 1.0"), m_atom->serviceUrl(), m_atom->username(),
                 QStringLiteral("wrong"), m_atom->blogTitle());
    setup.blog->addService(QStringLiteral("service.post"), m_atom->collectionUrl().toString());
    const EntryPtr entry = makeEntry(setup);
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Failed);
    // The server's own reason reaches the row.
    QVERIFY2(outcome.message.endsWith(QStringLiteral("The server said: \u201cInvalid login\u201d")),
             qPrintable(outcome.message));
    QCOMPARE(errorRowMessage(*m_list), outcome.message);
    QVERIFY(entry->hasFlag(Entry::LocalOnly));
    QVERIFY(!setup.account->isCritical());
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QCoreApplication app(argc, argv);
    tst_PublishPeer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_publishpeer.moc"
