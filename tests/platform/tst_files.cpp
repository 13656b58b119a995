#include "AtomicFile.h"
#include "FileSizeLimit.h"
#include "KeyedArchiver.h"
#include "PropertyList.h"
#include "RegularFile.h"
#include "StoredArchive.h"
#include "UniqueId.h"
#include "UnreadableFile.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Standing {
    Small,
    AtTheCap,
    OverTheCap,
    LinkToFile,
    Folder,
    Fifo,
    LinkToDevZero,
    Missing
};

// Puts the named kind of thing at `path`, with `target` for what a link points to.
bool place(Standing standing, const QString& path, const QString& target)
{
    const auto write = [](const QString& at, const QByteArray& bytes) {
        QFile file(at);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    switch (standing) {
    case Standing::Small:
        return write(path, "0123");
    case Standing::AtTheCap:
        return write(path, "0123456789");
    case Standing::OverTheCap:
        return write(path, "0123456789A");
    case Standing::LinkToFile:
        return write(target, "linked") && QFile::link(target, path);
    case Standing::Folder:
        return QDir().mkpath(path);
    case Standing::Fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case Standing::LinkToDevZero:
        return QFile::link(QStringLiteral("/dev/zero"), path);
    case Standing::Missing:
        return true;
    }
    return false;
}

enum class Writer { Bytes, PropertyList, KeyedArchive };

// Writes a list of one text of about `size` bytes the way `writer` does.
bool writeWith(Writer writer, const QString& path, qsizetype size, QString* error)
{
    const QString text(size, QLatin1Char('n'));
    switch (writer) {
    case Writer::Bytes:
        return AtomicFile::write(path, text.toLatin1(), error);
    case Writer::PropertyList:
        return PropertyList::writeFile(path, QVariantList{text}, PropertyList::Format::Binary,
                                       error);
    case Writer::KeyedArchive:
        return KeyedArchiver::archiveToFile(path, QVariantList{text}, error);
    }
    return false;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Standing)
Q_DECLARE_METATYPE(Writer)

class tst_Files : public QObject {
    Q_OBJECT

private slots:
    void uniqueIdsOfOneInstantDiffer();
    void atomicWriteReplacesWholeFile();
    void failedWriteKeepsTheOldFile();
    void writeCutShortKeepsTheOldFile_data();
    void writeCutShortKeepsTheOldFile();
    void fullFileSystemIsNamed();
    void unreadableFileIsMovedAsideWithADatedName();
    void storedListIsReadAsItStands();
    void storedListIsNeverLostToAnEmptyList_data();
    void storedListIsNeverLostToAnEmptyList();
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
    void storedListThatIsNoFileIsRefusedUnread_data();
    void storedListThatIsNoFileIsRefusedUnread();
};

void tst_Files::uniqueIdsOfOneInstantDiffer()
{
    // Ten thousand records made in one instant (pictures dropped at once, a
    // blog's factory templates) each get their own identifier.
    const qint64 instant = QDateTime::currentMSecsSinceEpoch();
    const QRegularExpression form(QStringLiteral("^[0-9a-f]{32}$"));
    QSet<QString> seen;
    for (int i = 0; i < 10000; ++i) {
        const QString id = newUniqueIDAt(instant);
        QVERIFY2(form.match(id).hasMatch(), qPrintable(id));
        seen.insert(id);
    }
    QCOMPARE(seen.size(), 10000);
    QVERIFY(form.match(newUniqueID()).hasMatch());
}

void tst_Files::atomicWriteReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("accounts.plist"));
    QVERIFY(AtomicFile::write(path, QByteArray(1000, 'a')));
    QVERIFY(AtomicFile::write(path, "short"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("short"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QStringList{QStringLiteral("accounts.plist")});
}

void tst_Files::failedWriteKeepsTheOldFile()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(
        !AtomicFile::write(dir.filePath(QStringLiteral("missing/folder/x.plist")), "x", &error));
    QVERIFY(error.contains(QLatin1String("x.plist")));

    // A full disk, simulated by a file-size limit that also binds root: the
    // old file stays as it was and no temporary file is left behind.
    const QString path = dir.filePath(QStringLiteral("list.plist"));
    QVERIFY(AtomicFile::write(path, "old"));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = AtomicFile::write(path, QByteArray(256 * 1024, 'n'), &error);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    QVERIFY(!written);
    QVERIFY(error.contains(QLatin1String("list.plist")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.plist")});
}

void tst_Files::writeCutShortKeepsTheOldFile_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<qsizetype>("size");
    const QList<std::pair<const char*, Writer>> writers{{"bytes", Writer::Bytes},
                                                        {"property list", Writer::PropertyList},
                                                        {"keyed archive", Writer::KeyedArchive}};
    for (const auto& [name, writer] : writers) {
        // A few kilobytes are held in a buffer until the file is closed; a
        // quarter megabyte goes to the file as it is written.
        QTest::addRow("%s, buffered", name) << writer << qsizetype(8 * 1024);
        QTest::addRow("%s, written through", name) << writer << qsizetype(256 * 1024);
    }
}

// The disk fills while the new bytes are written: the write says so, with the
// cause, and the file keeps every byte it had.
void tst_Files::writeCutShortKeepsTheOldFile()
{
    QFETCH(Writer, writer);
    QFETCH(qsizetype, size);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.plist"));
    QString error;
    QVERIFY2(writeWith(writer, path, 3000, &error), qPrintable(error));
    const QByteArray old = contents(path);

    bool written = true;
    {
        const plumet::test::FileSizeLimit limit(4096);
        QVERIFY(limit.isActive());
        written = writeWith(writer, path, size, &error);
    }
    QVERIFY(!written);
    QVERIFY2(error.contains(path) && error.contains(QLatin1String("could not be saved: File too "
                                                                  "large")),
             qPrintable(error));
    QCOMPARE(contents(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("list.plist")});
}

// On a file system that is really full the message says so in the system's
// words. Mounting a small one needs a mount namespace of our own, which a
// child process makes when it is allowed to; elsewhere the file-size limit
// above stands for it.
void tst_Files::fullFileSystemIsNamed()
{
    QTemporaryDir dir;
    int report[2];
    QCOMPARE(::pipe(report), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(report[0]);
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            ::_exit(77);
        const QString path = dir.filePath(QStringLiteral("accounts.plist"));
        QString error;
        if (!AtomicFile::write(path, "old accounts", &error))
            ::_exit(2);
        // Everything else the file system holds goes to a filler.
        QFile filler(dir.filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            ::_exit(3);
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        const bool written = AtomicFile::write(path, QByteArray(8 * 1024, 'n'), &error);
        const QByteArray said = (written ? "written" : contents(path) + '|' + error.toUtf8());
        if (::write(report[1], said.constData(), size_t(said.size())) != said.size())
            ::_exit(4);
        ::_exit(0);
    }
    ::close(report[1]);
    QByteArray said;
    char buffer[1024];
    for (ssize_t got; (got = ::read(report[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            said.append(buffer, got);
        else if (errno != EINTR)
            break;
    }
    ::close(report[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        QSKIP("no small file system can be mounted here");
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY2(said.startsWith("old accounts|"), said.constData());
    QVERIFY2(said.contains("could not be saved: No space left on device."), said.constData());
}

void tst_Files::unreadableFileIsMovedAsideWithADatedName()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("presets.plist"));
    const QDateTime when(QDate(2026, 5, 6), QTime(7, 8, 9));
    for (int round = 1; round <= 2; ++round) {
        QVERIFY(AtomicFile::write(path, "garbage"));
        QString message;
        const QString moved =
            UnreadableFile::moveAside(path, QStringLiteral("damaged"), &message, nullptr, when);
        const QString expected = round == 1
                                     ? path + QStringLiteral(".2026-05-06-070809.unreadable")
                                     : path + QStringLiteral(".2026-05-06-070809-2.unreadable");
        QCOMPARE(moved, expected);
        QVERIFY(!QFile::exists(path));
        QVERIFY(QFile::exists(moved));
        QVERIFY(message.contains(QLatin1String("damaged")));
    }
    QString error;
    QVERIFY(UnreadableFile::moveAside(path, QStringLiteral("gone"), nullptr, &error).isEmpty());
    QVERIFY(!error.isEmpty());
}

void tst_Files::storedListIsReadAsItStands()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("customtags.plist"));
    StoredArchive::Loaded loaded = StoredArchive::load(path);
    QVERIFY(!loaded.found); // first run
    QVERIFY(loaded.report.isEmpty());

    QVERIFY(KeyedArchiver::archiveToFile(path, QVariantList{QStringLiteral("b")}));
    loaded = StoredArchive::load(path);
    QVERIFY(loaded.found);
    QVERIFY(loaded.report.isEmpty());
    QCOMPARE(loaded.root, QVariant(QVariantList{QStringLiteral("b")}));
    QVERIFY(QFile::exists(path));
}

void tst_Files::storedListIsNeverLostToAnEmptyList_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("damaged") << QByteArray("bplist00 damaged");
    QTest::newRow("an archive of no list")
        << KeyedArchiver::archivedData(QVariantMap{{QStringLiteral("a"), 1}});
    // "$null" alone: what the original archiver leaves for a nil root.
    QTest::newRow("an archive of nothing") << KeyedArchiver::archivedData(QVariant());
}

void tst_Files::storedListIsNeverLostToAnEmptyList()
{
    // Moved aside and reported, the bytes kept: the caller starts with an
    // empty list, and its next save cannot destroy what the user had.
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("customtags.plist"));
    QVERIFY(AtomicFile::write(path, bytes));
    const StoredArchive::Loaded loaded = StoredArchive::load(path);
    QVERIFY(loaded.found);
    QVERIFY(!loaded.root.isValid());
    QVERIFY(loaded.report.contains(QLatin1String("customtags.plist")));
    // Said once, whether the reader or the mover says it.
    QCOMPARE(loaded.report.count(QLatin1String("could not be read")), 1);
    QCOMPARE(loaded.report.count(QStringLiteral("\"%1\"").arg(path)), 1);
    QVERIFY(!QFile::exists(path));
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("*.unreadable")});
    QCOMPARE(aside.size(), 1);
    QFile kept(dir.filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), bytes);
}

void tst_Files::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<Standing>("standing");
    QTest::addColumn<QByteArray>("expected"); // null: refused
    QTest::newRow("small file") << Standing::Small << QByteArray("0123");
    QTest::newRow("file of the cap's size") << Standing::AtTheCap << QByteArray("0123456789");
    QTest::newRow("file over the cap") << Standing::OverTheCap << QByteArray();
    QTest::newRow("link to a file") << Standing::LinkToFile << QByteArray("linked");
    QTest::newRow("folder") << Standing::Folder << QByteArray();
    QTest::newRow("FIFO") << Standing::Fifo << QByteArray();
    QTest::newRow("link to /dev/zero") << Standing::LinkToDevZero << QByteArray();
    QTest::newRow("nothing") << Standing::Missing << QByteArray();
}

void tst_Files::onlyRegularFilesAreRead()
{
    QFETCH(Standing, standing);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Info.plist"));
    QVERIFY(place(standing, path, dir.filePath(QStringLiteral("target"))));
    QString error;
    const std::optional<QByteArray> bytes = RegularFile::read(path, 10, &error);
    if (expected.isNull()) {
        QVERIFY(!bytes);
        QVERIFY2(error.contains(QLatin1String("Info.plist")), qPrintable(error));
    } else {
        QVERIFY2(bytes, qPrintable(error));
        QCOMPARE(*bytes, expected);
    }
}

void tst_Files::storedListThatIsNoFileIsRefusedUnread_data()
{
    QTest::addColumn<Standing>("standing");
    QTest::newRow("link to /dev/zero") << Standing::LinkToDevZero;
    QTest::newRow("FIFO") << Standing::Fifo;
    QTest::newRow("folder") << Standing::Folder;
}

void tst_Files::storedListThatIsNoFileIsRefusedUnread()
{
    // Neither an endless read nor a start that waits for a writer: refused at once,
    // reported, and out of the way of the next save.
    QFETCH(Standing, standing);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("accounts.plist"));
    QVERIFY(place(standing, path, QString()));
    QElapsedTimer timer;
    timer.start();
    const StoredArchive::Loaded loaded = StoredArchive::load(path);
    QVERIFY(timer.elapsed() < 5000);
    QVERIFY(loaded.found);
    QVERIFY(!loaded.root.isValid());
    QVERIFY2(loaded.report.contains(QLatin1String("accounts.plist")), qPrintable(loaded.report));
    QVERIFY(!QFileInfo(path).exists() && !QFileInfo(path).isSymLink());
}

QTEST_GUILESS_MAIN(tst_Files)
#include "tst_files.moc"
