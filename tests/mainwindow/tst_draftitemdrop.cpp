#include "Account.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "DraftItemDrop.h"
#include "Entry.h"
#include "EntryFile.h"
#include "PropertyList.h"

#include <QDir>
#include <QMimeData>
#include <QTest>

class tst_DraftItemDrop : public QObject {
    Q_OBJECT
private slots:
    void init();
    void payloadRoundTrip();
    void payloadsThatAreRefused_data();
    void payloadsThatAreRefused();
    void entriesWithARoadInFlightStayAndAreNamed();
    void oneFailedMoveLeavesTheOthersMoved();
    void droppingOnTheOwnBlogMovesNothingButCounts();
    void unknownAccountIsRefused();

private:
    EntryPtr addEntry(Blog& blog, const QString& title);
    DraftItemDrop::AccountLookup lookup()
    {
        return [this](const QString& id) {
            return id == m_account->accountID() ? m_account.get() : nullptr;
        };
    }

    std::shared_ptr<Account> m_account;
    BlogPtr m_source, m_target, m_other;
};

void tst_DraftItemDrop::init()
{
    m_account = Account::create();
    m_source = std::make_shared<Blog>();
    m_target = std::make_shared<Blog>();
    m_other = std::make_shared<Blog>();
    m_source->setUniqueID(QStringLiteral("1"));
    m_target->setUniqueID(QStringLiteral("2"));
    m_other->setUniqueID(QStringLiteral("3"));
    m_account->addBlog(m_source);
    m_account->addBlog(m_target);
    m_account->addBlog(m_other);
}

EntryPtr tst_DraftItemDrop::addEntry(Blog& blog, const QString& title)
{
    EntryPtr entry = Entry::create();
    entry->setTitle(title);
    entry->setParentBlog(&blog);
    blog.addEntry(entry);
    return entry;
}

void tst_DraftItemDrop::payloadRoundTrip()
{
    EntryPtr a = addEntry(*m_source, QStringLiteral("A"));
    EntryPtr b = addEntry(*m_source, QStringLiteral("B"));
    EntryPtr c = addEntry(*m_other, QStringLiteral("C"));
    std::unique_ptr<QMimeData> data(DraftItemDrop::mimeDataFor({a.get(), b.get(), c.get()}));
    QVERIFY(data->hasFormat(QStringLiteral("application/x-plumet-draft-item")));
    const auto items =
        DraftItemDrop::read(data->data(QString::fromLatin1(DraftItemDrop::mimeType)));
    QVERIFY(items);
    QCOMPARE(items->accountID, m_account->accountID());
    QCOMPARE(items->blogs.size(), 2);
    QCOMPARE(items->blogs[0].first, QStringLiteral("1"));
    QCOMPARE(items->blogs[0].second, QStringList({a->uniqueID(), b->uniqueID()}));
    QCOMPARE(items->blogs[1].second, QStringList({c->uniqueID()}));
}

void tst_DraftItemDrop::payloadsThatAreRefused_data()
{
    QTest::addColumn<QVariant>("payload");
    const QVariantMap oneBlog{{QStringLiteral("b"), QVariantList{QStringLiteral("e")}}};
    QTest::newRow("two accounts") << QVariant(
        QVariantMap{{QStringLiteral("a1"), oneBlog}, {QStringLiteral("a2"), oneBlog}});
    QTest::newRow("no account") << QVariant(QVariantMap{});
    QTest::newRow("an array") << QVariant(QVariantList{QStringLiteral("a1")});
    QTest::newRow("blogs not a dictionary")
        << QVariant(QVariantMap{{QStringLiteral("a1"), QStringLiteral("b")}});
    QTest::newRow("identifiers not texts") << QVariant(QVariantMap{
        {QStringLiteral("a1"), QVariantMap{{QStringLiteral("b"), QVariantList{qint64(7)}}}}});
}

void tst_DraftItemDrop::payloadsThatAreRefused()
{
    QFETCH(QVariant, payload);
    QVERIFY(!DraftItemDrop::read(PropertyList::write(payload, PropertyList::Format::Xml)));
    QVERIFY(!DraftItemDrop::read("not a property list"));
}

void tst_DraftItemDrop::entriesWithARoadInFlightStayAndAreNamed()
{
    EntryPtr free = addEntry(*m_source, QStringLiteral("Free"));
    EntryPtr publishing = addEntry(*m_source, QStringLiteral("Publishing"));
    publishing->setBeingPublished(true);
    EntryPtr deleting = addEntry(*m_source, QStringLiteral("Deleting"));
    deleting->addFlag(Entry::BeingDeleted);
    // A deletion waiting in the activity list holds its row before any flag is set.
    EntryPtr queued = addEntry(*m_source, QStringLiteral("Queued deletion"));
    QObject deleteRow;
    queued->setDeleteActivity(&deleteRow);

    const auto items = DraftItemDrop::read(
        DraftItemDrop::payloadFor({free.get(), publishing.get(), deleting.get(), queued.get()}));
    QVERIFY(DraftItemDrop::canMoveAny(*items, *m_target, lookup()));
    const auto report = DraftItemDrop::perform(*items, *m_target, lookup());
    QVERIFY(report.targetReached);
    QCOMPARE(report.moved, 1);
    QCOMPARE(report.busy, QStringList({QStringLiteral("Publishing"), QStringLiteral("Deleting"),
                                       QStringLiteral("Queued deletion")}));
    QVERIFY(m_source->hasEntryWithID(queued->uniqueID()));
    QVERIFY(m_source->hasEntryWithID(publishing->uniqueID()));
    QVERIFY(m_source->hasEntryWithID(deleting->uniqueID()));
    QVERIFY(!m_source->hasEntryWithID(free->uniqueID()));
    QVERIFY(m_target->hasEntryWithID(free->uniqueID()));
    QVERIFY(DraftItemDrop::busyMessage(report).contains(QStringLiteral("Publishing, Deleting")));

    // Only busy entries left: the drop is refused before it happens.
    const auto busyOnly =
        DraftItemDrop::read(DraftItemDrop::payloadFor({publishing.get(), deleting.get()}));
    QVERIFY(!DraftItemDrop::canMoveAny(*busyOnly, *m_target, lookup()));
}

void tst_DraftItemDrop::oneFailedMoveLeavesTheOthersMoved()
{
    EntryPtr first = addEntry(*m_source, QStringLiteral("First"));
    EntryPtr broken = addEntry(*m_source, QStringLiteral("Broken"));
    // A folder stands where its file would go in the target blog: its write fails.
    const QString inTheWay =
        m_target->store().folder() + QLatin1Char('/') + EntryFile::fileName(*broken);
    QVERIFY(QDir().mkpath(inTheWay + QStringLiteral("/kept")));
    EntryPtr last = addEntry(*m_source, QStringLiteral("Last"));

    const auto items =
        DraftItemDrop::read(DraftItemDrop::payloadFor({first.get(), broken.get(), last.get()}));
    const auto report = DraftItemDrop::perform(*items, *m_target, lookup());
    QCOMPARE(report.moved, 2);
    QCOMPARE(report.failed.size(), 1);
    QVERIFY(report.failed.first().startsWith(QStringLiteral("Broken: ")));
    QVERIFY(m_source->hasEntryWithID(broken->uniqueID()));
    QVERIFY(!m_target->hasEntryWithID(broken->uniqueID()));
    QVERIFY(m_target->hasEntryWithID(first->uniqueID()));
    QVERIFY(m_target->hasEntryWithID(last->uniqueID()));
    QVERIFY(!m_source->hasEntryWithID(first->uniqueID()));
    QVERIFY(DraftItemDrop::failureMessage(report).contains(QStringLiteral("Broken")));
}

void tst_DraftItemDrop::droppingOnTheOwnBlogMovesNothingButCounts()
{
    EntryPtr entry = addEntry(*m_source, QStringLiteral("Home"));
    const auto items = DraftItemDrop::read(DraftItemDrop::payloadFor({entry.get()}));
    QVERIFY(DraftItemDrop::canMoveAny(*items, *m_source, lookup()));
    const auto report = DraftItemDrop::perform(*items, *m_source, lookup());
    QVERIFY(report.targetReached);
    QCOMPARE(report.moved, 0);
    QCOMPARE(m_source->entries(), QList<EntryPtr>{entry});
}

void tst_DraftItemDrop::unknownAccountIsRefused()
{
    EntryPtr entry = addEntry(*m_source, QStringLiteral("Lost"));
    auto items = DraftItemDrop::read(DraftItemDrop::payloadFor({entry.get()}));
    items->accountID = QStringLiteral("nobody");
    QVERIFY(!DraftItemDrop::canMoveAny(*items, *m_target, lookup()));
    QVERIFY(!DraftItemDrop::perform(*items, *m_target, lookup()).targetReached);
    QVERIFY(m_source->hasEntryWithID(entry->uniqueID()));
}

QTEST_GUILESS_MAIN(tst_DraftItemDrop)
#include "tst_draftitemdrop.moc"
