#include "RegularFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<QByteArray> refuse(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return std::nullopt;
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::optional<QByteArray> RegularFile::read(const QString& path, qint64 cap, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty() || native.contains('\0'))
        return refuse(error, QStringLiteral("The file \"%1\" has no valid name.").arg(path));
    // Non-blocking, so a FIFO cannot hold the open until someone writes to it; the
    // kind is then checked on what was opened, not on the name.
    Descriptor file(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        return refuse(
            error,
            QStringLiteral("The file \"%1\" could not be opened: %2.").arg(path, systemReason()));
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return refuse(
            error,
            QStringLiteral("The file \"%1\" could not be examined: %2.").arg(path, systemReason()));
    if (!S_ISREG(status.st_mode))
        return refuse(error, QStringLiteral("\"%1\" is not a regular file.").arg(path));
    if (status.st_size > cap)
        return refuse(error, QStringLiteral("The file \"%1\" is too large (%2 bytes, at most %3).")
                                 .arg(path)
                                 .arg(qint64(status.st_size))
                                 .arg(cap));
    // The file may grow while it is read: one byte past the cap tells.
    const qint64 limit = cap + 1;
    QByteArray bytes;
    bytes.resize(qsizetype(std::min<qint64>(status.st_size, cap) + 1));
    qint64 filled = 0;
    while (filled < limit) {
        if (filled == bytes.size())
            bytes.resize(qsizetype(std::min<qint64>(limit, qint64(bytes.size()) * 2)));
        const ssize_t got =
            ::read(file.get(), bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return refuse(
                error,
                QStringLiteral("The file \"%1\" could not be read: %2.").arg(path, systemReason()));
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > cap)
        return refuse(error, QStringLiteral("The file \"%1\" is too large (more than %2 bytes).")
                                 .arg(path)
                                 .arg(cap));
    bytes.truncate(qsizetype(filled));
    return bytes;
}
