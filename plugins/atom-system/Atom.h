#pragma once

#include "AtomDriver.h"

// The principal class of the atom-system bundle.
class Atom : public AtomDriver {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETPluginProtocol_iid)

public:
    Atom();
};
