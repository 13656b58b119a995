#pragma once

#include <QMap>
#include <QString>

class UserDefaults;

// The "addon_shortcuts" preference: a dictionary from a menu item's title (an
// add-on key or a sub-action name) to its shortcut in stored form.
namespace AddonShortcuts {

// The stored dictionary; anything that is not a dictionary is no shortcuts.
QMap<QString, QString> read(const UserDefaults& defaults);

// The stored shortcut of one title, or an empty string.
QString shortcutFor(const UserDefaults& defaults, const QString& title);

// Stores one title's shortcut; an empty one stays stored as empty, which
// removes the item's key.
void store(UserDefaults& defaults, const QString& title, const QString& stored);

} // namespace AddonShortcuts
