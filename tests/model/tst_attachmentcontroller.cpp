#include "Attachment.h"
#include "AttachmentController.h"
#include "Entry.h"
#include "EntryContent.h"
#include "ImageAttachment.h"
#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"
#include "ManualClock.h"
#include "MediaCache.h"
#include "MovieAttachment.h"
#include "PropertyList.h"
#include "TestSupport.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

namespace {

constexpr double Day = 86400.0;
constexpr double Now = 1'700'000'000.0;

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A plain attachment as the library stores one.
AttachmentPtr record(const QString& key, double created, const QString& filePath,
                     const QString& uploadPath)
{
    auto attachment = std::make_shared<Attachment>();
    attachment->setUniqueID(key);
    attachment->setCreated(created);
    attachment->setFilePath(filePath);
    attachment->setUploadPath(uploadPath);
    attachment->setFileName(QStringLiteral("file.txt"));
    return attachment;
}

bool writeLibrary(const QString& path, const QList<AttachmentPtr>& attachments,
                  PropertyList::Format format = PropertyList::Format::Binary)
{
    QVariantList root;
    for (const AttachmentPtr& attachment : attachments)
        root.append(QVariant::fromValue(ArchivableRef(attachment)));
    QString error;
    const QByteArray bytes = KeyedArchiver::archivedData(QVariant(root), &error, format);
    return !bytes.isEmpty() && writeBytes(path, bytes);
}

QStringList keysOf(const QList<AttachmentPtr>& attachments)
{
    QStringList keys;
    for (const AttachmentPtr& attachment : attachments)
        keys.append(attachment->uniqueID());
    return keys;
}

QStringList unreadableSiblings(const QString& path)
{
    const QFileInfo info(path);
    return QDir(info.path())
        .entryList({info.fileName() + QStringLiteral(".*.unreadable")}, QDir::Files);
}

QString key(int n)
{
    return QStringLiteral("K%1").arg(n, 31, 10, QLatin1Char('0'));
}

} // namespace

class tst_AttachmentController : public QObject {
    Q_OBJECT
private slots:
    void init();
    void fixtureLoadsInOrder();
    void savesKeepTheLayout();
    void expiry_data();
    void expiry();
    void missingFileIsAnEmptyLoadedLibrary();
    void unreadableLibrary_data();
    void unreadableLibrary();
    void changesAreSavedASecondLater();
    void lookupDuringALoad();
    void saveDuringALoadRunsAfterIt();
    void quitDeletesOnlyConvertedCopiesAndThumbnails();

private:
    QString copyFixture();
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_path;
};

void tst_AttachmentController::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_path = m_folder->filePath(QStringLiteral("attachments.plist"));
    UserDefaults& defaults = UserDefaults::sharedInstance();
    defaults.setValue(QStringLiteral("attachment_option"), true);
    defaults.setValue(QStringLiteral("remove_attachment_days"), 5);
}

QString tst_AttachmentController::copyFixture()
{
    QByteArray bytes = readTestData(QStringLiteral("model/library/attachments.plist"));
    bytes.replace("@FOLDER@", m_folder->path().toUtf8());
    writeBytes(m_path, bytes);
    writeBytes(m_folder->filePath(QStringLiteral("notes.txt")), "notes");
    writeBytes(m_folder->filePath(QStringLiteral("harbour.jpg")), "not really a picture");
    return m_path;
}

void tst_AttachmentController::fixtureLoadsInOrder()
{
    copyFixture();
    UserDefaults::sharedInstance().setValue(QStringLiteral("attachment_option"), false);
    AttachmentController library(m_path);
    QSignalSpy finished(&library, &AttachmentController::loadFinished);
    library.loadAttachments();
    QTRY_VERIFY(library.isLoaded());
    QCOMPARE(finished.size(), 1);
    // The never-uploaded file that is gone is dropped; the uploaded movie
    // whose file is gone stays, it still has its address.
    QCOMPARE(keysOf(library.attachments()),
             QStringList({"0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A01", "0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A02",
                          "0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A03"}));
    QCOMPARE(library.images().size(), 1);
    QCOMPARE(library.movies().size(), 1);
    QCOMPARE(library.images().first()->alt(), QStringLiteral("Harbour at dawn"));
    QCOMPARE(library.movies().first()->uploadPath(),
             QStringLiteral("http://blog.example.org/up/walk.mov"));
    QCOMPARE(library.attachmentForKey(QStringLiteral("0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A03")),
             library.attachments().at(2));
    QVERIFY(!library.attachmentForKey(QStringLiteral("0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A04")));
    QVERIFY(!library.attachmentForKey(QStringLiteral("nothing")));

    // With expiry on, the uploaded ones of 2008 are gone.
    UserDefaults::sharedInstance().setValue(QStringLiteral("attachment_option"), true);
    AttachmentController expiring(m_path);
    expiring.loadAttachments();
    QTRY_VERIFY(expiring.isLoaded());
    QCOMPARE(keysOf(expiring.attachments()), QStringList{"0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A01"});
}

void tst_AttachmentController::savesKeepTheLayout()
{
    copyFixture();
    UserDefaults::sharedInstance().setValue(QStringLiteral("attachment_option"), false);
    ManualClock clock;
    {
        AttachmentController library(m_path, clock);
        library.loadAttachments();
        QTRY_VERIFY(library.isLoaded());
        library.addAttachment(
            record(QStringLiteral("ADDED"), Now, m_folder->filePath("notes.txt"), QString()));
        clock.advance(1000);
        QVERIFY(!library.hasUnsavedChanges());
    }
    // The classes and keys of the original layout.
    const QVariantMap archive = PropertyList::readFile(m_path).toMap();
    QCOMPARE(archive.value("$archiver").toString(), QStringLiteral("NSKeyedArchiver"));
    QStringList classes;
    QSet<QString> keys;
    for (const QVariant& object : archive.value("$objects").toList()) {
        const QVariantMap map = object.toMap();
        if (map.contains("$classname"))
            classes.append(map.value("$classname").toString());
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            keys.insert(it.key());
    }
    for (const char* name : {"NSMutableArray", "Attachment", "ImageAttachment", "MovieAttachment"})
        QVERIFY2(classes.contains(QLatin1String(name)), name);
    for (const char* name : {"uniqueID", "created", "filePath", "uploadPath", "alt",
                             "movieLinkOption", "thumbCreate", "conversionFormat"})
        QVERIFY2(keys.contains(QLatin1String(name)), name);

    AttachmentController again(m_path);
    again.loadAttachments();
    QTRY_VERIFY(again.isLoaded());
    QCOMPARE(keysOf(again.attachments()),
             QStringList({"0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A01", "0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A02",
                          "0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A03", "ADDED"}));
}

void tst_AttachmentController::expiry_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<bool>("option");
    QTest::addColumn<double>("ageDays");
    QTest::addColumn<bool>("uploaded");
    QTest::addColumn<bool>("filePresent");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<bool>("kept");
    QTest::newRow("5 days, 4 old") << 5 << true << 4.0 << true << true << false << true;
    QTest::newRow("5 days, exactly 5 old") << 5 << true << 5.0 << true << true << false << false;
    QTest::newRow("5 days, 6 old") << 5 << true << 6.0 << true << true << false << false;
    QTest::newRow("0 days, half a day old") << 0 << true << 0.5 << true << true << false << true;
    QTest::newRow("0 days, 1.5 old") << 0 << true << 1.5 << true << true << false << false;
    QTest::newRow("-3 days, half a day old") << -3 << true << 0.5 << true << true << false << true;
    QTest::newRow("-3 days, 1.5 old") << -3 << true << 1.5 << true << true << false << false;
    QTest::newRow("option off, 30 old") << 5 << false << 30.0 << true << true << false << true;
    QTest::newRow("never uploaded, 30 old") << 5 << true << 30.0 << false << true << false << true;
    QTest::newRow("never uploaded, file gone")
        << 5 << false << 1.0 << false << false << false << false;
    QTest::newRow("uploaded, file gone") << 5 << true << 1.0 << true << false << false << true;
    QTest::newRow("uploaded, file gone, 6 old")
        << 5 << true << 6.0 << true << false << false << false;
    QTest::newRow("listed by an entry, 30 old")
        << 5 << true << 30.0 << true << true << true << true;
    QTest::newRow("listed, 0 days, 2 old") << 0 << true << 2.0 << true << false << true << true;
}

void tst_AttachmentController::expiry()
{
    QFETCH(int, days);
    QFETCH(bool, option);
    QFETCH(double, ageDays);
    QFETCH(bool, uploaded);
    QFETCH(bool, filePresent);
    QFETCH(bool, listed);
    QFETCH(bool, kept);
    UserDefaults& defaults = UserDefaults::sharedInstance();
    defaults.setValue(QStringLiteral("attachment_option"), option);
    defaults.setValue(QStringLiteral("remove_attachment_days"), days);
    const QString file = m_folder->filePath(QStringLiteral("source.txt"));
    if (filePresent)
        QVERIFY(writeBytes(file, "bytes"));
    const QString address = uploaded ? QStringLiteral("http://example.org/a.txt") : QString();
    // A neighbour that always stays shows the order is kept around the one tested.
    QVERIFY(writeLibrary(m_path, {record("FIRST", Now, file, QStringLiteral("http://x/1")),
                                  record("TESTED", Now - ageDays * Day, file, address),
                                  record("LAST", Now, QString(), QStringLiteral("http://x/2"))}));
    AttachmentController library(m_path);
    library.setCurrentTime([] { return Now; });
    library.setKeysInUse([listed] { return listed ? QSet<QString>{"TESTED"} : QSet<QString>{}; });
    library.loadAttachments();
    QTRY_VERIFY(library.isLoaded());
    QCOMPARE(keysOf(library.attachments()),
             kept ? QStringList({"FIRST", "TESTED", "LAST"}) : QStringList({"FIRST", "LAST"}));
}

void tst_AttachmentController::missingFileIsAnEmptyLoadedLibrary()
{
    ManualClock clock;
    AttachmentController library(m_path, clock);
    library.loadAttachments();
    QTRY_VERIFY(library.isLoaded());
    QVERIFY(library.attachments().isEmpty());
    QVERIFY(library.loadReport().isEmpty());
}

void tst_AttachmentController::unreadableLibrary_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QList<AttachmentPtr> one{record(QStringLiteral("KEY1"), Now, QString(), "http://x/1")};
    QVariantList list;
    for (const AttachmentPtr& attachment : one)
        list.append(QVariant::fromValue(ArchivableRef(attachment)));
    const QByteArray good = KeyedArchiver::archivedData(QVariant(list));
    QTest::newRow("garbage") << QByteArray("\x01\x02 this is no property list \xff", 31);
    QTest::newRow("truncated") << good.left(good.size() / 2);
    QTest::newRow("root not a list")
        << KeyedArchiver::archivedData(QVariant(QStringLiteral("a lone string")));
    QByteArray stranger = good;
    stranger.replace("Attachment", "Stranger!!");
    QTest::newRow("unknown class") << stranger;
    // A known class that is no attachment.
    QByteArray entry = KeyedArchiver::archivedData(
        QVariant(QVariantList{list.first(), QVariant::fromValue(ArchivableRef(Entry::create()))}));
    QTest::newRow("an entry among them") << entry;
}

void tst_AttachmentController::unreadableLibrary()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(writeBytes(m_path, bytes));
    ManualClock clock;
    auto library = std::make_unique<AttachmentController>(m_path, clock);
    QSignalSpy failed(library.get(), &AttachmentController::loadFailed);
    AttachmentLibrary::setSharedInstance(library.get());
    library->loadAttachments();
    QTRY_VERIFY(!library->isLoading());
    QVERIFY(!library->isLoaded());
    QCOMPARE(failed.size(), 1);
    const QString report = failed.first().first().toString();
    QVERIFY(!report.isEmpty());
    QCOMPARE(report, library->loadReport());
    // Moved aside, every byte of it.
    QVERIFY(!QFile::exists(m_path));
    const QStringList aside = unreadableSiblings(m_path);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(fileBytes(m_folder->filePath(aside.first())), bytes);
    QVERIFY(report.contains(aside.first()));

    // A draft's keys and body stay, and so does the markup put in place.
    auto entry = Entry::create();
    entry->setBody(QStringLiteral("<p>KEY1</p><p>KEY2</p>"));
    entry->setAttachments(QStringList{"KEY1", "KEY2"});
    EntryContent(*entry).attachmentsFromKeys();
    QCOMPARE(entry->body(), QStringLiteral("<p>KEY1</p><p>KEY2</p>"));
    QCOMPARE(entry->attachments().value(), QStringList({"KEY1", "KEY2"}));
    QString text = QStringLiteral("<p>KEY2</p>");
    EntryContent(*entry).applyAttachmentMarkup(text);
    QCOMPARE(text, QStringLiteral("<p>KEY2</p>"));

    // Nothing changed, nothing written at quit.
    library->cleanUp();
    QVERIFY(!QFile::exists(m_path));
    AttachmentLibrary::setSharedInstance(nullptr);
}

void tst_AttachmentController::changesAreSavedASecondLater()
{
    QVERIFY(writeLibrary(m_path, {record("A", Now, QString(), "http://x/a")}));
    const QByteArray before = fileBytes(m_path);
    ManualClock clock;
    AttachmentController library(m_path, clock);
    library.setCurrentTime([] { return Now; });
    library.loadAttachments();
    QTRY_VERIFY(library.isLoaded());
    library.attachments().first()->setUploadPath(QStringLiteral("http://x/moved"));
    clock.advance(999);
    QCOMPARE(fileBytes(m_path), before);
    clock.advance(1);
    QVERIFY(fileBytes(m_path) != before);
    AttachmentController reread(m_path);
    reread.setCurrentTime([] { return Now; });
    reread.loadAttachments();
    QTRY_VERIFY(reread.isLoaded());
    QCOMPARE(reread.attachments().first()->uploadPath(), QStringLiteral("http://x/moved"));

    // A removal too.
    QVERIFY(library.removeAttachment(library.attachments().first()));
    clock.advance(1000);
    AttachmentController empty(m_path);
    empty.loadAttachments();
    QTRY_VERIFY(empty.isLoaded());
    QVERIFY(empty.attachments().isEmpty());
}

void tst_AttachmentController::lookupDuringALoad()
{
    QList<AttachmentPtr> many;
    for (int n = 0; n < 10'000; ++n)
        many.append(record(key(n), Now, QString(), QStringLiteral("http://x/%1").arg(n)));
    QVERIFY(writeLibrary(m_path, many));
    many.clear();
    AttachmentController library(m_path);
    library.setCurrentTime([] { return Now; });
    QSignalSpy finished(&library, &AttachmentController::loadFinished);
    int inserted = 0;
    connect(&library, &AttachmentController::attachmentsInserted, this,
            [&inserted](int first, int last) { inserted += last - first + 1; });
    library.loadAttachments();
    QVERIFY(library.isLoading());
    const AttachmentPtr found = library.attachmentForKey(key(9'999));
    QVERIFY(found);
    QVERIFY(library.isLoaded());
    QCOMPARE(library.attachments().size(), 10'000);
    QCOMPARE(library.attachments().last(), found);
    // Whatever the loop still had queued adds nothing.
    QTest::qWait(50);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(library.attachments().size(), 10'000);
    QCOMPARE(inserted, 10'000);
    const QStringList keys = keysOf(library.attachments());
    QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()).size(), 10'000);
    QCOMPARE(keys.first(), key(0));

    // A lookup from a receiver of the first batch ends the load there.
    AttachmentController again(m_path);
    again.setCurrentTime([] { return Now; });
    QSignalSpy ended(&again, &AttachmentController::loadFinished);
    AttachmentPtr fromReceiver;
    connect(&again, &AttachmentController::attachmentsInserted, this, [&] {
        if (!fromReceiver)
            fromReceiver = again.attachmentForKey(key(9'998));
    });
    again.loadAttachments();
    QTRY_VERIFY(again.isLoaded());
    QVERIFY(fromReceiver);
    QTest::qWait(50);
    QCOMPARE(ended.size(), 1);
    QCOMPARE(again.attachments().size(), 10'000);
}

void tst_AttachmentController::saveDuringALoadRunsAfterIt()
{
    QList<AttachmentPtr> many;
    for (int n = 0; n < 10'000; ++n)
        many.append(record(key(n), Now, QString(), QStringLiteral("http://x/%1").arg(n)));
    // Written as XML: the library's own save writes binary, so a save shows.
    QVERIFY(writeLibrary(m_path, many, PropertyList::Format::Xml));
    many.clear();
    const QByteArray before = fileBytes(m_path);
    ManualClock clock;
    AttachmentController library(m_path, clock);
    library.setCurrentTime([] { return Now; });
    library.loadAttachments();
    QVERIFY(library.isLoading());
    QVERIFY(library.saveAttachments());
    QCOMPARE(fileBytes(m_path), before); // not while it loads
    QTRY_VERIFY(library.isLoaded());
    const QByteArray after = fileBytes(m_path);
    QVERIFY(after != before);
    const auto saved = KeyedUnarchiver::recordsIn<Attachment>(KeyedUnarchiver::unarchive(after));
    QVERIFY(saved);
    QCOMPARE(saved->size(), 10'000);
    QCOMPARE(saved->last()->uniqueID(), key(9'999));
}

void tst_AttachmentController::quitDeletesOnlyConvertedCopiesAndThumbnails()
{
    const QString cache = MediaCache::folder();
    QVERIFY(!cache.isEmpty());
    const QString source = cache + QStringLiteral("/SOURCE.png");
    const QString converted = cache + QStringLiteral("/CONVERTED.jpg");
    const QString thumbnail = cache + QStringLiteral("/THUMB.jpg");
    const QString outside = m_folder->filePath(QStringLiteral("elsewhere.jpg"));
    for (const QString& path : {source, converted, thumbnail, outside})
        QVERIFY(writeBytes(path, "bytes"));
    auto image = std::make_shared<ImageAttachment>();
    image->setUniqueID(QStringLiteral("IMAGE"));
    image->setUploadPath(QStringLiteral("http://x/image.png"));
    // A stored path names the cache copy as it is; no copy is made of it.
    image->Attachment::setFilePath(source);
    image->setCachedPath(converted);
    image->setThumbCachedPath(thumbnail);
    auto stranger = std::make_shared<ImageAttachment>();
    stranger->setUniqueID(QStringLiteral("STRANGER"));
    stranger->setUploadPath(QStringLiteral("http://x/s.png"));
    stranger->setCachedPath(outside); // a stored path naming a file outside the cache

    ManualClock clock;
    AttachmentController library(m_path, clock);
    library.loadAttachments();
    QTRY_VERIFY(library.isLoaded());
    library.addAttachments({image, stranger});
    library.cleanUp();
    QVERIFY(!QFile::exists(converted));
    QVERIFY(!QFile::exists(thumbnail));
    QVERIFY(QFile::exists(source));
    QVERIFY(QFile::exists(outside));
    // Saved before, with both.
    const auto saved =
        KeyedUnarchiver::recordsIn<Attachment>(KeyedUnarchiver::unarchiveFile(m_path));
    QVERIFY(saved);
    QCOMPARE(keysOf(*saved), QStringList({"IMAGE", "STRANGER"}));
}

QTEST_MAIN(tst_AttachmentController)
#include "tst_attachmentcontroller.moc"
