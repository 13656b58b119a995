#pragma once

#include "Archivable.h"
#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"
#include "PlistUid.h"
#include "PropertyList.h"

#include <QSet>
#include <QTest>
#include <memory>

namespace plumet::test {

// Archives a record through the keyed archiver and reads it back.
template <class T> std::shared_ptr<T> archiveRoundTrip(const Archivable& record)
{
    QString error;
    const QByteArray bytes = KeyedArchiver::archivedData(record, &error);
    if (bytes.isEmpty()) {
        qWarning() << "archiving failed:" << error;
        return nullptr;
    }
    const QVariant root = KeyedUnarchiver::unarchive(bytes, &error);
    if (!error.isEmpty())
        qWarning() << "unarchiving failed:" << error;
    return std::dynamic_pointer_cast<T>(root.value<ArchivableRef>());
}

// The keys the archive wrote for the root record, without "$class".
inline QSet<QString> archivedKeys(const Archivable& record)
{
    const QVariantMap archive = PropertyList::read(KeyedArchiver::archivedData(record)).toMap();
    const QVariantList objects = archive.value(QStringLiteral("$objects")).toList();
    const auto root = archive.value(QStringLiteral("$top"))
                          .toMap()
                          .value(QStringLiteral("root"))
                          .value<PlistUid>();
    QSet<QString> keys;
    const QVariantMap object = objects.value(qsizetype(root.value)).toMap();
    for (auto it = object.cbegin(); it != object.cend(); ++it) {
        if (it.key() != QLatin1String("$class"))
            keys.insert(it.key());
    }
    return keys;
}

} // namespace plumet::test
