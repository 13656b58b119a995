#include "PluginManager.h"

PluginManager::PluginManager()
    : PluginRegistry({QStringLiteral("blogsystem"), QStringLiteral("blogsystems"),
                      QStringLiteral(PLUMETPluginProtocol_iid)})
{
}

PluginManager& PluginManager::sharedInstance()
{
    static PluginManager instance;
    return instance;
}

void PluginManager::loadPlugins()
{
    loadBuiltInThenUser();
}
