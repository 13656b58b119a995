#pragma once

#include "PLUMETPageProtocol.h"
#include "PLUMETPluginProtocol.h"
#include "PluginRegistry.h"

// The blog-system drivers ("blogsystem" bundles), keyed by pluginKey().
class PluginManager : public PluginRegistry<PLUMETPluginProtocol> {
public:
    PluginManager();

    // The process-wide registry the application loads at launch.
    static PluginManager& sharedInstance();

    // Reads the built-in folder, then the user's "blogsystems" folder.
    void loadPlugins();

    // The driver's page builders, or nullptr when it offers no pages.
    PLUMETPageProtocol* pageBuilderForKey(const QString& key) const
    {
        return pluginAs<PLUMETPageProtocol>(key);
    }

protected:
    QString keyOf(PLUMETPluginProtocol& plugin) const override { return plugin.pluginKey(); }
};
