#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "EntryFile.h"
#include "Ping.h"
#include "PropertyList.h"
#include "ServerPostReader.h"
#include "StringExtensions.h"
#include "TestSupport.h"
#include "XMLRPCDecoder.h"

#include <QTemporaryDir>
#include <QTest>
#include <ctime>

// Dates below are checked in a fixed local zone.
static const bool utcLocalZone = (qputenv("TZ", "UTC"), tzset(), true);

class EntryFileTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip();
    void hostileFile_data();
    void hostileFile();
    void truncatedFileIsRefused();
    void wordPressPosts();
    void serverPostRules();
    void serverCategoryForms_data();
    void serverCategoryForms();
    void dateShiftUsesOffsetAtPostInstant_data();
    void dateShiftUsesOffsetAtPostInstant();
    void revisionDictionary();
};

void EntryFileTest::roundTrip()
{
    QTemporaryDir dir;
    Blog blog;
    auto entry = Entry::create();
    entry->setParentBlog(&blog);
    entry->setTitle(QStringLiteral("Größe & <Zeit>"));
    entry->setBody(QStringLiteral("Body with KEY1 in it"));
    entry->setExtended(QStringLiteral("More"));
    entry->setAttachments(QStringList{QStringLiteral("KEY1")});
    auto category = Category::withTitle(QStringLiteral("News"));
    category->setIsCategory(true);
    category->setUniqueID(QStringLiteral("7"));
    entry->setCategories(CategoryList{category});
    entry->setPingUris(PingList{Ping::pingWithTitle({}, QStringLiteral("http://a.test/tb")),
                                Ping::pingWithTitle({}, QStringLiteral("http://b.test/tb"))});
    entry->setCommentOption(0);
    const QDateTime date(QDate(2024, 3, 1), QTime(8, 30, 15), Qt::UTC);
    entry->setEntryDate(date);
    QVERIFY(EntryFile::saveAtPath(*entry, dir.path()));

    const QString path = dir.path() + "/" + rv::MD5(entry->uniqueID()) + ".plumet";
    const QVariantMap stored = PropertyList::readFile(path).toMap();
    QCOMPARE(stored.value("entryDate").toString(), QStringLiteral("2024-03-01 08:30:15 +0000"));
    QVERIFY(!stored.contains("trackbackOption")); // left to the blog: not written
    QCOMPARE(stored.value("pingUris").toStringList().size(), 2);

    EntryPtr back = EntryFile::entryFromFile(path);
    QVERIFY(back);
    QVERIFY(!back->needsSave());
    QCOMPARE(back->uniqueID(), entry->uniqueID());
    QCOMPARE(back->title(), entry->title());
    QCOMPARE(back->body(), entry->body());
    QCOMPARE(back->attachments().value(), QStringList{"KEY1"});
    QCOMPARE(back->entryDate(), date);
    QCOMPARE(back->categories()->size(), 1);
    QCOMPARE(back->categories()->first()->title(), QStringLiteral("News"));
    QVERIFY(back->categories()->first()->isCategory());
    const PingList pings = back->pingUris();
    QCOMPARE(pings.size(), 10);
    QCOMPARE(pings[1]->address(), QStringLiteral("http://b.test/tb"));
    QVERIFY(pings[2]->address().isEmpty());
    QCOMPARE(back->commentOption().toInt(), 0);
    QVERIFY(!back->trackbackOption().isValid()); // still inherited
    QCOMPARE(EntryFile::fileBytes(*back), EntryFile::fileBytes(*entry));
}

void EntryFileTest::hostileFile_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("job state") << "needsSave" << QVariant(true);
    QTest::newRow("parent") << "parent" << QVariant(QStringLiteral("x"));
    QTest::newRow("display name") << "displayName" << QVariant(QStringLiteral("forged"));
    QTest::newRow("old tags key") << "tags" << QVariant(QStringLiteral("a b"));
    QTest::newRow("title as number") << "title" << QVariant(qint64(5));
    QTest::newRow("flag as text") << "flag" << QVariant(QStringLiteral("16"));
    QTest::newRow("categories as text") << "categories" << QVariant(QStringLiteral("News"));
    QTest::newRow("pings as numbers") << "pingUris" << QVariant(QVariantList{1, 2});
    QTest::newRow("settings as list") << "pluginSettings" << QVariant(QVariantList{1});
    QTest::newRow("attachments mixed") << "attachments" << QVariant(QVariantList{"k", 3});
}

void EntryFileTest::hostileFile()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QVariantMap file{{"uniqueID", "42"}, {"title", "Kept"}, {"body", "text"}, {"flag", qint64(4)}};
    file.insert(key, value);
    QTemporaryDir dir;
    const QString path = dir.path() + "/x.plumet";
    QVERIFY(PropertyList::writeFile(path, file, PropertyList::Format::Binary));

    EntryPtr entry = EntryFile::entryFromFile(path);
    QVERIFY(entry);
    QCOMPARE(entry->uniqueID(), QStringLiteral("42"));
    QCOMPARE(entry->body(), QStringLiteral("text"));
    QCOMPARE(entry->title(), key == "title" ? QStringLiteral("Untitled") : QStringLiteral("Kept"));
    QCOMPARE(entry->flag(), key == "flag" ? int(Entry::LocalOnly) : 4);
    QVERIFY(!entry->needsSave());
    QVERIFY(entry->displayName() != QStringLiteral("forged"));
    QVERIFY(entry->categories().value_or(CategoryList()).isEmpty());
    QVERIFY(entry->pingUris().first()->address().isEmpty());
    QVERIFY(entry->pluginSettings().isEmpty());
    QVERIFY(!entry->attachments());
}

void EntryFileTest::truncatedFileIsRefused()
{
    auto entry = Entry::create();
    entry->setBody(QStringLiteral("a body long enough to matter"));
    const QByteArray bytes = EntryFile::fileBytes(*entry);
    QTemporaryDir dir;
    for (qsizetype cut : {qsizetype(0), qsizetype(8), bytes.size() / 2, bytes.size() - 1}) {
        QFile file(dir.path() + "/cut.plumet");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes.left(cut));
        file.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Failed to load file at"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
        QVERIFY2(!EntryFile::entryFromFile(file.fileName()), qPrintable(QString::number(cut)));
    }
}

void EntryFileTest::wordPressPosts()
{
    const DecodeResult decoded = XMLRPCDecoder::decode(
        plumet::test::readTestData("wordpress-6.1/getRecentPosts.response.xml"));
    QVERIFY(!decoded.isFault());
    const QVariantList posts = decoded.value().toList();
    QVERIFY(!posts.isEmpty());
    Blog blog;
    for (const QVariant& post : posts) {
        const QVariantMap map = post.toMap();
        EntryPtr entry = ServerPostReader::entryFromPost(map, &blog, false);
        QVERIFY(entry);
        QCOMPARE(entry->title(), map.value("title").toString().isEmpty()
                                     ? QStringLiteral("Untitled")
                                     : map.value("title").toString());
        QCOMPARE(entry->author(), map.value("userid").toString());
        QVERIFY(!entry->hasFlag(Entry::LocalOnly));
        QVERIFY(entry->foundOnServer() && entry->needsSave());
        QVERIFY(!entry->permaLink().isEmpty());
        // WordPress's own fields are kept for its draft panel; the known ones are not.
        QVERIFY(entry->pluginSettings().contains("wp_slug"));
        QVERIFY(!entry->pluginSettings().contains("description"));
        QVERIFY(!entry->categories()->isEmpty());
        QVERIFY(entry->categories()->first()->isCategory());
        // What came from the server survives the file.
        QTemporaryDir dir;
        QVERIFY(EntryFile::saveAtPath(*entry, dir.path()));
        EntryPtr back = EntryFile::entryFromFile(dir.path() + "/" + EntryFile::fileName(*entry));
        QCOMPARE(back->body(), entry->body());
        QCOMPARE(back->pluginSettings(), entry->pluginSettings());
        QCOMPARE(back->entryDate(), entry->entryDate());
    }
}

void EntryFileTest::serverPostRules()
{
    Blog blog;
    auto entry = Entry::create();
    entry->setParentBlog(&blog);
    entry->setFlag(Entry::LocalOnly | Entry::SendAsDraft | Entry::ChangedLocally |
                   Entry::BeingDeleted | Entry::IsPage);
    const QVariantMap post{
        {"categories", "Single &amp; only"},
        {"permalink", "http://blog.test/p"},
        {"links", QVariantList{QVariantMap{{"rel", "alternate"}, {"href", "http://blog.test/alt"}},
                               QVariantMap{{"rel", "edit"}, {"href", "http://blog.test/edit"}}}},
        {"userid", qint64(12)},
        {"mt_tags", "one, two"},
    };
    ServerPostReader::setOtherContent(*entry, post, false);
    QCOMPARE(entry->flag(), Entry::SendAsDraft | Entry::IsPage);
    QCOMPARE(entry->permaLink(), QStringLiteral("http://blog.test/alt"));
    QCOMPARE(entry->editURI(), QStringLiteral("http://blog.test/edit"));
    QCOMPARE(entry->author(), QStringLiteral("12"));
    QStringList titles;
    const auto chosen = entry->categories(); // a copy: the loop must not outlive it
    for (const auto& c : *chosen)
        titles << c->title() + (c->isTag() ? ":tag" : "") + (c->isCategory() ? ":cat" : "");
    QCOMPARE(titles, QStringList({"one:tag", "two:tag", "Single & only:cat"}));
    // "links" is outside the known keys, so it lands in the plug-in settings.
    QVERIFY(entry->pluginSettings().contains("links"));
    // A post of known keys only leaves the settings as they were.
    ServerPostReader::setOtherContent(*entry, QVariantMap{{"title", "t"}, {"postid", "9"}}, false);
    QVERIFY(entry->pluginSettings().contains("links"));
}

void EntryFileTest::serverCategoryForms_data()
{
    QTest::addColumn<QVariant>("categories");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<int>("skipped");
    QTest::newRow("dictionary: its keys")
        << QVariant(QVariantMap{{"Alpha", 1}, {"Beta", 2}}) << QStringList{"Alpha", "Beta"}
        << QStringList{"", ""} << 0;
    QTest::newRow("array of names, decoded")
        << QVariant(QVariantList{"Fish &amp; Chips", "Tea"}) << QStringList{"Fish & Chips", "Tea"}
        << QStringList{"", ""} << 0;
    QTest::newRow("data element") << QVariant(QVariantList{QByteArray("Caf\xc3\xa9 &lt;3")})
                                  << QStringList{QString::fromUtf8("Caf\u00e9 <3")}
                                  << QStringList{""} << 0;
    QTest::newRow("records: description, or name and id")
        << QVariant(QVariantList{QVariantMap{{"description", "Plain"}, {"id", "4"}},
                                 QVariantMap{{"name", "A &amp; B"}, {"id", "7"}}})
        << QStringList{"Plain", "A & B"} << QStringList{"", "7"} << 0;
    QTest::newRow("unreadable element skipped, rest read")
        << QVariant(QVariantList{qint64(3), QVariantMap{{"id", "1"}}, "Kept"})
        << QStringList{"Kept"} << QStringList{""} << 2;
    QTest::newRow("same name twice is one category")
        << QVariant(QVariantList{"Same", "Same"}) << QStringList{"Same"} << QStringList{""} << 0;
}

void EntryFileTest::serverCategoryForms()
{
    QFETCH(QVariant, categories);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, ids);
    QFETCH(int, skipped);
    Blog blog;
    auto entry = Entry::create();
    entry->setParentBlog(&blog);
    for (int i = 0; i < skipped; ++i)
        QTest::ignoreMessage(QtWarningMsg, "Could not figure out category data");
    ServerPostReader::setOtherContent(*entry, QVariantMap{{"categories", categories}}, false);
    QStringList gotTitles, gotIds;
    for (const auto& category : entry->categories().value_or(CategoryList())) {
        QVERIFY(category->isCategory() && !category->isTag());
        gotTitles << category->title();
        gotIds << category->uniqueID();
    }
    QCOMPARE(gotTitles, titles);
    QCOMPARE(gotIds, ids);
}

void EntryFileTest::dateShiftUsesOffsetAtPostInstant_data()
{
    QTest::addColumn<QDateTime>("posted");
    QTest::addColumn<QDateTime>("expected");
    // New York is 5 hours behind UTC in winter and 4 in summer, whatever today is.
    QTest::newRow("winter") << QDateTime(QDate(2025, 1, 15), QTime(12, 0), Qt::LocalTime)
                            << QDateTime(QDate(2025, 1, 15), QTime(17, 0), Qt::LocalTime);
    QTest::newRow("summer") << QDateTime(QDate(2025, 7, 15), QTime(12, 0), Qt::LocalTime)
                            << QDateTime(QDate(2025, 7, 15), QTime(16, 0), Qt::LocalTime);
}

void EntryFileTest::dateShiftUsesOffsetAtPostInstant()
{
    QFETCH(QDateTime, posted);
    QFETCH(QDateTime, expected);
    Blog blog;
    blog.setTimeZone(QStringLiteral("America/New_York"));
    QCOMPARE(ServerPostReader::postDate(posted, &blog, true), expected);
    QCOMPARE(ServerPostReader::postDate(posted, &blog, false), posted);
    Blog localBlog; // "Use local timezone" names no zone
    QCOMPARE(ServerPostReader::postDate(posted, &localBlog, true), posted);
}

void EntryFileTest::revisionDictionary()
{
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("Only a title"));
    QVERIFY(!EntryFile::revisionDictionary(*entry));
    entry->setSummary(QStringLiteral("s"));
    const auto revision = EntryFile::revisionDictionary(*entry);
    QVERIFY(revision);
    QCOMPARE(revision->value("body").toString(), QString(""));
    QCOMPARE(revision->value("title").toString(), QStringLiteral("Only a title"));
    QVERIFY(revision->contains("created"));
}

QTEST_GUILESS_MAIN(EntryFileTest)
#include "tst_entryfile.moc"
