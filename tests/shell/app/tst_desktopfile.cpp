#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_DesktopFile : public QObject {
    Q_OBJECT
private slots:
    void installedLauncherAndTypesAreValid();
};

void tst_DesktopFile::installedLauncherAndTypesAreValid()
{
    QTemporaryDir prefix;
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(PLUMET_BUILD_DIR),
                   QStringLiteral("--component"), QStringLiteral("desktop"),
                   QStringLiteral("--prefix"), prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    const QString desktop = prefix.filePath(QStringLiteral("share/applications/plumet.desktop"));
    QVERIFY(QFile::exists(desktop));
    QVERIFY(QFile::exists(
        prefix.filePath(QStringLiteral("share/icons/hicolor/scalable/apps/plumet.svg"))));

    if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
        QFAIL("desktop-file-validate is missing: scripts/install-deps.sh installs "
              "desktop-file-utils");
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("desktop-file-validate"), {desktop});
    QVERIFY(validate.waitForFinished(60000));
    const QByteArray said = validate.readAll();
    QVERIFY2(validate.exitCode() == 0 && !said.contains("error"), said.constData());

    QFile file(desktop);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("Exec=plumet %U\n"));
    for (const char* type : {"x-scheme-handler/plumet3;", "x-scheme-handler/x-blogpost;",
                             "application/x-plumet-entry;", "application/x-webloc;"})
        QVERIFY2(text.contains(type), type);

    // The file types build into a MIME database: entry files in any case,
    // web locations only as ".webloc".
    const QString mime = prefix.filePath(QStringLiteral("share/mime"));
    QProcess update;
    update.setProcessChannelMode(QProcess::MergedChannels);
    update.start(QStringLiteral("update-mime-database"), {mime});
    QVERIFY(update.waitForFinished(60000));
    QVERIFY2(update.exitCode() == 0, update.readAll().constData());
    QFile globs(mime + QStringLiteral("/globs2"));
    QVERIFY(globs.open(QIODevice::ReadOnly));
    const QByteArray list = globs.readAll();
    QVERIFY2(list.contains("application/x-plumet-entry:*.plumet"), list.constData());
    QVERIFY2(list.contains("application/x-webloc:*.webloc:cs"), list.constData());
}

QTEST_GUILESS_MAIN(tst_DesktopFile)
#include "tst_desktopfile.moc"
