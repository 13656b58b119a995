#include "AtomicFile.h"
#include "KeyedArchiver.h"
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
#include <sys/resource.h>
#include <sys/stat.h>

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

} // namespace

Q_DECLARE_METATYPE(Standing)

class tst_Files : public QObject {
    Q_OBJECT

private slots:
    void uniqueIdsOfOneInstantDiffer();
    void atomicWriteReplacesWholeFile();
    void failedWriteKeepsTheOldFile();
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
