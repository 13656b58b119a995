#include "NetLog.h"

Q_LOGGING_CATEGORY(lcNet, "plumet.net")
