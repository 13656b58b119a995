#include "MediaCache.h"

#include "ModelLog.h"
#include "SupportFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>
#include <sys/stat.h>

namespace MediaCache {

QString folder()
{
    return cutils::applicationSupportSubFolder(QStringLiteral("cache"));
}

QString newFileName()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool isOwnedFile(const QString& path)
{
    // Our own paths are absolute and clean: one with "..", "." or a doubled slash
    // was written by someone else.
    if (path.isEmpty() || path.contains(QChar(0)) || QDir::isRelativePath(path) ||
        QDir::cleanPath(path) != path)
        return false;
    const QString cache = folder();
    if (cache.isEmpty())
        return false;
    const QString realCache = QFileInfo(cache).canonicalFilePath();
    const QFileInfo file(path);
    // The folder the file stands in, with its links resolved; the file itself is
    // looked at without following it.
    const QString realParent = QFileInfo(file.absolutePath()).canonicalFilePath();
    if (realCache.isEmpty() || realParent != realCache)
        return false;
    struct stat status {};
    if (::lstat(QFile::encodeName(file.absoluteFilePath()).constData(), &status) != 0)
        return false;
    return S_ISREG(status.st_mode);
}

bool removeOwnedFile(const QString& path)
{
    if (!isOwnedFile(path)) {
        if (!path.isEmpty() && QFileInfo::exists(path))
            qCInfo(lcModel) << "Left" << path << "in place: not a file of the media cache.";
        return false;
    }
    QFile file(path);
    if (!file.remove()) {
        qCWarning(lcModel) << "Could not delete" << path << ":" << file.errorString();
        return false;
    }
    return true;
}

bool copyFile(const QString& source, const QString& target, QString* error)
{
    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    QFile in(source);
    if (!QFileInfo(source).isFile())
        return fail(QStringLiteral("%1 is not a file").arg(source));
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(source, in.errorString()));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("%1: %2").arg(target, out.errorString()));
    QByteArray block;
    while (!in.atEnd()) {
        block = in.read(1 << 20);
        if (block.isEmpty() && in.error() != QFileDevice::NoError) {
            out.cancelWriting();
            return fail(QStringLiteral("%1: %2").arg(source, in.errorString()));
        }
        if (out.write(block) != block.size()) {
            out.cancelWriting();
            return fail(QStringLiteral("%1: %2").arg(target, out.errorString()));
        }
    }
    if (!out.commit())
        return fail(QStringLiteral("%1: %2").arg(target, out.errorString()));
    return true;
}

} // namespace MediaCache
