#include "SupportFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum class InTheWay { Nothing, Folder, PlainFile, LinkToFile, LinkToFolder, DanglingLink };

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Collects the failure messages instead of showing the alert, for the life of the object.
class FailureRecorder {
public:
    FailureRecorder()
        : previous_(cutils::setSupportFolderFailureHandler(
              [this](const QString& message) { messages << message; }))
    {
    }
    ~FailureRecorder() { cutils::setSupportFolderFailureHandler(previous_); }
    QStringList messages;

private:
    cutils::SupportFolderFailureHandler previous_;
};

// Collects the notices of things moved out of a folder's way.
class MovedAsideRecorder {
public:
    MovedAsideRecorder()
        : previous_(
              cutils::setMovedAsideHandler([this](const QString& message) { messages << message; }))
    {
    }
    ~MovedAsideRecorder() { cutils::setMovedAsideHandler(previous_); }
    QStringList messages;

private:
    cutils::MovedAsideHandler previous_;
};

bool isPrivate(const QString& path)
{
    const QFile::Permissions forOthers = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                         QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return (QFileInfo(path).permissions() & forOthers) == QFile::Permissions();
}

// Points XDG_DATA_HOME elsewhere for the life of the object.
class DataHomeOverride {
public:
    explicit DataHomeOverride(const QString& path) : saved_(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", path.toLocal8Bit());
    }
    ~DataHomeOverride() { qputenv("XDG_DATA_HOME", saved_); }

private:
    QByteArray saved_;
};

} // namespace

Q_DECLARE_METATYPE(InTheWay)

class tst_SupportFolder : public QObject {
    Q_OBJECT

private slots:
    void supportFolderIsMadeUnderDataHome();
    void cacheFolderIsMadePrivate();
    void existingFoldersAreMadePrivate();
    void subFoldersAreMadeOnDemand();
    void verifyDirectory_data();
    void verifyDirectory();
    void verifyDirectoryRefusesEmptyPath();
    void supportFolderMovesFileOutOfTheWay();
    void unusableDataHomeIsReported();
};

void tst_SupportFolder::supportFolderIsMadeUnderDataHome()
{
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    QVERIFY2(!dataHome.isEmpty(), "the test runner sets XDG_DATA_HOME");
    const QString expected = dataHome + QStringLiteral("/plumet3");
    QDir(expected).removeRecursively();

    FailureRecorder failures;
    QCOMPARE(cutils::applicationSupportFolder(), expected);
    QVERIFY(QFileInfo(expected).isDir());
    QVERIFY(isPrivate(expected));
    QVERIFY(failures.messages.isEmpty());
}

void tst_SupportFolder::cacheFolderIsMadePrivate()
{
    const QString expected = qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/plumet3");
    QDir(expected).removeRecursively();
    QCOMPARE(cutils::applicationCacheFolder(), expected);
    QVERIFY(QFileInfo(expected).isDir());
    QVERIFY(isPrivate(expected));
}

void tst_SupportFolder::existingFoldersAreMadePrivate()
{
    // As earlier versions left them: readable by every local user.
    const QStringList folders{qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/plumet3"),
                              qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/plumet3"),
                              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/plumet")};
    const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther;
    for (const QString& folder : folders) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, open));
        QVERIFY(!isPrivate(folder));
    }
    QCOMPARE(cutils::settingsFolder(), folders.last());
    cutils::restrictUserFolders();
    for (const QString& folder : folders)
        QVERIFY2(isPrivate(folder), qPrintable(folder));
}

void tst_SupportFolder::subFoldersAreMadeOnDemand()
{
    FailureRecorder failures;
    const QString folder = cutils::applicationSupportFolder();
    QDir(folder + QStringLiteral("/Scripts")).removeRecursively();

    const QString scripts = cutils::applicationSupportSubFolder(QStringLiteral("Scripts"));
    QCOMPARE(scripts, folder + QStringLiteral("/Scripts"));
    QVERIFY(QFileInfo(scripts).isDir());

    // An existing sub folder keeps what it holds.
    QVERIFY(writeFile(scripts + QStringLiteral("/keep.sh"), "echo kept"));
    QCOMPARE(cutils::applicationSupportSubFolder(QStringLiteral("Scripts")), scripts);
    QCOMPARE(readFile(scripts + QStringLiteral("/keep.sh")), QByteArray("echo kept"));
    QVERIFY(failures.messages.isEmpty());
}

void tst_SupportFolder::verifyDirectory_data()
{
    QTest::addColumn<InTheWay>("inTheWay");
    QTest::addColumn<bool>("emptyAfterwards");
    QTest::addColumn<bool>("movedAside");
    QTest::newRow("nothing there") << InTheWay::Nothing << true << false;
    QTest::newRow("folder keeps its files") << InTheWay::Folder << false << false;
    QTest::newRow("plain file moved aside") << InTheWay::PlainFile << true << true;
    QTest::newRow("link to a file moved aside") << InTheWay::LinkToFile << true << true;
    QTest::newRow("link to a folder kept") << InTheWay::LinkToFolder << false << false;
    QTest::newRow("dangling link moved aside") << InTheWay::DanglingLink << true << true;
}

void tst_SupportFolder::verifyDirectory()
{
    QFETCH(InTheWay, inTheWay);
    QFETCH(bool, emptyAfterwards);
    QFETCH(bool, movedAside);
    MovedAsideRecorder notices;

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString path = root.filePath(QStringLiteral("cache"));
    const QString target = root.filePath(QStringLiteral("elsewhere"));
    switch (inTheWay) {
    case InTheWay::Nothing:
        break;
    case InTheWay::Folder:
        QVERIFY(QDir().mkpath(path));
        QVERIFY(writeFile(path + QStringLiteral("/entry.plist"), "data"));
        break;
    case InTheWay::PlainFile:
        QVERIFY(writeFile(path, "stray"));
        break;
    case InTheWay::LinkToFile:
        QVERIFY(writeFile(target, "precious"));
        QVERIFY(QFile::link(target, path));
        break;
    case InTheWay::LinkToFolder:
        QVERIFY(QDir().mkpath(target));
        QVERIFY(writeFile(target + QStringLiteral("/entry.plist"), "data"));
        QVERIFY(QFile::link(target, path));
        break;
    case InTheWay::DanglingLink:
        QVERIFY(QFile::link(root.filePath(QStringLiteral("gone")), path));
        break;
    }

    const QDateTime when(QDate(2026, 5, 6), QTime(7, 8, 9));
    QVERIFY(cutils::verifyDirectory(path, when));

    const QFileInfo info(path);
    QVERIFY(info.isDir());
    QCOMPARE(QDir(path).isEmpty(), emptyAfterwards);
    if (inTheWay == InTheWay::LinkToFile) {
        QVERIFY(!info.isSymLink());
        QCOMPARE(readFile(target), QByteArray("precious"));
    }
    if (inTheWay == InTheWay::LinkToFolder)
        QVERIFY(info.isSymLink());
    // Nothing is deleted: what stood in the way keeps a dated name, and the user is told.
    const QString aside = path + QStringLiteral(".2026-05-06-070809.moved");
    QCOMPARE(QFileInfo(aside).exists() || QFileInfo(aside).isSymLink(), movedAside);
    QCOMPARE(notices.messages.size(), movedAside ? 1 : 0);
    if (movedAside) {
        QVERIFY2(notices.messages.first().contains(aside), qPrintable(notices.messages.first()));
        if (inTheWay == InTheWay::PlainFile)
            QCOMPARE(readFile(aside), QByteArray("stray"));
    }
}

void tst_SupportFolder::verifyDirectoryRefusesEmptyPath()
{
    QVERIFY(!cutils::verifyDirectory(QString()));
}

void tst_SupportFolder::supportFolderMovesFileOutOfTheWay()
{
    QTemporaryDir dataHome;
    QVERIFY(dataHome.isValid());
    QVERIFY(writeFile(dataHome.filePath(QStringLiteral("plumet3")), "stray"));
    DataHomeOverride override(dataHome.path());
    FailureRecorder failures;
    MovedAsideRecorder notices;

    QCOMPARE(cutils::applicationSupportFolder(), dataHome.filePath(QStringLiteral("plumet3")));
    QVERIFY(QFileInfo(dataHome.filePath(QStringLiteral("plumet3"))).isDir());
    QVERIFY(failures.messages.isEmpty());
    QCOMPARE(notices.messages.size(), 1);
    const QStringList aside = QDir(dataHome.path()).entryList({QStringLiteral("plumet3.*.moved")});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readFile(dataHome.filePath(aside.first())), QByteArray("stray"));
}

void tst_SupportFolder::unusableDataHomeIsReported()
{
    // A plain file where a parent folder should be: nothing can be made below it.
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(writeFile(root.filePath(QStringLiteral("blocker")), "file"));
    DataHomeOverride override(root.filePath(QStringLiteral("blocker/data")));
    FailureRecorder failures;

    QVERIFY(cutils::applicationSupportFolder().isEmpty());
    QVERIFY(cutils::applicationSupportSubFolder(QStringLiteral("Scripts")).isEmpty());
    QCOMPARE(failures.messages.size(), 2);
    QVERIFY2(failures.messages.first().contains(QStringLiteral("application support folder")),
             qPrintable(failures.messages.first()));
    QCOMPARE(readFile(root.filePath(QStringLiteral("blocker"))), QByteArray("file"));
}

QTEST_GUILESS_MAIN(tst_SupportFolder)
#include "tst_supportfolder.moc"
