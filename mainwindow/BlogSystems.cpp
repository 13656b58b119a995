#include "BlogSystems.h"

#include "PropertyList.h"

#include <QFile>

BlogSystems BlogSystems::fromResource()
{
    QFile file(QStringLiteral(":/mainwindow/systems.plist"));
    if (!file.open(QIODevice::ReadOnly))
        return BlogSystems();
    return fromData(file.readAll());
}

BlogSystems BlogSystems::fromData(const QByteArray& data)
{
    QList<Row> rows;
    for (const QVariant& item : PropertyList::read(data).toList()) {
        if (item.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap map = item.toMap();
        Row row;
        row.system = map.value(QStringLiteral("system")).toString();
        if (row.system.isEmpty())
            continue;
        row.plugin = map.value(QStringLiteral("plugin")).toString();
        row.config = map.value(QStringLiteral("config"));
        row.url = map.value(QStringLiteral("url")).toString();
        rows.append(row);
    }
    return BlogSystems(rows);
}

const BlogSystems::Row* BlogSystems::row(int index) const
{
    return index >= 0 && index < m_rows.size() ? &m_rows.at(index) : nullptr;
}

QVariant BlogSystems::selectedConfig(int index) const
{
    const Row* chosen = row(index);
    return chosen ? chosen->config : QVariant();
}
