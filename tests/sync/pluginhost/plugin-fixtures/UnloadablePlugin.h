#pragma once

#include "XmlRpcDriver.h"

// A well-formed blog-system plug-in whose library needs a symbol nothing
// provides, so the dynamic loader refuses it.
class UnloadablePlugin : public XmlRpcDriver {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETPluginProtocol_iid)

public:
    UnloadablePlugin();
};
