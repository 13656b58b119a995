#include "AtomicFile.h"
#include "KeyedArchiver.h"
#include "StoredArchive.h"
#include "UniqueId.h"
#include "UnreadableFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

class FilesTest : public QObject {
    Q_OBJECT

private slots:
    void uniqueIdsOfOneInstantDiffer();
    void atomicWriteReplacesWholeFile();
    void failedWriteKeepsTheOldFile();
    void unreadableFileIsMovedAsideWithADatedName();
    void storedListIsReadAsItStands();
    void storedListIsNeverLostToAnEmptyList_data();
    void storedListIsNeverLostToAnEmptyList();
};

void FilesTest::uniqueIdsOfOneInstantDiffer()
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

void FilesTest::atomicWriteReplacesWholeFile()
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

void FilesTest::failedWriteKeepsTheOldFile()
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

void FilesTest::unreadableFileIsMovedAsideWithADatedName()
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

void FilesTest::storedListIsReadAsItStands()
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

void FilesTest::storedListIsNeverLostToAnEmptyList_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("damaged") << QByteArray("bplist00 damaged");
    QTest::newRow("an archive of no list")
        << KeyedArchiver::archivedData(QVariantMap{{QStringLiteral("a"), 1}});
    // "$null" alone: what the original archiver leaves for a nil root.
    QTest::newRow("an archive of nothing") << KeyedArchiver::archivedData(QVariant());
}

void FilesTest::storedListIsNeverLostToAnEmptyList()
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
    QVERIFY(!QFile::exists(path));
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("*.unreadable")});
    QCOMPARE(aside.size(), 1);
    QFile kept(dir.filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), bytes);
}

QTEST_GUILESS_MAIN(FilesTest)
#include "tst_files.moc"
