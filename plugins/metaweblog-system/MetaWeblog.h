#pragma once

#include "XmlRpcDriver.h"

// The generic MetaWeblog API driver.
class MetaWeblog : public XmlRpcDriver {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETPluginProtocol_iid)

public:
    MetaWeblog();
};
