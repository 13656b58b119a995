#include "DisplayStrings.h"

#include <QTest>

class tst_DisplayStrings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fileSize_data();
    void fileSize();
    void fileSizeUsesLocaleDecimalPoint();
    void dateString_data();
    void dateString();
    void relativeDateString_data();
    void relativeDateString();
    void relativeDateComparesLocalDays();
    void invalidDateGivesEmptyText();
    void simpleSort_data();
    void simpleSort();
};

void tst_DisplayStrings::initTestCase()
{
    // Local time far from UTC, so the local day and the UTC day differ for part of the day.
    qputenv("TZ", "PLT-13");
}

void tst_DisplayStrings::fileSize_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << quint64(0) << "0 bytes";
    QTest::newRow("one") << quint64(1) << "1 bytes";
    QTest::newRow("below a kilobyte") << quint64(1023) << "1023 bytes";
    QTest::newRow("one kilobyte") << quint64(1024) << "1.0 Kb";
    QTest::newRow("half a tenth short") << quint64(1126) << "1.0 Kb";
    QTest::newRow("a kilobyte and a half") << quint64(1536) << "1.5 Kb";
    QTest::newRow("exact tenth") << quint64(1024 + 103) << "1.1 Kb";
    QTest::newRow("just below a megabyte") << quint64(1048575) << "1023.9 Kb";
    QTest::newRow("one megabyte") << (quint64(1) << 20) << "1.0 Mb";
    QTest::newRow("megabytes and a half") << (quint64(5) << 20) + (quint64(1) << 19) << "5.5 Mb";
    QTest::newRow("just below a gigabyte") << (quint64(1) << 30) - 1 << "1023.9 Mb";
    QTest::newRow("one gigabyte") << (quint64(1) << 30) << "1.0 Gb";
    QTest::newRow("terabytes stay in gigabytes") << (quint64(3) << 40) << "3072.0 Gb";
    QTest::newRow("largest count") << ~quint64(0) << "17179869183.9 Gb";
}

void tst_DisplayStrings::fileSize()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(cutils::stringForFileSize(bytes, QLocale::c()), text);
}

void tst_DisplayStrings::fileSizeUsesLocaleDecimalPoint()
{
    QCOMPARE(cutils::stringForFileSize(1536, QLocale(QLocale::German, QLocale::Germany)),
             QStringLiteral("1,5 Kb"));
    // No group separators: a byte count reads the same everywhere.
    QCOMPARE(cutils::stringForFileSize(1048575, QLocale(QLocale::English, QLocale::UnitedStates)),
             QStringLiteral("1023.9 Kb"));
}

void tst_DisplayStrings::dateString_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("withSeconds");
    QTest::addColumn<QString>("text");
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale danish(QLocale::Danish, QLocale::Denmark);
    QTest::newRow("us") << us << false << "3/4/26, 5:06 PM";
    QTest::newRow("us with seconds") << us << true << "3/4/26, 5:06:07 PM";
    QTest::newRow("german") << german << false << "04.03.26, 17:06";
    QTest::newRow("german with seconds") << german << true << "04.03.26, 17:06:07";
    QTest::newRow("dotted time keeps its separator") << danish << true << "04.03.2026, 17.06.07";
    QTest::newRow("c locale drops seconds") << QLocale::c() << false << "4 Mar 2026, 17:06";
    QTest::newRow("c locale keeps seconds") << QLocale::c() << true << "4 Mar 2026, 17:06:07";
}

void tst_DisplayStrings::dateString()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, withSeconds);
    QFETCH(QString, text);
    const QDateTime date(QDate(2026, 3, 4), QTime(17, 6, 7));
    QCOMPARE(cutils::commonDateString(date, withSeconds, locale), text);
}

void tst_DisplayStrings::relativeDateString_data()
{
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("text");
    const QDate today(2026, 3, 4);
    QTest::newRow("yesterday") << QDateTime(today.addDays(-1), QTime(23, 59, 30))
                               << "Yesterday, 11:59 PM";
    QTest::newRow("today") << QDateTime(today, QTime(0, 0)) << "Today, 12:00 AM";
    QTest::newRow("tomorrow") << QDateTime(today.addDays(1), QTime(8, 5, 59))
                              << "Tomorrow, 8:05 AM";
    QTest::newRow("two days ago") << QDateTime(today.addDays(-2), QTime(8, 5)) << "3/2/26, 8:05 AM";
    QTest::newRow("a year ago today")
        << QDateTime(today.addYears(-1), QTime(8, 5)) << "3/4/25, 8:05 AM";
}

void tst_DisplayStrings::relativeDateString()
{
    QFETCH(QDateTime, date);
    QFETCH(QString, text);
    const QDateTime now(QDate(2026, 3, 4), QTime(12, 0));
    QCOMPARE(cutils::commonDateStringWithRelative(
                 date, QLocale(QLocale::English, QLocale::UnitedStates), now),
             text);
}

void tst_DisplayStrings::relativeDateComparesLocalDays()
{
    // 00:45 local time on the 4th is still the 3rd in UTC; the day is counted in local time.
    const QDateTime now(QDate(2026, 3, 4), QTime(14, 0));
    const QDateTime earlyToday = QDateTime(QDate(2026, 3, 4), QTime(0, 45)).toUTC();
    QCOMPARE(earlyToday.date(), QDate(2026, 3, 3));
    QCOMPARE(cutils::commonDateStringWithRelative(
                 earlyToday, QLocale(QLocale::English, QLocale::UnitedStates), now.toUTC()),
             QStringLiteral("Today, 12:45 AM"));
}

void tst_DisplayStrings::invalidDateGivesEmptyText()
{
    QVERIFY(cutils::commonDateString(QDateTime(), true).isEmpty());
    QVERIFY(cutils::commonDateStringWithRelative(QDateTime()).isEmpty());
}

void tst_DisplayStrings::simpleSort_data()
{
    QTest::addColumn<QVariant>("a");
    QTest::addColumn<QVariant>("b");
    QTest::addColumn<int>("order");
    QTest::newRow("ignores case") << QVariant("apple") << QVariant("APPLE") << 0;
    QTest::newRow("before") << QVariant("Apple") << QVariant("banana") << -1;
    QTest::newRow("after") << QVariant("banana") << QVariant("Apple") << 1;
    QTest::newRow("number and string") << QVariant(1) << QVariant("a") << 0;
    QTest::newRow("two numbers") << QVariant(1) << QVariant(2) << 0;
}

void tst_DisplayStrings::simpleSort()
{
    QFETCH(QVariant, a);
    QFETCH(QVariant, b);
    QFETCH(int, order);
    QCOMPARE(cutils::simpleSort(a, b), order);
}

QTEST_GUILESS_MAIN(tst_DisplayStrings)
#include "tst_displaystrings.moc"
