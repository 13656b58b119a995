#include "Entry.h"
#include "NewDraft.h"

#include <QTest>

class tst_NewDraft : public QObject {
    Q_OBJECT
private slots:
    void flag_data();
    void flag();
    void untitledNumbersAreSharedByEveryRoad();
    void renewGivesAPreparedEntryAFreshIdentityAndNow();
};

void tst_NewDraft::flag_data()
{
    QTest::addColumn<bool>("publishOption");
    QTest::addColumn<bool>("isPage");
    QTest::addColumn<int>("flag");
    QTest::newRow("post, published at once") << true << false << 1;
    QTest::newRow("post, kept as server draft") << false << false << 3;
    QTest::newRow("page, published at once") << true << true << 17;
    QTest::newRow("page, kept as server draft") << false << true << 19;
}

void tst_NewDraft::flag()
{
    QFETCH(bool, publishOption);
    QFETCH(bool, isPage);
    QFETCH(int, flag);
    QCOMPARE(NewDraft::flagFor(publishOption, isPage), flag);
}

void tst_NewDraft::untitledNumbersAreSharedByEveryRoad()
{
    QCOMPARE(NewDraft::peekUntitledNumber(), 1);
    QCOMPARE(NewDraft::nextUntitledTitle(), QStringLiteral("Untitled 1"));
    QCOMPARE(NewDraft::nextUntitledTitle(), QStringLiteral("Untitled 2"));
    // A draft from another program in between takes the next number.
    QCOMPARE(NewDraft::nextUntitledTitle(), QStringLiteral("Untitled 3"));
    QCOMPARE(NewDraft::nextUntitledTitle(), QStringLiteral("Untitled 4"));
    QCOMPARE(NewDraft::peekUntitledNumber(), 5);
}

void tst_NewDraft::renewGivesAPreparedEntryAFreshIdentityAndNow()
{
    auto entry = Entry::create();
    entry->setUniqueID(QStringLiteral("42"));
    entry->setEntryDate(QDateTime(QDate(2001, 1, 1), QTime(12, 0)));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    NewDraft::renew(*entry);
    QVERIFY(entry->uniqueID() != QStringLiteral("42"));
    QVERIFY(
        QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(entry->uniqueID()).hasMatch());
    QVERIFY(entry->entryDate() >= before);
}

QTEST_GUILESS_MAIN(tst_NewDraft)
#include "tst_newdraft.moc"
