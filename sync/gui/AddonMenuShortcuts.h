#pragma once

#include <QList>
#include <QMap>
#include <QString>

class QAction;
class QMenu;

// The Add-ons menu and its shortcuts. The menu's last two items are the
// menu's own commands (settings and shortcuts), not add-ons: they are neither
// listed nor touched.
namespace AddonMenuShortcuts {

// The title an item is stored under: its text without mnemonic marks.
QString titleOf(const QAction* action);

// The add-on items of the menu: all but the last two, separators left out.
QList<QAction*> addonItems(const QMenu* menu);

// Puts the stored shortcuts on the menu's add-on items, walking sub-menus;
// an item without a stored shortcut loses the one it had.
void apply(QMenu* menu, const QMap<QString, QString>& stored);
// The same for a list of add-on items alone (a menu without the two commands).
void applyToItems(const QList<QAction*>& items, const QMap<QString, QString>& stored);

} // namespace AddonMenuShortcuts
