#include "SupportFolder.h"

#include "CUtilsLog.h"

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
constexpr auto settingsFolderName = "plumet";
constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;

// Without a folder nothing can be stored and no caller is prepared to go on. The
// application replaces this with an alert (installSupportFolderAlert).
void logAndQuit(const QString& message)
{
    qCCritical(lcCUtils, "%s", qPrintable(message));
    std::exit(EXIT_FAILURE);
}

void logMovedAside(const QString& message)
{
    qCWarning(lcCUtils, "%s", qPrintable(message));
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

MovedAsideHandler& currentMovedAsideHandler()
{
    static MovedAsideHandler handler = logMovedAside;
    return handler;
}

template <typename Handler> void call(Handler& slot, const QString& message)
{
    Handler handler;
    {
        std::lock_guard lock(handlerMutex());
        handler = slot;
    }
    handler(message);
}

// Renames what stands at `path` (a link itself, never what it points to) to a dated
// name beside it, and says so.
bool moveAside(const QString& path, const QDateTime& now)
{
    const QString base =
        path + QLatin1Char('.') + now.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString target = base + QStringLiteral(".moved");
    for (int counter = 2; QFileInfo(target).exists() || QFileInfo(target).isSymLink(); ++counter)
        target = base + QStringLiteral("-%1.moved").arg(counter);
    if (!QFile::rename(path, target)) {
        qCWarning(lcCUtils, "Could not move %s aside to make a folder there", qPrintable(path));
        return false;
    }
    call(currentMovedAsideHandler(),
         QCoreApplication::translate("cutils", "A file stood where the folder \"%1\" belongs. "
                                               "It has been kept as \"%2\".")
             .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(target)));
    return true;
}

// Makes the folder and any missing parents; the folder itself is private.
bool makePrivateFolder(const QString& path)
{
    const QFileInfo info(path);
    return QDir().mkpath(info.absolutePath()) && QDir().mkdir(path, ownerOnly);
}

// A private folder at `path`, whatever stood there moved aside first.
bool ensurePrivateFolder(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if ((info.exists() || info.isSymLink()) && !moveAside(path, QDateTime::currentDateTime()))
        return false;
    return makePrivateFolder(path);
}

QString privateFolderIn(QStandardPaths::StandardLocation location)
{
    const QString home = QStandardPaths::writableLocation(location);
    if (home.isEmpty())
        return {};
    return home + u'/' + QLatin1String(supportFolderName);
}

} // namespace

SupportFolderFailureHandler setSupportFolderFailureHandler(SupportFolderFailureHandler handler)
{
    std::lock_guard lock(handlerMutex());
    SupportFolderFailureHandler previous = std::move(currentHandler());
    currentHandler() = handler ? std::move(handler) : SupportFolderFailureHandler(logAndQuit);
    return previous;
}

MovedAsideHandler setMovedAsideHandler(MovedAsideHandler handler)
{
    std::lock_guard lock(handlerMutex());
    MovedAsideHandler previous = std::move(currentMovedAsideHandler());
    currentMovedAsideHandler() = handler ? std::move(handler) : MovedAsideHandler(logMovedAside);
    return previous;
}

bool verifyDirectory(const QString& path, const QDateTime& now)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if ((info.isSymLink() || info.exists()) &&
        !moveAside(path, now.isValid() ? now : QDateTime::currentDateTime()))
        return false;
    if (!QDir().mkpath(path)) {
        qCWarning(lcCUtils, "Could not create the folder %s", qPrintable(path));
        return false;
    }
    return true;
}

QString applicationSupportFolder()
{
    const QString folder = privateFolderIn(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty()) {
        call(currentHandler(),
             QCoreApplication::translate("cutils", "Can't find application support folder"));
        return {};
    }
    if (!ensurePrivateFolder(folder)) {
        call(currentHandler(),
             QCoreApplication::translate("cutils", "Can't create the application support folder %1")
                 .arg(QDir::toNativeSeparators(folder)));
        return {};
    }
    return folder;
}

QString applicationCacheFolder()
{
    const QString folder = privateFolderIn(QStandardPaths::GenericCacheLocation);
    return !folder.isEmpty() && ensurePrivateFolder(folder) ? folder : QString();
}

QString settingsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           QLatin1String(settingsFolderName);
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

void restrictUserFolders()
{
    for (const QString& folder :
         {privateFolderIn(QStandardPaths::GenericDataLocation),
          privateFolderIn(QStandardPaths::GenericCacheLocation), settingsFolder()}) {
        const QFileInfo info(folder);
        // A link is the user's own arrangement; what it points to is left as it is.
        if (folder.isEmpty() || info.isSymLink() || !info.isDir())
            continue;
        if (info.permissions() != ownerOnly && !QFile::setPermissions(folder, ownerOnly))
            qCWarning(lcCUtils, "Could not make %s private", qPrintable(folder));
    }
}

} // namespace cutils
