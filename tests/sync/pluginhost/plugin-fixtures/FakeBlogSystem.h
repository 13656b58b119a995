#pragma once

#include "XmlRpcDriver.h"

// A blog system whose key and description are compiled in (FAKE_KEY,
// FAKE_DESCRIPTION), so tests can tell copies apart.
class FakeBlogSystem : public XmlRpcDriver {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETPluginProtocol_iid)

public:
    FakeBlogSystem();
};
