#pragma once

#include "PLUMETAddonProtocol.h"
#include "PluginRegistry.h"

#include <memory>

// The add-ons ("addon" bundles), keyed by addonKey().
//
// Events reach the add-ons whose role has EventAddon through
// processNotification() with one of the Event numbers below. An event is a
// dictionary of one entry: the event number as decimal text, and its data:
//   0  a post or page was published: the entry's dictionary plus "blogtitle",
//      "blogurl" and "isAnEdit" (bool)
//   1  an account refresh ended well: the account's title
//   2  a blog's posts or pages were retrieved: the blog's title
//   3  a blog's categories were refreshed: the blog's title
//   4  an attachment upload finished: the attachment's file name
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

    // Delivers the event on the main thread, on a later turn of its event loop
    // whatever thread calls, events in the order they were sent: to every
    // add-on whose role has EventAddon, in case-insensitive key order.
    void processNotification(const QVariantMap& event);

    // Keys of the add-ons with a toolbar icon, in load order.
    QStringList toolbarKeys() const { return m_toolbarKeys; }

protected:
    QString keyOf(PLUMETAddonProtocol& plugin) const override { return plugin.addonKey(); }
    void didActivate(const QString& key, PLUMETAddonProtocol& plugin) override;

private:
    void deliver(const QVariantMap& event);

    QStringList m_toolbarKeys;
    // Events still queued when a manager goes are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
