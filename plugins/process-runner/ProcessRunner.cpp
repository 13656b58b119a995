#include "ProcessRunner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

namespace {

// A stopped program gets this long to end before it is killed.
constexpr int cancelGraceMs = 2000;

QString translated(const char* text)
{
    return QCoreApplication::translate("ProcessRunner", text);
}

// Detached runners whose programs still run; kept here so that they stay
// reachable until they delete themselves.
QSet<ProcessRunner*>& detachedRunners()
{
    static QSet<ProcessRunner*> runners;
    return runners;
}

} // namespace

ProcessRunner::ProcessRunner(QString program, QStringList arguments, QObject* parent)
    : QObject(parent), m_program(std::move(program)), m_arguments(std::move(arguments))
{
    m_limitTimer.setSingleShot(true);
    m_killTimer.setSingleShot(true);
    connect(&m_limitTimer, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        signalGroup(SIGKILL);
    });
    connect(&m_killTimer, &QTimer::timeout, this, [this] { signalGroup(SIGKILL); });
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &ProcessRunner::readOutput);
    connect(&m_process, &QProcess::readyReadStandardError, this, &ProcessRunner::readErrorOutput);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // Write errors only mean the program stopped reading its input.
        if (error == QProcess::FailedToStart)
            report(Outcome::FailedToStart);
    });
    connect(&m_process, &QProcess::finished, this, [this](int, QProcess::ExitStatus status) {
        readOutput();
        readErrorOutput();
        readOutputFile();
        if (m_outputTooLarge)
            report(Outcome::OutputTooLarge);
        else if (m_cancelled)
            report(Outcome::Cancelled);
        else if (m_timedOut)
            report(Outcome::TimedOut);
        else
            report(status == QProcess::CrashExit ? Outcome::Crashed : Outcome::Exited);
    });
}

ProcessRunner::~ProcessRunner()
{
    detachedRunners().remove(this);
    disconnect(&m_process, nullptr, this, nullptr);
    if (m_process.state() != QProcess::NotRunning) {
        signalGroup(SIGKILL);
        m_process.waitForFinished(cancelGraceMs);
    }
}

void ProcessRunner::setInput(QByteArray input)
{
    m_input = std::move(input);
    m_hasInput = true;
}

void ProcessRunner::prepare()
{
    m_output.clear();
    m_errorOutput.clear();
    m_cancelled = m_timedOut = m_reported = m_outputTooLarge = false;
    m_running = true;
    m_process.setProgram(m_program);
    m_process.setArguments(m_arguments);
    // Its own process group, so stopping it reaches the programs it starts.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
    if (!m_hasInput)
        m_process.setStandardInputFile(QProcess::nullDevice());
    if (!m_outputFile.isEmpty()) {
        // Both appending, so neither overwrites what the other wrote.
        m_process.setStandardOutputFile(m_outputFile, QIODevice::Append);
        m_process.setStandardErrorFile(m_outputFile, QIODevice::Append);
    }
}

void ProcessRunner::start()
{
    if (m_running)
        return;
    prepare();
    m_process.start();
    if (m_process.state() == QProcess::NotRunning)
        return; // already reported as failed to start
    if (m_hasInput) {
        // Buffered: QProcess hands it over as the program reads.
        m_process.write(m_input);
        m_process.closeWriteChannel();
    }
    if (m_timeLimitMs > 0)
        m_limitTimer.start(m_timeLimitMs);
}

void ProcessRunner::cancel()
{
    if (!m_running || m_cancelled)
        return;
    m_cancelled = true;
    m_limitTimer.stop();
    if (m_process.state() == QProcess::NotRunning) {
        report(Outcome::Cancelled);
        return;
    }
    signalGroup(SIGTERM);
    m_killTimer.start(cancelGraceMs);
}

void ProcessRunner::detach()
{
    if (m_detached)
        return;
    m_detached = true;
    m_limitTimer.stop();
    m_killTimer.stop();
    disconnect(this, &ProcessRunner::finished, nullptr, nullptr);
    setParent(nullptr);
    if (m_process.state() == QProcess::NotRunning) {
        deleteLater();
        return;
    }
    detachedRunners().insert(this);
    connect(&m_process, &QProcess::finished, this, &QObject::deleteLater);
}

ProcessRunner::Result ProcessRunner::runAndWait()
{
    if (m_running)
        return {};
    m_synchronous = true;
    const QDeadlineTimer deadline =
        m_timeLimitMs > 0 ? QDeadlineTimer(m_timeLimitMs) : QDeadlineTimer(QDeadlineTimer::Forever);
    prepare();
    m_process.start();
    if (m_process.waitForStarted(deadline.remainingTime())) {
        if (m_hasInput) {
            m_process.write(m_input);
            m_process.closeWriteChannel();
        }
        // Feeds standard input and drains both outputs while it waits.
        if (!m_process.waitForFinished(deadline.remainingTime())) {
            m_timedOut = true;
            signalGroup(SIGKILL);
            m_process.waitForFinished(cancelGraceMs);
        }
    } else if (m_process.state() != QProcess::NotRunning) {
        m_timedOut = true;
        signalGroup(SIGKILL);
        m_process.waitForFinished(cancelGraceMs);
    }
    m_synchronous = false;
    return std::exchange(m_lastResult, {});
}

void ProcessRunner::readOutput()
{
    if (!m_outputFile.isEmpty())
        return;
    const QByteArray chunk = m_process.readAllStandardOutput();
    if (m_outputTooLarge)
        return;
    if (chunk.size() > m_outputLimit - m_output.size()) {
        m_outputTooLarge = true;
        m_output.clear();
        m_limitTimer.stop();
        signalGroup(SIGKILL);
        return;
    }
    m_output += chunk;
}

void ProcessRunner::readOutputFile()
{
    if (m_outputFile.isEmpty())
        return;
    QFile file(m_outputFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    if (file.size() > errorOutputLimit)
        file.seek(file.size() - errorOutputLimit);
    m_errorOutput = file.read(errorOutputLimit);
}

void ProcessRunner::readErrorOutput()
{
    if (!m_outputFile.isEmpty())
        return;
    m_errorOutput += m_process.readAllStandardError();
    if (m_errorOutput.size() > errorOutputLimit)
        m_errorOutput.remove(0, m_errorOutput.size() - errorOutputLimit);
}

void ProcessRunner::signalGroup(int signal)
{
    const qint64 pid = m_process.processId();
    if (pid <= 0 || m_process.state() == QProcess::NotRunning)
        return;
    ::kill(-pid_t(pid), signal);
    // In case the group could not be made.
    ::kill(pid_t(pid), signal);
}

void ProcessRunner::report(Outcome outcome)
{
    if (m_reported)
        return;
    m_reported = true;
    m_running = false;
    m_limitTimer.stop();
    m_killTimer.stop();
    Result result;
    result.outcome = outcome;
    result.program = m_program;
    result.exitCode = outcome == Outcome::Exited ? m_process.exitCode() : -1;
    result.output = std::exchange(m_output, {});
    result.errorOutput = std::exchange(m_errorOutput, {});
    if (outcome == Outcome::FailedToStart)
        result.startError = m_process.errorString();
    if (outcome == Outcome::OutputTooLarge)
        result.outputLimit = m_outputLimit;
    if (m_synchronous) {
        m_lastResult = result;
        return;
    }
    // Never from inside start() or cancel(): the caller may not be ready.
    QMetaObject::invokeMethod(
        this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
}

QString ProcessRunner::failureText(const Result& result, const QString& what, int timeLimitMs)
{
    switch (result.outcome) {
    case Outcome::FailedToStart: {
        return QFileInfo::exists(result.program)
                   ? translated("%1 could not be started: %2").arg(what, result.startError)
                   : translated("%1 could not be started: %2 is not installed.")
                         .arg(what, result.program);
    }
    case Outcome::Crashed:
        return translated("%1 stopped unexpectedly.").arg(what);
    case Outcome::TimedOut:
        return translated("%1 took longer than %2 seconds and was stopped.")
            .arg(what)
            .arg(timeLimitMs / 1000.0);
    case Outcome::Cancelled:
        return translated("%1 was stopped.").arg(what);
    case Outcome::OutputTooLarge:
        return translated("%1 wrote more than %2 and was stopped.")
            .arg(what, QLocale().formattedDataSize(result.outputLimit));
    case Outcome::Exited:
        break;
    }
    return result.exitCode == 0
               ? QString()
               : translated("%1 ended with exit code %2.").arg(what).arg(result.exitCode);
}
