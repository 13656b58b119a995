#include "WebContentLog.h"

Q_LOGGING_CATEGORY(lcWebContent, "plumet.ui.web")
