#include "DraftsLog.h"

Q_LOGGING_CATEGORY(lcDrafts, "plumet.ui.drafts")
