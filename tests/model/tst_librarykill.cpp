#include "Attachment.h"
#include "KeyedUnarchiver.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// Kills a process that keeps changing an attachment: the library file is
// always whole, and holds at least every change the process saw saved, though
// the process never quit.
class tst_LibraryKill : public QObject {
    Q_OBJECT
private slots:
    void savedChangesSurviveAKill();
};

void tst_LibraryKill::savedChangesSurviveAKill()
{
    const QString changer = QCoreApplication::applicationDirPath() + "/plumet_library_changer";
    QVERIFY(QFile::exists(changer));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("attachments.plist"));
    const QString key = QStringLiteral("0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A01");
    QRandomGenerator random(11);
    for (int round = 0; round < 4; ++round) {
        QProcess child;
        child.start(changer, {path, key});
        QVERIFY(child.waitForStarted());
        // At least one save seen, then a kill at some moment after it.
        int saved = 0;
        QByteArray output;
        QVERIFY(QTest::qWaitFor(
            [&] {
                output += child.readAllStandardOutput();
                for (const QByteArray& line : output.split('\n')) {
                    if (line.startsWith("saved "))
                        saved = std::max(saved, line.mid(6).toInt());
                }
                return saved > 0;
            },
            30'000));
        QTest::qWait(random.bounded(1500));
        output += child.readAllStandardOutput();
        for (const QByteArray& line : output.split('\n')) {
            if (line.startsWith("saved "))
                saved = std::max(saved, line.mid(6).toInt());
        }
        child.kill();
        QVERIFY(child.waitForFinished(10'000));

        QString error;
        const auto records = KeyedUnarchiver::recordsIn<Attachment>(
            KeyedUnarchiver::unarchiveFile(path, &error), &error);
        QVERIFY2(records, qPrintable(error));
        QCOMPARE(records->size(), 1);
        QCOMPARE(records->first()->uniqueID(), key);
        const QString address = records->first()->uploadPath();
        QVERIFY2(address.startsWith(QLatin1String("http://example.org/v")), qPrintable(address));
        QVERIFY2(address.mid(20).toInt() >= saved, qPrintable(address));
    }
}

QTEST_MAIN(tst_LibraryKill)
#include "tst_librarykill.moc"
