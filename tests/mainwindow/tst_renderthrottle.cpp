#include "ManualClock.h"
#include "RenderThrottle.h"

#include <QTest>

// Following edits with renders: at most one per interval, and always one
// after the last edit, however the edits fall.
class tst_RenderThrottle : public QObject {
    Q_OBJECT
private slots:
    void atMostOneRenderPerIntervalAndOneAfterTheLast();
    void aBurstRendersOnce();
    void cancelledRendersDoNotCome();
};

void tst_RenderThrottle::atMostOneRenderPerIntervalAndOneAfterTheLast()
{
    plumet::test::ManualClock clock;
    QList<qint64> renders;
    RenderThrottle throttle([&] { renders << clock.now(); }, &clock, 2000);

    // Typing steadily for 7 s, a key every 100 ms.
    for (qint64 t = 0; t <= 7000; t += 100) {
        clock.advance(t - clock.now());
        throttle.request();
    }
    clock.advance(5000);
    QVERIFY(!renders.isEmpty());
    for (int i = 1; i < renders.size(); ++i)
        QVERIFY2(renders[i] - renders[i - 1] >= 2000, qPrintable(QString::number(renders[i])));
    // The last key (at 7 s) is shown: a render came after it.
    QVERIFY(renders.last() >= 7000);
    QCOMPARE(renders.first(), 0);
    QVERIFY(!throttle.isPending());

    // Quiet for longer than the interval: the next edit shows at once.
    const qsizetype before = renders.size();
    throttle.request();
    clock.advance(0);
    QCOMPARE(renders.size(), before + 1);
    QCOMPARE(renders.last(), clock.now());
}

void tst_RenderThrottle::aBurstRendersOnce()
{
    plumet::test::ManualClock clock;
    int renders = 0;
    RenderThrottle throttle([&] { ++renders; }, &clock);
    // One save changes several fields at once.
    for (int i = 0; i < 5; ++i)
        throttle.request();
    clock.advance(0);
    QCOMPARE(renders, 1);
    // One more edit soon after waits for the end of the interval, then shows.
    clock.advance(300);
    throttle.request();
    clock.advance(1699);
    QCOMPARE(renders, 1);
    clock.advance(1);
    QCOMPARE(renders, 2);
    clock.advance(10000);
    QCOMPARE(renders, 2);
}

void tst_RenderThrottle::cancelledRendersDoNotCome()
{
    plumet::test::ManualClock clock;
    int renders = 0;
    RenderThrottle throttle([&] { ++renders; }, &clock);
    throttle.request();
    throttle.cancel();
    clock.advance(5000);
    QCOMPARE(renders, 0);
    QCOMPARE(clock.pendingCount(), 0);
}

QTEST_MAIN(tst_RenderThrottle)
#include "tst_renderthrottle.moc"
