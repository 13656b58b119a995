#pragma once

#include "PLUMETAddonProtocol.h"
#include "PluginRegistry.h"

// The add-ons ("addon" bundles), keyed by addonKey().
//
// Events reach the add-ons whose role has EventAddon through
// processNotification() with one of the Event numbers below.
class AddonManager : public PluginRegistry<PLUMETAddonProtocol> {
public:
    enum Event {
        EntryPublished = 0,
        AccountRefreshed = 1,
        EntriesRetrieved = 2,
        CategoriesRetrieved = 3,
        AttachmentUploaded = 4,
    };

    AddonManager();

    static AddonManager& sharedInstance();

    // Reads the user's "addons" folder first, then the built-in folder,
    // leaving out every built-in bundle whose file name the user's folder
    // already holds.
    void loadPlugins();

    // Keys of the add-ons with a toolbar icon, in load order.
    QStringList toolbarKeys() const { return m_toolbarKeys; }

protected:
    QString keyOf(PLUMETAddonProtocol& plugin) const override { return plugin.addonKey(); }
    void didActivate(const QString& key, PLUMETAddonProtocol& plugin) override;

private:
    QStringList m_toolbarKeys;
};
