#pragma once

#include <QLoggingCategory>

// The update check's log ("plumet.ui.updates").
Q_DECLARE_LOGGING_CATEGORY(lcUpdates)
