#pragma once

#include <QLoggingCategory>

// The update check's log, with the rest of the shell's.
Q_DECLARE_LOGGING_CATEGORY(lcUpdates)
