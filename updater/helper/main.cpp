// plumetUpdateHelper NEW_FOLDER INSTALL_FOLDER
//
// Run by the updater through pkexec when the installation belongs to another
// user (say root, under /opt). It trusts nothing it is given: both folders
// must be named by their real paths, the installation must be a self-contained
// one outside the system's folders, and the new folder must hold only plain
// folders and regular files. The new folder is copied beside the installation
// with the installation's owner, then swapped in by renaming, with rollback.

#include "FileReference.h"
#include "FolderSwap.h"
#include "InstallChecks.h"
#include "InstallLayout.h"
#include "TreeCopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

int refuse(const QString& why)
{
    std::fprintf(stderr, "plumetUpdateHelper: %s\n", why.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // The environment comes from the caller; Qt needs nothing of it here.
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3)
        return refuse(QStringLiteral("usage: plumetUpdateHelper NEW_FOLDER INSTALL_FOLDER"));
    const QString newFolder = arguments.at(1);
    const QString installFolder = arguments.at(2);

    for (const QString& folder : {newFolder, installFolder}) {
        if (!FileReference::isFileReference(folder))
            return refuse(QStringLiteral("\"%1\" is not the real path of a folder").arg(folder));
    }
    if (newFolder == installFolder || newFolder.startsWith(installFolder + QLatin1Char('/')) ||
        installFolder.startsWith(newFolder + QLatin1Char('/')))
        return refuse(QStringLiteral("the two folders overlap"));
    if (const QString problem = InstallChecks::checkInstallFolder(installFolder);
        !problem.isEmpty())
        return refuse(problem);
    if (const QString problem = InstallChecks::checkNewFolder(newFolder); !problem.isEmpty())
        return refuse(problem);

    struct stat owner {};
    if (::lstat(QFile::encodeName(installFolder).constData(), &owner) != 0)
        return refuse(QStringLiteral("\"%1\" cannot be read").arg(installFolder));

    // A private folder beside the installation holds the copy and, during the
    // swap, the old installation.
    QByteArray pattern = QFile::encodeName(QFileInfo(installFolder).path() + QLatin1Char('/') +
                                           QLatin1String(InstallLayout::workFolderPrefix)) +
                         "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return refuse(QStringLiteral("no working folder beside \"%1\"").arg(installFolder));
    const QString work = QFile::decodeName(pattern);
    const QString copy = work + QLatin1Char('/') + QLatin1String(InstallLayout::archiveFolder);
    const QString backup = work + QStringLiteral("/old");

    if (const QString problem = TreeCopy::copyTree(newFolder, copy, owner.st_uid, owner.st_gid);
        !problem.isEmpty()) {
        QDir(work).removeRecursively();
        return refuse(problem);
    }
    const FolderSwap::Result result = FolderSwap().replace(copy, installFolder, backup);
    if (!result.installed) {
        // Never remove the only copy of the old installation.
        if (!QFileInfo::exists(backup))
            QDir(work).removeRecursively();
        return refuse(result.error);
    }
    QDir(work).removeRecursively();
    return 0;
}
