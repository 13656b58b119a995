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
    if (error.isEmpty() && loaded.root.metaType().id() == QMetaType::QVariantList)
        return loaded;
    if (error.isEmpty())
        error = QStringLiteral("it holds no list");
    loaded.root = QVariant();
    UnreadableFile::moveAside(path, error, &loaded.report);
    return loaded;
}
