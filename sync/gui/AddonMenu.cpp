#include "AddonMenu.h"

#include "AddonManager.h"

#include <QMenu>

namespace {

// Menu titles treat "&" as a mnemonic mark.
QString menuTitle(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

AddonMenu::AddonMenu(QMenu* menu, AddonManager& addons, QObject* parent)
    : QObject(parent), m_menu(menu), m_addons(addons)
{
    connect(menu, &QMenu::aboutToShow, this, &AddonMenu::rebuild);
    rebuild();
}

void AddonMenu::setItemsEnabled(bool enabled)
{
    m_enabled = enabled;
    for (QAction* item : std::as_const(m_items))
        item->setEnabled(enabled);
}

void AddonMenu::rebuild()
{
    if (!m_menu)
        return;
    for (QAction* item : std::exchange(m_items, {})) {
        m_menu->removeAction(item);
        // A submenu owns its own item.
        if (QMenu* submenu = item->menu())
            delete submenu;
        else
            delete item;
    }
    QAction* before = m_menu->actions().value(0, nullptr);
    for (const QString& key : m_addons.pluginKeys()) {
        PLUMETAddonProtocol* addon = m_addons.pluginForKey(key);
        if (!addon || !(addon->role() & PLUMETAddonProtocol::MenuAddon))
            continue;
        const QStringList subActions = addon->subActions();
        if (subActions.isEmpty()) {
            m_items << addItem(m_menu, before, key, key, QString());
            continue;
        }
        auto* submenu = new QMenu(menuTitle(key), m_menu);
        for (const QString& subaction : subActions)
            addItem(submenu, nullptr, subaction, key, subaction);
        QAction* item = submenu->menuAction();
        m_menu->insertAction(before, item);
        item->setEnabled(m_enabled);
        m_items << item;
    }
    emit rebuilt();
}

QAction* AddonMenu::addItem(QMenu* menu, QAction* before, const QString& title, const QString& key,
                            const QString& subaction)
{
    auto* item = new QAction(menuTitle(title), menu);
    item->setEnabled(m_enabled);
    connect(item, &QAction::triggered, this,
            [this, key, subaction] { emit addonTriggered(key, subaction); });
    menu->insertAction(before, item);
    return item;
}
