// plumetUpdateHelper ARCHIVE VERSION SHA256 SIGNATURE INSTALL_FOLDER
//
// Run by the updater through pkexec when the installation belongs to another
// user (say root, under /opt). It trusts nothing it is given, nor anything the
// user's side has unpacked: the archive (named by its real path) is copied
// into a private folder of its own beside the installation, checked there
// against the digest and the signature with the key built into this program,
// and unpacked there. The installation must be a self-contained one outside
// the system's folders. The unpacked folder is copied with the installation's
// owner, then swapped in by renaming, with rollback.

#include "ArchiveUnpacker.h"
#include "FileReference.h"
#include "FolderSwap.h"
#include "InstallChecks.h"
#include "InstallLayout.h"
#include "TreeCopy.h"
#include "UpdateSignature.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An update is some tens of megabytes; a file far larger is none.
constexpr qint64 MaxArchiveBytes = qint64(2) * 1024 * 1024 * 1024;

int refuse(const QString& why)
{
    std::fprintf(stderr, "plumetUpdateHelper: %s\n", why.toLocal8Bit().constData());
    return 1;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Copies the archive, a regular file reached without a link, into `copy`
// (which must not exist); an empty string, or why not.
QString copyArchive(const QString& archive, const QString& copy)
{
    const int in = ::open(QFile::encodeName(archive).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return QStringLiteral("\"%1\" cannot be opened: %2").arg(archive, systemError());
    struct stat info {};
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        return QStringLiteral("\"%1\" is not a regular file").arg(archive);
    }
    const int out = ::open(QFile::encodeName(copy).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        ::close(in);
        return QStringLiteral("\"%1\" cannot be written: %2").arg(copy, systemError());
    }
    QString problem;
    qint64 total = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            problem = QStringLiteral("\"%1\" cannot be read: %2").arg(archive, systemError());
            break;
        }
        if (got == 0)
            break;
        total += got;
        if (total > MaxArchiveBytes) {
            problem = QStringLiteral("\"%1\" is too large for an update").arg(archive);
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                problem = QStringLiteral("\"%1\" cannot be written: %2").arg(copy, systemError());
                break;
            }
            done += put;
        }
        if (!problem.isEmpty())
            break;
    }
    ::close(in);
    if (::close(out) != 0 && problem.isEmpty())
        problem = QStringLiteral("\"%1\" cannot be written: %2").arg(copy, systemError());
    return problem;
}

// Verifies the archive and unpacks it in `work`, then copies the new folder
// to `work`/plumet with the installation's owner. An empty string, or why not.
QString prepareNewFolder(const QString& archive, const QString& version, const QByteArray& sha256,
                         const QByteArray& signature, const QString& work, const struct stat& owner)
{
    const QString copy = work + QStringLiteral("/update.archive");
    if (const QString problem = copyArchive(archive, copy); !problem.isEmpty())
        return problem;
    const UpdateSignature::Result verified = UpdateSignature::verifyArchive(
        copy, sha256, signature, version,
        QByteArray::fromBase64(QByteArrayLiteral(PLUMET_UPDATE_PUBLIC_KEY)));
    if (!verified.verified)
        return verified.problem;
    const QString unpacked = work + QStringLiteral("/unpacked");
    if (::mkdir(QFile::encodeName(unpacked).constData(), 0700) != 0)
        return QStringLiteral("\"%1\" cannot be made: %2").arg(unpacked, systemError());
    if (const ArchiveUnpacker::Result result = ArchiveUnpacker::unpack(copy, unpacked);
        !result.unpacked)
        return result.error;
    QFile::remove(copy);
    const QString newFolder =
        unpacked + QLatin1Char('/') + QLatin1String(InstallLayout::archiveFolder);
    if (const QString problem = InstallChecks::checkNewFolder(newFolder); !problem.isEmpty())
        return problem;
    const QString placed = work + QLatin1Char('/') + QLatin1String(InstallLayout::archiveFolder);
    if (const QString problem = TreeCopy::copyTree(newFolder, placed, owner.st_uid, owner.st_gid);
        !problem.isEmpty())
        return problem;
    QDir(unpacked).removeRecursively();
    return {};
}

} // namespace

int main(int argc, char* argv[])
{
    // The environment comes from the caller; Qt needs nothing of it here.
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 6)
        return refuse(QStringLiteral(
            "usage: plumetUpdateHelper ARCHIVE VERSION SHA256 SIGNATURE INSTALL_FOLDER"));
    const QString archive = arguments.at(1);
    const QString version = arguments.at(2);
    const QByteArray sha256 = arguments.at(3).toLatin1();
    const QByteArray signature = arguments.at(4).toLatin1();
    const QString installFolder = arguments.at(5);

    for (const QString& path : {archive, installFolder}) {
        if (!FileReference::isFileReference(path))
            return refuse(QStringLiteral("\"%1\" is not a real path").arg(path));
    }
    if (const QString problem = InstallChecks::checkInstallFolder(installFolder);
        !problem.isEmpty())
        return refuse(problem);

    struct stat owner {};
    if (::lstat(QFile::encodeName(installFolder).constData(), &owner) != 0)
        return refuse(QStringLiteral("\"%1\" cannot be read").arg(installFolder));

    // A private folder beside the installation, ours alone, holds the
    // archive's copy, the unpacked folder and, during the swap, the old
    // installation.
    QByteArray pattern = QFile::encodeName(QFileInfo(installFolder).path() + QLatin1Char('/') +
                                           QLatin1String(InstallLayout::workFolderPrefix)) +
                         "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return refuse(QStringLiteral("no working folder beside \"%1\"").arg(installFolder));
    const QString work = QFile::decodeName(pattern);
    const QString copy = work + QLatin1Char('/') + QLatin1String(InstallLayout::archiveFolder);
    const QString backup = work + QStringLiteral("/old");

    if (const QString problem = prepareNewFolder(archive, version, sha256, signature, work, owner);
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
