#include "MovableType.h"

#include "DriverProfiles.h"

MovableType::MovableType() : XmlRpcDriver(DriverProfiles::movableType()) {}
