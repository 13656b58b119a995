#include "ArchiveRoundTrip.h"
#include "Category.h"
#include "DraftRegistry.h"
#include "Entry.h"
#include "FakeBlog.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "Ping.h"
#include "StringExtensions.h"
#include "UserDefaults.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace plumet::test;

namespace {

// Records what the entries ask of the draft windows.
class FakeDrafts : public DraftRegistry {
public:
    QObject* hasOpenDraft(const Entry* entry) const override
    {
        return entry == openEntry ? draft : nullptr;
    }
    void reloadEntry(QObject* d) override { reloaded.append(d); }
    void openDrafts(const QList<Entry*>& entries) override { opened += entries; }
    void openDraftForEntry(Entry* entry, const QVariant& position) override
    {
        openedFor.append(entry);
        positions.append(position);
    }
    void saveIfNeeded(std::function<void()> done) override { done(); }

    const Entry* openEntry = nullptr;
    QObject* draft = nullptr;
    QList<QObject*> reloaded;
    QList<Entry*> opened;
    QList<Entry*> openedFor;
    QVariantList positions;
};

CategoryPtr category(const QString& title, bool isCategory = true)
{
    auto c = Category::withTitle(title);
    c->setIsCategory(isCategory);
    c->setIsTag(!isCategory);
    return c;
}

int refreshesDuring(const std::function<void()>& action)
{
    QObject observer;
    int count = 0;
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::refreshEntryListing), &observer,
        [&count](const Notification&) { ++count; });
    action();
    return count;
}

} // namespace

class tst_Entry : public QObject {
    Q_OBJECT
private slots:
    void newEntryDefaults();
    void lazyFlagFollowsBlog_data();
    void lazyFlagFollowsBlog();
    void optionsInheritWithoutStoring();
    void optionSetters_data();
    void optionSetters();
    void pingListIsTenLong();
    void editModeDefaultAndSameTruthValue();
    void flagsPostRefreshAndDependentKeys();
    void archiveRoundTripKeepsEveryKey();
    void archiveOfBareEntryWritesOnlySetFields();
    void decodingDropsUnusedAttachmentKeys();
    void dictionaryForm();
    void storedKeysRefuseJobState();
    void copyAndRestore();
    void needsSave_data();
    void needsSave();
    void moveLocalEntryWritesBeforeRemoving();
    void moveKeepsPostWhenTargetCannotWrite();
    void movePublishedEntryLeavesSource();
    void moveIntoOwnBlogIsNoop();
    void findAndOpenEntry_data();
    void findAndOpenEntry();
    void editReloadsOrOpens();
    void capabilitiesThroughBlog();
    void parentGoneReadsAsNoBlog();
};

void tst_Entry::newEntryDefaults()
{
    const EntryPtr entry = Entry::create();
    QVERIFY(
        QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(entry->uniqueID()).hasMatch());
    QVERIFY(Entry::create()->uniqueID() != entry->uniqueID());
    QCOMPARE(entry->title(), QStringLiteral("Untitled"));
    QCOMPARE(entry->body(), QString(""));
    QVERIFY(!entry->body().isNull());
    QCOMPARE(entry->flag(), 1);
    QVERIFY(entry->needsSave());
    QVERIFY(entry->categories().has_value());
    QVERIFY(entry->categories()->isEmpty());
    QVERIFY(qAbs(entry->entryDate().secsTo(QDateTime::currentDateTime())) < 5);
    QCOMPARE(entry->format(), QString(""));
    QVERIFY(!entry->hasCustomDate());

    // Null texts become empty ones.
    entry->setBody(QString());
    QVERIFY(!entry->body().isNull());
}

void tst_Entry::lazyFlagFollowsBlog_data()
{
    QTest::addColumn<QVariant>("publishOption");
    QTest::addColumn<bool>("withBlog");
    QTest::addColumn<int>("flag");

    QTest::newRow("blog keeps drafts") << QVariant(0) << true << 3;
    QTest::newRow("blog publishes") << QVariant(1) << true << 1;
    QTest::newRow("blog without value") << QVariant() << true << 1;
    QTest::newRow("no blog") << QVariant() << false << 1;
}

void tst_Entry::lazyFlagFollowsBlog()
{
    QFETCH(QVariant, publishOption);
    QFETCH(bool, withBlog);
    QFETCH(int, flag);

    FakeBlog blog;
    if (publishOption.isValid())
        blog.options.insert(QStringLiteral("publishOption"), publishOption);
    Entry entry; // as decoded from an archive without "flag"
    if (withBlog)
        entry.setParentBlog(&blog);
    QCOMPARE(entry.flag(), flag);
    // Stored on first read: the blog changing later does not change it.
    blog.options.insert(QStringLiteral("publishOption"), 1);
    QCOMPARE(entry.flag(), flag);
    QVERIFY(archivedKeys(entry).contains(QStringLiteral("flag")));
}

void tst_Entry::optionsInheritWithoutStoring()
{
    FakeBlog blog;
    blog.options = {{QStringLiteral("commentOption"), true},
                    {QStringLiteral("trackbackOption"), false},
                    {QStringLiteral("notifyOption"), true}};
    blog.format = QStringLiteral("markdown");
    const EntryPtr entry = Entry::create();
    entry->setParentBlog(&blog);

    QCOMPARE(entry->commentOption(), QVariant(true));
    QCOMPARE(entry->notifyOption(), QVariant(true));
    QVERIFY(!entry->pingOption().isValid());
    const QVariantMap dictionary = entry->dictionary();
    for (const char* key :
         {"commentOption", "trackbackOption", "pingOption", "notifyOption", "smartOption"})
        QVERIFY2(!dictionary.contains(QLatin1String(key)), key);
    QVERIFY(!archivedKeys(*entry).contains(QStringLiteral("commentOption")));

    // The blog's later change still shows through.
    blog.options.insert(QStringLiteral("commentOption"), false);
    QCOMPARE(entry->commentOption(), QVariant(false));

    // The format default is stored on first read.
    QCOMPARE(entry->format(), QStringLiteral("markdown"));
    blog.format = QStringLiteral("textile");
    QCOMPARE(entry->format(), QStringLiteral("markdown"));
    QCOMPARE(entry->dictionary().value(QStringLiteral("format")), QVariant("markdown"));
}

void tst_Entry::optionSetters_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("stored");

    QTest::newRow("string 1") << QVariant(QStringLiteral("1")) << QVariant(1);
    QTest::newRow("string 0") << QVariant(QStringLiteral("0")) << QVariant(0);
    QTest::newRow("bool true") << QVariant(true) << QVariant(1);
    QTest::newRow("number 2") << QVariant(2.0) << QVariant(2);
    QTest::newRow("null") << QVariant() << QVariant();
}

void tst_Entry::optionSetters()
{
    QFETCH(QVariant, value);
    QFETCH(QVariant, stored);

    const EntryPtr entry = Entry::create();
    QSignalSpy changes(entry.get(), &Genetic::valueChanged);
    entry->setCommentOption(value);
    entry->setTrackbackOption(value);
    QCOMPARE(entry->commentOption(), stored);
    QCOMPARE(entry->trackbackOption(), stored);
    QVERIFY(changes.contains(QVariantList{QStringLiteral("commentOption")}));
    QVERIFY(changes.contains(QVariantList{QStringLiteral("trackbackOption")}));
}

void tst_Entry::pingListIsTenLong()
{
    const EntryPtr entry = Entry::create();
    const PingList pings = entry->pingUris();
    QCOMPARE(pings.size(), 10);
    for (const auto& ping : pings)
        QVERIFY(ping->address().isEmpty());
    QCOMPARE(entry->pingUris().first(), pings.first()); // stored, not remade

    PingList twelve;
    for (int i = 0; i < 12; ++i)
        twelve.append(Ping::pingWithTitle({}, QStringLiteral("http://tb.example/%1").arg(i)));
    entry->setPingUris(twelve);
    QCOMPARE(entry->pingUris().size(), 10);
    QCOMPARE(entry->pingUris().last()->address(), QStringLiteral("http://tb.example/9"));
}

void tst_Entry::editModeDefaultAndSameTruthValue()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("usesHTMLEditor"), 1);
    Entry decoded;
    QCOMPARE(decoded.editMode(), 1);
    UserDefaults::sharedInstance().remove(QStringLiteral("usesHTMLEditor"));
    QCOMPARE(decoded.editMode(), 1); // stored on first read

    Entry other;
    QCOMPARE(other.editMode(), 0);

    QSignalSpy changes(&decoded, &Genetic::valueChanged);
    decoded.setEditMode(5); // same truth value as 1
    QCOMPARE(decoded.editMode(), 1);
    decoded.setHasCustomDate(false);
    decoded.setHasCustomDate(false);
    QCOMPARE(changes.count(), 1); // only the first custom-date change
    decoded.setEditMode(0);
    QCOMPARE(decoded.editMode(), 0);
    QCOMPARE(changes.count(), 2);
}

void tst_Entry::flagsPostRefreshAndDependentKeys()
{
    const EntryPtr entry = Entry::create();
    QSignalSpy changes(entry.get(), &Genetic::valueChanged);

    QCOMPARE(refreshesDuring([&] { entry->addFlag(Entry::LocalOnly); }), 1); // already set
    QCOMPARE(entry->flag(), 1);
    QCOMPARE(refreshesDuring([&] { entry->setDraftOrPublish(true); }), 1);
    QVERIFY(entry->draftOrPublish());
    QCOMPARE(refreshesDuring([&] { entry->removeFlag(Entry::BeingDeleted); }), 1); // not set
    QCOMPARE(refreshesDuring([&] { entry->removeFlag(Entry::LocalOnly); }), 1);
    QCOMPARE(entry->flag(), Entry::SendAsDraft);
    entry->addFlag(Entry::IsPage);
    QVERIFY(entry->hasFlag(Entry::IsPage));
    QVERIFY(!entry->hasFlag(Entry::ChangedLocally));

    QVERIFY(changes.contains(QVariantList{QStringLiteral("draftOrPublish")}));
}

void tst_Entry::archiveRoundTripKeepsEveryKey()
{
    const EntryPtr entry = Entry::create();
    entry->setTitle(QStringLiteral("It's Café & Crème"));
    entry->setBody(QStringLiteral("<p>Body with key1</p>"));
    entry->setExtended(QStringLiteral("More"));
    entry->setSummary(QStringLiteral("Short"));
    entry->setKeywords(QStringLiteral("a, b"));
    entry->setPermaLink(QStringLiteral("http://127.0.0.1:8089/?p=5"));
    entry->setEditURI(QStringLiteral("http://127.0.0.1:8089/edit/5"));
    entry->setFormat(QStringLiteral("markdown"));
    entry->setAuthor(QStringLiteral("1"));
    entry->setCategories(CategoryList{category(QStringLiteral("Uncategorized")),
                                      category(QStringLiteral("tag one"), false)});
    entry->setAttachments(QStringList{QStringLiteral("key1")});
    entry->setPingUris(PingList{Ping::pingWithTitle({}, QStringLiteral("http://tb.example/1"))});
    entry->setEvents(QVariantList{QStringLiteral("e")});
    entry->setReviews(QVariantList{1, 2});
    entry->setFlag(Entry::LocalOnly | Entry::IsPage);
    entry->setEditMode(1);
    entry->setHasCustomDate(true);
    entry->setCommentOption(1);
    entry->setTrackbackOption(0);
    entry->setPingOption(true);
    entry->setNotifyOption(false);
    entry->setSmartOption(7);
    entry->setPluginSettings(QVariantMap{{QStringLiteral("wp_slug"), QStringLiteral("cafe")}});
    const QDateTime date(QDate(2026, 12, 1), QTime(10, 30), Qt::UTC);
    entry->setEntryDate(date);

    QCOMPARE(archivedKeys(*entry).size(), 25);
    const auto decoded = archiveRoundTrip<Entry>(*entry);
    QVERIFY(decoded);
    QCOMPARE(decoded->dictionary(), entry->dictionary());
    QCOMPARE(decoded->author(), QStringLiteral("1"));
    QCOMPARE(decoded->entryDate(), date);
    QCOMPARE(decoded->categories()->size(), 2);
    QVERIFY(decoded->categories()->at(0)->isCategory());
    QCOMPARE(decoded->pingUris().size(), 1);
    QCOMPARE(decoded->smartOption(), QVariant(7));
    QVERIFY(!decoded->needsSave());
}

void tst_Entry::archiveOfBareEntryWritesOnlySetFields()
{
    Entry entry;
    entry.setUniqueID(QStringLiteral("abc"));
    entry.setBody(QStringLiteral("text"));
    QCOMPARE(archivedKeys(entry), (QSet<QString>{"uniqueID", "body"}));

    // Lazy getters store their default, which is then archived.
    entry.pingUris();
    entry.editMode();
    QCOMPARE(archivedKeys(entry), (QSet<QString>{"uniqueID", "body", "pingUris", "editMode"}));
}

void tst_Entry::decodingDropsUnusedAttachmentKeys()
{
    Entry entry;
    entry.setBody(QStringLiteral("see 0123abcd here"));
    entry.setAttachments(QStringList{QStringLiteral("0123abcd"), QStringLiteral("gone")});
    const auto decoded = archiveRoundTrip<Entry>(entry);
    QVERIFY(decoded);
    QCOMPARE(decoded->attachments(), QStringList{QStringLiteral("0123abcd")});
    QVERIFY(decoded->needsSave());
}

void tst_Entry::dictionaryForm()
{
    Entry entry; // bare: nothing set, nothing written
    QVERIFY(entry.dictionary().isEmpty());

    const EntryPtr full = Entry::create();
    full->setEntryDate(QDateTime(QDate(2026, 12, 1), QTime(10, 30, 5), Qt::UTC));
    PingList pings = full->pingUris();
    pings[3]->setAddress(QStringLiteral("http://tb.example/3"));
    const QVariantMap dictionary = full->dictionary();
    QCOMPARE(dictionary.value(QStringLiteral("entryDate")), QVariant("2026-12-01 10:30:05 +0000"));
    QCOMPARE(dictionary.value(QStringLiteral("pingUris")),
             QVariant(QVariantList{QStringLiteral("http://tb.example/3")}));
    // An empty category list is still written.
    QCOMPARE(dictionary.value(QStringLiteral("categories")), QVariant(QVariantList()));
    QCOMPARE(dictionary.value(QStringLiteral("flag")), QVariant(1));

    pings[3]->setAddress(QString());
    QVERIFY(!full->dictionary().contains(QStringLiteral("pingUris")));
}

void tst_Entry::storedKeysRefuseJobState()
{
    FakeBlog blog;
    const EntryPtr entry = Entry::create();
    entry->setParentBlog(&blog);
    for (const auto* name : {u"parent", u"needsSave", u"beingPublished", u"publishCall", u"diffs",
                             u"displayName", u"tags"})
        QVERIFY(!setStoredValue<Entry>(Entry::storedKeys(), *entry, name, QVariant()));
    QCOMPARE(entry->parentBlog(), &blog);
    QVERIFY(setStoredValue<Entry>(Entry::storedKeys(), *entry, u"title", QStringLiteral("Hi")));
    QCOMPARE(entry->title(), QStringLiteral("Hi"));
}

void tst_Entry::copyAndRestore()
{
    FakeBlog blog;
    const EntryPtr entry = Entry::create();
    entry->setParentBlog(&blog);
    entry->setTitle(QStringLiteral("Saved"));
    entry->setCategories(CategoryList{category(QStringLiteral("News"))});
    entry->setNeedsSave(false);

    const EntryPtr saved = entry->copy();
    QCOMPARE(saved->uniqueID(), entry->uniqueID());
    QCOMPARE(saved->parentBlog(), &blog);
    QVERIFY(!saved->needsSave());
    QCOMPARE(saved->dictionary(), entry->dictionary());

    // The saved state has its own category records: checking one in the editor is
    // a change against it, not a change to it.
    entry->categories()->first()->setIsChecked(true);
    QVERIFY(!saved->categories()->first()->isChecked());
    entry->setSaveIfNeeded(*saved);
    QVERIFY(entry->needsSave());

    entry->setTitle(QStringLiteral("Edited"));
    entry->setCategories(CategoryList{});
    entry->restoreFromCopy(*saved);
    QCOMPARE(entry->title(), QStringLiteral("Saved"));
    QCOMPARE(entry->categories()->size(), 1);
    QVERIFY(!entry->needsSave());
    // Restoring takes copies too, so the saved state stays as it was.
    entry->categories()->first()->setIsPrimary(true);
    QVERIFY(!saved->categories()->first()->isPrimary());
}

void tst_Entry::needsSave_data()
{
    QTest::addColumn<std::function<void(Entry&)>>("edit");
    QTest::addColumn<bool>("differs");

    using Edit = std::function<void(Entry&)>;
    QTest::newRow("unchanged") << Edit([](Entry&) {}) << false;
    QTest::newRow("title whitespace only")
        << Edit([](Entry& e) { e.setTitle(e.title() + QStringLiteral("  \n")); }) << false;
    QTest::newRow("body") << Edit([](Entry& e) { e.setBody(QStringLiteral("changed")); }) << true;
    QTest::newRow("keywords space")
        << Edit([](Entry& e) { e.setKeywords(e.keywords() + QLatin1Char(' ')); }) << true;
    QTest::newRow("date") << Edit([](Entry& e) { e.setEntryDate(e.entryDate().addSecs(60)); })
                          << true;
    QTest::newRow("comment option") << Edit([](Entry& e) { e.setCommentOption(0); }) << true;
    QTest::newRow("category swapped for another")
        << Edit([](Entry& e) { e.setCategories(CategoryList{category(QStringLiteral("Sport"))}); })
        << true;
    QTest::newRow("category made primary") << Edit([](Entry& e) {
        auto c = category(QStringLiteral("News"));
        c->setIsPrimary(true);
        e.setCategories(CategoryList{c});
    }) << true;
    QTest::newRow("same category in a new record")
        << Edit([](Entry& e) { e.setCategories(CategoryList{category(QStringLiteral("News"))}); })
        << false;
    QTest::newRow("categories removed")
        << Edit([](Entry& e) { e.setCategories(std::nullopt); }) << true;
    QTest::newRow("attachment swapped")
        << Edit([](Entry& e) { e.setAttachments(QStringList{QStringLiteral("k2")}); }) << true;
    QTest::newRow("trackback address added") << Edit([](Entry& e) {
        e.pingUris().first()->setAddress(QStringLiteral("http://tb.example/1"));
    }) << true;
    QTest::newRow("empty trackback slots dropped")
        << Edit([](Entry& e) { e.setPingUris(PingList{}); }) << false;
    QTest::newRow("sent as draft") << Edit([](Entry& e) { e.setDraftOrPublish(true); }) << true;
    QTest::newRow("being deleted")
        << Edit([](Entry& e) { e.addFlag(Entry::BeingDeleted); }) << false;
    QTest::newRow("plugin settings") << Edit([](Entry& e) {
        e.setPluginSettings(QVariantMap{{"wp_slug", "x"}});
    }) << true;
}

void tst_Entry::needsSave()
{
    QFETCH(std::function<void(Entry&)>, edit);
    QFETCH(bool, differs);

    const EntryPtr entry = Entry::create();
    entry->setCommentOption(1);
    entry->setCategories(CategoryList{category(QStringLiteral("News"))});
    entry->setAttachments(QStringList{QStringLiteral("k1")});
    const EntryPtr saved = entry->copy();

    edit(*entry);
    entry->setSaveIfNeeded(*saved);
    QCOMPARE(entry->needsSave(), differs);
}

void tst_Entry::moveLocalEntryWritesBeforeRemoving()
{
    QStringList journal;
    FakeBlog from(QStringLiteral("from"), &journal), to(QStringLiteral("to"), &journal);
    to.caps.supportsPages = true;
    const EntryPtr entry = Entry::create();
    entry->setParentBlog(&from);
    entry->setTitle(QStringLiteral("Local"));
    entry->setPermaLink(QStringLiteral("http://old/"));
    entry->addFlag(Entry::IsPage);
    from.entries.append(entry);
    const QString id = entry->uniqueID();
    // Whoever edits the entry hears of the move while the old one still stands.
    EntryPtr announced;
    QObject::connect(entry.get(), &Entry::movedTo, [&](const EntryPtr& to) {
        announced = to;
        journal.append(QStringLiteral("movedTo"));
    });

    const EntryPtr moved = entry->moveToBlog(&to);
    QVERIFY(moved);
    QCOMPARE(announced, moved);
    QCOMPARE(moved->uniqueID(), id);
    QCOMPARE(moved->title(), QStringLiteral("Local"));
    QVERIFY(moved->permaLink().isNull());
    QCOMPARE(moved->flag(), Entry::LocalOnly | Entry::IsPage);
    QCOMPARE(moved->parentBlog(), &to);
    QVERIFY(moved->needsSave());
    QCOMPARE(to.entries, QList<EntryPtr>{moved});
    QVERIFY(from.entries.isEmpty());
    // Written in the new blog before the old file goes.
    QCOMPARE(journal, (QStringList{"to:add", "to:save", "movedTo", "from:removeFile"}));
}

void tst_Entry::moveKeepsPostWhenTargetCannotWrite()
{
    FakeBlog from(QStringLiteral("from")), to(QStringLiteral("to"));
    to.failSaves = true;
    const EntryPtr entry = Entry::create();
    entry->setParentBlog(&from);
    from.entries.append(entry);

    QString error;
    QVERIFY(!entry->moveToBlog(&to, &error));
    QVERIFY(error.contains(QStringLiteral("disk full")));
    QCOMPARE(from.entries, QList<EntryPtr>{entry});
    QVERIFY(to.entries.isEmpty());
    QVERIFY(!from.log.contains(QStringLiteral("from:removeFile")));
}

void tst_Entry::movePublishedEntryLeavesSource()
{
    FakeBlog from(QStringLiteral("from")), to(QStringLiteral("to"));
    const EntryPtr entry = Entry::create();
    entry->setParentBlog(&from);
    entry->removeFlag(Entry::LocalOnly);
    entry->addFlag(Entry::IsPage); // the target takes no pages
    entry->setCategories(CategoryList{category(QStringLiteral("News"))});
    from.entries.append(entry);

    int announced = 0;
    QObject::connect(entry.get(), &Entry::movedTo, [&](const EntryPtr&) { ++announced; });
    const EntryPtr moved = entry->moveToBlog(&to);
    QVERIFY(moved);
    QCOMPARE(announced, 1);
    QVERIFY(moved->uniqueID() != entry->uniqueID());
    QCOMPARE(moved->flag(), int(Entry::LocalOnly));
    QCOMPARE(from.entries, QList<EntryPtr>{entry});
    QCOMPARE(to.entries, QList<EntryPtr>{moved});
    QVERIFY(from.log.isEmpty());

    // The two posts now live apart: choosing a category in one leaves the other.
    QCOMPARE(moved->categories()->first()->title(), QStringLiteral("News"));
    moved->categories()->first()->setIsPrimary(true);
    QVERIFY(!entry->categories()->first()->isPrimary());
}

void tst_Entry::moveIntoOwnBlogIsNoop()
{
    FakeBlog blog;
    const EntryPtr entry = Entry::create();
    entry->setParentBlog(&blog);
    blog.entries.append(entry);
    QCOMPARE(entry->moveToBlog(&blog), entry);
    QVERIFY(blog.log.isEmpty());
}

void tst_Entry::findAndOpenEntry_data()
{
    QTest::addColumn<bool>("byFile");
    QTest::addColumn<bool>("rightAccount");
    QTest::addColumn<bool>("opens");

    QTest::newRow("identifier") << false << true << true;
    QTest::newRow("file digest") << true << true << true;
    QTest::newRow("other account") << false << false << false;
}

void tst_Entry::findAndOpenEntry()
{
    QFETCH(bool, byFile);
    QFETCH(bool, rightAccount);
    QFETCH(bool, opens);

    FakeDrafts drafts;
    DraftRegistry::setSharedInstance(&drafts);
    FakeBlog blog;
    const EntryPtr entry = Entry::create();
    entry->setParentBlog(&blog);
    const EntryPtr bystander = Entry::create();
    bystander->setParentBlog(&blog);
    // A draft's saved state has the same identifier and blog, but opens nothing.
    const EntryPtr savedState = entry->copy();

    QVariantMap request{
        {QStringLiteral("entry"), byFile ? rv::MD5(entry->uniqueID()) : entry->uniqueID()},
        {QStringLiteral("account"), rightAccount ? blog.account : QStringLiteral("other")},
        {QStringLiteral("pos"), 42}};
    if (byFile)
        request.insert(QStringLiteral("file"), QStringLiteral("x.plumet"));
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::findAndOpenEntry), nullptr, request);

    QCOMPARE(drafts.openedFor, opens ? QList<Entry*>{entry.get()} : QList<Entry*>{});
    if (opens)
        QCOMPARE(drafts.positions.first(), QVariant(42));
    DraftRegistry::setSharedInstance(nullptr);
}

void tst_Entry::editReloadsOrOpens()
{
    FakeDrafts drafts;
    DraftRegistry::setSharedInstance(&drafts);
    QObject window;
    const EntryPtr entry = Entry::create();

    QCOMPARE(entry->editor(), nullptr);
    entry->edit();
    QCOMPARE(drafts.opened, QList<Entry*>{entry.get()});

    drafts.openEntry = entry.get();
    drafts.draft = &window;
    QCOMPARE(entry->editor(), &window);
    entry->edit();
    QCOMPARE(drafts.reloaded, QList<QObject*>{&window});
    QCOMPARE(drafts.opened.size(), 1);
    DraftRegistry::setSharedInstance(nullptr);

    entry->edit(); // no draft windows: nothing happens
}

void tst_Entry::capabilitiesThroughBlog()
{
    const EntryPtr entry = Entry::create();
    QVERIFY(!entry->hasComments());
    QCOMPARE(entry->hasSummaryAndExtended(), 0);

    FakeBlog blog;
    blog.caps.supportsComments = true;
    blog.caps.hasSummaryField = true;
    blog.caps.hasExtendedField = true;
    blog.caps.supportedProtocol = 0;
    entry->setParentBlog(&blog);
    QVERIFY(entry->hasComments());
    QVERIFY(!entry->hasTrackback());
    QVERIFY(entry->isXMLRPC());
    QCOMPARE(entry->hasSummaryAndExtended(), 3);
    blog.caps.hasSummaryField = false;
    QCOMPARE(entry->hasSummaryAndExtended(), 1);
}

void tst_Entry::parentGoneReadsAsNoBlog()
{
    const EntryPtr entry = Entry::create();
    {
        FakeBlog blog;
        blog.options.insert(QStringLiteral("commentOption"), true);
        entry->setParentBlog(&blog);
        QCOMPARE(entry->commentOption(), QVariant(true));
    }
    QCOMPARE(entry->parentBlog(), nullptr);
    QVERIFY(!entry->commentOption().isValid());
}

QTEST_GUILESS_MAIN(tst_Entry)
#include "tst_entry.moc"
