#include "InterpreterRun.h"

#include "ScriptFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("ScriptRunner", text);
}

QString withErrorOutput(const QString& sentence, const QByteArray& errorOutput)
{
    const QString errors = QString::fromUtf8(errorOutput).trimmed();
    return errors.isEmpty() ? sentence : sentence + QStringLiteral("\n\n") + errors;
}

} // namespace

InterpreterRun::InterpreterRun(const QString& interpreter, const QString& scriptPath,
                               const QString& text, QObject* parent)
    : ScriptRun(parent), m_process(interpreter, {scriptPath}),
      m_scriptName(QFileInfo(scriptPath).fileName())
{
    m_process.setInput(text.toUtf8());
    m_process.setTimeLimit(scriptrunner::timeLimitMs);
    connect(&m_process, &ProcessRunner::finished, this, &InterpreterRun::processEnded);
}

void InterpreterRun::start()
{
    m_process.start();
}

void InterpreterRun::cancel()
{
    m_cancelled = true;
    m_process.cancel();
}

void InterpreterRun::processEnded(const ProcessRunner::Result& result)
{
    if (m_cancelled)
        return;
    const QString script = translated("The script “%1”").arg(m_scriptName);
    if (result.outcome == ProcessRunner::Outcome::FailedToStart &&
        !QFileInfo::exists(result.program)) {
        emit finished({{},
                       translated("The script “%1” needs %2, which is not installed. Its path can "
                                  "be set in the settings of the Scripts add-on.")
                           .arg(m_scriptName, result.program)});
        return;
    }
    if (!result.succeeded()) {
        emit finished(
            {{},
             withErrorOutput(ProcessRunner::failureText(result, script, scriptrunner::timeLimitMs),
                             result.errorOutput)});
        return;
    }
    if (result.output.isEmpty() && !result.errorOutput.trimmed().isEmpty()) {
        emit finished(
            {{},
             withErrorOutput(translated("%1 printed nothing.").arg(script), result.errorOutput)});
        return;
    }
    // Nothing printed leaves the text as it is.
    emit finished({result.output.isEmpty() ? QString() : QString::fromUtf8(result.output), {}});
}
