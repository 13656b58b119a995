#pragma once

#include "ProcessRunner.h"
#include "ScriptRun.h"

// A script run by its interpreter: the text on standard input, the answer on
// standard output. A failing script, or one that prints nothing but error
// output, is reported with that output.
class InterpreterRun : public ScriptRun {
    Q_OBJECT

public:
    InterpreterRun(const QString& interpreter, const QString& scriptPath, const QString& text,
                   QObject* parent = nullptr);

    void start() override;
    void cancel() override;

private:
    void processEnded(const ProcessRunner::Result& result);

    ProcessRunner m_process;
    QString m_scriptName;
    bool m_cancelled = false;
};
