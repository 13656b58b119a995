#pragma once

#include "ToolbarItem.h"

#include <span>

// One row of a window's table of its own toolbar items: the identifier, the
// label and tip (translated from the window's table when the item is made)
// and the desktop theme's icon it prefers. Where the theme has no such icon,
// the picture is the resource "<icon folder>/<identifier>.svg".
struct ToolbarItemText {
    const char* identifier;
    const char* label;
    const char* toolTip;
    const char* themeIcon;

    // The row of `identifier` in `table`, or null.
    static const ToolbarItemText* find(std::span<const ToolbarItemText> table,
                                       const QString& identifier);

    // The item this row shows: identifier, label (also in the palette), tip
    // and icon. The window gives it its action.
    ToolbarItem item(const char* localizationTable, const QString& iconFolder) const;
};
