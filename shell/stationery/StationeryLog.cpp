#include "StationeryLog.h"

Q_LOGGING_CATEGORY(lcStationery, "plumet.ui.stationery")
