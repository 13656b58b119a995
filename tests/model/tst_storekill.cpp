#include "Entry.h"
#include "EntryFile.h"
#include "StringExtensions.h"
#include "SupportFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

// Kills a process while it saves a blog, at random moments: every entry file must
// afterwards be a whole file of one version, never a torn or missing one.
class tst_StoreKill : public QObject {
    Q_OBJECT
private slots:
    void everyFileIsOldOrNewAfterAKill();
    void queuedWritesAreFinishedAtExit();

private:
    static constexpr int entryCount = 60;
    const QString accountID = QStringLiteral("0123456789abcdef0123456789abcdef");
};

void tst_StoreKill::everyFileIsOldOrNewAfterAKill()
{
    const QString saver = QCoreApplication::applicationDirPath() + "/plumet_store_saver";
    QVERIFY(QFile::exists(saver));
    QProcess prepare;
    prepare.start(saver, {accountID, QString::number(entryCount), "0", "1"});
    QVERIFY(prepare.waitForFinished(30000));
    QCOMPARE(prepare.exitCode(), 0);

    const QString folder = cutils::applicationSupportFolder() + "/items/" + accountID + "/" +
                           rv::MD5(QStringLiteral("kill-test"));
    const QRegularExpression body(QStringLiteral("^(entry (e\\d+) version (\\d+) )\\1*$"));
    QRandomGenerator random(7);
    int lastSaved = 0, version = 1;
    for (int round = 0; round < 20; ++round) {
        QProcess child;
        child.start(saver, {accountID, QString::number(entryCount), QString::number(version)});
        QVERIFY(child.waitForStarted());
        QTest::qWait(20 + random.bounded(120));
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            if (line.startsWith("saved "))
                lastSaved = line.mid(6).toInt();
        }

        const QStringList files = QDir(folder).entryList({"*.plumet"}, QDir::Files);
        QCOMPARE(files.size(), entryCount);
        for (const QString& name : files) {
            const EntryPtr entry = EntryFile::entryFromFile(folder + "/" + name);
            QVERIFY2(entry, qPrintable(name + " is torn"));
            const auto match = body.match(entry->body());
            QVERIFY2(match.hasMatch(), qPrintable(name + " holds a mixed body"));
            QCOMPARE(match.captured(2), entry->uniqueID());
            QCOMPARE(EntryFile::fileName(*entry), name);
            const int found = match.captured(3).toInt();
            // Never older than the last round the child finished, never newer than it began.
            QVERIFY(found >= lastSaved);
            QVERIFY(found <= version + 1000);
        }
        version += 1000;
    }
}

// Files are written on a thread of their own: a program that ends right after
// a save still leaves every file written.
void tst_StoreKill::queuedWritesAreFinishedAtExit()
{
    const QString saver = QCoreApplication::applicationDirPath() + "/plumet_store_saver";
    const QString exitAccount = QStringLiteral("fedcba9876543210fedcba9876543210");
    QProcess prepare;
    prepare.start(saver, {exitAccount, QString::number(entryCount), "0", "1"});
    QVERIFY(prepare.waitForFinished(30000));
    QCOMPARE(prepare.exitCode(), 0);

    QProcess child;
    child.start(saver, {exitAccount, QString::number(entryCount), "5000", "1", "exit"});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QVERIFY(child.readAllStandardOutput().contains("handed over 5000"));

    const QString folder = cutils::applicationSupportFolder() + "/items/" + exitAccount + "/" +
                           rv::MD5(QStringLiteral("kill-test"));
    const QStringList files = QDir(folder).entryList({"*.plumet"}, QDir::Files);
    QCOMPARE(files.size(), entryCount);
    for (const QString& name : files) {
        const EntryPtr entry = EntryFile::entryFromFile(folder + "/" + name);
        QVERIFY2(entry, qPrintable(name + " is torn"));
        QVERIFY2(entry->body().startsWith(
                     QStringLiteral("entry %1 version 5000 ").arg(entry->uniqueID())),
                 qPrintable(name + " is not of the last round"));
    }
}

QTEST_GUILESS_MAIN(tst_StoreKill)
#include "tst_storekill.moc"
