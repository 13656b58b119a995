#include "InstallChecks.h"
#include "InstallLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// "cmake --install" lays out the folder the updater replaces: the program,
// the updater beside it, the helper where the updater looks for it, and the
// marker only when a self-contained install is asked for.
class tst_InstallLayout : public QObject {
    Q_OBJECT
private slots:
    void installsASelfContainedFolder_data();
    void installsASelfContainedFolder();
    void buildFolderIsNoInstallation();
};

void tst_InstallLayout::installsASelfContainedFolder_data()
{
    QTest::addColumn<bool>("selfContained");
    QTest::newRow("self-contained") << true;
    QTest::newRow("for a package manager") << false;
}

void tst_InstallLayout::installsASelfContainedFolder()
{
    QFETCH(bool, selfContained);
    QTemporaryDir folder;
    const QString prefix = QFileInfo(folder.path()).canonicalFilePath() + QStringLiteral("/plumet");
    QProcess install;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("PLUMET_SELF_CONTAINED"));
    if (selfContained)
        environment.insert(QStringLiteral("PLUMET_SELF_CONTAINED"), QStringLiteral("1"));
    environment.remove(QStringLiteral("DESTDIR"));
    install.setProcessEnvironment(environment);
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(PLUMET_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(PLUMET_BINARY_DIR),
                   QStringLiteral("--prefix"), prefix});
    QVERIFY(install.waitForFinished(240000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    auto at = [&](const char* relative) {
        return prefix + QLatin1Char('/') + QLatin1String(relative);
    };
    QVERIFY(InstallChecks::isExecutableFile(at(InstallLayout::executable)));
    QVERIFY(InstallChecks::isExecutableFile(prefix + QStringLiteral("/bin/") +
                                            QLatin1String(InstallLayout::updaterProgram)));
    QVERIFY(InstallChecks::isExecutableFile(at(InstallLayout::helperProgram)));
    QCOMPARE(QFileInfo::exists(at(InstallLayout::markerFile)), selfContained);
    QCOMPARE(InstallChecks::checkInstallFolder(prefix).isEmpty(), selfContained);
    // The updater and its helper compare updates with the version the marker names.
    if (selfContained)
        QCOMPARE(InstallChecks::installedVersion(prefix), QStringLiteral(PLUMET_PROJECT_VERSION));

    // The installed program finds every library of ours in the folder.
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {at(InstallLayout::executable)});
    QVERIFY(ldd.waitForFinished(30000));
    const QByteArray libraries = ldd.readAll();
    QVERIFY2(!libraries.contains("not found"), libraries.constData());
    QVERIFY(libraries.contains(QFile::encodeName(prefix + QStringLiteral("/bin/../lib/plumet/"
                                                                         "libplumet_shell.so"))));
}

// The build folder holds bin/plumet as an installation does; only the missing
// marker keeps the updater from replacing the developer's whole build.
void tst_InstallLayout::buildFolderIsNoInstallation()
{
    const QString build = QFileInfo(QStringLiteral(PLUMET_BINARY_DIR)).canonicalFilePath();
    QVERIFY(InstallChecks::isExecutableFile(build + QLatin1Char('/') +
                                            QLatin1String(InstallLayout::executable)));
    const QString problem = InstallChecks::checkInstallFolder(build);
    QVERIFY2(problem.contains(QLatin1String("not a self-contained")), qPrintable(problem));
}

QTEST_GUILESS_MAIN(tst_InstallLayout)
#include "tst_installlayout.moc"
