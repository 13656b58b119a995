#include "Blog.h"
#include "Entry.h"
#include "EntryListModel.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

// The entries of the selected blogs, followed row by row: a new or removed
// entry is one inserted or removed row, so selections stay; a changed entry
// is a changed row; the keys arranging reads follow the entry's changes.
class tst_EntryListModel : public QObject {
    Q_OBJECT
private slots:
    void followsTheBlogsRowByRow();
    void selectionSurvivesNewAndRemovedEntries();
    void changedEntriesAreChangedRows();
    void arrangingKeysFollowTheEntry();
    void aBlogThatGoesLeavesTheList();
    void switchTooltipsFollowTheEntry_data();
    void switchTooltipsFollowTheEntry();

private:
    static EntryPtr add(Blog& blog, const QString& title);
};

EntryPtr tst_EntryListModel::add(Blog& blog, const QString& title)
{
    EntryPtr entry = Entry::create();
    entry->setTitle(title);
    blog.addEntry(entry);
    return entry;
}

void tst_EntryListModel::followsTheBlogsRowByRow()
{
    Blog first, second;
    add(first, QStringLiteral("a1"));
    add(second, QStringLiteral("b1"));
    EntryListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setBlogs({&first, &second});
    QCOMPARE(model.rowCount(), 2);

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    // The first blog's new entries come before the second blog's.
    first.addEntries({Entry::create(), Entry::create()});
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.last().at(1).toInt(), 1);
    QCOMPARE(inserted.last().at(2).toInt(), 2);
    EntryPtr b2 = add(second, QStringLiteral("b2"));
    QCOMPARE(inserted.last().at(1).toInt(), 4);
    QCOMPARE(model.entryAt(4), b2.get());
    QCOMPARE(model.rowOf(b2.get()), 4);

    first.removeEntry(model.entryAt(0));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.last().at(1).toInt(), 0);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.entryAt(3), b2.get());
    // Several at once, in runs.
    second.removeEntries(second.entries());
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(reset.count(), 0);

    // A new list is a reset.
    second.setEntries({Entry::create()});
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(!model.entryAt(3));
    QVERIFY(!model.entryAt(-1));
}

void tst_EntryListModel::selectionSurvivesNewAndRemovedEntries()
{
    Blog blog;
    EntryPtr a = add(blog, QStringLiteral("a"));
    EntryPtr b = add(blog, QStringLiteral("b"));
    EntryPtr c = add(blog, QStringLiteral("c"));
    EntryListModel model;
    model.setBlogs({&blog});
    QItemSelectionModel selection(&model);
    selection.select(model.index(model.rowOf(b.get()), 0),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    add(blog, QStringLiteral("d"));
    blog.removeEntry(a.get());
    const QModelIndexList rows = selection.selectedRows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(model.entryAt(rows.first().row()), b.get());
}

void tst_EntryListModel::changedEntriesAreChangedRows()
{
    Blog blog;
    add(blog, QStringLiteral("a"));
    EntryPtr b = add(blog, QStringLiteral("b"));
    EntryListModel model;
    model.setBlogs({&blog});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    b->setTitle(QStringLiteral("renamed"));
    QVERIFY(changed.count() >= 1);
    for (const QList<QVariant>& change : std::as_const(changed))
        QCOMPARE(change.at(0).toModelIndex().row(), 1);
    const qsizetype changes = changed.count();
    QCOMPARE(model.data(model.index(1, EntryListModel::TitleColumn)).toString(),
             QStringLiteral("renamed"));
    // An entry that left is no longer followed.
    blog.removeEntry(b.get());
    b->setTitle(QStringLiteral("gone"));
    QCOMPARE(changed.count(), changes);
}

void tst_EntryListModel::arrangingKeysFollowTheEntry()
{
    Blog blog;
    EntryPtr entry = add(blog, QStringLiteral("Post 9"));
    entry->setBody(QStringLiteral("<p>Some BODY</p>"));
    EntryListModel model;
    model.setBlogs({&blog});
    QCOMPARE(model.searchTextsAt(0).title, QStringLiteral("post 9"));
    QCOMPARE(model.searchTextsAt(0).body, QStringLiteral("<p>some body</p>"));
    const QCollatorSortKey before = model.titleKeyAt(0);
    entry->setTitle(QStringLiteral("Post 10"));
    QCOMPARE(model.searchTextsAt(0).title, QStringLiteral("post 10"));
    // Numbers by value: 9 before 10.
    QVERIFY(before.compare(model.titleKeyAt(0)) < 0);
    QVERIFY(model.searchTextsAt(5).title.isEmpty());
}

void tst_EntryListModel::aBlogThatGoesLeavesTheList()
{
    Blog kept;
    add(kept, QStringLiteral("kept"));
    auto going = std::make_unique<Blog>();
    add(*going, QStringLiteral("going"));
    EntryListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setBlogs({&kept, going.get()});
    QCOMPARE(model.rowCount(), 2);
    going.reset();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.blogs(), QList<Blog*>{&kept});
}

void tst_EntryListModel::switchTooltipsFollowTheEntry_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("off");
    QTest::addColumn<QString>("on");
    QTest::newRow("comments") << EntryListModel::CommentTooltipRole << "Click to allow comments"
                              << "Click to disable comments";
    QTest::newRow("trackbacks") << EntryListModel::TrackbackTooltipRole
                                << "Click to allow trackbacks"
                                << "Click to disable trackbacks";
    QTest::newRow("draft") << EntryListModel::DraftTooltipRole << "Draft will be published on blog"
                           << "Draft will be stored as draft on server";
    QTest::newRow("notify") << EntryListModel::NotifyTooltipRole
                            << "Notifications will not be sent on publish"
                            << "Notifications will be sent on publish";
}

void tst_EntryListModel::switchTooltipsFollowTheEntry()
{
    QFETCH(int, role);
    QFETCH(QString, off);
    QFETCH(QString, on);
    Blog blog;
    // Unset on the entry, each switch shows the blog's setting.
    blog.setOption(QStringLiteral("commentOption"), false);
    blog.setOption(QStringLiteral("publishOption"), true);
    EntryPtr entry = add(blog, QStringLiteral("post"));
    EntryListModel model;
    model.setBlogs({&blog});
    const QModelIndex row = model.index(0, EntryListModel::TitleColumn);
    QCOMPARE(model.data(row, role).toString(), off);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    switch (role) {
    case EntryListModel::CommentTooltipRole:
        entry->setCommentOption(QStringLiteral("1")); // a number as text
        break;
    case EntryListModel::TrackbackTooltipRole:
        entry->setTrackbackOption(2.0);
        break;
    case EntryListModel::DraftTooltipRole:
        entry->setDraftOrPublish(true);
        break;
    default:
        entry->setNotifyOption(true);
        break;
    }
    QVERIFY(!changed.isEmpty()); // views ask again
    QCOMPARE(model.data(row, role).toString(), on);
    // The title column's own tool tip stays the title.
    QCOMPARE(model.data(row, Qt::ToolTipRole).toString(), QStringLiteral("post"));
}

QTEST_MAIN(tst_EntryListModel)
#include "tst_entrylistmodel.moc"
