#include "PeerProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <csignal>
#include <sys/prctl.h>

namespace plumet::test {

namespace {

constexpr int StartLimitMs = 10000;
constexpr auto PollInterval = std::chrono::milliseconds(20);

// Servers must not outlive a test process that is killed on a time-out.
void dieWithParent(QProcess* process)
{
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

} // namespace

PeerProcess::PeerProcess(QObject* parent) : QObject(parent) {}

PeerProcess::~PeerProcess()
{
    stop();
}

bool PeerProcess::start(const QString& program, const QStringList& arguments,
                        const QString& logPath, const QString& workingFolder,
                        const QProcessEnvironment& environment)
{
    stop();
    m_program = program;
    const QString executable = findProgram(program);
    if (executable.isEmpty()) {
        m_problem = QStringLiteral("%1 is not installed").arg(program);
        return false;
    }
    delete m_process;
    m_process = new QProcess(this);
    dieWithParent(m_process);
    m_process->setWorkingDirectory(workingFolder);
    m_process->setProcessEnvironment(environment);
    m_process->setStandardOutputFile(logPath);
    m_process->setStandardErrorFile(logPath, QIODevice::Append);
    m_process->start(executable, arguments);
    if (!m_process->waitForStarted(StartLimitMs)) {
        m_problem = QStringLiteral("%1 did not start: %2").arg(program, m_process->errorString());
        return false;
    }
    return true;
}

bool PeerProcess::waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds limit)
{
    const QDeadlineTimer deadline(limit);
    while (true) {
        if (!isRunning()) {
            m_problem = QStringLiteral("%1 stopped at start-up").arg(m_program);
            return false;
        }
        if (ready())
            return true;
        if (deadline.hasExpired())
            break;
        m_process->waitForFinished(static_cast<int>(PollInterval.count()));
    }
    m_problem = QStringLiteral("%1 was not ready in time").arg(m_program);
    return false;
}

void PeerProcess::stop(std::chrono::milliseconds grace)
{
    if (!isRunning())
        return;
    const qint64 pid = m_process->processId();
    if (grace.count() > 0 && pid > 0)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    if (grace.count() <= 0 || !m_process->waitForFinished(static_cast<int>(grace.count()))) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool PeerProcess::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

qint64 PeerProcess::processId() const
{
    return isRunning() ? m_process->processId() : 0;
}

QString findProgram(const QString& name)
{
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"),
                                                      QStringLiteral("/usr/local/sbin"),
                                                      QStringLiteral("/sbin")});
    return found;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fileText(const QString& path)
{
    return QString::fromUtf8(fileBytes(path));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString tail(const QString& text, int lines)
{
    QStringList all = text.split(QLatin1Char('\n'));
    if (all.size() > lines)
        all = all.mid(all.size() - lines);
    return all.join(QLatin1Char('\n'));
}

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool runToEnd(const QString& program, const QStringList& arguments, const QString& workingFolder,
              std::chrono::milliseconds limit, QByteArray* output, QString* problem,
              const QProcessEnvironment& environment)
{
    const QString executable = findProgram(program);
    if (executable.isEmpty()) {
        *problem = QStringLiteral("%1 is not installed").arg(program);
        return false;
    }
    QProcess process;
    dieWithParent(&process);
    process.setWorkingDirectory(workingFolder);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(executable, arguments);
    const bool ended = process.waitForFinished(static_cast<int>(limit.count()));
    *output = process.readAll();
    if (!ended) {
        process.kill();
        process.waitForFinished(5000);
    }
    if (ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    *problem = QStringLiteral("%1 %2:\n%3")
                   .arg(program, ended ? QStringLiteral("failed") : QStringLiteral("timed out"),
                        QString::fromUtf8(*output));
    return false;
}

bool copyTree(const QString& from, const QString& to)
{
    // cp keeps holes in sparse files and is several times faster than QFile::copy here.
    QByteArray output;
    QString problem;
    return runToEnd(QStringLiteral("cp"),
                    {QStringLiteral("-a"), QStringLiteral("--sparse=always"), from, to},
                    QDir::rootPath(), std::chrono::seconds(60), &output, &problem);
}

} // namespace plumet::test
