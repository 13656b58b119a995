#include "PrivilegedReplacement.h"

#include "UpdaterLog.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {

// Long enough to type a password, short enough that a lost dialog ends.
constexpr int authorisationTimeoutMs = 10 * 60 * 1000;

} // namespace

PrivilegedReplacement::PrivilegedReplacement(QObject* parent) : QObject(parent) {}

PrivilegedReplacement::~PrivilegedReplacement()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

void PrivilegedReplacement::movePathWithAuthentication(const QString& launcher,
                                                       const QString& helper,
                                                       const QString& archive,
                                                       const UpdateHandOver& update,
                                                       const QString& installFolder)
{
    const QString program =
        QFileInfo(launcher).isAbsolute() ? launcher : QStandardPaths::findExecutable(launcher);
    if (program.isEmpty() || !QFileInfo(helper).isAbsolute() || !QFileInfo(helper).isExecutable()) {
        QTimer::singleShot(0, this, [this, launcher] {
            end(false, tr("\"%1\" or the update helper is missing.").arg(launcher));
        });
        return;
    }
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus how) {
        const QString output = QString::fromLocal8Bit(m_process->readAll()).trimmed();
        if (!output.isEmpty())
            qCInfo(lcUpdater).noquote() << "update helper:" << output;
        const bool replaced = how == QProcess::NormalExit && code == 0;
        if (replaced || !output.isEmpty())
            end(replaced, output);
        // pkexec ends with 126 when the password dialog was dismissed, 127
        // when the password was wrong.
        else if (how == QProcess::NormalExit && (code == 126 || code == 127))
            end(false, tr("No administrator's password was given."));
        else
            end(false, tr("The replacement ended without a word (status %1).").arg(code));
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(false, m_process->errorString());
    });
    QTimer::singleShot(authorisationTimeoutMs, m_process, [this] {
        qCWarning(lcUpdater) << "the privileged replacement took too long";
        m_process->kill();
    });
    m_process->start(program, {helper, archive, update.version, QString::fromLatin1(update.sha256),
                               QString::fromLatin1(update.signature), installFolder});
}

void PrivilegedReplacement::end(bool replaced, const QString& detail)
{
    if (m_ended)
        return;
    m_ended = true;
    emit finished(replaced, detail);
}
