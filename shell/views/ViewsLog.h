#pragma once

#include <QLoggingCategory>

// The views library's messages (the about box's, for one). ("plumet.ui.views")
Q_DECLARE_LOGGING_CATEGORY(lcViews)
