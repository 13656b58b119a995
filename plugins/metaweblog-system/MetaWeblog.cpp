#include "MetaWeblog.h"

#include "DriverProfiles.h"

MetaWeblog::MetaWeblog() : XmlRpcDriver(DriverProfiles::metaWeblog()) {}
