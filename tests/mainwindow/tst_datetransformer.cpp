#include "DateTransformer.h"

#include <QTest>

class tst_DateTransformer : public QObject {
    Q_OBJECT
private slots:
    void text_data();
    void text();
    void nonDatesShowNothing();
};

void tst_DateTransformer::text_data()
{
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("expected");
    const QDateTime now(QDate(2026, 3, 15), QTime(10, 30));
    QTest::newRow("today") << QDateTime(QDate(2026, 3, 15), QTime(8, 5, 42)) << "Today, 8:05 AM";
    QTest::newRow("yesterday late")
        << QDateTime(QDate(2026, 3, 14), QTime(23, 59, 59)) << "Yesterday, 11:59 PM";
    QTest::newRow("tomorrow") << QDateTime(QDate(2026, 3, 16), QTime(0, 0)) << "Tomorrow, 12:00 AM";
    QTest::newRow("two days ago") << QDateTime(QDate(2026, 3, 13), QTime(14, 1))
                                  << "3/13/26, 2:01 PM";
    QTest::newRow("across a year")
        << QDateTime(QDate(2025, 12, 31), QTime(9, 0)) << "12/31/25, 9:00 AM";
}

void tst_DateTransformer::text()
{
    QFETCH(QDateTime, date);
    QFETCH(QString, expected);
    const QDateTime now(QDate(2026, 3, 15), QTime(10, 30));
    const QString shown = DateTransformer::transformedValue(
        date, QLocale(QLocale::English, QLocale::UnitedStates), now);
    // Whatever space the locale puts before AM/PM.
    QCOMPARE(shown.simplified().replace(QChar(0x202F), QLatin1Char(' ')), expected);
}

void tst_DateTransformer::nonDatesShowNothing()
{
    QVERIFY(DateTransformer::transformedValue(QVariant()).isNull());
    QVERIFY(DateTransformer::transformedValue(QStringLiteral("2026-03-15")).isNull());
    QVERIFY(DateTransformer::transformedValue(42).isNull());
    QVERIFY(DateTransformer::transformedValue(QDateTime()).isNull());
}

QTEST_GUILESS_MAIN(tst_DateTransformer)
#include "tst_datetransformer.moc"
