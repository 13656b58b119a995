#include "TextileRunner.h"

#include "ProcessRunner.h"

#include <QFileInfo>

TextileRunner::TextileRunner(QString scriptPath, int timeLimitMs)
    : m_scriptPath(std::move(scriptPath)), m_timeLimitMs(timeLimitMs)
{
}

TextileRunner::Result TextileRunner::run(const QString& text) const
{
    if (!QFileInfo(m_scriptPath).isFile())
        return {{}, QStringLiteral("the converter script %1 is missing").arg(m_scriptPath)};

    ProcessRunner perl(
        interpreter(),
        {QStringLiteral("-I") + QFileInfo(m_scriptPath).absolutePath(), m_scriptPath});
    perl.setInput(text.toUtf8());
    perl.setTimeLimit(m_timeLimitMs);
    const ProcessRunner::Result result = perl.runAndWait();
    if (!result.succeeded()) {
        const QString errors = QString::fromUtf8(result.errorOutput).trimmed();
        const QString failure =
            ProcessRunner::failureText(result, QStringLiteral("The converter"), m_timeLimitMs);
        return {{}, errors.isEmpty() ? failure : failure + QLatin1Char(' ') + errors};
    }
    return {QString::fromUtf8(result.output), {}};
}
