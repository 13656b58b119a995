#include "EditSession.h"

#include "EditorTable.h"
#include "ProcessRunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <sys/stat.h>

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("EditWith", text);
}

} // namespace

EditSession::EditSession(QString folder, QString text, QString commandLine, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_text(std::move(text)),
      m_commandLine(std::move(commandLine))
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &EditSession::fileMayHaveChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &EditSession::fileMayHaveChanged);
}

EditSession::~EditSession()
{
    if (!m_filePath.isEmpty()) {
        QFile::remove(m_filePath);
        QFile::remove(logPath());
    }
}

QString EditSession::logPath() const
{
    return m_filePath + QStringLiteral(".log");
}

bool EditSession::start(QString* error)
{
    QTemporaryFile file(m_folder + QStringLiteral("/draft-XXXXXX.html"));
    file.setAutoRemove(false);
    if (m_folder.isEmpty() || !file.open()) {
        *error = translated("The text could not be written to a temporary file: %1")
                     .arg(m_folder.isEmpty() ? translated("there is no private folder for it.")
                                             : file.errorString());
        return false;
    }
    m_filePath = file.fileName();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = m_text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *error = translated("The text could not be written to a temporary file: %1")
                     .arg(file.errorString());
        return false;
    }
    file.close();
    m_lastStamp = stamp();

    const QStringList command = editwith::editorCommand(m_commandLine, m_filePath);
    if (command.isEmpty()) {
        *error = translated("The editor has no command line.");
        return false;
    }
    m_editor = new ProcessRunner(command.first(), command.mid(1), this);
    // The editor may outlive the session and plumet: no pipes that would break.
    m_editor->setOutputFile(logPath());
    connect(m_editor, &ProcessRunner::finished, this, &EditSession::editorEnded);
    m_watcher.addPath(m_filePath);
    m_watcher.addPath(m_folder);
    m_running.start();
    m_editor->start();
    return true;
}

void EditSession::editorEnded(const ProcessRunner::Result& result)
{
    if (m_ended)
        return;
    if (!result.succeeded()) {
        QString message = ProcessRunner::failureText(result, translated("The editor"), 0);
        const QString errors = QString::fromUtf8(result.errorOutput).trimmed();
        if (!errors.isEmpty())
            message += QLatin1Char('\n') + errors;
        end();
        emit failed(message);
        return;
    }
    if (m_running.elapsed() < quickReturnMs && readFile() == m_text.toUtf8()) {
        emit editorReturnedAtOnce();
        return;
    }
    done();
}

void EditSession::done()
{
    if (m_ended)
        return;
    QString error;
    const QByteArray bytes = readFile(&error);
    if (!error.isNull()) {
        end();
        emit failed(translated("The edited text could not be read back: %1").arg(error));
        return;
    }
    const QString text = QString::fromUtf8(bytes);
    end();
    emit editorClosed(text == m_text ? QString() : text);
}

void EditSession::cancel()
{
    if (!m_ended)
        end();
    deleteLater();
}

void EditSession::end()
{
    m_ended = true;
    m_watcher.removePaths(m_watcher.files() + m_watcher.directories());
    if (!m_filePath.isEmpty()) {
        QFile::remove(m_filePath);
        QFile::remove(logPath());
    }
    // The editor is the user's program and may hold other work: it is let go,
    // never stopped.
    if (ProcessRunner* editor = m_editor.data()) {
        m_editor = nullptr;
        disconnect(editor, nullptr, this, nullptr);
        editor->detach();
    }
}

void EditSession::fileMayHaveChanged()
{
    if (m_ended)
        return;
    // A save by rename leaves the watcher without the file: watch the new one.
    if (QFileInfo::exists(m_filePath) && !m_watcher.files().contains(m_filePath))
        m_watcher.addPath(m_filePath);
    const Stamp now = stamp();
    if (now.size >= 0 && !(now == m_lastStamp)) {
        m_lastStamp = now;
        emit saved(QFileInfo(m_filePath).lastModified());
    }
}

QByteArray EditSession::readFile(QString* error) const
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    return file.readAll();
}

EditSession::Stamp EditSession::stamp() const
{
    struct stat status {};
    if (::stat(QFile::encodeName(m_filePath).constData(), &status) != 0)
        return {};
    return {quint64(status.st_ino), qint64(status.st_size),
            qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}
