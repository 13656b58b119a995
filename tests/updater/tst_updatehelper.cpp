#include "UpdateSignature.h"
#include "UpdateTestKit.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace plumet::test;

// The privileged helper, run directly (as pkexec would run it, minus the
// password): it must check and unpack the archive itself, swap the new folder
// in, and refuse everything else, always in the same words.
class tst_UpdateHelper : public QObject {
    Q_OBJECT
private slots:
    void init();
    void installsKeepingTheOwner();
    void refuses_data();
    void refuses();
    void saysHowItIsCalled();

private:
    struct Update {
        QString archive;
        QString version = QStringLiteral("3.1"); // the installation is 3.0
        QByteArray sha256;
        QByteArray signature;
        QString install;
        QStringList arguments() const
        {
            return {archive, version, QString::fromLatin1(sha256), QString::fromLatin1(signature),
                    install};
        }
    };
    // A good signed update of `bytes` for the test's installation.
    Update signedUpdate(const QByteArray& bytes, const QString& version = QStringLiteral("3.1"));
    QString privateFolder() const { return m_root + QStringLiteral("/plumetUpdater-test"); }
    int run(const QStringList& arguments, QByteArray* output = nullptr);

    SigningKey m_key{QByteArray(helperKeySeed)};
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_root;
    QString m_install;
};

tst_UpdateHelper::Update tst_UpdateHelper::signedUpdate(const QByteArray& bytes,
                                                        const QString& version)
{
    Update update;
    update.version = version;
    update.archive = privateFolder() + QStringLiteral("/plumet-update.archive");
    QFile file(update.archive);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("no archive");
    update.sha256 = sha256Hex(bytes);
    update.signature =
        m_key.sign(UpdateSignature::signedMessage(update.version, update.sha256)).toBase64();
    update.install = m_install;
    return update;
}

int tst_UpdateHelper::run(const QStringList& arguments, QByteArray* output)
{
    QProcess helper;
    helper.setProcessChannelMode(QProcess::MergedChannels);
    helper.start(QStringLiteral(PLUMET_UPDATE_HELPER), arguments);
    if (!helper.waitForFinished(30000))
        return -1;
    if (output)
        *output = helper.readAll();
    return helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
}

void tst_UpdateHelper::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_root = QFileInfo(m_folder->path()).canonicalFilePath();
    m_install = m_root + QStringLiteral("/opt/plumet");
    QVERIFY(makeInstallFolder(m_install, "old"));
    // As the updater makes its folders: the user's alone.
    QVERIFY(QDir().mkdir(privateFolder(),
                         QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
}

void tst_UpdateHelper::installsKeepingTheOwner()
{
    // As root the installation can belong to someone else, as under /opt.
    const bool otherOwner = giveToAnotherUser(m_install);
    const Update update = signedUpdate(makeArchive(installEntries("new")));
    QByteArray output;
    QVERIFY2(run(update.arguments(), &output) == 0, output.constData());
    QCOMPARE(installTag(m_install), QByteArray("new"));
    // The archive stays for its owner to remove; nothing is left beside the install.
    QVERIFY(QFileInfo::exists(update.archive));
    QCOMPARE(
        QDir(m_root + "/opt").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("plumet")});
    if (!otherOwner)
        return;
    for (const QString& path : {m_install, m_install + "/bin/plumet", m_install + "/lib/plumet"}) {
        struct stat info {};
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_uid, uid_t(anotherUser));
        QCOMPARE(info.st_gid, gid_t(anotherUser));
    }
}

void tst_UpdateHelper::refuses_data()
{
    QTest::addColumn<QString>("case_");
    QTest::newRow("relative path") << "relative";
    QTest::newRow("installation through a link") << "linked";
    QTest::newRow("installation without marker") << "nomarker";
    QTest::newRow("system folder") << "system";
    QTest::newRow("path with a dot-dot") << "dotdot";
    // What the updater checked is not what the helper finds.
    QTest::newRow("archive changed after the check: wrong digest") << "changed";
    QTest::newRow("signed with another key") << "otherkey";
    QTest::newRow("signed for another version") << "version";
    QTest::newRow("archive reached through a link") << "archivelink";
    QTest::newRow("archive that is a named pipe") << "fifo";
    QTest::newRow("signed archive holding a link") << "linkentry";
    QTest::newRow("signed archive without a program") << "noprogram";
    // Only the updater's download is read: as root the helper could read any
    // file, and a different answer for a right guess of its digest would tell.
    QTest::newRow("signed archive outside the updater's folder") << "outside";
    QTest::newRow("file outside with its right digest") << "guessright";
    QTest::newRow("file outside with a wrong digest") << "guesswrong";
    QTest::newRow("archive with a second name") << "hardlink";
    QTest::newRow("updater's folder open to others") << "openfolder";
    QTest::newRow("installation's folder open to everyone") << "openparent";
    // Signed, but never a step back.
    QTest::newRow("older version") << "older";
    QTest::newRow("the installed version") << "same";
    QTest::newRow("candidate of the installed release") << "candidate";
}

void tst_UpdateHelper::refuses()
{
    QFETCH(QString, case_);
    QList<ArchiveEntry> entries = installEntries("new");
    if (case_ == "linkentry")
        entries.append(ArchiveEntry::link(ArchiveEntry::Type::Symlink, "plumet/lib/plumet/shadow",
                                          "/etc/shadow"));
    if (case_ == "noprogram")
        entries.removeIf([](const ArchiveEntry& e) { return e.path == "plumet/bin/plumet"; });
    const QMap<QString, std::pair<QByteArray, QString>> versions{
        {"older", {"3.2", "3.1"}}, {"same", {"3.1", "3.1"}}, {"candidate", {"3.1", "3.1rc1"}}};
    if (versions.contains(case_)) {
        QVERIFY(QDir(m_install).removeRecursively());
        QVERIFY(makeInstallFolder(m_install, "old", versions[case_].first));
    }
    Update update = signedUpdate(makeArchive(entries), versions.value(case_, {"", "3.1"}).second);

    if (case_ == "relative") {
        update.install = QDir::current().relativeFilePath(m_install);
    } else if (case_ == "linked") {
        update.install = m_root + "/link";
        QVERIFY(QFile::link(m_install, update.install));
    } else if (case_ == "nomarker") {
        QVERIFY(QFile::remove(m_install + "/plumet-self-contained"));
    } else if (case_ == "system") {
        update.install = QStringLiteral("/usr");
    } else if (case_ == "dotdot") {
        update.install = m_root + "/opt/../opt/plumet";
    } else if (case_ == "changed") {
        // Anything running as the user may rewrite the file once checked.
        const Update evil = signedUpdate(makeArchive(installEntries("evil")));
        QCOMPARE(evil.archive, update.archive);
    } else if (case_ == "otherkey") {
        update.signature = SigningKey()
                               .sign(UpdateSignature::signedMessage(update.version, update.sha256))
                               .toBase64();
    } else if (case_ == "version") {
        update.version = QStringLiteral("3.2");
    } else if (case_ == "outside") {
        const QString outside = m_root + "/plumet-update.archive";
        QVERIFY(QFile::rename(update.archive, outside));
        update.archive = outside;
    } else if (case_ == "guessright" || case_ == "guesswrong") {
        update.archive = QStringLiteral("/etc/passwd");
        QFile file(update.archive);
        QVERIFY(file.open(QIODevice::ReadOnly));
        update.sha256 = case_ == "guessright" ? sha256Hex(file.readAll()) : sha256Hex("guess");
    } else if (case_ == "hardlink") {
        const QString other = m_root + "/other.archive";
        QCOMPARE(::link(QFile::encodeName(update.archive).constData(),
                        QFile::encodeName(other).constData()),
                 0);
    } else if (case_ == "openfolder") {
        QCOMPARE(::chmod(QFile::encodeName(privateFolder()).constData(), 0755), 0);
    } else if (case_ == "openparent") {
        QCOMPARE(::chmod(QFile::encodeName(m_root + "/opt").constData(), 0777), 0);
    } else if (case_ == "archivelink") {
        const QString link = privateFolder() + "/link.archive";
        QVERIFY(QFile::link(update.archive, link));
        update.archive = link;
    } else if (case_ == "fifo") {
        QVERIFY(QFile::remove(update.archive));
        QCOMPARE(::mkfifo(QFile::encodeName(update.archive).constData(), 0600), 0);
    }
    QByteArray output;
    QCOMPARE(run(update.arguments(), &output), 1);
    QCOMPARE(output, QByteArray("plumetUpdateHelper: the update was refused.\n"));
    QVERIFY(QFileInfo::exists(m_install + "/bin/plumet"));
    if (case_ != "nomarker") // the tag is read from the marker
        QCOMPARE(installTag(m_install), QByteArray("old"));
    QCOMPARE(
        QDir(m_root + "/opt").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("plumet")});
}

void tst_UpdateHelper::saysHowItIsCalled()
{
    QByteArray output;
    QCOMPARE(run({QStringLiteral("one")}, &output), 2);
    QVERIFY2(output.startsWith("plumetUpdateHelper: usage:"), output.constData());
}

QTEST_GUILESS_MAIN(tst_UpdateHelper)
#include "tst_updatehelper.moc"
