#include "ImportGroups.h"

#include <QVariantMap>
#include <algorithm>

namespace ImportGroups {

QMap<QString, QVariantList> group(const QVariantList& entries)
{
    QMap<QString, QVariantList> groups;
    for (const QVariant& item : entries) {
        const QVariantMap entry = item.toMap();
        const QVariant url = entry.value(QStringLiteral("url"));
        const QVariant blogName = entry.value(QStringLiteral("blogname"));
        if (!url.isValid() || !blogName.isValid())
            continue;
        groups[QStringLiteral("%1 (%2)").arg(blogName.toString(), url.toString())].append(entry);
    }
    return groups;
}

QStringList sortedNames(const QMap<QString, QVariantList>& groups)
{
    QStringList names = groups.keys();
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

} // namespace ImportGroups
