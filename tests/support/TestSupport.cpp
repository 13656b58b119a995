#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <pwd.h>
#include <unistd.h>

namespace plumet::test {

QString testDataPath(const QString& relative)
{
    const QByteArray root = qgetenv("PLUMET_TEST_DATA");
    const QString base = root.isEmpty() ? QStringLiteral(PLUMET_SOURCE_DIR "/tests/data")
                                        : QString::fromLocal8Bit(root);
    return QDir(base).filePath(relative);
}

bool processAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) state ...": the name may hold spaces and parentheses.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) != "Z";
}

QByteArray readTestData(const QString& relative)
{
    QFile file(testDataPath(relative));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("missing test data %s", qPrintable(file.fileName()));
        return {};
    }
    return file.readAll();
}

} // namespace plumet::test

namespace {

// A test started by hand (not through ctest) must not touch the real home
// folder either: point HOME and the XDG folders at a temporary folder before
// anything reads them.
struct HomeGuard {
    HomeGuard()
    {
        const passwd* pw = getpwuid(getuid());
        const QByteArray realHome = pw ? QByteArray(pw->pw_dir) : QByteArray();
        const QByteArray home = qgetenv("HOME");
        if (!home.isEmpty() && home != realHome && qEnvironmentVariableIsSet("XDG_DATA_HOME"))
            return;
        dir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/plumet-test-XXXXXX"));
        const QByteArray base = dir->path().toLocal8Bit();
        qputenv("HOME", base);
        qputenv("XDG_DATA_HOME", base + "/data");
        qputenv("XDG_CONFIG_HOME", base + "/config");
        qputenv("XDG_CACHE_HOME", base + "/cache");
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ~HomeGuard() { delete dir; }
    QTemporaryDir* dir = nullptr;
};

// Runs before main(), so before QCoreApplication or QStandardPaths look at the environment.
const HomeGuard homeGuard;

} // namespace
