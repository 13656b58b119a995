#include "GradientTableView.h"
#include "ManualClock.h"
#include "RVTableView.h"

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

using plumet::test::ManualClock;

class tst_ListViewKeys : public QObject {
    Q_OBJECT

private slots:
    void returnTriggersTheDoubleActionOnlyWithRows_data();
    void returnTriggersTheDoubleActionOnlyWithRows();
    void deleteAsksForRemovalWhenSomeoneListens();
    void typeAheadCollectsAndEmpties();
    void otherKeysEmptyTheKeysAndGoOn_data();
    void otherKeysEmptyTheKeysAndGoOn();
    void deleteAndEnterGoToTheOwner();
    void noTypeAheadWithoutRowsOrListener();
};

void tst_ListViewKeys::returnTriggersTheDoubleActionOnlyWithRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("actions");
    QTest::newRow("return") << 3 << int(Qt::Key_Return) << 1;
    QTest::newRow("enter") << 3 << int(Qt::Key_Enter) << 1;
    QTest::newRow("return on an empty table") << 0 << int(Qt::Key_Return) << 0;
}

void tst_ListViewKeys::returnTriggersTheDoubleActionOnlyWithRows()
{
    QFETCH(int, rows);
    QFETCH(int, key);
    QFETCH(int, actions);
    QStandardItemModel model(rows, 1);
    GradientTableView table;
    table.setModel(&model);
    QSignalSpy doubleAction(&table, &GradientTableView::doubleAction);
    QTest::keyClick(&table, Qt::Key(key));
    QCOMPARE(doubleAction.size(), actions);
}

void tst_ListViewKeys::deleteAsksForRemovalWhenSomeoneListens()
{
    QStandardItemModel model(3, 1);
    GradientTableView table;
    table.setModel(&model);
    table.setCurrentIndex(model.index(1, 0));
    // Nobody listens: the key does nothing at all.
    QTest::keyClick(&table, Qt::Key_Delete);
    QCOMPARE(table.currentIndex().row(), 1);
    int removals = 0;
    connect(&table, &GradientTableView::removeRequested, this, [&] { ++removals; });
    QTest::keyClick(&table, Qt::Key_Backspace);
    QTest::keyClick(&table, Qt::Key_Delete);
    QCOMPARE(removals, 2);
}

void tst_ListViewKeys::typeAheadCollectsAndEmpties()
{
    ManualClock clock;
    QStandardItemModel model(5, 1);
    RVTableView table;
    table.setModel(&model);
    table.setClock(&clock);
    QStringList searched;
    connect(&table, &RVTableView::inlineSearch, this,
            [&](const QString& keys) { searched << keys; });

    QTest::keyClick(&table, Qt::Key_A, Qt::NoModifier);
    clock.advance(700); // within the pause: the string grows
    QTest::keyClick(&table, Qt::Key_B, Qt::NoModifier);
    QCOMPARE(searched, (QStringList{"a", "ab"}));
    clock.advance(749);
    QCOMPARE(searched.size(), 2);
    clock.advance(1);
    QCOMPARE(searched, (QStringList{"a", "ab", ""}));
    QCOMPARE(table.keyString(), QString());
    QCOMPARE(clock.pendingCount(), 0);
}

void tst_ListViewKeys::otherKeysEmptyTheKeysAndGoOn_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("currentRowAfter");
    QTest::newRow("space") << int(Qt::Key_Space) << 1;
    QTest::newRow("down arrow") << int(Qt::Key_Down) << 2;
}

void tst_ListViewKeys::otherKeysEmptyTheKeysAndGoOn()
{
    QFETCH(int, key);
    QFETCH(int, currentRowAfter);
    ManualClock clock;
    QStandardItemModel model(5, 1);
    RVTableView table;
    table.setModel(&model);
    table.setClock(&clock);
    table.setCurrentIndex(model.index(1, 0));
    QStringList searched;
    connect(&table, &RVTableView::inlineSearch, this,
            [&](const QString& keys) { searched << keys; });
    QTest::keyClick(&table, Qt::Key_X);
    QTest::keyClick(&table, Qt::Key(key));
    QCOMPARE(table.keyString(), QString());
    QCOMPARE(searched, QStringList{"x"}); // emptied without a word
    QCOMPARE(table.currentIndex().row(), currentRowAfter);
}

void tst_ListViewKeys::deleteAndEnterGoToTheOwner()
{
    QStandardItemModel model(2, 1);
    RVTableView table;
    table.setModel(&model);
    QSignalSpy deletes(&table, &RVTableView::deleteKeyPressed);
    QSignalSpy enters(&table, &RVTableView::enterKeyPressed);
    QTest::keyClick(&table, Qt::Key_Backspace);
    QTest::keyClick(&table, Qt::Key_Delete);
    QTest::keyClick(&table, Qt::Key_Return);
    QTest::keyClick(&table, Qt::Key_Enter);
    QCOMPARE(deletes.size(), 2);
    QCOMPARE(enters.size(), 2);
}

void tst_ListViewKeys::noTypeAheadWithoutRowsOrListener()
{
    QStandardItemModel empty(0, 1);
    RVTableView table;
    table.setModel(&empty);
    QStringList searched;
    connect(&table, &RVTableView::inlineSearch, this,
            [&](const QString& keys) { searched << keys; });
    QTest::keyClick(&table, Qt::Key_A);
    QVERIFY(searched.isEmpty());
    QCOMPARE(table.keyString(), QString());

    // Without a listener the key goes to the table, whose own search is off.
    QStandardItemModel model;
    for (const char* title : {"apple", "banana", "cherry"})
        model.appendRow(new QStandardItem(QString::fromLatin1(title)));
    RVTableView quiet;
    quiet.setModel(&model);
    quiet.setCurrentIndex(model.index(0, 0));
    QTest::keyClick(&quiet, Qt::Key_C);
    QCOMPARE(quiet.currentIndex().row(), 0);
    QCOMPARE(quiet.keyString(), QString());
}

QTEST_MAIN(tst_ListViewKeys)
#include "tst_listviewkeys.moc"
