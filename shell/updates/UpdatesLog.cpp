#include "UpdatesLog.h"

Q_LOGGING_CATEGORY(lcUpdates, "plumet.ui.updates")
