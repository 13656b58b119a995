#include "NDProcess.h"

#include "FileReference.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The kernel keeps TASK_COMM_LEN - 1 bytes of a command name.
constexpr int commandNameLength = 15;

bool ownedByCurrentUser(pid_t pid)
{
    struct stat info {};
    const QByteArray folder = "/proc/" + QByteArray::number(pid);
    return ::stat(folder.constData(), &info) == 0 && info.st_uid == ::getuid();
}

} // namespace

bool NDProcess::isValid() const
{
    return m_pid > 0 && ownedByCurrentUser(m_pid);
}

QString NDProcess::procEntry(const char* entry) const
{
    return QStringLiteral("/proc/%1/%2").arg(m_pid).arg(QLatin1String(entry));
}

QString NDProcess::name() const
{
    if (isNoProcess())
        return QStringLiteral("no process");
    QFile comm(procEntry("comm"));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = comm.readAll();
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    return QString::fromUtf8(bytes);
}

QString NDProcess::path() const
{
    if (isNoProcess())
        return {};
    return QFileInfo(procEntry("exe")).symLinkTarget();
}

QList<NDProcess> NDProcess::everyProcess()
{
    QList<NDProcess> processes;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const long pid = entry.toLong(&isNumber);
        if (isNumber && pid > 0 && ownedByCurrentUser(static_cast<pid_t>(pid)))
            processes.append(NDProcess(static_cast<pid_t>(pid)));
    }
    std::sort(processes.begin(), processes.end(),
              [](const NDProcess& a, const NDProcess& b) { return a.pid() < b.pid(); });
    return processes;
}

std::optional<NDProcess> NDProcess::firstProcessNamed(const QString& name)
{
    const QByteArray wanted = name.toUtf8().left(commandNameLength);
    if (wanted.isEmpty())
        return std::nullopt;
    for (const NDProcess& process : everyProcess()) {
        if (process.name().toUtf8() == wanted)
            return process;
    }
    return std::nullopt;
}

std::optional<NDProcess> NDProcess::processForPath(const QString& path)
{
    const QString wanted = FileReference::fileReference(path);
    if (wanted.isEmpty())
        return std::nullopt;
    for (const NDProcess& process : everyProcess()) {
        if (process.path() == wanted)
            return process;
    }
    return std::nullopt;
}
