#pragma once

#include <QObject>
#include <QString>

// How a script run ended.
struct ScriptOutcome {
    // The script's answer; null leaves the selection as it is.
    QString text;
    // Empty when the script ran well; otherwise a sentence for the user,
    // followed by what the script wrote to standard error.
    QString failure;
};

// One run of one script on one text. finished() comes once, after start()
// returned; nothing comes after cancel().
class ScriptRun : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void start() = 0;
    virtual void cancel() = 0;

signals:
    void finished(const ScriptOutcome& outcome);
};
