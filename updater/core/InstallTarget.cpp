#include "InstallTarget.h"

#include "FileReference.h"
#include "InstallChecks.h"
#include "InstallLayout.h"
#include "UpdaterLog.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int packageQueryTimeoutMs = 15000;

bool writable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace

InstallTarget::InstallTarget(QObject* parent) : QObject(parent) {}

InstallTarget::Road InstallTarget::roadFor(const QString& canonicalFolder)
{
    struct stat info {};
    const bool ours = ::lstat(QFile::encodeName(canonicalFolder).constData(), &info) == 0 &&
                      info.st_uid == ::getuid();
    const QString parent = QFileInfo(canonicalFolder).path();
    return ours && writable(canonicalFolder) && writable(parent) ? Road::Plain : Road::Privileged;
}

void InstallTarget::examine(const QString& folder)
{
    m_folder = FileReference::fileReference(folder);
    QTimer::singleShot(0, this, [this, folder] {
        if (m_folder.isEmpty()) {
            finish(Verdict::NotSelfContained, tr("\"%1\" does not exist.").arg(folder));
            return;
        }
        if (InstallChecks::isUnderPackagePrefix(m_folder)) {
            finish(Verdict::PackageManaged, {});
            return;
        }
        if (const QString problem = InstallChecks::checkInstallFolder(m_folder);
            !problem.isEmpty()) {
            finish(Verdict::NotSelfContained, problem);
            return;
        }
        const QString dpkg = QStandardPaths::findExecutable(QStringLiteral("dpkg"));
        if (dpkg.isEmpty()) {
            finish(Verdict::Replaceable, {});
            return;
        }
        // "dpkg -S" succeeds only for a path some package owns.
        m_query = new QProcess(this);
        m_query->setProcessChannelMode(QProcess::MergedChannels);
        connect(m_query, &QProcess::finished, this, [this](int code, QProcess::ExitStatus how) {
            const bool owned = how == QProcess::NormalExit && code == 0;
            if (owned)
                qCInfo(lcUpdater) << "the package manager owns" << m_folder << ":"
                                  << m_query->readAll().trimmed();
            m_query->deleteLater();
            finish(owned ? Verdict::PackageManaged : Verdict::Replaceable, {});
        });
        connect(m_query, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            m_query->deleteLater();
            finish(Verdict::Replaceable, {});
        });
        QTimer::singleShot(packageQueryTimeoutMs, m_query, [this] {
            qCWarning(lcUpdater) << "the package manager did not answer in time";
            m_query->kill();
        });
        m_query->start(dpkg, {QStringLiteral("-S"), m_folder + QLatin1Char('/') +
                                                        QLatin1String(InstallLayout::executable)});
    });
}

void InstallTarget::finish(Verdict verdict, const QString& detail)
{
    emit examined(verdict, m_folder, detail);
}
