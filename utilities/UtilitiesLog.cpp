#include "UtilitiesLog.h"

Q_LOGGING_CATEGORY(lcUtilities, "plumet.utilities")
