#include "FileReference.h"

#include <QFileInfo>

namespace FileReference {

QString fileReference(const QString& path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return {};
    return QFileInfo(path).canonicalFilePath();
}

bool isFileReference(const QString& path)
{
    const QString reference = fileReference(path);
    return !reference.isEmpty() && reference == path;
}

} // namespace FileReference
