#include "StoredArchive.h"

#include "KeyedUnarchiver.h"
#include "PropertyList.h"
#include "UnreadableFile.h"

#include <QFileInfo>

StoredArchive::Loaded StoredArchive::load(const QString& path, QStringList* warnings)
{
    return loadAs(false, path, warnings);
}

StoredArchive::Loaded StoredArchive::loadPlain(const QString& path, QStringList* warnings)
{
    return loadAs(true, path, warnings);
}

void StoredArchive::moveAside(const QString& path, const QString& reason, QString* report)
{
    UnreadableFile::moveAside(path, reason, report);
}

StoredArchive::Loaded StoredArchive::loadAs(bool plain, const QString& path, QStringList* warnings)
{
    Loaded loaded;
    if (!QFileInfo::exists(path))
        return loaded;
    loaded.found = true;
    QString error;
    if (plain) {
        const QVariant archive = PropertyList::readFile(path, &error);
        if (archive.isValid()) {
            QString problem;
            loaded.root = KeyedUnarchiver::unarchivePlain(archive, &problem, warnings,
                                                          &loaded.droppedRecords);
            if (!problem.isEmpty())
                error = QStringLiteral("The file \"%1\" could not be read. %2").arg(path, problem);
        }
    } else {
        loaded.root =
            KeyedUnarchiver::unarchiveFile(path, &error, warnings, &loaded.droppedRecords);
    }
    if (error.isEmpty() && loaded.root.metaType().id() == QMetaType::QVariantList)
        return loaded;
    if (error.isEmpty())
        error = QStringLiteral("it holds no list");
    loaded.root = QVariant();
    UnreadableFile::moveAside(path, error, &loaded.report);
    return loaded;
}

void StoredArchive::keepAside(const QString& path, const QString& error, const char* kind,
                              bool inside, QString* report)
{
    const QString name = QString::fromLatin1(kind);
    const QString reason =
        !error.isEmpty() ? error
        : inside         ? QStringLiteral("some records inside its %1 could not be read").arg(name)
                         : QStringLiteral("some of its records are not %1").arg(name);
    QString moved;
    UnreadableFile::moveAside(path, reason, &moved);
    if (report)
        *report = moved;
}
