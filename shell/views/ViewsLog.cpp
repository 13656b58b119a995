#include "ViewsLog.h"

Q_LOGGING_CATEGORY(lcViews, "plumet.ui.views")
