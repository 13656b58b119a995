#include "BusBounds.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "OutsideRequests.h"

#include <QApplication>
#include <QTest>

class tst_OutsideRequests : public QObject {
    Q_OBJECT
private slots:
    void theLaunchHoldsOnlySoManyWaiting();
};

void tst_OutsideRequests::theLaunchHoldsOnlySoManyWaiting()
{
    QStringList opened;
    QObject observer;
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::findAndOpenEntry), &observer,
        [&opened](const Notification& n) {
            opened << n.userInfo.value(QStringLiteral("entry")).toString();
        });
    OutsideRequests requests;
    // A flood before the launch has finished: the first ones wait, in order,
    // the rest are dropped.
    for (int i = 0; i < BusBounds::MaxWaitingRequests + 8; ++i)
        requests.openUrl(QStringLiteral("x-blogpost:e%1@a").arg(i));
    QVERIFY(requests.hasWaiting());
    QVERIFY(opened.isEmpty());
    requests.startHandling();
    QCOMPARE(opened.size(), BusBounds::MaxWaitingRequests);
    QCOMPARE(opened.first(), QStringLiteral("e0"));
    QCOMPARE(opened.last(), QStringLiteral("e%1").arg(BusBounds::MaxWaitingRequests - 1));
    QVERIFY(!requests.hasWaiting());

    // So do big texts, by the characters they hold.
    OutsideRequests later;
    const QString text(BusBounds::MaxTextLength, u't');
    for (qsizetype i = 0; i < BusBounds::MaxWaitingCharacters / BusBounds::MaxTextLength; ++i)
        later.newDraftWithText(text);
    later.openUrl(QStringLiteral("x-blogpost:over@a"));
    later.startHandling();
    QCOMPARE(opened.size(), BusBounds::MaxWaitingRequests);
    // Once running, each is handled as it comes.
    later.openUrl(QStringLiteral("x-blogpost:now@a"));
    QCOMPARE(opened.last(), QStringLiteral("now"));
}

QTEST_MAIN(tst_OutsideRequests)
#include "tst_outsiderequests.moc"
