#include "AddonManager.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

AddonManager::AddonManager()
    : PluginRegistry({QStringLiteral("addon"), QStringLiteral("addons"),
                      QStringLiteral(PLUMETAddonProtocol_iid)})
{
}

AddonManager& AddonManager::sharedInstance()
{
    static AddonManager instance;
    return instance;
}

void AddonManager::loadPlugins()
{
    QSet<QString> userBundleNames;
    for (const QString& bundle : bundlesIn(userFolder())) {
        userBundleNames.insert(QFileInfo(bundle).fileName());
        activatePlugin(bundle);
    }
    for (const QString& bundle : bundlesIn(builtInFolder())) {
        if (!userBundleNames.contains(QFileInfo(bundle).fileName()))
            activatePlugin(bundle);
    }
}

void AddonManager::didActivate(const QString& key, PLUMETAddonProtocol& plugin)
{
    // The add-on may replace one of the same key that had another icon setting.
    const bool hasIcon = !plugin.toolbarIcon().isNull();
    if (hasIcon && !m_toolbarKeys.contains(key))
        m_toolbarKeys << key;
    else if (!hasIcon)
        m_toolbarKeys.removeAll(key);
}

void AddonManager::processNotification(const QVariantMap& event)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || event.isEmpty())
        return;
    const std::weak_ptr<bool> alive = m_alive;
    QMetaObject::invokeMethod(
        application,
        [this, alive, event] {
            if (alive.lock())
                deliver(event);
        },
        Qt::QueuedConnection);
}

void AddonManager::deliver(const QVariantMap& event)
{
    const QString key = event.firstKey();
    bool isNumber = false;
    const int number = key.toInt(&isNumber);
    if (!isNumber)
        return;
    const QVariant data = event.first();
    QStringList keys = pluginKeys();
    keys.sort(Qt::CaseInsensitive);
    for (const QString& addonKey : keys) {
        if (addonKey.isEmpty())
            continue;
        PLUMETAddonProtocol* addon = pluginForKey(addonKey);
        if (addon && (addon->role() & PLUMETAddonProtocol::EventAddon))
            addon->processNotification(number, data);
    }
}
