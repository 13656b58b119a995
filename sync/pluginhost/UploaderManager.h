#pragma once

#include "PLUMETUploaderProtocol.h"
#include "PluginRegistry.h"

// The uploaders ("uploader" bundles), keyed by uploaderKey().
class UploaderManager : public PluginRegistry<PLUMETUploaderProtocol> {
public:
    UploaderManager();

    static UploaderManager& sharedInstance();

    // Reads the built-in folder, then the user's "uploaders" folder.
    void loadPlugins();

protected:
    QString keyOf(PLUMETUploaderProtocol& plugin) const override { return plugin.uploaderKey(); }
};
