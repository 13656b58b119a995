#include "CUtilsLog.h"

Q_LOGGING_CATEGORY(lcCUtils, "plumet.cutils")
