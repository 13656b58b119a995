#include "Blog.h"
#include "DefaultPings.h"
#include "Ping.h"
#include "SpellDictionaries.h"
#include "TimeZoneList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The lists the settings window offers: time zones, spelling languages and
// the default ping services.
class tst_PreferenceLists : public QObject {
    Q_OBJECT
private slots:
    void timeZonesHaveARegion();
    void fixedOffsetsAreLabelledWithTheOffsetTheClockApplies_data();
    void fixedOffsetsAreLabelledWithTheOffsetTheClockApplies();
    void dictionariesAreCompletePairsByLanguageName();
    void aBlogsLanguageChoosesItsDictionary_data();
    void aBlogsLanguageChoosesItsDictionary();
    void defaultPingsGoInFront();
};

void tst_PreferenceLists::timeZonesHaveARegion()
{
    const QList<TimeZoneList::Zone> zones = TimeZoneList::zones();
    QVERIFY(zones.size() > 100);
    QStringList ids;
    for (const auto& zone : zones)
        ids << zone.id;
    QVERIFY(ids.contains(QStringLiteral("Europe/Paris")));
    QVERIFY(ids.contains(QStringLiteral("Etc/GMT+5")));
    QVERIFY(ids.contains(QStringLiteral("Etc/GMT-14")));
    QCOMPARE(ids.count(QStringLiteral("Etc/GMT+5")), 1);
    QVERIFY(!ids.contains(QStringLiteral("UTC")));
    for (qsizetype i = 1; i < ids.size(); ++i)
        QVERIFY2(ids.at(i - 1).compare(ids.at(i), Qt::CaseInsensitive) <= 0, qPrintable(ids.at(i)));
}

void tst_PreferenceLists::fixedOffsetsAreLabelledWithTheOffsetTheClockApplies_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("label");
    QTest::newRow("behind UTC") << "Etc/GMT+5" << QString::fromUtf8("UTC−05:00 (Etc/GMT+5)");
    // The blogs' clock counts these as their names read: the label says what a date will show.
    QTest::newRow("Etc/GMT- as the clock counts it")
        << "Etc/GMT-14" << QString::fromUtf8("UTC−14:00 (Etc/GMT-14)");
    QTest::newRow("Etc/GMT-2") << "Etc/GMT-2" << QString::fromUtf8("UTC−02:00 (Etc/GMT-2)");
    QTest::newRow("a city") << "Asia/Tokyo"
                            << "Asia/Tokyo";
    QTest::newRow("GMT itself") << "Etc/GMT"
                                << "UTC (Etc/GMT)";
}

void tst_PreferenceLists::fixedOffsetsAreLabelledWithTheOffsetTheClockApplies()
{
    QFETCH(QString, id);
    QFETCH(QString, label);
    QCOMPARE(TimeZoneList::label(id), label);
}

void tst_PreferenceLists::dictionariesAreCompletePairsByLanguageName()
{
    QTemporaryDir user, system;
    auto touch = [](const QTemporaryDir& dir, const QString& name) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    };
    touch(system, QStringLiteral("en_US.dic"));
    touch(system, QStringLiteral("en_US.aff"));
    touch(system, QStringLiteral("de_DE_frami.dic"));
    touch(system, QStringLiteral("de_DE_frami.aff"));
    touch(system, QStringLiteral("fr_FR.dic")); // no .aff: unusable
    touch(system, QStringLiteral("xx_YY.dic"));
    touch(system, QStringLiteral("xx_YY.aff"));
    touch(user, QStringLiteral("en_US.dic")); // the user's own copy wins
    touch(user, QStringLiteral("en_US.aff"));

    const auto found = SpellDictionaries::installed({user.path(), system.path()});
    QStringList titles, codes;
    for (const auto& dictionary : found) {
        titles << dictionary.title;
        codes << dictionary.code;
    }
    QCOMPARE(codes.size(), 3);
    QVERIFY(titles.contains(QStringLiteral("English (United States)")));
    QVERIFY(titles.contains(QStringLiteral("German (Germany, frami)")));
    QVERIFY(titles.contains(QStringLiteral("xx_YY")));
    QVERIFY(!codes.contains(QStringLiteral("fr_FR")));
    for (const auto& dictionary : found) {
        if (dictionary.code == QLatin1String("en_US"))
            QVERIFY(dictionary.path.startsWith(user.path()));
    }
    QVERIFY(std::is_sorted(titles.begin(), titles.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }));
    QVERIFY(SpellDictionaries::installed({QStringLiteral("/nonexistent")}).isEmpty());
}

void tst_PreferenceLists::aBlogsLanguageChoosesItsDictionary_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("chosen");
    const auto row = [](const char* name, const QStringList& codes, const char* language,
                        const char* system, const char* chosen) {
        QTest::newRow(name) << codes << QString::fromUtf8(language) << QString::fromUtf8(system)
                            << QString::fromUtf8(chosen);
    };
    const QStringList three{"de_DE", "en_US", "fr_FR"};
    row("by title", three, "French (France)", "de_DE", "fr_FR");
    row("by code", three, "fr_FR", "de_DE", "fr_FR");
    row("unset: the system's", three, "", "de_DE", "de_DE");
    row("not installed: the system's", three, "Dutch", "de_DE", "de_DE");
    row("then American English", three, "Dutch", "C", "en_US");
    // The first as the list offers them: by language name.
    row("then the first", {"de_DE", "fr_FR"}, "", "C", "fr_FR");
    row("none installed", {}, "fr_FR", "fr_FR", "");
}

void tst_PreferenceLists::aBlogsLanguageChoosesItsDictionary()
{
    QFETCH(QStringList, codes);
    QFETCH(QString, language);
    QFETCH(QString, system);
    QFETCH(QString, chosen);
    QTemporaryDir folder;
    for (const QString& code : codes) {
        for (const char* suffix : {".dic", ".aff"}) {
            QFile file(folder.filePath(code + QLatin1String(suffix)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    const auto dictionary = SpellDictionaries::dictionaryFor(
        language, SpellDictionaries::installed({folder.path()}), system);
    QCOMPARE(dictionary ? dictionary->code : QString(), chosen);
}

void tst_PreferenceLists::defaultPingsGoInFront()
{
    Blog blog;
    QVariantList existing{
        QVariant::fromValue(ArchivableRef(Ping::pingWithTitle("mine", "http://mine.test/")))};
    blog.setPingUrls(existing);
    DefaultPings::addTo(blog);
    DefaultPings::addTo(blog); // duplicates are kept
    const QVariantList pings = blog.pingUrls();
    QCOMPARE(pings.size(), 9);
    QStringList titles;
    for (const QVariant& value : pings) {
        const auto ping = std::dynamic_pointer_cast<Ping>(value.value<ArchivableRef>());
        QVERIFY(ping);
        QVERIFY(ping->address().startsWith(QLatin1String("http")));
        // Each default service is titled by its own domain.
        if (titles.size() < 4)
            QCOMPARE(ping->title(), QUrl(ping->address()).host());
        titles << ping->title();
    }
    QCOMPARE(titles.mid(0, 4), titles.mid(4, 4));
    QCOMPARE(titles.last(), QStringLiteral("mine"));
}

QTEST_GUILESS_MAIN(tst_PreferenceLists)
#include "tst_preferencelists.moc"
