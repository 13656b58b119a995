#pragma once

#include "XmlRpcPageDriver.h"

// The WordPress driver: the Movable Type calls plus pages, tags sent as
// keywords and a draft panel for WordPress's own options.
class Wordpress : public XmlRpcPageDriver {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETPluginProtocol_iid)

public:
    Wordpress();

    std::unique_ptr<PLUMETDraftPanel>
    draftPluginView(const QVariantMap& settings, PLUMETDraftPanel::SettingsWriter writer) override;
};
