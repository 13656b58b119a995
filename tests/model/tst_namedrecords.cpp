#include "ArchiveRoundTrip.h"
#include "Category.h"
#include "Format.h"
#include "Genetic.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "Ping.h"

#include <QSignalSpy>
#include <QTest>

using namespace plumet::test;

class tst_NamedRecords : public QObject {
    Q_OBJECT
private slots:
    void titleRules_data();
    void titleRules();
    void uniqueIDValues_data();
    void uniqueIDValues();
    void renameIsPostedWithTheCategory();
    void firstTitleAndCopiesPostNoRename();
    void followRenameIsQuietAndChecksTheRecord();
    void categoryDefaultsAndDictionary();
    void categoryFromDictionary();
    void categoryArchiveRoundTrip();
    void categoryCopyIsIndependent();
    void categoryDescription();
    void formatAndPingArchiveRoundTrip();
    void storedKeysRefuseUnknownNames();
    void titleOrderIgnoresCase();

private:
    int countRenames(const std::function<void()>& action);
};

int tst_NamedRecords::countRenames(const std::function<void()>& action)
{
    QObject observer;
    int count = 0;
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::didRenameCategory), &observer,
        [&count](const Notification&) { ++count; });
    action();
    return count;
}

void tst_NamedRecords::titleRules_data()
{
    QTest::addColumn<bool>("asCategory");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("storedTitle");
    QTest::addColumn<QString>("displayName");

    QTest::newRow("empty") << false << ""
                           << "Untitled"
                           << "Untitled";
    QTest::newRow("null") << false << QString() << "Untitled"
                          << "Untitled";
    // A record decodes entities and drops tags for its display name...
    QTest::newRow("entity and bold") << false << "Fish &amp; <b>Chips</b>"
                                     << "Fish &amp; <b>Chips</b>"
                                     << "Fish &  Chips ";
    // ...a category only drops the tags.
    QTest::newRow("category keeps entity") << true << "Fish &amp; <b>Chips</b>"
                                           << "Fish &amp; <b>Chips</b>"
                                           << "Fish &amp;  Chips ";
    QTest::newRow("category empty") << true << ""
                                    << "Untitled"
                                    << "Untitled";
}

void tst_NamedRecords::titleRules()
{
    QFETCH(bool, asCategory);
    QFETCH(QString, title);
    QFETCH(QString, storedTitle);
    QFETCH(QString, displayName);

    std::unique_ptr<Genetic> record =
        asCategory ? std::unique_ptr<Genetic>(new Category) : std::make_unique<Genetic>();
    QSignalSpy changes(record.get(), &Genetic::valueChanged);
    record->setTitle(title);
    QCOMPARE(record->title(), storedTitle);
    QCOMPARE(record->displayName(), displayName);
    QVERIFY(changes.contains(QVariantList{QStringLiteral("title")}));
    QVERIFY(changes.contains(QVariantList{QStringLiteral("displayName")}));
}

void tst_NamedRecords::uniqueIDValues_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("string") << QVariant(QStringLiteral("abc")) << "abc";
    QTest::newRow("number") << QVariant(42) << "42";
    QTest::newRow("large number") << QVariant(qint64(9007199254740993)) << "9007199254740993";
    // Property lists and JSON hand whole numbers over as doubles.
    QTest::newRow("whole double") << QVariant(42.0) << "42";
    QTest::newRow("fraction") << QVariant(0.1) << "0.1";
    QTest::newRow("boolean number") << QVariant(true) << "1";
    QTest::newRow("null clears") << QVariant() << "";
    QTest::newRow("list refused") << QVariant(QVariantList{1, 2}) << "keep";
    QTest::newRow("map refused") << QVariant(QVariantMap{{"a", 1}}) << "keep";
}

void tst_NamedRecords::uniqueIDValues()
{
    QFETCH(QVariant, value);
    QFETCH(QString, expected);

    Genetic record;
    record.setUniqueID(QStringLiteral("keep"));
    QSignalSpy changes(&record, &Genetic::valueChanged);
    if (expected == QLatin1String("keep"))
        QTest::ignoreMessage(QtWarningMsg, "Invalid argument for unique ID!");
    record.setUniqueIDValue(value);
    QCOMPARE(record.uniqueID(), expected);
    // Announced in every case, also when refused.
    QCOMPARE(changes.count(), 1);
}

void tst_NamedRecords::renameIsPostedWithTheCategory()
{
    Category renamed, other;
    renamed.setTitle(QStringLiteral("News"));
    other.setTitle(QStringLiteral("News"));

    QObject observer;
    QList<Notification> received;
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::didRenameCategory), &observer,
        [&received](const Notification& n) { received.append(n); });
    renamed.setTitle(QStringLiteral("Headlines"));

    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().object.data(), &renamed);
    QCOMPARE(received.first().userInfo.value(QStringLiteral("old")), QVariant("News"));
    QCOMPARE(received.first().userInfo.value(QStringLiteral("new")), QVariant("Headlines"));
    QCOMPARE(renamed.displayName(), QStringLiteral("Headlines"));
    // A category outside any blog follows nobody: the blog renames its own.
    QCOMPARE(other.title(), QStringLiteral("News"));
}

void tst_NamedRecords::firstTitleAndCopiesPostNoRename()
{
    Category watcher;
    watcher.setTitle(QStringLiteral("Untitled"));
    QCOMPARE(countRenames([] {
                 Category fresh;
                 fresh.setTitle(QStringLiteral("News"));
                 Category nameless;
                 nameless.setTitle(QString());
                 fresh.copy();
             }),
             0);
    QCOMPARE(watcher.title(), QStringLiteral("Untitled"));
}

void tst_NamedRecords::followRenameIsQuietAndChecksTheRecord()
{
    Category category, other;
    category.setTitle(QStringLiteral("News"));
    other.setTitle(QStringLiteral("Sport"));
    const QString news = QStringLiteral("News");
    const QString headlines = QStringLiteral("Headlines");

    const int posted = countRenames([&] {
        for (const QVariantMap& malformed :
             {QVariantMap{{QStringLiteral("old"), news}},
              QVariantMap{{QStringLiteral("new"), headlines}}, QVariantMap{}})
            category.followRename(malformed);
        QCOMPARE(category.title(), news);

        const QVariantMap rename{{QStringLiteral("old"), news}, {QStringLiteral("new"), headlines}};
        category.followRename(rename);
        other.followRename(rename);
    });
    QCOMPARE(category.title(), headlines);
    QCOMPARE(category.displayName(), headlines);
    QCOMPARE(other.title(), QStringLiteral("Sport"));
    // Following posts nothing, so a blog applying a rename sets off no second one.
    QCOMPARE(posted, 0);
    // The quiet state ends with the rename: the next title change is announced.
    QCOMPARE(countRenames([&] { category.setTitle(QStringLiteral("Latest")); }), 1);
}

void tst_NamedRecords::categoryDefaultsAndDictionary()
{
    Category category;
    QVERIFY(category.title().isNull());
    QVERIFY(!category.isChecked());
    QVERIFY(!category.isPrimary());
    QVERIFY(category.isTag());
    QVERIFY(!category.isCategory());

    category.setUniqueID(QStringLiteral("7"));
    category.setTitle(QStringLiteral("<i>News</i>"));
    category.setIsCategory(true);
    category.setIsPrimary(std::nullopt); // unset flags are left out
    const QVariantMap expected{
        {QStringLiteral("uniqueID"), QStringLiteral("7")},
        {QStringLiteral("title"), QStringLiteral("<i>News</i>")},
        {QStringLiteral("displayName"), QStringLiteral(" News ")},
        {QStringLiteral("isChecked"), false},
        {QStringLiteral("isTag"), true},
        {QStringLiteral("isCategory"), true},
    };
    QCOMPARE(category.dictionary(), expected);

    // The getter stores the default, which the dictionary then carries.
    QVERIFY(!category.isPrimary());
    QVERIFY(category.dictionary().contains(QStringLiteral("isPrimary")));
}

void tst_NamedRecords::categoryFromDictionary()
{
    const QVariantMap stored{
        {QStringLiteral("uniqueID"), 12},
        {QStringLiteral("title"), QStringLiteral("Travel")},
        {QStringLiteral("displayName"), QStringLiteral("Travel (3)")},
        {QStringLiteral("isChecked"), true},
        {QStringLiteral("isTag"), false},
        {QStringLiteral("parent"), QStringLiteral("ignored")},
    };
    const CategoryPtr category = Category::fromDictionary(stored);
    QCOMPARE(category->uniqueID(), QStringLiteral("12"));
    QCOMPARE(category->title(), QStringLiteral("Travel"));
    QCOMPARE(category->displayName(), QStringLiteral("Travel (3)"));
    QVERIFY(category->isChecked());
    QVERIFY(!category->isTag());
    QVERIFY(!category->isCategory());
}

void tst_NamedRecords::categoryArchiveRoundTrip()
{
    Category category;
    category.setUniqueID(QStringLiteral("5"));
    category.setTitle(QStringLiteral("Food"));
    category.setIsChecked(true);
    category.setIsPrimary(true);
    category.setIsTag(false);
    category.setIsCategory(true);
    category.setFoundOnServer(true);

    QCOMPARE(archivedKeys(category),
             (QSet<QString>{"uniqueID", "title", "isChecked", "isPrimary", "isTag", "isCategory"}));
    const auto decoded = archiveRoundTrip<Category>(category);
    QVERIFY(decoded);
    QCOMPARE(decoded->uniqueID(), QStringLiteral("5"));
    QCOMPARE(decoded->title(), QStringLiteral("Food"));
    QVERIFY(decoded->isChecked());
    QVERIFY(decoded->isPrimary());
    QVERIFY(!decoded->isTag());
    QVERIFY(decoded->isCategory());
    QVERIFY(!decoded->foundOnServer());
}

void tst_NamedRecords::categoryCopyIsIndependent()
{
    Category original;
    original.setUniqueID(QStringLiteral("3"));
    original.setTitle(QStringLiteral("Books"));
    original.setIsPrimary(true);
    const CategoryPtr copy = original.copy();
    QCOMPARE(copy->dictionary(), original.dictionary());

    copy->setIsChecked(true);
    QVERIFY(!original.isChecked());
}

void tst_NamedRecords::categoryDescription()
{
    Category category;
    category.setTitle(QStringLiteral("Books"));
    QCOMPARE(
        category.description(),
        QStringLiteral("id: (null)\ntitle: Books\nchecked: 0\nprimary: 0\ntag: 1\ncategory: 0\n"));
}

void tst_NamedRecords::formatAndPingArchiveRoundTrip()
{
    Format format;
    format.setUniqueID(QStringLiteral("markdown"));
    format.setTitle(QStringLiteral("Markdown"));
    format.setFoundOnServer(true);
    const auto decodedFormat = archiveRoundTrip<Format>(format);
    QVERIFY(decodedFormat);
    QCOMPARE(decodedFormat->uniqueID(), QStringLiteral("markdown"));
    QCOMPARE(decodedFormat->title(), QStringLiteral("Markdown"));
    QVERIFY(!decodedFormat->foundOnServer());
    QCOMPARE(format.copy()->displayName(), QStringLiteral("Markdown"));

    const PingPtr ping = Ping::pingWithTitle(QStringLiteral("Ping-o-Matic"),
                                             QStringLiteral("http://rpc.example.org/"));
    QCOMPARE(archivedKeys(*ping), (QSet<QString>{"address", "title"}));
    const auto decodedPing = archiveRoundTrip<Ping>(*ping);
    QVERIFY(decodedPing);
    QCOMPARE(decodedPing->title(), QStringLiteral("Ping-o-Matic"));
    QCOMPARE(decodedPing->address(), QStringLiteral("http://rpc.example.org/"));

    // An empty ping writes nothing.
    QVERIFY(archivedKeys(Ping()).isEmpty());
}

void tst_NamedRecords::storedKeysRefuseUnknownNames()
{
    Category category;
    QVERIFY(!setStoredValue<Category>(Category::storedKeys(), category, u"notified", true));
    QVERIFY(!setStoredValue<Category>(Category::storedKeys(), category, u"foundOnServer", true));
    QVERIFY(setStoredValue<Category>(Category::storedKeys(), category, u"isChecked", true));
    QVERIFY(category.isChecked());
}

void tst_NamedRecords::titleOrderIgnoresCase()
{
    Format a, b;
    a.setTitle(QStringLiteral("apple"));
    b.setTitle(QStringLiteral("Banana"));
    QVERIFY(Genetic::titleLessThan(a, b));
    QVERIFY(!Genetic::titleLessThan(b, a));
}

QTEST_GUILESS_MAIN(tst_NamedRecords)
#include "tst_namedrecords.moc"
