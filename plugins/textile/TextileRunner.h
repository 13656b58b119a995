#pragma once

#include <QString>

// Runs the Textile converter script under /usr/bin/perl for one text, through
// the shared process runner: a large post cannot stall the pipes, and a run
// that takes longer than the time limit is killed. Formatting is synchronous,
// so this blocks the calling thread, at most for the time limit.
class TextileRunner {
public:
    struct Result {
        QString html;
        // Empty on success; otherwise what went wrong, with the script's error output.
        QString error;
    };

    explicit TextileRunner(QString scriptPath, int timeLimitMs = 30000);

    Result run(const QString& text) const;

    static QString interpreter() { return QStringLiteral("/usr/bin/perl"); }

private:
    QString m_scriptPath;
    int m_timeLimitMs;
};
