#include "Wordpress.h"

#include "DriverProfiles.h"
#include "WPPluginObject.h"

Wordpress::Wordpress() : XmlRpcPageDriver(DriverProfiles::wordpress()) {}

std::unique_ptr<PLUMETDraftPanel>
Wordpress::draftPluginView(const QVariantMap& settings, PLUMETDraftPanel::SettingsWriter writer)
{
    return std::make_unique<WPPluginObject>(settings, std::move(writer));
}
