#include "StoredArchive.h"

#include "KeyedUnarchiver.h"
#include "UnreadableFile.h"

#include <QFileInfo>

StoredArchive::Loaded StoredArchive::load(const QString& path, QStringList* warnings)
{
    Loaded loaded;
    if (!QFileInfo::exists(path))
        return loaded;
    loaded.found = true;
    QString error;
    loaded.root = KeyedUnarchiver::unarchiveFile(path, &error, warnings);
    if (error.isEmpty())
        return loaded;
    loaded.root = QVariant();
    UnreadableFile::moveAside(path, error, &loaded.report);
    return loaded;
}
