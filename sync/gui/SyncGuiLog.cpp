#include "SyncGuiLog.h"

Q_LOGGING_CATEGORY(lcSyncGui, "plumet.ui.sync")
