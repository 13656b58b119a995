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
// in, and refuse everything else.
class tst_UpdateHelper : public QObject {
    Q_OBJECT
private slots:
    void init();
    void installsKeepingTheOwner();
    void refuses_data();
    void refuses();

private:
    struct Update {
        QString archive;
        QString version = QStringLiteral("3.1");
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
    Update signedUpdate(const QByteArray& bytes);
    int run(const QStringList& arguments, QByteArray* output = nullptr);

    SigningKey m_key{QByteArray(helperKeySeed)};
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_root;
    QString m_install;
};

tst_UpdateHelper::Update tst_UpdateHelper::signedUpdate(const QByteArray& bytes)
{
    Update update;
    update.archive = m_root + QStringLiteral("/private/plumet-update.archive");
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
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/private")));
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
    QTest::addColumn<QString>("says");
    QTest::newRow("no arguments") << "none"
                                  << "usage";
    QTest::newRow("relative path") << "relative"
                                   << "real path";
    QTest::newRow("installation through a link") << "linked"
                                                 << "real path";
    QTest::newRow("installation without marker") << "nomarker"
                                                 << "self-contained";
    QTest::newRow("system folder") << "system"
                                   << "package manager";
    QTest::newRow("path with a dot-dot") << "dotdot"
                                         << "real path";
    // What the updater checked is not what the helper finds.
    QTest::newRow("archive changed after the check") << "changed"
                                                     << "checksum";
    QTest::newRow("signed with another key") << "otherkey"
                                             << "signature";
    QTest::newRow("signed for another version") << "version"
                                                << "signature";
    QTest::newRow("archive reached through a link") << "archivelink"
                                                    << "real path";
    QTest::newRow("archive that is a named pipe") << "fifo"
                                                  << "regular file";
    QTest::newRow("signed archive holding a link") << "linkentry"
                                                   << "is a link";
    QTest::newRow("signed archive without a program") << "noprogram"
                                                      << "no program";
}

void tst_UpdateHelper::refuses()
{
    QFETCH(QString, case_);
    QFETCH(QString, says);
    QList<ArchiveEntry> entries = installEntries("new");
    if (case_ == "linkentry")
        entries.append(ArchiveEntry::link(ArchiveEntry::Type::Symlink, "plumet/lib/plumet/shadow",
                                          "/etc/shadow"));
    if (case_ == "noprogram")
        entries.removeIf([](const ArchiveEntry& e) { return e.path == "plumet/bin/plumet"; });
    Update update = signedUpdate(makeArchive(entries));

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
    } else if (case_ == "archivelink") {
        const QString link = m_root + "/private/link.archive";
        QVERIFY(QFile::link(update.archive, link));
        update.archive = link;
    } else if (case_ == "fifo") {
        QVERIFY(QFile::remove(update.archive));
        QCOMPARE(::mkfifo(QFile::encodeName(update.archive).constData(), 0600), 0);
    }
    const QStringList arguments = case_ == "none" ? QStringList() : update.arguments();
    QByteArray output;
    const int status = run(arguments, &output);
    QVERIFY2(status > 0, output.constData());
    QVERIFY(output.startsWith("plumetUpdateHelper: "));
    QVERIFY2(output.contains(says.toUtf8()), output.constData());
    QVERIFY(QFileInfo::exists(m_install + "/bin/plumet"));
    if (case_ != "nomarker") // the tag is read from the marker
        QCOMPARE(installTag(m_install), QByteArray("old"));
    QCOMPARE(
        QDir(m_root + "/opt").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("plumet")});
}

QTEST_GUILESS_MAIN(tst_UpdateHelper)
#include "tst_updatehelper.moc"
