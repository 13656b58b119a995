#pragma once

#include "XmlRpcPageDriver.h"

// The Movable Type 4 driver, with pages and native tags. TypePad runs the
// same driver under its own key, description and tag support; its bundle
// builds this file with PLUMET_TYPEPAD defined.
#ifdef PLUMET_TYPEPAD
class TypePad : public XmlRpcPageDriver {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETPluginProtocol_iid)

public:
    TypePad();
};
#else
class MovableType4 : public XmlRpcPageDriver {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETPluginProtocol_iid)

public:
    MovableType4();
};
#endif
