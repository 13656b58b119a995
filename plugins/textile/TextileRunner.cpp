#include "TextileRunner.h"

#include <QFileInfo>
#include <QProcess>

TextileRunner::TextileRunner(QString scriptPath, int timeLimitMs)
    : m_scriptPath(std::move(scriptPath)), m_timeLimitMs(timeLimitMs)
{
}

TextileRunner::Result TextileRunner::run(const QString& text) const
{
    if (!QFileInfo(m_scriptPath).isFile())
        return {{}, QStringLiteral("the converter script %1 is missing").arg(m_scriptPath)};

    QProcess perl;
    perl.setProgram(interpreter());
    perl.setArguments(
        {QStringLiteral("-I") + QFileInfo(m_scriptPath).absolutePath(), m_scriptPath});
    perl.start();
    if (!perl.waitForStarted(m_timeLimitMs))
        return {
            {},
            QStringLiteral("%1 could not be started: %2").arg(interpreter(), perl.errorString())};

    // QProcess feeds standard input from its buffer while it waits, and
    // drains standard output and error at the same time.
    perl.write(text.toUtf8());
    perl.closeWriteChannel();
    if (!perl.waitForFinished(m_timeLimitMs)) {
        perl.kill();
        perl.waitForFinished(1000);
        return {{},
                QStringLiteral("the converter took longer than %1 s and was stopped")
                    .arg(m_timeLimitMs / 1000.0)};
    }
    const QString errors = QString::fromUtf8(perl.readAllStandardError()).trimmed();
    if (perl.exitStatus() != QProcess::NormalExit || perl.exitCode() != 0)
        return {{},
                QStringLiteral("the converter failed (exit code %1): %2")
                    .arg(perl.exitCode())
                    .arg(errors)};
    return {QString::fromUtf8(perl.readAllStandardOutput()), {}};
}
