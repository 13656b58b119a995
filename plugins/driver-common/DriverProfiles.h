#pragma once

#include "DriverProfile.h"

// The capability tables of the shipped XML-RPC drivers.
namespace DriverProfiles {

const DriverProfile& wordpress();
const DriverProfile& movableType4();
const DriverProfile& typePad();
const DriverProfile& movableType();
const DriverProfile& metaWeblog();

} // namespace DriverProfiles
