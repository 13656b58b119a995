#include "FolderSwap.h"

#include "InstallChecks.h"
#include "UpdaterLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("FolderSwap", text);
}

} // namespace

bool FolderSwap::renameFolder(const QString& from, const QString& to, QString* error)
{
    if (::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                    QFile::encodeName(to).constData(), RENAME_NOREPLACE) == 0)
        return true;
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

FolderSwap::Result FolderSwap::replace(const QString& newFolder, const QString& installFolder,
                                       const QString& backupFolder)
{
    if (const QString problem = InstallChecks::checkNewFolder(newFolder); !problem.isEmpty())
        return {false, problem};
    if (const QString problem = InstallChecks::checkInstallFolder(installFolder);
        !problem.isEmpty())
        return {false, problem};

    QString reason;
    if (!renameFolder(installFolder, backupFolder, &reason))
        return {false, tr("The installed folder could not be moved aside: %1").arg(reason)};

    auto restoreOld = [&](const QString& why) -> Result {
        QString again;
        if (!renameFolder(backupFolder, installFolder, &again)) {
            qCCritical(lcUpdater) << "old installation left at" << backupFolder << again;
            return {false, tr("%1 The previous version could not be put back and is kept in "
                              "\"%2\".")
                               .arg(why, backupFolder)};
        }
        return {false, why};
    };

    if (!renameFolder(newFolder, installFolder, &reason))
        return restoreOld(tr("The new version could not be moved into place: %1").arg(reason));

    if (const QString problem = InstallChecks::checkNewFolder(installFolder); !problem.isEmpty()) {
        QString back;
        if (!renameFolder(installFolder, newFolder, &back)) {
            qCCritical(lcUpdater) << "new installation could not be moved out of the way" << back;
            return {false, tr("The new version failed its check (%1) and could not be moved "
                              "out of the way; the previous version is kept in \"%2\".")
                               .arg(problem, backupFolder)};
        }
        return restoreOld(tr("The new version failed its check: %1").arg(problem));
    }

    if (!QDir(backupFolder).removeRecursively())
        qCWarning(lcUpdater) << "the previous version could not be removed from" << backupFolder;
    return {true, {}};
}
