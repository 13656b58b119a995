#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "EntryFile.h"
#include "Ping.h"
#include "PropertyList.h"
#include "ServerPostReader.h"
#include "StringExtensions.h"
#include "TestSupport.h"
#include "XMLRPCDates.h"
#include "XMLRPCDecoder.h"

#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <ctime>

// Dates below are checked in a fixed local zone.
static const bool utcLocalZone = (qputenv("TZ", "UTC"), tzset(), true);

class tst_EntryFile : public QObject {
    Q_OBJECT
private slots:
    void roundTrip();
    void hostileFile_data();
    void hostileFile();
    void truncatedFileIsRefused();
    void aDeletionUnderWayIsNeverStored();
    void wordPressPosts();
    void historyPostSaves();
    void unstorableServerValueLeavesTheRestSaved();
    void controlCharactersAreDroppedOnRead();
    void serverPostRules();
    void serverCategoryForms_data();
    void serverCategoryForms();
    void dateShiftUsesOffsetAtPostInstant_data();
    void dateShiftUsesOffsetAtPostInstant();
    void dateShiftAcrossDaylightSavingChanges_data();
    void dateShiftAcrossDaylightSavingChanges();
    void revisionDictionary();
};

void tst_EntryFile::roundTrip()
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

void tst_EntryFile::aDeletionUnderWayIsNeverStored()
{
    // Ended with the program: a file that kept "being deleted" would bring the
    // post back refused by every delete and never opened.
    QTemporaryDir dir;
    auto entry = Entry::create();
    entry->setFlag(Entry::ChangedLocally | Entry::BeingDeleted | Entry::IsPage);
    QVERIFY(EntryFile::saveAtPath(*entry, dir.path()));
    const QString path = dir.path() + "/" + EntryFile::fileName(*entry);
    QCOMPARE(PropertyList::readFile(path).toMap().value("flag").toInt(),
             Entry::ChangedLocally | Entry::IsPage);
    QCOMPARE(entry->flag(), Entry::ChangedLocally | Entry::BeingDeleted | Entry::IsPage);

    // A file written before the mark was left out loses it when read.
    QVariantMap old = PropertyList::readFile(path).toMap();
    old.insert("flag", Entry::BeingDeleted | Entry::SendAsDraft);
    const EntryPtr back = EntryFile::entryFromFileDictionary(old);
    QCOMPARE(back->flag(), int(Entry::SendAsDraft));
    QVERIFY(!back->needsSave());
}

void tst_EntryFile::hostileFile_data()
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

void tst_EntryFile::hostileFile()
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

void tst_EntryFile::truncatedFileIsRefused()
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

void tst_EntryFile::wordPressPosts()
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

void tst_EntryFile::historyPostSaves()
{
    // The recorded answer with one post moved to 1920: its dates, the entry's own and
    // the server's kept in the plug-in settings, lie outside 32-bit seconds.
    QByteArray answer = plumet::test::readTestData("wordpress-6.1/getRecentPosts.response.xml");
    QVERIFY(answer.contains("20261209T21:29:54"));
    answer.replace("20261209T21:29:54", "19200309T21:29:54");
    const QVariantList posts = XMLRPCDecoder::decode(answer).value().toList();
    const QVariantMap post = posts.first().toMap();
    QCOMPARE(post.value("date_created_gmt").toDateTime().date(), QDate(1920, 3, 9));
    Blog blog;
    EntryPtr entry = ServerPostReader::entryFromPost(post, &blog, false);
    QTemporaryDir dir;
    QString error;
    QVERIFY2(EntryFile::saveAtPath(*entry, dir.path(), &error), qPrintable(error));
    EntryPtr back = EntryFile::entryFromFile(dir.path() + "/" + EntryFile::fileName(*entry));
    QVERIFY(back);
    QCOMPARE(back->entryDate(), entry->entryDate());
    QCOMPARE(back->entryDate().date().year(), 1920);
    QCOMPARE(back->pluginSettings().value("date_created_gmt"), post.value("date_created_gmt"));
    QCOMPARE(back->pluginSettings(), entry->pluginSettings());
}

void tst_EntryFile::unstorableServerValueLeavesTheRestSaved()
{
    auto entry = Entry::create();
    entry->setBody(QStringLiteral("kept"));
    entry->setPluginSettings(QVariantMap{
        {"wp_slug", "kept-too"},
        {"score", std::numeric_limits<double>::quiet_NaN()},
        {"views", std::numeric_limits<quint64>::max()},
        {"far", QDateTime(QDate(2300, 1, 1), QTime(0, 0), Qt::UTC)},
    });
    QTemporaryDir dir;
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("saved without pluginSettings.score: .*not finite"));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("saved without pluginSettings.views: .*too large"));
    QVERIFY(EntryFile::saveAtPath(*entry, dir.path()));
    EntryPtr back = EntryFile::entryFromFile(dir.path() + "/" + EntryFile::fileName(*entry));
    QCOMPARE(back->body(), QStringLiteral("kept"));
    QCOMPARE(back->pluginSettings(),
             QVariantMap({{"wp_slug", "kept-too"},
                          {"far", QDateTime(QDate(2300, 1, 1), QTime(0, 0), Qt::UTC)}}));
}

void tst_EntryFile::controlCharactersAreDroppedOnRead()
{
    // A file of another program whose body holds U+0000: written here with U+0001,
    // which a file may hold, then that one byte turned into NUL.
    const QVariantMap dictionary{{"uniqueID", "nul-entry"},
                                 {"body", QString::fromUtf8("<p>before\x01"
                                                            "after</p>")},
                                 {"title", "Title"}};
    QByteArray bytes = PropertyList::write(dictionary, PropertyList::Format::Binary);
    QCOMPARE(bytes.count("before\x01"
                         "after"),
             1);
    bytes.replace("before\x01"
                  "after",
                  QByteArray("before\0after", 12));
    QCOMPARE(PropertyList::read(bytes).toMap().value("body").toString(),
             QString::fromUtf8("<p>before\0after</p>", 19));
    QTemporaryDir dir;
    const QString path = dir.filePath(EntryFile::fileName(QStringLiteral("nul-entry")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();

    EntryPtr entry = EntryFile::entryFromFile(path);
    QVERIFY(entry);
    QCOMPARE(entry->body(), QStringLiteral("<p>beforeafter</p>"));
    // And it saves again, as it could not before.
    QVERIFY(EntryFile::saveAtPath(*entry, dir.path()));

    // The same from a server.
    Blog blog;
    EntryPtr fromServer = ServerPostReader::entryFromPost(
        QVariantMap{{"title", QString::fromUtf8("T\0i\x07tle", 7)},
                    {"description", QString::fromUtf8("a\0b\tc", 6)}},
        &blog, false);
    QCOMPARE(fromServer->title(), QStringLiteral("Title"));
    QCOMPARE(fromServer->body(), QStringLiteral("ab\tc"));
}

void tst_EntryFile::serverPostRules()
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
        {"mt_tags", "one &amp; all, two"},
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
    QCOMPARE(titles, QStringList({"one & all:tag", "two:tag", "Single & only:cat"}));
    // "links" is outside the known keys, so it lands in the plug-in settings.
    QVERIFY(entry->pluginSettings().contains("links"));
    // A post of known keys only leaves the settings as they were.
    ServerPostReader::setOtherContent(*entry, QVariantMap{{"title", "t"}, {"postid", "9"}}, false);
    QVERIFY(entry->pluginSettings().contains("links"));
}

void tst_EntryFile::serverCategoryForms_data()
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

void tst_EntryFile::serverCategoryForms()
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

void tst_EntryFile::dateShiftUsesOffsetAtPostInstant_data()
{
    QTest::addColumn<QString>("posted");
    QTest::addColumn<QDateTime>("expected");
    // New York is 5 hours behind UTC in winter and 4 in summer, whatever today is.
    QTest::newRow("winter") << "20250115T12:00:00"
                            << QDateTime(QDate(2025, 1, 15), QTime(17, 0), Qt::LocalTime);
    QTest::newRow("summer") << "20250715T12:00:00"
                            << QDateTime(QDate(2025, 7, 15), QTime(16, 0), Qt::LocalTime);
}

void tst_EntryFile::dateShiftUsesOffsetAtPostInstant()
{
    QFETCH(QString, posted);
    QFETCH(QDateTime, expected);
    // As the XML-RPC reader gives a server time without a zone.
    const QVariantMap post{{QStringLiteral("datecreated"), parseXMLRPCDate(posted)}};
    Blog blog;
    blog.setTimeZone(QStringLiteral("America/New_York"));
    QCOMPARE(ServerPostReader::postDate(post, &blog), expected);
    Blog localBlog; // "Use local timezone" names no zone: this computer's clock
    QCOMPARE(ServerPostReader::postDate(post, &localBlog), parseXMLRPCDate(posted));
}

void tst_EntryFile::dateShiftAcrossDaylightSavingChanges_data()
{
    QTest::addColumn<QByteArray>("localZone");
    QTest::addColumn<QByteArray>("blogZone");
    QTest::addColumn<QDate>("day");
    const QList<QDate> changes{QDate(2024, 3, 10), QDate(2024, 3, 31), QDate(2024, 10, 27),
                               QDate(2024, 11, 3)};
    for (const auto& [local, blog] : {std::pair{"Europe/Berlin", "America/New_York"},
                                      std::pair{"America/New_York", "Europe/Berlin"}}) {
        for (const QDate& day : changes)
            QTest::addRow("%s here, %s blog, %s", local, blog,
                          qPrintable(day.toString(Qt::ISODate)))
                << QByteArray(local) << QByteArray(blog) << day;
    }
}

void tst_EntryFile::dateShiftAcrossDaylightSavingChanges()
{
    QFETCH(QByteArray, localZone);
    QFETCH(QByteArray, blogZone);
    QFETCH(QDate, day);
    qputenv("TZ", localZone);
    tzset();
    const auto restore = qScopeGuard([] {
        qputenv("TZ", "UTC");
        tzset();
    });
    const QTimeZone there(blogZone);
    Blog blog;
    blog.setTimeZone(QString::fromLatin1(blogZone));
    // The instant a wall-clock time of a zone names: the earlier one where the clocks
    // went back, and one hour on where they skipped it.
    const auto instantOf = [](const QTimeZone& zone, const QDateTime& clock) {
        const int standard = zone.standardTimeOffset(clock);
        QList<qint64> fitting;
        for (int offset : {standard + 3600, standard}) {
            const qint64 instant = clock.toSecsSinceEpoch() - offset;
            if (zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC)) == offset)
                fitting << instant;
        }
        return fitting.isEmpty() ? clock.toSecsSinceEpoch() - standard : fitting.first();
    };
    for (int half = 0; half < 48; ++half) {
        const QTime time = QTime(0, 0).addSecs(half * 1800);
        const QDateTime clock(day, time, Qt::UTC); // the fields alone
        // As the XML-RPC reader gives a zone-less server time: its clock fields kept.
        const QDateTime posted = parseXMLRPCDate(day.toString(QStringLiteral("yyyyMMdd'T'")) +
                                                 time.toString(QStringLiteral("HH:mm:ss")));
        QCOMPARE(posted.time(), time);
        const QDateTime shifted =
            ServerPostReader::postDate({{QStringLiteral("datecreated"), posted}}, &blog);
        QCOMPARE(shifted.timeSpec(), Qt::LocalTime);
        QVERIFY2(shifted.toSecsSinceEpoch() == instantOf(there, clock),
                 qPrintable(QStringLiteral("%1 in %2 read as %3")
                                .arg(time.toString(), QString::fromLatin1(blogZone),
                                     shifted.toUTC().toString(Qt::ISODate))));
    }
}

void tst_EntryFile::revisionDictionary()
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

QTEST_GUILESS_MAIN(tst_EntryFile)
#include "tst_entryfile.moc"
