#pragma once

#include <QLoggingCategory>

// The updater's log: downloads, checks, swaps and the privileged helper.
Q_DECLARE_LOGGING_CATEGORY(lcUpdater)
