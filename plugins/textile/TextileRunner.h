#pragma once

#include <QString>

// Runs the Textile converter script under /usr/bin/perl for one text. The
// interpreter gets the text on standard input while its output is read, so a
// large post cannot fill both pipes and stall; a run that takes longer than
// the time limit is killed. Blocks the calling thread for at most that long.
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
