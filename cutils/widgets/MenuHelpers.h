#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

class QAction;
class QComboBox;
class QMenu;

// Menus used as choices: the chosen item is the checked one. Titles compare exactly.
// Main thread only.
namespace cutils {

// Run when an item made by setupMenu or setupMenuWithKey is chosen.
using MenuItemHandler = std::function<void(QAction* item)>;

// Turns every item off, submenus included.
void uncheckMenu(QMenu* menu);

// Unchecks the menu, then checks the first item titled `title`.
void selectMenuItemWithTitle(const QString& title, QMenu* menu);

// Unchecks the menu, then finds the last item titled `title` and, in its submenu, the last
// item titled `subtitle`; checks both only when both exist. Answers the submenu item or null.
QAction* selectMenuItemWithTitles(const QString& title, const QString& subtitle, QMenu* menu);

// Unchecks the menu and checks the item at `index`, or item 0 when the index is outside the
// menu. An empty menu is left alone.
void selectMenuItemAtIndex(int index, QMenu* menu);

// The title of the first checked item, or a null string when none is checked.
QString getSelectedMenuItemTitle(const QMenu* menu);

// The index of the first checked item, or 0 when none is checked.
int getSelectedMenuItem(const QMenu* menu);

// The index of the first checked item and of the first checked item of its submenu. Each
// output is left untouched when there is nothing checked for it.
void getSelectionFromMenu(const QMenu* menu, int& index, int& subindex);

// For the checked items in order, stores each one's title in `title`, stopping at the first
// whose submenu has a checked item, whose title goes to `subtitle`.
void getSelectedTitlesFromMenu(const QMenu* menu, QString& title, QString& subtitle);

// Removes items from the end until none is left, or one with `keepFirst`.
void removeMenu(QMenu* menu, bool keepFirst);

// Empties the pop-up as removeMenu does, then adds one item per map, titled with its value
// for `key`. Answers the number of maps.
int setupPopUpMenuWithKey(const QVariantList& maps, const QString& key, QComboBox* popUp,
                          bool keepFirst);

// The same for a menu; each new item runs `onChosen` (if given) and has no shortcut.
int setupMenuWithKey(const QVariantList& maps, const QString& key, QMenu* menu, bool keepFirst,
                     const MenuItemHandler& onChosen);

// The same with the texts of `titles` as item titles.
int setupMenu(const QStringList& titles, QMenu* menu, bool keepFirst,
              const MenuItemHandler& onChosen);

} // namespace cutils
