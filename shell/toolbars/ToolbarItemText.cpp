#include "ToolbarItemText.h"

#include "Localization.h"
#include "ToolbarIcons.h"

const ToolbarItemText* ToolbarItemText::find(std::span<const ToolbarItemText> table,
                                             const QString& identifier)
{
    for (const ToolbarItemText& row : table) {
        if (identifier == QLatin1String(row.identifier))
            return &row;
    }
    return nullptr;
}

ToolbarItem ToolbarItemText::item(const char* localizationTable, const QString& iconFolder) const
{
    ToolbarItem made;
    made.identifier = QLatin1String(identifier);
    made.label = localized(localizationTable, label);
    made.paletteLabel = made.label;
    made.toolTip = localized(localizationTable, toolTip);
    made.icon = ToolbarIcons::themed(
        QLatin1String(themeIcon),
        QStringLiteral("%1/%2.svg").arg(iconFolder, QLatin1String(identifier)));
    return made;
}
