#pragma once

#include "XmlRpcDriver.h"

// The generic Movable Type API driver.
class MovableType : public XmlRpcDriver {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETPluginProtocol_iid)

public:
    MovableType();
};
