#include "ImageAttachment.h"
#include "KilledChild.h"
#include "MovieAttachment.h"
#include "NotificationCenter.h"
#include "PlistUid.h"
#include "Presets.h"
#include "PropertyList.h"
#include "TestSupport.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

namespace {

const char ChildPath[] = "PLUMET_PRESETS_CHILD_PATH";

QStringList names(const Presets& store)
{
    QStringList result;
    for (const MediaAttachmentPtr& preset : store.presets())
        result.append(preset->uniqueID());
    return result;
}

std::shared_ptr<ImageAttachment> image(int thumbHeight, int marginLeft)
{
    auto made = std::make_shared<ImageAttachment>();
    made->setFilePath(testDataPath(QStringLiteral("model/dot.png")));
    made->setThumbCreate(true);
    made->setThumbHeight(thumbHeight);
    made->setMargin(MediaAttachment::Left, marginLeft);
    made->setUseScaling(true);
    made->setScaledWidth(480);
    return made;
}

std::shared_ptr<MovieAttachment> movie(bool autoplay)
{
    auto made = std::make_shared<MovieAttachment>();
    made->setFilePath(QStringLiteral("/nowhere/clip.mov"));
    made->setMoviePlayAutomatically(autoplay);
    made->setMargin(MediaAttachment::Left, 30);
    return made;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The archive's objects: for each element of the root list, its class chain
// and its keys, in list order.
struct ArchivedRecord {
    QStringList classes;
    QStringList keys;
    bool operator==(const ArchivedRecord&) const = default;
};

QList<ArchivedRecord> archivedRecords(const QByteArray& bytes)
{
    const QVariantMap archive = PropertyList::read(bytes).toMap();
    const QVariantList objects = archive.value(QStringLiteral("$objects")).toList();
    auto object = [&](const QVariant& uid) {
        return objects.value(qsizetype(uid.value<PlistUid>().value)).toMap();
    };
    const QVariantMap root = object(archive.value(QStringLiteral("$top")).toMap().value("root"));
    QList<ArchivedRecord> records;
    for (const QVariant& element : root.value(QStringLiteral("NS.objects")).toList()) {
        QVariantMap fields = object(element);
        ArchivedRecord record;
        record.classes =
            object(fields.take(QStringLiteral("$class"))).value("$classes").toStringList();
        record.keys = fields.keys();
        records.append(record);
    }
    return records;
}

// Adds a preset and ends a dialog again and again, each time written at once,
// and says "ready" after twenty; the test then kills it wherever it is.
int childSavesUntilKilled(const QString& path)
{
    Presets store(path);
    const auto from = image(80, 4);
    for (int i = 1;; ++i) {
        store.addPreset(QStringLiteral("round %1").arg(i % 7), *from);
        store.dialogEnded();
        if (i == 20) {
            QFile out;
            out.open(stdout, QIODevice::WriteOnly);
            out.write("ready\n");
            out.flush();
        }
    }
}

} // namespace

// The preset store: its file in the original layout, names unique and looked up
// exactly, the menu's order, applying by kind, saving after each dialog, and a
// file it cannot read kept aside.
class tst_Presets : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void missingFileGivesNoPresets();
    void fixtureLoadsInItsOrder();
    void roundTripKeepsTheLayout();
    void savingUnderATakenNameReplaces();
    void onlyImagesAndMoviesBecomePresets();
    void keysSortWithoutRegardToCase_data();
    void keysSortWithoutRegardToCase();
    void lookupIsExact();
    void nameProblems_data();
    void nameProblems();
    void renameRefusesBlankAndTakenNames();
    void applyToSelectionByKind();
    void applyToAttachmentOnlyOfItsKind();
    void lastUsedPresetOfTheKind();
    void dialogEndSavesAndPosts();
    void cancelledDialogPostsAndWritesNothing();
    void unreadableFileIsKeptAside_data();
    void unreadableFileIsKeptAside();
    void aFailedSaveIsReportedAndKept();
    void killedWhileSavingTheFileIsWhole();
    void quitSavesAndEndsTheSharedStore();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void tst_Presets::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("presets.plist"));
    UserDefaults::sharedInstance().setValue(QString::fromLatin1(Presets::LastUsedPresetKey),
                                            QVariant());
}

void tst_Presets::cleanup()
{
    m_dir.reset();
}

void tst_Presets::missingFileGivesNoPresets()
{
    Presets store(m_path);
    QVERIFY(store.presets().isEmpty());
    QVERIFY(store.presetKeys().isEmpty());
    QVERIFY(store.loadReport().isEmpty());
    QVERIFY(!store.hasUnsavedChanges());
    QVERIFY(!QFile::exists(m_path));
}

void tst_Presets::fixtureLoadsInItsOrder()
{
    QVERIFY(QFile::copy(testDataPath(QStringLiteral("model/presets.plist")), m_path));
    Presets store(m_path);
    QVERIFY2(store.loadReport().isEmpty(), qPrintable(store.loadReport()));
    QCOMPARE(names(store), (QStringList{"Web 480", "autoplay clip"}));
    auto web = std::dynamic_pointer_cast<ImageAttachment>(store.presetForKey("Web 480"));
    auto clip = std::dynamic_pointer_cast<MovieAttachment>(store.presetForKey("autoplay clip"));
    QVERIFY(web);
    QVERIFY(clip);
    QCOMPARE(web->destination(), QStringLiteral("/images/2008"));
    QCOMPARE(web->thumbHeight(), 120);
    QCOMPARE(web->thumbWidth(), 160);
    QCOMPARE(web->thumbPrefix(), QStringLiteral("t_"));
    QCOMPARE(web->margin(MediaAttachment::Right), std::optional<int>(8));
    QCOMPARE(web->scaledWidth(), 480);
    QCOMPARE(web->conversionQuality(), std::optional<double>(0.7));
    QCOMPARE(web->longdesc(), QStringLiteral("A photograph"));
    QCOMPARE(clip->moviePlayAutomatically(), std::optional<bool>(true));
    QCOMPARE(clip->movieShowController(), std::optional<bool>(false));
    QCOMPARE(clip->movieLinkOption(), std::optional<int>(MovieAttachment::ThumbnailImage));

    // Applied to a picture, the preset's settings arrive.
    auto photo = image(100, 0);
    QCOMPARE(store.applyToSelection(QStringLiteral("Web 480"), {photo}), 1);
    QCOMPARE(photo->thumbHeight(), 120);
    QCOMPARE(photo->margin(MediaAttachment::Right), std::optional<int>(8));
    QCOMPARE(photo->destination(), QStringLiteral("/images/2008"));
}

void tst_Presets::roundTripKeepsTheLayout()
{
    const QString fixture = testDataPath(QStringLiteral("model/presets.plist"));
    QVERIFY(QFile::copy(fixture, m_path));
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    {
        Presets store(m_path);
        QString error;
        QVERIFY2(store.savePresets(&error), qPrintable(error));
    }
    // The class names and keys of the original, record by record.
    const QList<ArchivedRecord> original = archivedRecords(readAll(fixture));
    const QList<ArchivedRecord> written = archivedRecords(readAll(m_path));
    QCOMPARE(original.size(), 2);
    QCOMPARE(original.first().classes,
             (QStringList{"ImageAttachment", "MediaAttachment", "Attachment", "NSObject"}));
    QCOMPARE(written.size(), original.size());
    for (int i = 0; i < original.size(); ++i) {
        QCOMPARE(written[i].classes, original[i].classes);
        QCOMPARE(written[i].keys, original[i].keys);
    }
    const QVariantMap archive = PropertyList::read(readAll(m_path)).toMap();
    QCOMPARE(archive.value(QStringLiteral("$archiver")).toString(),
             QStringLiteral("NSKeyedArchiver"));

    // And read again, the same presets with the same settings.
    Presets reread(m_path);
    QCOMPARE(names(reread), (QStringList{"Web 480", "autoplay clip"}));
    auto web = std::dynamic_pointer_cast<ImageAttachment>(reread.presetForKey("Web 480"));
    QVERIFY(web);
    QCOMPARE(web->sharpenIntensity(), std::optional<double>(0.5));
    QCOMPARE(web->floatOption(), std::optional<int>(1));
}

void tst_Presets::savingUnderATakenNameReplaces()
{
    Presets store(m_path);
    QSignalSpy inserted(&store, &Presets::presetInserted);
    QSignalSpy removed(&store, &Presets::presetRemoved);
    QVERIFY(store.addPreset(QStringLiteral("Web"), *image(90, 1)));
    QVERIFY(store.addPreset(QStringLiteral("Print"), *image(300, 2)));
    QVERIFY(store.addPreset(QStringLiteral("Web"), *image(150, 3)));
    // One preset of the name, with the later settings, now last in the list.
    QCOMPARE(names(store), (QStringList{"Print", "Web"}));
    QCOMPARE(store.presetForKey("Web")->thumbHeight(), 150);
    QCOMPARE(store.presetForKey("Web")->margin(MediaAttachment::Left), std::optional<int>(3));
    QCOMPARE(inserted.size(), 3);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.first().first().toInt(), 0);

    // Of any kind: a movie preset takes the place of an image preset.
    QVERIFY(store.addPreset(QStringLiteral(" Web "), *movie(true)));
    QCOMPARE(names(store), (QStringList{"Print", "Web"}));
    QVERIFY(std::dynamic_pointer_cast<MovieAttachment>(store.presetForKey("Web")));
    QVERIFY(store.hasUnsavedChanges());
}

void tst_Presets::onlyImagesAndMoviesBecomePresets()
{
    Presets store(m_path);
    Attachment plain;
    plain.setFilePath(QStringLiteral("/nowhere/notes.txt"));
    QVERIFY(!store.addPreset(QStringLiteral("Notes"), plain));
    QVERIFY(!store.addPreset(QStringLiteral("   "), *image(90, 1)));
    QVERIFY(!store.addPreset(QString(), *image(90, 1)));
    QVERIFY(store.presets().isEmpty());
    QVERIFY(!store.hasUnsavedChanges());

    // A preset copies settings, not the file.
    const MediaAttachmentPtr made = store.addPreset(QStringLiteral("Web"), *image(90, 1));
    QVERIFY(made);
    QVERIFY(made->filePath().isEmpty());
    QCOMPARE(made->uniqueID(), QStringLiteral("Web"));
}

void tst_Presets::keysSortWithoutRegardToCase_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("none") << QStringList{} << QStringList{};
    QTest::newRow("one") << QStringList{"Web"} << QStringList{"Web"};
    QTest::newRow("capital among lower case")
        << QStringList{"web", "Banner", "archive"} << QStringList{"archive", "Banner", "web"};
    QTest::newRow("added order kept out of it") << QStringList{"Zoom", "alpha", "Mid", "beta"}
                                                << QStringList{"alpha", "beta", "Mid", "Zoom"};
    QTest::newRow("case only apart") << QStringList{"web", "Web"} << QStringList{"web", "Web"};
}

void tst_Presets::keysSortWithoutRegardToCase()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, keys);
    Presets store(m_path);
    for (const QString& name : added)
        QVERIFY(store.addPreset(name, *image(100, 0)));
    QCOMPARE(names(store), added);
    QCOMPARE(store.presetKeys(), keys);
}

void tst_Presets::lookupIsExact()
{
    Presets store(m_path);
    store.addPreset(QStringLiteral("Web"), *image(100, 0));
    QVERIFY(store.presetForKey(QStringLiteral("Web")));
    QVERIFY(!store.presetForKey(QStringLiteral("web")));
    QVERIFY(!store.presetForKey(QStringLiteral("Web ")));
    QVERIFY(!store.presetForKey(QString()));
}

void tst_Presets::nameProblems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("except");
    QTest::addColumn<int>("problem");
    const int none = int(Presets::NameProblem::None);
    const int blank = int(Presets::NameProblem::Blank);
    const int taken = int(Presets::NameProblem::Taken);
    // The store holds "Web" (index 0) and "Print" (index 1).
    QTest::newRow("new name") << "Banner" << -1 << none;
    QTest::newRow("empty") << "" << -1 << blank;
    QTest::newRow("null") << QString() << -1 << blank;
    QTest::newRow("spaces") << "   " << -1 << blank;
    QTest::newRow("tab and newline") << "\t\n" << -1 << blank;
    QTest::newRow("no-break space") << QString(QChar(0x00A0)) << -1 << blank;
    QTest::newRow("taken") << "Web" << -1 << taken;
    QTest::newRow("taken with spaces around") << "  Web " << -1 << taken;
    QTest::newRow("other case is another name") << "web" << -1 << none;
    QTest::newRow("own name while renaming") << "Web" << 0 << none;
    QTest::newRow("another's name while renaming") << "Print" << 0 << taken;
    QTest::newRow("blank while renaming") << " " << 0 << blank;
}

void tst_Presets::nameProblems()
{
    QFETCH(QString, name);
    QFETCH(int, except);
    QFETCH(int, problem);
    Presets store(m_path);
    store.addPreset(QStringLiteral("Web"), *image(100, 0));
    store.addPreset(QStringLiteral("Print"), *image(100, 0));
    const Presets::NameProblem found = store.nameProblem(name, except);
    QCOMPARE(int(found), problem);
    QCOMPARE(Presets::nameProblemText(found, name).isEmpty(), found == Presets::NameProblem::None);
}

void tst_Presets::renameRefusesBlankAndTakenNames()
{
    Presets store(m_path);
    store.addPreset(QStringLiteral("Web"), *image(100, 0));
    store.addPreset(QStringLiteral("Print"), *image(300, 0));
    QSignalSpy renamed(&store, &Presets::presetRenamed);
    QString problem;
    QVERIFY(!store.renamePreset(1, QStringLiteral("Web"), &problem));
    QVERIFY2(problem.contains(QStringLiteral("\u201CWeb\u201D")), qPrintable(problem));
    QVERIFY(!store.renamePreset(1, QStringLiteral("  "), &problem));
    QCOMPARE(problem, QStringLiteral("A preset needs a name."));
    QCOMPARE(names(store), (QStringList{"Web", "Print"}));
    QVERIFY(renamed.isEmpty());

    QVERIFY(store.renamePreset(1, QStringLiteral(" Poster "), &problem));
    QCOMPARE(names(store), (QStringList{"Web", "Poster"}));
    QCOMPARE(store.presetForKey("Poster")->thumbHeight(), 300);
    QCOMPARE(renamed.size(), 1);
    // Its own name again is no change.
    QVERIFY(store.renamePreset(0, QStringLiteral("Web")));
    QCOMPARE(renamed.size(), 1);
    QVERIFY(!store.renamePreset(5, QStringLiteral("Elsewhere")));
}

void tst_Presets::applyToSelectionByKind()
{
    Presets store(m_path);
    store.addPreset(QStringLiteral("Big"), *image(240, 12));
    const auto photo = image(100, 0);
    const auto clip = movie(false);
    QSignalSpy clipChanges(clip.get(), &ModelRecord::valueChanged);
    const QString lastUsed = QString::fromLatin1(Presets::LastUsedPresetKey);

    QCOMPARE(store.applyToSelection(QStringLiteral("Big"), {photo, clip}), 1);
    QCOMPARE(photo->thumbHeight(), 240);
    QCOMPARE(photo->margin(MediaAttachment::Left), std::optional<int>(12));
    QCOMPARE(clip->margin(MediaAttachment::Left), std::optional<int>(30));
    QVERIFY(clipChanges.isEmpty());
    QCOMPARE(UserDefaults::sharedInstance().value(lastUsed).toString(), QStringLiteral("Big"));

    // Remembered even when nothing selected is of its kind.
    store.addPreset(QStringLiteral("Loop"), *movie(true));
    QCOMPARE(store.applyToSelection(QStringLiteral("Loop"), {photo}), 0);
    QCOMPARE(UserDefaults::sharedInstance().value(lastUsed).toString(), QStringLiteral("Loop"));
    // Nothing selected, or no such preset: nothing at all.
    QCOMPARE(store.applyToSelection(QStringLiteral("Big"), {}), 0);
    QCOMPARE(store.applyToSelection(QStringLiteral("big"), {photo}), 0);
    QCOMPARE(UserDefaults::sharedInstance().value(lastUsed).toString(), QStringLiteral("Loop"));
}

void tst_Presets::applyToAttachmentOnlyOfItsKind()
{
    Presets store(m_path);
    store.addPreset(QStringLiteral("Loop"), *movie(true));
    store.addPreset(QStringLiteral("Big"), *image(240, 12));
    const QString lastUsed = QString::fromLatin1(Presets::LastUsedPresetKey);
    const auto photo = image(100, 0);
    QVERIFY(!store.applyToAttachment(QStringLiteral("Loop"), *photo));
    QCOMPARE(photo->margin(MediaAttachment::Left), std::optional<int>(0));
    QVERIFY(!UserDefaults::sharedInstance().value(lastUsed).isValid());

    const auto clip = movie(false);
    QVERIFY(store.applyToAttachment(QStringLiteral("Loop"), *clip));
    QCOMPARE(clip->moviePlayAutomatically(), std::optional<bool>(true));
    QCOMPARE(UserDefaults::sharedInstance().value(lastUsed).toString(), QStringLiteral("Loop"));
}

void tst_Presets::lastUsedPresetOfTheKind()
{
    Presets store(m_path);
    store.addPreset(QStringLiteral("Loop"), *movie(true));
    store.addPreset(QStringLiteral("Big"), *image(240, 12));
    const auto photo = image(100, 0);
    const auto clip = movie(false);
    QVERIFY(!store.lastUsedPresetFor(*photo));
    store.applyToSelection(QStringLiteral("Loop"), {clip});
    QCOMPARE(store.lastUsedPresetFor(*clip), store.presetForKey("Loop"));
    // A movie preset is no preset for a new picture.
    QVERIFY(!store.lastUsedPresetFor(*photo));
    store.removePreset(store.indexOf(QStringLiteral("Loop")));
    QVERIFY(!store.lastUsedPresetFor(*clip));
}

void tst_Presets::dialogEndSavesAndPosts()
{
    Presets store(m_path);
    QObject observer;
    int posted = 0;
    NotificationCenter::sharedInstance().observe(QStringLiteral("presetsChanged"), &observer,
                                                 [&](const Notification& notification) {
                                                     QVERIFY(!notification.object);
                                                     // Those told can read the file already.
                                                     QCOMPARE(names(Presets(m_path)), names(store));
                                                     ++posted;
                                                 });
    store.addPreset(QStringLiteral("Web"), *image(100, 0));
    QVERIFY(!QFile::exists(m_path));
    store.dialogEnded();
    QCOMPARE(posted, 1);
    QVERIFY(!store.hasUnsavedChanges());
    QCOMPARE(names(Presets(m_path)), QStringList{"Web"});

    store.removePreset(0);
    store.dialogEnded();
    QCOMPARE(posted, 2);
    QVERIFY(Presets(m_path).presets().isEmpty());
}

void tst_Presets::cancelledDialogPostsAndWritesNothing()
{
    QVERIFY(QFile::copy(testDataPath(QStringLiteral("model/presets.plist")), m_path));
    const QByteArray before = readAll(m_path);
    Presets store(m_path);
    QObject observer;
    int posted = 0;
    NotificationCenter::sharedInstance().observe(QStringLiteral("presetsChanged"), &observer,
                                                 [&](const Notification&) { ++posted; });
    store.dialogEnded();
    QCOMPARE(posted, 1);
    QCOMPARE(readAll(m_path), before);
}

void tst_Presets::unreadableFileIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // The presets that could be read, written to a new file at the first
    // dialog's end, so that they are not lost either.
    QTest::addColumn<QStringList>("readable");
    const QByteArray fixture = readAll(testDataPath(QStringLiteral("model/presets.plist")));
    QTest::newRow("garbage") << QByteArray("bplist00 this is no archive") << QStringList{};
    QTest::newRow("truncated") << fixture.left(fixture.size() / 2) << QStringList{};
    QByteArray notAList = fixture;
    // The root names the first preset instead of the list.
    notAList.replace("<key>root</key><dict><key>CF$UID</key><integer>1</integer>",
                     "<key>root</key><dict><key>CF$UID</key><integer>2</integer>");
    QTest::newRow("root not a list") << notAList << QStringList{};
    QByteArray unknownClass = fixture;
    unknownClass.replace("<string>MovieAttachment</string>\n", "<string>Gadget</string>\n");
    QTest::newRow("a record of an unknown class") << unknownClass << QStringList{"Web 480"};
    QByteArray plainFile = fixture;
    plainFile.replace("<array><string>MovieAttachment</string><string>MediaAttachment</string>",
                      "<array>");
    plainFile.replace("<string>MovieAttachment</string>\n", "<string>Attachment</string>\n");
    QTest::newRow("a plain attachment in the list") << plainFile << QStringList{"Web 480"};
}

void tst_Presets::unreadableFileIsKeptAside()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, readable);
    {
        QFile broken(m_path);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(bytes);
    }
    QSet<QString> kept;
    {
        Presets store(m_path);
        QVERIFY(!QFile::exists(m_path));
        const QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.first().endsWith(QStringLiteral(".unreadable")));
        QVERIFY2(store.loadReport().contains(files.first()), qPrintable(store.loadReport()));
        QCOMPARE(readAll(m_dir->filePath(files.first())), bytes);
        kept.insert(files.first());

        QCOMPARE(names(store), readable);

        // No empty list is written in its place.
        store.dialogEnded();
        QCOMPARE(QFile::exists(m_path), !readable.isEmpty());
        if (!readable.isEmpty())
            QCOMPARE(names(Presets(m_path)), readable);

        // A preset saved afterwards starts a new file; the old stays aside.
        store.addPreset(QStringLiteral("Fresh"), *image(100, 0));
        store.dialogEnded();
    }
    QCOMPARE(names(Presets(m_path)), readable + QStringList{"Fresh"});
    QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
    QVERIFY(files.removeOne(QStringLiteral("presets.plist")));
    QCOMPARE(QSet<QString>(files.begin(), files.end()), kept);
    QCOMPARE(readAll(m_dir->filePath(*kept.begin())), bytes);
}

void tst_Presets::aFailedSaveIsReportedAndKept()
{
    // The file's folder is a plain file: nothing can be written there.
    const QString blocker = m_dir->filePath(QStringLiteral("blocker"));
    {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Presets store(blocker + QStringLiteral("/presets.plist"));
    QSignalSpy failed(&store, &Presets::saveFailed);
    store.addPreset(QStringLiteral("Web"), *image(100, 0));
    store.dialogEnded();
    QCOMPARE(failed.size(), 1);
    QVERIFY2(failed.first().first().toString().startsWith(
                 QStringLiteral("The presets could not be saved: ")),
             qPrintable(failed.first().first().toString()));
    // Still to be written, at the next dialog or at quit.
    QVERIFY(store.hasUnsavedChanges());
}

void tst_Presets::killedWhileSavingTheFileIsWhole()
{
    for (int round = 0; round < 3; ++round) {
        QFile::remove(m_path);
        plumet::test::killChildWhenReady(ChildPath, m_path, round * 7);
        if (QTest::currentTestFailed())
            return;

        // Every round's names (0 to 6) are in, each once, whole.
        Presets reread(m_path);
        QVERIFY2(reread.loadReport().isEmpty(), qPrintable(reread.loadReport()));
        QCOMPARE(reread.presets().size(), 7);
        const QStringList keys = reread.presetKeys();
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), 7);
        QCOMPARE(reread.presets().first()->thumbHeight(), 80);
        QStringList left = QDir(m_dir->path()).entryList(QDir::Files);
        QVERIFY(left.removeOne(QStringLiteral("presets.plist")));
        static const QRegularExpression temporary(QStringLiteral("^presets\\.plist\\.\\w{6}$"));
        for (const QString& name : std::as_const(left))
            QVERIFY2(temporary.match(name).hasMatch(), qPrintable(name));
    }
}

void tst_Presets::quitSavesAndEndsTheSharedStore()
{
    QVERIFY(!Presets::instanceExists());
    Presets& shared = Presets::sharedInstance();
    QVERIFY(Presets::instanceExists());
    QCOMPARE(&Presets::sharedInstance(), &shared);
    QCOMPARE(shared.path(), Presets::defaultPath());
    QVERIFY(shared.path().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
    QVERIFY(shared.path().endsWith(QStringLiteral("/presets.plist")));
    QFile::remove(shared.path());
    shared.addPreset(QStringLiteral("At quit"), *image(100, 0));
    QPointer<Presets> going(&shared);

    NotificationCenter::sharedInstance().post(QStringLiteral("goingToQuitNotification"));
    QVERIFY(!Presets::instanceExists());
    QCOMPARE(names(Presets(Presets::defaultPath())), QStringList{"At quit"});
    QTRY_VERIFY(going.isNull());
    QFile::remove(Presets::defaultPath());
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(ChildPath)) {
        QCoreApplication app(argc, argv);
        return childSavesUntilKilled(qEnvironmentVariable(ChildPath));
    }
    QGuiApplication app(argc, argv);
    tst_Presets test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_presets.moc"
