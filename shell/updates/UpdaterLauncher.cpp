#include "UpdaterLauncher.h"

#include "InstallLayout.h"
#include "NDProcess.h"
#include "UpdatesLog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where the copy runs from: the user's runtime folder, else the cache folder.
// Both are the user's own; the temporary folder is often mounted noexec.
QString folderForTheCopy()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info {};
    if (QDir::isAbsolutePath(runtime) &&
        ::stat(QFile::encodeName(runtime).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::getuid() && (info.st_mode & 0077) == 0)
        return runtime;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache))
        return cache;
    return QDir::tempPath();
}

} // namespace

namespace UpdaterLauncher {

bool isUpdaterRunning()
{
    return NDProcess::firstProcessNamed(QLatin1String(InstallLayout::updaterProgram)).has_value();
}

bool launch(const QString& programFolder, UpdateHandOver handOver)
{
    const QString source =
        programFolder + QLatin1Char('/') + QLatin1String(InstallLayout::updaterProgram);
    // Made by mkdtemp: a new name, open to the user alone.
    QTemporaryDir folder(folderForTheCopy() + QLatin1Char('/') +
                         QLatin1String(InstallLayout::privateFolderPrefix) +
                         QStringLiteral("XXXXXX"));
    if (!folder.isValid()) {
        qCWarning(lcUpdates) << "no private folder for the updater:" << folder.errorString();
        return false;
    }
    const QString copy = folder.filePath(QLatin1String(InstallLayout::updaterProgram));
    if (!QFile::copy(source, copy) ||
        !QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ExeOwner)) {
        qCWarning(lcUpdates) << "could not copy the updater from" << source;
        return false;
    }
    handOver.privateCopy = true;
    if (!QProcess::startDetached(copy, handOver.toArguments(), QDir::homePath())) {
        qCWarning(lcUpdates) << "could not start the updater" << copy;
        return false;
    }
    // The updater removes its folder when it ends.
    folder.setAutoRemove(false);
    return true;
}

} // namespace UpdaterLauncher
