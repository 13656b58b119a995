#include "AddonManager.h"

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
