#include "FileKinds.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QMimeType>
#include <algorithm>

namespace cutils {

namespace {

const QStringList& readableImageTypes()
{
    static const QStringList types = [] {
        QStringList names;
        for (const QByteArray& name : QImageReader::supportedMimeTypes())
            names << QString::fromLatin1(name);
        return names;
    }();
    return types;
}

bool isVideoType(const QMimeType& type)
{
    return type.name().startsWith(QLatin1String("video/")) ||
           std::ranges::any_of(type.allAncestors(), [](const QString& ancestor) {
               return ancestor.startsWith(QLatin1String("video/"));
           });
}

} // namespace

QMimeType mimeTypeForFile(const QString& path, QMimeDatabase::MatchMode mode)
{
    const QMimeDatabase mimes;
    if (path.contains(QChar(0)))
        return mimes.mimeTypeForName(QStringLiteral("application/octet-stream"));
    return mimes.mimeTypeForFile(path, mode);
}

bool isImage(const QString& path)
{
    if (path.isEmpty())
        return false;
    // By content when the file is there, else by its extension alone.
    const QMimeType type = mimeTypeForFile(path);
    if (!type.isValid() || type.isDefault() || type.name().contains(QLatin1String("pdf")))
        return false;
    return std::ranges::any_of(readableImageTypes(),
                               [&type](const QString& name) { return type.inherits(name); });
}

bool isMovie(const QString& path)
{
    const QFileInfo info(path);
    if (path.contains(QChar(0)) || info.suffix().isEmpty() ||
        info.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
        return false;
    const QMimeDatabase mimes;
    const QList<QMimeType> byName = mimes.mimeTypesForFileName(info.fileName());
    if (!std::ranges::any_of(byName, isVideoType))
        return false;
    if (!info.isFile() || !info.isReadable())
        return false;
    // A movie format without a known signature reads as unknown bytes; any other known
    // content (text, an image, an empty file) means the name lies.
    const QMimeType content = mimeTypeForFile(path, QMimeDatabase::MatchContent);
    return content.isDefault() || isVideoType(content);
}

} // namespace cutils
