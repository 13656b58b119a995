#include "UpdaterLog.h"

Q_LOGGING_CATEGORY(lcUpdater, "plumet.updater")
