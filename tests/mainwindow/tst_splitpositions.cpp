#include "SplitPositions.h"

#include <QTest>

class tst_SplitPositions : public QObject {
    Q_OBJECT
private slots:
    void restore_data();
    void restore();
    void formatWritesZeroForACollapsedPreview();
    void formatReadsBack();
};

void tst_SplitPositions::restore_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<double>("total");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("bottom");

    // divider 3 throughout
    QTest::newRow("fits") << "200.000000 150.000000" << 353.0 << true << 200.0 << 150.0;
    QTest::newRow("list too low") << "5 300" << 308.0 << false << 0.0 << 0.0;
    QTest::newRow("preview too high") << "200 1200" << 1403.0 << false << 0.0 << 0.0;
    QTest::newRow("list too high") << "1001 10" << 1014.0 << false << 0.0 << 0.0;
    QTest::newRow("negative preview") << "200 -1" << 202.0 << false << 0.0 << 0.0;
    QTest::newRow("other height: list takes the rest")
        << "200 150" << 600.0 << true << 447.0 << 150.0;
    QTest::newRow("collapsed preview") << "300 0" << 500.0 << true << 497.0 << 0.0;
    QTest::newRow("one number") << "200" << 353.0 << false << 0.0 << 0.0;
    QTest::newRow("words") << "tall short" << 353.0 << false << 0.0 << 0.0;
    QTest::newRow("empty") << "" << 353.0 << false << 0.0 << 0.0;
}

void tst_SplitPositions::restore()
{
    QFETCH(QString, saved);
    QFETCH(double, total);
    QFETCH(bool, applied);
    QFETCH(double, top);
    QFETCH(double, bottom);
    const auto heights = SplitPositions::restore(saved, total, 3);
    QCOMPARE(heights.has_value(), applied);
    if (applied)
        QCOMPARE(*heights, (SplitPositions::Heights{top, bottom}));
}

void tst_SplitPositions::formatWritesZeroForACollapsedPreview()
{
    QCOMPARE(SplitPositions::format({420, 180}, true), QStringLiteral("420.000000 0.000000"));
    QCOMPARE(SplitPositions::format({420, 180.5}, false), QStringLiteral("420.000000 180.500000"));
}

void tst_SplitPositions::formatReadsBack()
{
    const QString saved = SplitPositions::format({321.25, 200}, false);
    QCOMPARE(SplitPositions::restore(saved, 524.25, 3), (SplitPositions::Heights{321.25, 200}));
}

QTEST_GUILESS_MAIN(tst_SplitPositions)
#include "tst_splitpositions.moc"
