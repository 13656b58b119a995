#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>

// One item a window offers for its toolbar: what the toolbar and the
// customise dialog show of it, and what a click does. An item without label,
// icon and action is empty: the toolbar leaves it out.
struct ToolbarItem {
    QString identifier;
    QString label;
    // The name in the customise dialog; the label when empty.
    QString paletteLabel;
    QIcon icon;
    QString toolTip;
    std::function<void()> action;

    bool isEmpty() const { return label.isEmpty() && icon.isNull() && !action; }
    QString shownInPalette() const { return paletteLabel.isEmpty() ? label : paletteLabel; }
};

// The items every toolbar knows by itself. These identifiers are stored in
// the saved configurations: never change them.
namespace ToolbarIdentifiers {

inline constexpr auto separator = "separator";
inline constexpr auto space = "space";
inline constexpr auto flexibleSpace = "flexible-space";
// Opens the customise dialog.
inline constexpr auto customize = "customize";

// Separators and spaces may stand in a toolbar any number of times; any other
// item at most once.
bool isRepeatable(const QString& identifier);
// One of the four above.
bool isStandard(const QString& identifier);

// The identifiers as a list, in their order.
QStringList listOf(std::initializer_list<const char*> names);

} // namespace ToolbarIdentifiers
