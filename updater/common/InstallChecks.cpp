#include "InstallChecks.h"

#include "FileReference.h"
#include "InstallLayout.h"
#include "VersionRules.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InstallChecks {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("InstallChecks", text);
}

bool lstatPath(const QString& path, struct stat* info)
{
    return ::lstat(QFile::encodeName(path).constData(), info) == 0;
}

bool isRegularFile(const QString& path)
{
    struct stat info {};
    return lstatPath(path, &info) && S_ISREG(info.st_mode);
}

// Walks the tree without following links; answers the first entry that is
// neither a plain folder nor a regular file.
QString firstUnusualEntry(const QString& folder)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info {};
        if (!lstatPath(path, &info) || !(S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)))
            return path;
    }
    return {};
}

} // namespace

bool isUnderPackagePrefix(const QString& canonicalPath)
{
    static const char* const prefixes[] = {"/usr", "/bin", "/sbin", "/lib", "/lib64", "/etc"};
    if (canonicalPath == QLatin1String("/"))
        return true;
    for (const char* prefix : prefixes) {
        const QLatin1String folder(prefix);
        if (canonicalPath == folder || canonicalPath.startsWith(folder + QLatin1Char('/')))
            return true;
    }
    return false;
}

bool isExecutableFile(const QString& path)
{
    return isRegularFile(path) && ::access(QFile::encodeName(path).constData(), X_OK) == 0;
}

QString checkInstallFolder(const QString& folder)
{
    if (!FileReference::isFileReference(folder))
        return tr("\"%1\" is not the real location of a folder (it is missing, relative or "
                  "reached through a link).")
            .arg(folder);
    struct stat info {};
    if (!lstatPath(folder, &info) || !S_ISDIR(info.st_mode))
        return tr("\"%1\" is not a folder.").arg(folder);
    if (isUnderPackagePrefix(folder))
        return tr("\"%1\" belongs to the system's package manager.").arg(folder);
    if (!isRegularFile(folder + QLatin1Char('/') + QLatin1String(InstallLayout::markerFile)))
        return tr("\"%1\" is not a self-contained installation of plumet.").arg(folder);
    if (!isExecutableFile(folder + QLatin1Char('/') + QLatin1String(InstallLayout::executable)))
        return tr("\"%1\" holds no program to start.").arg(folder);
    return {};
}

QString installedVersion(const QString& folder)
{
    const QString marker = folder + QLatin1Char('/') + QLatin1String(InstallLayout::markerFile);
    const int fd = ::open(QFile::encodeName(marker).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat info {};
    char buffer[512];
    ssize_t got = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (got <= 0)
        return {};
    const QByteArray text(buffer, got);
    const QString firstLine = QString::fromUtf8(text.left(text.indexOf('\n'))).trimmed();
    QString version = firstLine.mid(firstLine.lastIndexOf(QLatin1Char(' ')) + 1);
    if (version.endsWith(QLatin1Char('.')))
        version.chop(1);
    return VersionRules::isVersion(version) ? version : QString();
}

QString checkNewFolder(const QString& folder)
{
    const QString problem = checkInstallFolder(folder);
    if (!problem.isEmpty())
        return problem;
    const QString unusual = firstUnusualEntry(folder);
    if (!unusual.isEmpty())
        return tr("\"%1\" is a link or a special file.").arg(unusual);
    return {};
}

} // namespace InstallChecks
