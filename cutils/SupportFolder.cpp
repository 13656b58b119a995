#include "SupportFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdlib>
#include <mutex>

namespace cutils {

namespace {

constexpr auto supportFolderName = "plumet3";

// Without a folder nothing can be stored and no caller is prepared to go on. The
// application replaces this with an alert (installSupportFolderAlert).
void logAndQuit(const QString& message)
{
    qCritical("%s", qPrintable(message));
    std::exit(EXIT_FAILURE);
}

std::mutex& handlerMutex()
{
    static std::mutex mutex;
    return mutex;
}

SupportFolderFailureHandler& currentHandler()
{
    static SupportFolderFailureHandler handler = logAndQuit;
    return handler;
}

void reportFailure(const QString& message)
{
    SupportFolderFailureHandler handler;
    {
        std::lock_guard lock(handlerMutex());
        handler = currentHandler();
    }
    handler(message);
}

} // namespace

SupportFolderFailureHandler setSupportFolderFailureHandler(SupportFolderFailureHandler handler)
{
    std::lock_guard lock(handlerMutex());
    SupportFolderFailureHandler previous = std::move(currentHandler());
    currentHandler() = handler ? std::move(handler) : SupportFolderFailureHandler(logAndQuit);
    return previous;
}

bool verifyDirectory(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    // QFile::remove unlinks a symbolic link itself and leaves its target alone.
    if ((info.isSymLink() || info.exists()) && !QFile::remove(path)) {
        qWarning("Could not remove %s to make a folder there", qPrintable(path));
        return false;
    }
    if (!QDir().mkpath(path)) {
        qWarning("Could not create the folder %s", qPrintable(path));
        return false;
    }
    return true;
}

QString applicationSupportFolder()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty()) {
        reportFailure(
            QCoreApplication::translate("cutils", "Can't find application support folder"));
        return {};
    }
    const QString folder = dataHome + u'/' + QLatin1String(supportFolderName);
    if (!verifyDirectory(folder)) {
        reportFailure(
            QCoreApplication::translate("cutils", "Can't create the application support folder %1")
                .arg(QDir::toNativeSeparators(folder)));
        return {};
    }
    return folder;
}

QString applicationSupportSubFolder(const QString& name)
{
    const QString folder = applicationSupportFolder();
    if (folder.isEmpty())
        return {};
    const QString subFolder = folder + u'/' + name;
    verifyDirectory(subFolder);
    return subFolder;
}

} // namespace cutils
