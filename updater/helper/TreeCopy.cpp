#include "TreeCopy.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace TreeCopy {

namespace {

QString systemError(const QString& what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

struct Descriptor {
    int fd = -1;
    explicit Descriptor(int value) : fd(value) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

QString copyFile(int fromFolder, int toFolder, const char* name, const struct stat& info,
                 uid_t owner, gid_t group, const QString& shown)
{
    Descriptor in(::openat(fromFolder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (in.fd < 0)
        return systemError(shown);
    struct stat opened {};
    // The entry must still be the regular file that was listed.
    if (::fstat(in.fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_ino != info.st_ino)
        return QStringLiteral("%1 changed while it was copied").arg(shown);
    const mode_t mode = (opened.st_mode & 0111) ? 0755 : 0644;
    Descriptor out(
        ::openat(toFolder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.fd < 0)
        return systemError(shown);
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(in.fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return systemError(shown);
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out.fd, buffer + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return systemError(shown);
            }
            done += put;
        }
    }
    if (::fchown(out.fd, owner, group) != 0 || ::fchmod(out.fd, mode) != 0 || ::fsync(out.fd) != 0)
        return systemError(shown);
    return {};
}

QString copyFolder(int fromFolder, int toFolder, const QString& shown, uid_t owner, gid_t group)
{
    const int listing = ::dup(fromFolder);
    if (listing < 0)
        return systemError(shown);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(listing), &::closedir);
    if (!dir) {
        ::close(listing);
        return systemError(shown);
    }
    while (dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        const QString entryShown = shown + QLatin1Char('/') + QFile::decodeName(name);
        struct stat info {};
        if (::fstatat(fromFolder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return systemError(entryShown);
        if (S_ISREG(info.st_mode)) {
            if (QString problem =
                    copyFile(fromFolder, toFolder, name, info, owner, group, entryShown);
                !problem.isEmpty())
                return problem;
        } else if (S_ISDIR(info.st_mode)) {
            if (::mkdirat(toFolder, name, 0700) != 0)
                return systemError(entryShown);
            Descriptor from(
                ::openat(fromFolder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            Descriptor to(
                ::openat(toFolder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (from.fd < 0 || to.fd < 0)
                return systemError(entryShown);
            if (QString problem = copyFolder(from.fd, to.fd, entryShown, owner, group);
                !problem.isEmpty())
                return problem;
            if (::fchown(to.fd, owner, group) != 0 || ::fchmod(to.fd, 0755) != 0)
                return systemError(entryShown);
        } else {
            return QStringLiteral("%1 is a link or a special file").arg(entryShown);
        }
    }
    return {};
}

} // namespace

QString copyTree(const QString& from, const QString& to, uid_t owner, gid_t group)
{
    Descriptor source(::open(QFile::encodeName(from).constData(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (source.fd < 0)
        return systemError(from);
    if (::mkdir(QFile::encodeName(to).constData(), 0700) != 0)
        return systemError(to);
    Descriptor target(
        ::open(QFile::encodeName(to).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (target.fd < 0)
        return systemError(to);
    if (QString problem = copyFolder(source.fd, target.fd, from, owner, group); !problem.isEmpty())
        return problem;
    if (::fchown(target.fd, owner, group) != 0 || ::fchmod(target.fd, 0755) != 0)
        return systemError(to);
    return {};
}

} // namespace TreeCopy
