#include "Account.h"
#include "AccountList.h"
#include "AccountOutlineModel.h"
#include "Blog.h"
#include "DraftItemDrop.h"
#include "Entry.h"
#include "RVAccountCell.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

class tst_AccountOutlineModel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void twoLevels();
    void followsTheListAndItsRecords();
    void busyAccountsShowThePicture();
    void accountDropIndex_data();
    void accountDropIndex();
    void draggingTheFirstOfThreeAccountsAfterTheLast();
    void onlyAccountsDrag();
    void draftItemDropRules();
    void dropMovesEntriesAndReports();
    void refusalForEntriesInFlightIsExplained();

private:
    std::shared_ptr<Account> addAccount(const QString& title, int blogs);

    std::unique_ptr<AccountList> m_list;
    std::unique_ptr<AccountOutlineModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

std::shared_ptr<Account> tst_AccountOutlineModel::addAccount(const QString& title, int blogs)
{
    auto account = Account::create();
    account->setTitle(title);
    for (int i = 0; i < blogs; ++i) {
        auto blog = std::make_shared<Blog>();
        blog->setUniqueID(QStringLiteral("%1-%2").arg(title).arg(i));
        blog->setTitle(QStringLiteral("%1 blog %2").arg(title).arg(i));
        account->addBlog(blog);
    }
    m_list->insertAccount(account, -1);
    return account;
}

void tst_AccountOutlineModel::init()
{
    m_list = std::make_unique<AccountList>();
    m_model = std::make_unique<AccountOutlineModel>(*m_list);
    m_tester = std::make_unique<QAbstractItemModelTester>(
        m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void tst_AccountOutlineModel::cleanup()
{
    m_tester.reset();
    m_model.reset();
    m_list.reset();
}

void tst_AccountOutlineModel::twoLevels()
{
    auto first = addAccount(QStringLiteral("First"), 3);
    auto empty = addAccount(QStringLiteral("Empty"), 0);
    QCOMPARE(m_model->rowCount(), 2);
    const QModelIndex a = m_model->index(0, 0);
    QCOMPARE(m_model->rowCount(a), 3);
    QCOMPARE(a.data().toString(), QStringLiteral("First"));
    QCOMPARE(m_model->index(2, 0, a).data().toString(), QStringLiteral("First blog 2"));
    QCOMPARE(m_model->blogAt(m_model->index(1, 0, a)), first->blogs()[1].get());
    QCOMPARE(m_model->owningAccount(m_model->index(1, 0, a)), first.get());
    QCOMPARE(m_model->indexOf(first->blogs()[2].get()), m_model->index(2, 0, a));
    QCOMPARE(m_model->indexOf(empty.get()), m_model->index(1, 0));
    // Every account can open, also one without blogs; blogs never.
    QVERIFY(m_model->hasChildren(m_model->index(1, 0)));
    QVERIFY(!m_model->hasChildren(m_model->index(0, 0, a)));
    QCOMPARE(m_model->index(0, 0).data(Qt::SizeHintRole).toSize().height(), 18);
}

void tst_AccountOutlineModel::followsTheListAndItsRecords()
{
    auto account = addAccount(QStringLiteral("One"), 1);
    QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
    account->setTitle(QStringLiteral("Renamed"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(m_model->index(0, 0).data().toString(), QStringLiteral("Renamed"));
    account->blogs().first()->setTitle(QStringLiteral("New name"));
    QCOMPARE(m_model->index(0, 0, m_model->index(0, 0)).data().toString(),
             QStringLiteral("New name"));

    QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
    auto blog = std::make_shared<Blog>();
    blog->setTitle(QStringLiteral("Second"));
    account->addBlog(blog);
    QVERIFY(reset.size() >= 1);
    QCOMPARE(m_model->rowCount(m_model->index(0, 0)), 2);
    m_list->removeAccount(account.get());
    QCOMPARE(m_model->rowCount(), 0);
}

void tst_AccountOutlineModel::busyAccountsShowThePicture()
{
    auto account = addAccount(QStringLiteral("Busy"), 1);
    QPixmap frame(16, 16);
    frame.fill(Qt::red);
    m_model->setBusyPicture(frame);
    const QModelIndex at = m_model->index(0, 0);
    QVERIFY(!at.data(RVAccountCell::ProgressImageRole).isValid());
    account->setIsCritical(true);
    QCOMPARE(at.data(RVAccountCell::ProgressImageRole).value<QPixmap>().size(), QSize(16, 16));
    account->setIsCritical(false);
    QVERIFY(!at.data(RVAccountCell::ProgressImageRole).isValid());
}

void tst_AccountOutlineModel::accountDropIndex_data()
{
    QTest::addColumn<bool>("onRoot");
    QTest::addColumn<bool>("onAccount");
    QTest::addColumn<int>("accountRow");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("expected"); // -1: refused
    QTest::newRow("first after the last") << true << false << -1 << 3 << 0 << 2;
    QTest::newRow("last to the top") << true << false << -1 << 0 << 2 << 0;
    QTest::newRow("below everything") << true << false << -1 << -1 << 0 << 2;
    QTest::newRow("on an account: its place") << false << true << 1 << -1 << 2 << 1;
    QTest::newRow("among an account's blogs: its place") << false << true << 2 << 1 << 0 << 1;
    QTest::newRow("just below itself: stays") << true << false << -1 << 2 << 1 << 1;
    QTest::newRow("on a blog") << false << false << -1 << -1 << 0 << -1;
}

void tst_AccountOutlineModel::accountDropIndex()
{
    QFETCH(bool, onRoot);
    QFETCH(bool, onAccount);
    QFETCH(int, accountRow);
    QFETCH(int, row);
    QFETCH(int, from);
    QFETCH(int, expected);
    const auto to =
        AccountOutlineModel::accountDropIndex(onRoot, onAccount, accountRow, row, 3, from);
    QCOMPARE(to.value_or(-1), expected);
}

void tst_AccountOutlineModel::draggingTheFirstOfThreeAccountsAfterTheLast()
{
    auto a = addAccount(QStringLiteral("A"), 1);
    auto b = addAccount(QStringLiteral("B"), 1);
    auto c = addAccount(QStringLiteral("C"), 1);
    std::unique_ptr<QMimeData> data(m_model->mimeData({m_model->index(0, 0)}));
    QVERIFY(data);
    QSignalSpy moved(m_model.get(), &AccountOutlineModel::accountMoved);
    // Reported as not taken, so the dragged row slides back; the order changed.
    QVERIFY(!m_model->dropMimeData(data.get(), Qt::MoveAction, 3, 0, {}));
    QCOMPARE(moved.size(), 1);
    QCOMPARE(m_list->accounts(), (QList<AccountPtr>{b, c, a}));
    // On a blog: refused, nothing moves.
    std::unique_ptr<QMimeData> again(m_model->mimeData({m_model->index(0, 0)}));
    const QModelIndex blogRow = m_model->index(0, 0, m_model->index(1, 0));
    QVERIFY(!m_model->canDropMimeData(again.get(), Qt::MoveAction, -1, 0, blogRow));
    QVERIFY(!m_model->dropMimeData(again.get(), Qt::MoveAction, -1, 0, blogRow));
    QCOMPARE(m_list->accounts(), (QList<AccountPtr>{b, c, a}));
}

void tst_AccountOutlineModel::onlyAccountsDrag()
{
    addAccount(QStringLiteral("A"), 1);
    QVERIFY(!m_model->mimeData({m_model->index(0, 0, m_model->index(0, 0))}));
    QVERIFY(!(m_model->flags(m_model->index(0, 0, m_model->index(0, 0))) & Qt::ItemIsDragEnabled));
    QVERIFY(m_model->flags(m_model->index(0, 0)) & Qt::ItemIsDragEnabled);
}

void tst_AccountOutlineModel::draftItemDropRules()
{
    auto account = addAccount(QStringLiteral("A"), 2);
    auto other = addAccount(QStringLiteral("B"), 1);
    EntryPtr entry = Entry::create();
    account->blogs()[0]->addEntry(entry);
    EntryPtr elsewhere = Entry::create();
    other->blogs()[0]->addEntry(elsewhere);

    const QModelIndex accountRow = m_model->index(0, 0);
    const QModelIndex target = m_model->index(1, 0, accountRow);
    std::unique_ptr<QMimeData> data(DraftItemDrop::mimeDataFor({entry.get()}));
    QVERIFY(m_model->canDropMimeData(data.get(), Qt::CopyAction, -1, 0, target));
    // Not on an account, not between rows.
    QVERIFY(!m_model->canDropMimeData(data.get(), Qt::CopyAction, -1, 0, accountRow));
    QVERIFY(!m_model->canDropMimeData(data.get(), Qt::CopyAction, 1, 0, accountRow));
    QVERIFY(!m_model->canDropMimeData(data.get(), Qt::CopyAction, 0, 0, {}));
    // Entries of two accounts are refused.
    std::unique_ptr<QMimeData> mixed(DraftItemDrop::mimeDataFor({entry.get(), elsewhere.get()}));
    QVERIFY(!m_model->canDropMimeData(mixed.get(), Qt::CopyAction, -1, 0, target));
    // An entry being published is refused alone.
    entry->setBeingPublished(true);
    QVERIFY(!m_model->canDropMimeData(data.get(), Qt::CopyAction, -1, 0, target));
}

void tst_AccountOutlineModel::dropMovesEntriesAndReports()
{
    auto account = addAccount(QStringLiteral("A"), 2);
    Blog* source = account->blogs()[0].get();
    Blog* target = account->blogs()[1].get();
    EntryPtr moving = Entry::create();
    moving->setTitle(QStringLiteral("Moving"));
    source->addEntry(moving);
    EntryPtr busy = Entry::create();
    busy->setTitle(QStringLiteral("Busy"));
    source->addEntry(busy);
    busy->addFlag(Entry::BeingDeleted);

    QSignalSpy dropped(m_model.get(), &AccountOutlineModel::entriesDropped);
    std::unique_ptr<QMimeData> data(DraftItemDrop::mimeDataFor({moving.get(), busy.get()}));
    QVERIFY(m_model->dropMimeData(data.get(), Qt::CopyAction, -1, 0, m_model->indexOf(target)));
    QCOMPARE(dropped.size(), 1);
    const auto report = dropped.first().at(1).value<DraftItemDrop::Report>();
    QCOMPARE(report.moved, 1);
    QCOMPARE(report.busy, QStringList{QStringLiteral("Busy")});
    QVERIFY(target->hasEntryWithID(moving->uniqueID()));
    QVERIFY(source->hasEntryWithID(busy->uniqueID()));
}

void tst_AccountOutlineModel::refusalForEntriesInFlightIsExplained()
{
    auto account = addAccount(QStringLiteral("A"), 2);
    Blog* source = account->blogs()[0].get();
    EntryPtr publishing = Entry::create();
    publishing->setTitle(QStringLiteral("Publishing"));
    source->addEntry(publishing);
    publishing->setBeingPublished(true);
    EntryPtr free = Entry::create();
    free->setTitle(QStringLiteral("Free"));
    source->addEntry(free);
    const QModelIndex target = m_model->indexOf(account->blogs()[1].get());

    std::unique_ptr<QMimeData> busy(DraftItemDrop::mimeDataFor({publishing.get()}));
    QCOMPARE(m_model->dropRefusal(busy.get(), target),
             QStringLiteral("Not moved while being published or deleted: Publishing"));
    // Nothing to explain: a drop that moves something, one on the entries'
    // own blog, one on an account, a drag of something else.
    std::unique_ptr<QMimeData> mixed(DraftItemDrop::mimeDataFor({publishing.get(), free.get()}));
    QVERIFY(m_model->dropRefusal(mixed.get(), target).isEmpty());
    QVERIFY(m_model->dropRefusal(busy.get(), m_model->indexOf(source)).isEmpty());
    QVERIFY(m_model->dropRefusal(busy.get(), m_model->index(0, 0)).isEmpty());
    QMimeData text;
    text.setText(QStringLiteral("Publishing"));
    QVERIFY(m_model->dropRefusal(&text, target).isEmpty());
}

QTEST_MAIN(tst_AccountOutlineModel)
#include "tst_accountoutlinemodel.moc"
