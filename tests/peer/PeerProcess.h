#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

class QProcess;

namespace plumet::test {

// One server process of a test peer. It dies with the test process (even one
// killed on a time-out), writes its output to a log file, is waited for with
// a bounded wait and is stopped by its process id.
class PeerProcess : public QObject {
    Q_OBJECT
public:
    explicit PeerProcess(QObject* parent = nullptr);
    ~PeerProcess() override;

    // Starts `program` (found on PATH or in the sbin folders) with its output
    // going to `logPath`; false, with the reason in problem(), when it cannot.
    bool start(const QString& program, const QStringList& arguments, const QString& logPath,
               const QString& workingFolder,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    // Polls `ready` until it answers true; false when the process ends first
    // or `limit` runs out.
    bool waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds limit);
    // SIGTERM, then SIGKILL when it has not ended after `grace`; SIGKILL at
    // once without a grace period.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

    bool isRunning() const;
    qint64 processId() const;
    QString problem() const { return m_problem; }

private:
    QProcess* m_process = nullptr;
    QString m_program;
    QString m_problem;
};

// Helpers shared by the peers.

// The full path of a program on PATH or in the sbin folders; empty when missing.
QString findProgram(const QString& name);
QByteArray fileBytes(const QString& path);
QString fileText(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);
// The last `lines` lines of `text`.
QString tail(const QString& text, int lines);
// A port nobody listens on now; another process may still take it first.
quint16 freeLoopbackPort();
// Runs a short program to its end; false, with the reason (and its output) in
// `problem`, when it fails or outlives `limit`.
bool runToEnd(const QString& program, const QStringList& arguments, const QString& workingFolder,
              std::chrono::milliseconds limit, QByteArray* output, QString* problem,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
// Copies the folder `from` to the new folder `to`; false when it cannot.
bool copyTree(const QString& from, const QString& to);

} // namespace plumet::test
