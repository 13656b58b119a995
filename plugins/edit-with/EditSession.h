#pragma once

#include "ProcessRunner.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QStringList>

// One text edited in an outside editor: the text goes to a new file (only
// the user can read it) in the add-on's private folder, the editor runs in
// its blocking mode, and its end stands for "closed". Saves are shown as they
// happen but never end the session: editors that save by writing a new file
// and renaming it would fool a file watcher.
//
// An editor that returns at once with the file untouched probably handed the
// file to an instance already running; the session then waits for done().
class EditSession : public QObject {
    Q_OBJECT

public:
    EditSession(QString folder, QString text, QString commandLine, QObject* parent = nullptr);
    ~EditSession() override;

    // Writes the file and starts the editor; false with a sentence when either fails.
    bool start(QString* error);
    // Reads the file back now and ends the session as editorClosed() would.
    void done();
    // Deletes the file and the session; the editor runs on, no longer
    // listened to. Nothing is reported any more.
    void cancel();

    QString filePath() const { return m_filePath; }

    // An editor that ends this soon with the file untouched returned at once.
    static constexpr int quickReturnMs = 1500;

signals:
    void saved(const QDateTime& when);
    // The edited text, or null when the user did not change it.
    void editorClosed(const QString& text);
    void editorReturnedAtOnce();
    void failed(const QString& message);

private:
    void editorEnded(const ProcessRunner::Result& result);
    QByteArray readFile(QString* error = nullptr) const;
    void fileMayHaveChanged();
    void end();
    // Where the editor's output goes.
    QString logPath() const;
    // What tells one save from another: a save by rename makes a new file,
    // and two saves may fall within one tick of the file system's clock.
    struct Stamp {
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stamp() const;

    QString m_folder;
    QString m_text;
    QString m_commandLine;
    QString m_filePath;
    QPointer<ProcessRunner> m_editor;
    QFileSystemWatcher m_watcher;
    Stamp m_lastStamp;
    QElapsedTimer m_running;
    bool m_ended = false;
};
