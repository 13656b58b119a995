#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

// Runs one outside program: hands it its input on standard input while its
// output is read, so a program that writes more than a pipe holds before it
// has read everything cannot stall either side. The program runs in a process
// group of its own, and stopping it (a cancel or the time limit) stops
// whatever it started too.
//
// start() runs it on the event loop and reports through finished(), always
// later and exactly once. runAndWait() is for callers whose answer must be
// synchronous (formatters); it blocks the calling thread, at most for the time
// limit, without running an event loop.
class ProcessRunner : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Exited, FailedToStart, Crashed, TimedOut, Cancelled, OutputTooLarge };

    struct Result {
        QString program;
        Outcome outcome = Outcome::FailedToStart;
        int exitCode = -1;
        QByteArray output;
        // The end of standard error (at most errorOutputLimit bytes).
        QByteArray errorOutput;
        // Why the program could not be started.
        QString startError;
        // The output limit that stopped it (OutputTooLarge).
        qsizetype outputLimit = 0;

        bool succeeded() const { return outcome == Outcome::Exited && exitCode == 0; }
    };

    static constexpr qsizetype errorOutputLimit = 64 * 1024;
    // A program writing more than this is stopped: no text we hand back is
    // anywhere near it, and a runaway script would fill the memory.
    static constexpr qsizetype defaultOutputLimit = 256 * 1024 * 1024;

    ProcessRunner(QString program, QStringList arguments, QObject* parent = nullptr);
    // A program still running is killed.
    ~ProcessRunner() override;

    QString program() const { return m_program; }
    // Written to standard input, which is then closed; without input the
    // program reads from the null device.
    void setInput(QByteArray input);
    // Stops the program after this long; 0 (the default) lets it run.
    void setTimeLimit(int milliseconds) { m_timeLimitMs = milliseconds; }
    int timeLimit() const { return m_timeLimitMs; }
    void setOutputLimit(qsizetype bytes) { m_outputLimit = bytes; }
    // Standard output and error go to this file instead of pipes; the end of
    // the file comes back as the result's errorOutput. For a program that may
    // outlive us: a pipe closes when we quit, and its next write kills it.
    void setOutputFile(const QString& path) { m_outputFile = path; }

    void start();
    // Asks the program to stop and kills it when it has not ended two seconds
    // later; finished() then reports Cancelled.
    void cancel();
    bool isRunning() const { return m_running; }
    // Lets the program run on by itself, never stopped: finished() is no
    // longer reported, the runner leaves its parent and deletes itself once
    // the program has ended. Meant for a program writing to an output file.
    void detach();

    Result runAndWait();

    // A sentence for the user on a result that did not succeed. `what` names
    // the program as the caller shows it ("The script “tidy.py”").
    static QString failureText(const Result& result, const QString& what, int timeLimitMs);

signals:
    void finished(const ProcessRunner::Result& result);

private:
    void prepare();
    void readOutput();
    void readErrorOutput();
    void signalGroup(int signal);
    void readOutputFile();
    Result takeResult(Outcome outcome);
    void report(Outcome outcome);

    QString m_program;
    QStringList m_arguments;
    QByteArray m_input;
    bool m_hasInput = false;
    int m_timeLimitMs = 0;
    qsizetype m_outputLimit = defaultOutputLimit;
    QProcess m_process;
    QTimer m_limitTimer;
    QTimer m_killTimer;
    QByteArray m_output;
    QByteArray m_errorOutput;
    QString m_outputFile;
    bool m_running = false;
    bool m_outputTooLarge = false;
    bool m_detached = false;
    bool m_cancelled = false;
    bool m_timedOut = false;
    bool m_reported = false;
    bool m_synchronous = false;
    Result m_lastResult;
};

Q_DECLARE_METATYPE(ProcessRunner::Result)
