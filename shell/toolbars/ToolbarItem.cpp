#include "ToolbarItem.h"

namespace ToolbarIdentifiers {

bool isRepeatable(const QString& identifier)
{
    return identifier == QLatin1String(separator) || identifier == QLatin1String(space) ||
           identifier == QLatin1String(flexibleSpace);
}

bool isStandard(const QString& identifier)
{
    return isRepeatable(identifier) || identifier == QLatin1String(customize);
}

QStringList listOf(std::initializer_list<const char*> names)
{
    QStringList list;
    for (const char* name : names)
        list.append(QLatin1String(name));
    return list;
}

} // namespace ToolbarIdentifiers
