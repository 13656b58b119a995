#include "AccountsReordering.h"
#include "AccountsTableController.h"

#include <QMimeData>
#include <QStringListModel>
#include <QTableView>
#include <QTest>

class tst_AccountsReordering : public QObject {
    Q_OBJECT

private slots:
    void moves_data();
    void moves();
    void tableMovesAndSelectsTheBlock();
    void onlyOwnDragsAreTaken();
    void rowsTravelAsAPropertyList();
};

void tst_AccountsReordering::moves_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("blockStart");
    QTest::newRow("two rows down to the end") << QList<int>{1, 2} << 5 << "ADEBC" << 3;
    QTest::newRow("last row to the top") << QList<int>{4} << 0 << "EABCD" << 0;
    QTest::newRow("rows from both sides") << QList<int>{0, 3} << 2 << "BADCE" << 1;
    QTest::newRow("given in any order") << QList<int>{4, 0, 2} << 3 << "BACED" << 1;
    QTest::newRow("onto itself") << QList<int>{2} << 2 << "ABCDE" << 2;
    QTest::newRow("just below itself") << QList<int>{2} << 3 << "ABCDE" << 2;
    QTest::newRow("all rows") << QList<int>{0, 1, 2, 3, 4} << 5 << "ABCDE" << 0;
}

void tst_AccountsReordering::moves()
{
    QFETCH(QList<int>, rows);
    QFETCH(int, target);
    QFETCH(QString, after);
    QFETCH(int, blockStart);
    QList<QChar> list{'A', 'B', 'C', 'D', 'E'};
    AccountsReordering::apply(list, AccountsReordering::moves(rows, target));
    QCOMPARE(QString(list.constData(), list.size()), after);
    QCOMPARE(AccountsReordering::blockStart(rows, target), blockStart);
}

void tst_AccountsReordering::tableMovesAndSelectsTheBlock()
{
    QStringListModel model({"A", "B", "C", "D", "E"});
    QTableView table;
    table.setModel(&model);
    AccountsTableController controller(&table);

    QVERIFY(controller.acceptDrop({1, 2}, 5));
    QCOMPARE(model.stringList(), (QStringList{"A", "D", "E", "B", "C"}));
    QModelIndexList selected = table.selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end());
    QCOMPARE(selected.size(), 2);
    QCOMPARE(selected.at(0).row(), 3);
    QCOMPARE(selected.at(1).row(), 4);

    QVERIFY(controller.acceptDrop({4}, -3)); // a negative row counts as 0
    QCOMPARE(model.stringList(), (QStringList{"C", "A", "D", "E", "B"}));
    QCOMPARE(table.selectionModel()->selectedRows().size(), 1);
    QCOMPARE(table.selectionModel()->selectedRows().first().row(), 0);

    QVERIFY(!controller.acceptDrop({7}, 0)); // no such row: nothing moves
    QCOMPARE(model.stringList(), (QStringList{"C", "A", "D", "E", "B"}));
}

void tst_AccountsReordering::onlyOwnDragsAreTaken()
{
    QStringListModel model({"A", "B"});
    QTableView table;
    QTableView other;
    table.setModel(&model);
    AccountsTableController controller(&table);
    std::unique_ptr<QMimeData> rows(AccountsTableController::mimeDataForRows({0}));
    QVERIFY(controller.acceptsDrag(rows.get(), &table));
    QVERIFY(!controller.acceptsDrag(rows.get(), &other));
    QVERIFY(!controller.acceptsDrag(rows.get(), nullptr)); // from another program
    QMimeData text;
    text.setText(QStringLiteral("0"));
    QVERIFY(!controller.acceptsDrag(&text, &table));

    // A drop from elsewhere reaches the table and is refused there.
    table.resize(200, 200);
    QDropEvent drop(QPointF(5, 5), Qt::MoveAction, rows.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(table.viewport(), &drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(model.stringList(), (QStringList{"A", "B"}));
}

void tst_AccountsReordering::rowsTravelAsAPropertyList()
{
    std::unique_ptr<QMimeData> data(AccountsTableController::mimeDataForRows({3, 1}));
    QVERIFY(data->data(AccountsTableController::mimeType).startsWith("<?xml"));
    QCOMPARE(AccountsTableController::rowsFromMimeData(data.get()), (QList<int>{3, 1}));
    QMimeData broken;
    broken.setData(AccountsTableController::mimeType, "not a list");
    QVERIFY(AccountsTableController::rowsFromMimeData(&broken).isEmpty());
}

QTEST_MAIN(tst_AccountsReordering)
#include "tst_accountsreordering.moc"
