// plumetUpdateHelper ARCHIVE VERSION SHA256 SIGNATURE INSTALL_FOLDER
//
// Run by the updater through pkexec when the installation belongs to another
// user (say root, under /opt). It trusts nothing it is given, nor anything the
// user's side has unpacked. It reads the archive only as a regular file of the
// calling user inside the updater's private folder (so it never reads, for
// anyone, a file they could not read themselves), copies it into a private
// folder of its own beside the installation, checks it there against the
// digest and the signature with the key built into this program, and unpacks
// it there. The installation must be a self-contained one outside the
// system's folders, in a folder of root's or the caller's, and older than the
// update. The unpacked folder is copied with the installation's owner, then
// swapped in by renaming, with rollback.
//
// Whatever the reason, a refusal reads the same: a caller must not learn from
// the answer anything about files it may not read.

#include "ArchiveUnpacker.h"
#include "FileReference.h"
#include "FolderSwap.h"
#include "InstallChecks.h"
#include "InstallLayout.h"
#include "TreeCopy.h"
#include "UpdateSignature.h"
#include "VersionRules.h"

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

int refuse()
{
    std::fputs("plumetUpdateHelper: the update was refused.\n", stderr);
    return 1;
}

// Who asked: pkexec names the caller; run directly, the helper works for its
// own user.
uid_t callingUser()
{
    if (::getuid() == 0) {
        bool ok = false;
        const uint uid = qEnvironmentVariable("PKEXEC_UID").toUInt(&ok);
        if (ok)
            return uid_t(uid);
    }
    return ::getuid();
}

// The archive, opened for reading: a regular file of `user` with no other
// name, directly inside a folder of the updater's ("plumetUpdater-...") that
// belongs to `user` and is closed to everyone else. Neither is reached
// through a link. -1 otherwise.
int openArchive(const QString& archive, uid_t user)
{
    const QFileInfo where(archive);
    if (!where.dir().dirName().startsWith(QLatin1String(InstallLayout::privateFolderPrefix)))
        return -1;
    const int folder = ::open(QFile::encodeName(where.path()).constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return -1;
    struct stat info {};
    const bool privateFolder = ::fstat(folder, &info) == 0 && S_ISDIR(info.st_mode) &&
                               info.st_uid == user && (info.st_mode & 0077) == 0;
    const int in = privateFolder ? ::openat(folder, QFile::encodeName(where.fileName()).constData(),
                                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)
                                 : -1;
    ::close(folder);
    if (in < 0)
        return -1;
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != user ||
        info.st_nlink != 1) {
        ::close(in);
        return -1;
    }
    return in;
}

// The folder the installation sits in belongs to root or to the caller, and
// nobody else may change it: the work folder is made there.
bool isSafeParent(const QString& installFolder, uid_t user)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(QFileInfo(installFolder).path()).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode) && (info.st_uid == 0 || info.st_uid == user) &&
           (info.st_mode & S_IWOTH) == 0;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Copies the archive, opened by openArchive(), into `copy` (which must not
// exist); an empty string, or why not.
QString copyArchive(const QString& archive, uid_t user, const QString& copy)
{
    const int in = openArchive(archive, user);
    if (in < 0)
        return QStringLiteral("\"%1\" is not the updater's download").arg(archive);
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
QString prepareNewFolder(const QString& archive, uid_t user, const QString& version,
                         const QByteArray& sha256, const QByteArray& signature, const QString& work,
                         const struct stat& owner)
{
    const QString copy = work + QStringLiteral("/update.archive");
    if (const QString problem = copyArchive(archive, user, copy); !problem.isEmpty())
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
    if (arguments.size() != 6) {
        std::fputs("plumetUpdateHelper: usage: plumetUpdateHelper ARCHIVE VERSION SHA256 "
                   "SIGNATURE INSTALL_FOLDER\n",
                   stderr);
        return 2;
    }
    const QString archive = arguments.at(1);
    const QString version = arguments.at(2);
    const QByteArray sha256 = arguments.at(3).toLatin1();
    const QByteArray signature = arguments.at(4).toLatin1();
    const QString installFolder = arguments.at(5);

    const uid_t user = callingUser();

    for (const QString& path : {archive, installFolder}) {
        if (!FileReference::isFileReference(path))
            return refuse();
    }
    if (!isSafeParent(installFolder, user) ||
        !InstallChecks::checkInstallFolder(installFolder).isEmpty())
        return refuse();
    // Never a step back, whatever an older signed update says.
    const QString installed = InstallChecks::installedVersion(installFolder);
    if (installed.isEmpty() || !VersionRules::isNewer(installed, version))
        return refuse();

    struct stat owner {};
    if (::lstat(QFile::encodeName(installFolder).constData(), &owner) != 0)
        return refuse();

    // A private folder beside the installation, ours alone, holds the
    // archive's copy, the unpacked folder and, during the swap, the old
    // installation.
    QByteArray pattern = QFile::encodeName(QFileInfo(installFolder).path() + QLatin1Char('/') +
                                           QLatin1String(InstallLayout::workFolderPrefix)) +
                         "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return refuse();
    const QString work = QFile::decodeName(pattern);
    const QString copy = work + QLatin1Char('/') + QLatin1String(InstallLayout::archiveFolder);
    const QString backup = work + QStringLiteral("/old");

    if (!prepareNewFolder(archive, user, version, sha256, signature, work, owner).isEmpty()) {
        QDir(work).removeRecursively();
        return refuse();
    }
    const FolderSwap::Result result = FolderSwap().replace(copy, installFolder, backup);
    if (!result.installed) {
        // Never remove the only copy of the old installation.
        if (!QFileInfo::exists(backup))
            QDir(work).removeRecursively();
        return refuse();
    }
    QDir(work).removeRecursively();
    return 0;
}
