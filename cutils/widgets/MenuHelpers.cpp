#include "MenuHelpers.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

namespace cutils {

namespace {

void check(QAction* item)
{
    item->setCheckable(true);
    item->setChecked(true);
}

// The last item of `menu` titled `title`, or null.
QAction* lastItemTitled(const QMenu* menu, const QString& title)
{
    QAction* found = nullptr;
    for (QAction* item : menu->actions()) {
        if (item->text() == title)
            found = item;
    }
    return found;
}

qsizetype firstCheckedIndex(const QMenu* menu)
{
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i]->isChecked())
            return i;
    }
    return -1;
}

// Deletes an item the menu made (its own action or submenu); items that belong to someone
// else are only taken out.
void dropItem(QMenu* menu, QAction* item)
{
    menu->removeAction(item);
    if (QMenu* submenu = item->menu(); submenu && submenu->parent() == menu)
        delete submenu;
    else if (item->parent() == menu)
        delete item;
}

QAction* addItem(QMenu* menu, const QString& title, const MenuItemHandler& onChosen)
{
    auto* item = new QAction(title, menu);
    if (onChosen)
        QObject::connect(item, &QAction::triggered, menu, [item, onChosen] { onChosen(item); });
    menu->addAction(item);
    return item;
}

} // namespace

void uncheckMenu(QMenu* menu)
{
    if (!menu)
        return;
    for (QAction* item : menu->actions()) {
        item->setChecked(false);
        if (item->menu() && item->menu() != menu)
            uncheckMenu(item->menu());
    }
}

void selectMenuItemWithTitle(const QString& title, QMenu* menu)
{
    if (!menu)
        return;
    uncheckMenu(menu);
    for (QAction* item : menu->actions()) {
        if (item->text() == title) {
            check(item);
            return;
        }
    }
}

QAction* selectMenuItemWithTitles(const QString& title, const QString& subtitle, QMenu* menu)
{
    if (!menu)
        return nullptr;
    uncheckMenu(menu);
    QAction* item = lastItemTitled(menu, title);
    if (!item || !item->menu())
        return nullptr;
    QAction* subItem = lastItemTitled(item->menu(), subtitle);
    if (!subItem)
        return nullptr;
    check(item);
    check(subItem);
    return subItem;
}

void selectMenuItemAtIndex(int index, QMenu* menu)
{
    if (!menu || menu->actions().isEmpty())
        return;
    uncheckMenu(menu);
    const QList<QAction*> items = menu->actions();
    check(items.value(index >= 0 && index < items.size() ? index : 0));
}

QString getSelectedMenuItemTitle(const QMenu* menu)
{
    if (!menu)
        return {};
    const qsizetype index = firstCheckedIndex(menu);
    return index < 0 ? QString() : menu->actions().at(index)->text();
}

int getSelectedMenuItem(const QMenu* menu)
{
    const qsizetype index = menu ? firstCheckedIndex(menu) : -1;
    return index < 0 ? 0 : int(index);
}

void getSelectionFromMenu(const QMenu* menu, int& index, int& subindex)
{
    if (!menu)
        return;
    const qsizetype checked = firstCheckedIndex(menu);
    if (checked < 0)
        return;
    index = int(checked);
    if (const QMenu* submenu = menu->actions().at(checked)->menu()) {
        if (const qsizetype subChecked = firstCheckedIndex(submenu); subChecked >= 0)
            subindex = int(subChecked);
    }
}

void getSelectedTitlesFromMenu(const QMenu* menu, QString& title, QString& subtitle)
{
    if (!menu)
        return;
    for (const QAction* item : menu->actions()) {
        if (!item->isChecked())
            continue;
        title = item->text();
        if (const QMenu* submenu = item->menu()) {
            if (const qsizetype subChecked = firstCheckedIndex(submenu); subChecked >= 0) {
                subtitle = submenu->actions().at(subChecked)->text();
                return;
            }
        }
    }
}

void removeMenu(QMenu* menu, bool keepFirst)
{
    if (!menu)
        return;
    const qsizetype keep = keepFirst ? 1 : 0;
    while (menu->actions().size() > keep)
        dropItem(menu, menu->actions().constLast());
}

int setupPopUpMenuWithKey(const QVariantList& maps, const QString& key, QComboBox* popUp,
                          bool keepFirst)
{
    if (!popUp)
        return 0;
    const int keep = keepFirst ? 1 : 0;
    while (popUp->count() > keep)
        popUp->removeItem(popUp->count() - 1);
    for (const QVariant& map : maps)
        popUp->addItem(map.toMap().value(key).toString());
    return int(maps.size());
}

int setupMenuWithKey(const QVariantList& maps, const QString& key, QMenu* menu, bool keepFirst,
                     const MenuItemHandler& onChosen)
{
    if (!menu)
        return 0;
    removeMenu(menu, keepFirst);
    for (const QVariant& map : maps)
        addItem(menu, map.toMap().value(key).toString(), onChosen);
    return int(maps.size());
}

int setupMenu(const QStringList& titles, QMenu* menu, bool keepFirst,
              const MenuItemHandler& onChosen)
{
    if (!menu)
        return 0;
    removeMenu(menu, keepFirst);
    for (const QString& title : titles)
        addItem(menu, title, onChosen);
    return int(titles.size());
}

} // namespace cutils
