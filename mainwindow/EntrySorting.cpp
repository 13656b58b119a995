#include "EntrySorting.h"

#include "Entry.h"
#include "PropertyList.h"

#include <QVariantMap>

namespace EntrySorting {

namespace {

const QString keyKey = QStringLiteral("key");
const QString ascendingKey = QStringLiteral("ascending");

bool knownKey(const QString& key)
{
    return key == QLatin1String("entryDate") || key == QLatin1String("title") ||
           key == QLatin1String("uniqueID");
}

int compare(const Entry& a, const Entry& b, const QString& key)
{
    if (key == QLatin1String("entryDate")) {
        const QDateTime da = a.entryDate(), db = b.entryDate();
        return da < db ? -1 : db < da ? 1 : 0;
    }
    if (key == QLatin1String("title"))
        return a.title().compare(b.title(), Qt::CaseInsensitive);
    return a.uniqueID().compare(b.uniqueID());
}

} // namespace

QList<Descriptor> defaults()
{
    return {{QStringLiteral("entryDate"), false},
            {QStringLiteral("title"), true},
            {QStringLiteral("uniqueID"), false}};
}

QList<Descriptor> restore(const QByteArray& stored)
{
    if (stored.isEmpty())
        return defaults();
    const QVariant root = PropertyList::read(stored);
    if (root.typeId() != QMetaType::QVariantList)
        return defaults();
    QList<Descriptor> descriptors;
    for (const QVariant& item : root.toList()) {
        const QVariantMap map = item.toMap();
        const QString key = map.value(keyKey).toString();
        if (item.typeId() != QMetaType::QVariantMap || !knownKey(key) ||
            map.value(ascendingKey).typeId() != QMetaType::Bool)
            return defaults();
        descriptors.append({key, map.value(ascendingKey).toBool()});
    }
    return descriptors.isEmpty() ? defaults() : descriptors;
}

QByteArray archive(const QList<Descriptor>& descriptors)
{
    if (descriptors.isEmpty())
        return {};
    QVariantList list;
    for (const Descriptor& d : descriptors)
        list.append(QVariantMap{{keyKey, d.key}, {ascendingKey, d.ascending}});
    return PropertyList::write(list, PropertyList::Format::Binary);
}

bool lessThan(const Entry& a, const Entry& b, const QList<Descriptor>& descriptors)
{
    for (const Descriptor& d : descriptors) {
        const int order = compare(a, b, d.key);
        if (order != 0)
            return d.ascending ? order < 0 : order > 0;
    }
    return false;
}

} // namespace EntrySorting
