#include "ProgressText.h"

#include <QTest>

class tst_ProgressText : public QObject {
    Q_OBJECT
private slots:
    void subStatus_data();
    void subStatus();
};

void tst_ProgressText::subStatus_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("fileLength");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("estimate");
    QTest::addColumn<QString>("expected");

    const QString dash = QString(QChar(0x2014));
    QTest::newRow("half of ten megabytes")
        << qint64(5242880) << qint64(10485760) << 102400.0 << 51.2
        << "5.0Mb of 10.0Mb (100Kb/s) " + dash + " 51 seconds left";
    QTest::newRow("unknown length")
        << qint64(2048) << qint64(0) << 0.0 << 0.0 << QStringLiteral("2.0Kb of ?Mb");
    QTest::newRow("under a second reads as one") << qint64(1024) << qint64(4096) << 0.0 << 0.4
                                                 << "1.0Kb of 4.0Kb " + dash + " 1 second left";
    QTest::newRow("ninety seconds") << qint64(1024) << qint64(4096) << 0.0 << 90.0
                                    << "1.0Kb of 4.0Kb " + dash + " 1 minute left";
    QTest::newRow("two hours") << qint64(1024) << qint64(4096) << 0.0 << 7200.0
                               << "1.0Kb of 4.0Kb " + dash + " 2 hours left";
    QTest::newRow("sixty hours shows no time")
        << qint64(1024) << qint64(4096) << 0.0 << 216000.0 << QStringLiteral("1.0Kb of 4.0Kb");
    QTest::newRow("slow rate keeps two decimals") << qint64(1024) << qint64(4096) << 512.0 << 0.0
                                                  << QStringLiteral("1.0Kb of 4.0Kb (0.50Kb/s)");
    QTest::newRow("faster rate has none") << qint64(1024) << qint64(4096) << 2048.0 << 0.0
                                          << QStringLiteral("1.0Kb of 4.0Kb (2Kb/s)");
    QTest::newRow("gigabytes") << qint64(3) * 1024 * 1024 * 1024 << qint64(4) * 1024 * 1024 * 1024
                               << 0.0 << 0.0 << QStringLiteral("3.00Gb of 4.00Gb");
    QTest::newRow("a few bytes") << qint64(512) << qint64(512) << 0.0 << 0.0
                                 << QStringLiteral("0.5Kb of ?Mb");
}

void tst_ProgressText::subStatus()
{
    QFETCH(qint64, received);
    QFETCH(qint64, fileLength);
    QFETCH(double, rate);
    QFETCH(double, estimate);
    QFETCH(QString, expected);
    QCOMPARE(ProgressText::subStatus(received, fileLength, rate, estimate), expected);
}

QTEST_GUILESS_MAIN(tst_ProgressText)
#include "tst_progresstext.moc"
