#include "UpdaterLauncher.h"

#include "InstallLayout.h"
#include "NDProcess.h"
#include "UpdatesLog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace UpdaterLauncher {

bool isUpdaterRunning()
{
    return NDProcess::firstProcessNamed(QLatin1String(InstallLayout::updaterProgram)).has_value();
}

bool launch(const QString& programFolder, UpdateHandOver handOver)
{
    const QString source =
        programFolder + QLatin1Char('/') + QLatin1String(InstallLayout::updaterProgram);
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/plumetUpdater-XXXXXX"));
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
