#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The names in the script's package list, comments left out.
QStringList listedPackages()
{
    QFile script(QStringLiteral(PLUMET_INSTALL_SCRIPT));
    if (!script.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(script.readAll());
    const QRegularExpression list(QStringLiteral("\\npackages=\\(\\n(.*?)\\n\\)"),
                                  QRegularExpression::DotMatchesEverythingOption);
    QStringList names;
    for (QString line : list.match(text).captured(1).split(QLatin1Char('\n'))) {
        line = line.section(QLatin1Char('#'), 0, 0);
        names += line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return names;
}

// A stand-in for a command that only notes that it was run.
void writeRecorder(const QString& folder, const QString& command, const QString& log)
{
    QFile file(folder + QLatin1Char('/') + command);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\necho \"%1 $*\" >> '%2'\n").arg(command, log).toUtf8());
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

} // namespace

class tst_InstallDeps : public QObject {
    Q_OBJECT
private slots:
    void listsRealInstalledPackagesOnly();
    void secondRunOnACompleteMachineDoesNothing();
};

// The suite runs after the script has installed everything, so every listed
// name must now be known to dpkg as installed; a virtual name never is.
void tst_InstallDeps::listsRealInstalledPackagesOnly()
{
    const QStringList names = listedPackages();
    QVERIFY(names.size() > 10);
    for (const QString& name : names) {
        QProcess query;
        query.start(QStringLiteral("dpkg-query"),
                    {QStringLiteral("-W"), QStringLiteral("-f=${Status}"), name});
        QVERIFY(query.waitForFinished(30000));
        QVERIFY2(query.readAllStandardOutput() == "install ok installed",
                 qPrintable(name + QStringLiteral(" is not an installed package")));
    }
}

void tst_InstallDeps::secondRunOnACompleteMachineDoesNothing()
{
    QTemporaryDir shims;
    QVERIFY(shims.isValid());
    const QString log = shims.filePath(QStringLiteral("calls.log"));
    for (const QString& command : {QStringLiteral("apt-get"), QStringLiteral("sudo")})
        writeRecorder(shims.path(), command, log);

    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"),
                       shims.path() + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    run.setProcessEnvironment(environment);
    run.start(QStringLiteral("bash"), {QStringLiteral(PLUMET_INSTALL_SCRIPT)});
    QVERIFY(run.waitForFinished(120000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()), QString());
    QCOMPARE(QString::fromUtf8(run.readAllStandardError()), QString());
    QVERIFY2(!QFile::exists(log), "the script called apt-get or sudo on a complete machine");
}

QTEST_GUILESS_MAIN(tst_InstallDeps)
#include "tst_installdeps.moc"
