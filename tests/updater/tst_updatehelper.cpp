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
// password): it must swap a good folder in and refuse everything else.
class tst_UpdateHelper : public QObject {
    Q_OBJECT
private slots:
    void init();
    void swapsKeepingTheOwner();
    void refuses_data();
    void refuses();

private:
    int run(const QStringList& arguments, QByteArray* output = nullptr);

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_root;
    QString m_install;
    QString m_new;
};

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
    m_new = m_root + QStringLiteral("/private/plumet");
    QVERIFY(makeInstallFolder(m_install, "old"));
    QVERIFY(makeInstallFolder(m_new, "new"));
}

void tst_UpdateHelper::swapsKeepingTheOwner()
{
    // As root the installation can belong to someone else, as under /opt.
    const bool otherOwner = giveToAnotherUser(m_install);
    QByteArray output;
    QCOMPARE(run({m_new, m_install}, &output), 0);
    QCOMPARE(installTag(m_install), QByteArray("new"));
    // The source stays for its owner to remove; nothing is left beside the install.
    QCOMPARE(installTag(m_new), QByteArray("new"));
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
    QTest::newRow("no arguments") << "none";
    QTest::newRow("relative path") << "relative";
    QTest::newRow("installation through a link") << "linked";
    QTest::newRow("installation without marker") << "nomarker";
    QTest::newRow("link inside the new folder") << "newlink";
    QTest::newRow("new folder inside the installation") << "overlap";
    QTest::newRow("system folder") << "system";
    QTest::newRow("path with a dot-dot") << "dotdot";
}

void tst_UpdateHelper::refuses()
{
    QFETCH(QString, case_);
    QString newFolder = m_new;
    QString install = m_install;
    if (case_ == "relative") {
        install = QDir::current().relativeFilePath(m_install);
    } else if (case_ == "linked") {
        install = m_root + "/link";
        QVERIFY(QFile::link(m_install, install));
    } else if (case_ == "nomarker") {
        QVERIFY(QFile::remove(m_install + "/plumet-self-contained"));
    } else if (case_ == "newlink") {
        QVERIFY(QFile::link(QStringLiteral("/etc/shadow"), m_new + "/lib/plumet/shadow"));
    } else if (case_ == "overlap") {
        newFolder = m_install + "/inner";
        QVERIFY(makeInstallFolder(newFolder, "new"));
    } else if (case_ == "system") {
        install = QStringLiteral("/usr");
    } else if (case_ == "dotdot") {
        install = m_root + "/opt/../opt/plumet";
    }
    const QStringList arguments = case_ == "none" ? QStringList() : QStringList{newFolder, install};
    QByteArray output;
    const int status = run(arguments, &output);
    QVERIFY2(status > 0, output.constData());
    QVERIFY(output.startsWith("plumetUpdateHelper: "));
    QVERIFY(QFileInfo::exists(m_install + "/bin/plumet"));
    if (case_ != "nomarker")
        QCOMPARE(installTag(m_install), QByteArray("old"));
    QVERIFY(!QFileInfo::exists(m_root + "/opt/.plumet-update-"));
    QCOMPARE(
        QDir(m_root + "/opt").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("plumet")});
}

QTEST_GUILESS_MAIN(tst_UpdateHelper)
#include "tst_updatehelper.moc"
