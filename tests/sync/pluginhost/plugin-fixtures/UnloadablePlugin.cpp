#include "UnloadablePlugin.h"

// Data references are bound when the library is loaded, not lazily.
extern "C" int plumet_fixture_missing_symbol;

namespace {

DriverProfile unloadableProfile()
{
    DriverProfile profile;
    profile.key = QString::number(plumet_fixture_missing_symbol);
    return profile;
}

} // namespace

UnloadablePlugin::UnloadablePlugin() : XmlRpcDriver(unloadableProfile()) {}
