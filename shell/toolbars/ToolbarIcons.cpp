#include "ToolbarIcons.h"

namespace ToolbarIcons {

QIcon themed(const QString& themeName, const QString& fallbackPath)
{
    if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    return QIcon(fallbackPath);
}

} // namespace ToolbarIcons
