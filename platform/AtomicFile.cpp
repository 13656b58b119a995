#include "AtomicFile.h"

#include "PlatformLog.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Writes everything or answers the errno of the write that stopped short.
int writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, data, size_t(std::min<qsizetype>(left, 1 << 30)));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return errno;
        if (put == 0)
            return ENOSPC;
        data += put;
        left -= put;
    }
    return 0;
}

// A file system that cannot sync a descriptor says EINVAL; anything else is a
// failure to get the bytes onto the disk.
int syncFile(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EINVAL ? 0 : errno;
    }
    return 0;
}

// The rename is durable once the folder's entry is on disk too. The new file
// is in place by then: a folder that cannot be synced is only logged.
void syncFolder(const QString& folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (const int code = syncFile(fd))
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("The folder \"%1\" could not be synced: %2.")
                   .arg(folder, systemReason(code));
    ::close(fd);
}

} // namespace

bool AtomicFile::write(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    const auto failed = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("The file \"%1\" could not be saved: %2.").arg(path, reason);
        if (file.isOpen())
            file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(file.errorString());
    // QSaveFile buffers small writes and its commit ignores a flush or a sync
    // that fails: on a full disk it renames a short file over the good one and
    // answers success. The bytes go to the descriptor here, every write and
    // the sync checked, so that the commit has nothing left but the rename.
    const int fd = file.handle();
    if (fd < 0)
        return failed(file.errorString());
    if (const int code = writeAll(fd, bytes))
        return failed(systemReason(code));
    if (const int code = syncFile(fd))
        return failed(systemReason(code));
    if (!file.commit())
        return failed(file.errorString());
    syncFolder(QFileInfo(QFileInfo(path).canonicalFilePath()).absolutePath());
    return true;
}
