#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class AddonManager;
class QAction;
class QMenu;

// The add-on items of the Add-ons menu: one per menu add-on, in key order,
// titled with its key; an add-on with sub-actions gets a submenu of that
// title with one item per sub-action. The items go before whatever else the
// menu holds and are rebuilt each time the menu opens, so a sub-action list
// that changed (a script added to the folder) shows at once.
class AddonMenu : public QObject {
    Q_OBJECT

public:
    AddonMenu(QMenu* menu, AddonManager& addons, QObject* parent = nullptr);

    void rebuild();
    // Without a draft in front the items are shown disabled.
    void setItemsEnabled(bool enabled);

signals:
    // subaction is null for an add-on without sub-actions.
    void addonTriggered(const QString& key, const QString& subaction);
    // The items are new: shortcuts kept elsewhere go back on them now.
    void rebuilt();

private:
    QAction* addItem(QMenu* menu, QAction* before, const QString& title, const QString& key,
                     const QString& subaction);

    QPointer<QMenu> m_menu;
    AddonManager& m_addons;
    QList<QAction*> m_items;
    bool m_enabled = true;
};
