#include "MovableType4.h"

#include "DriverProfiles.h"

#ifdef PLUMET_TYPEPAD
TypePad::TypePad() : XmlRpcPageDriver(DriverProfiles::typePad()) {}
#else
MovableType4::MovableType4() : XmlRpcPageDriver(DriverProfiles::movableType4()) {}
#endif
