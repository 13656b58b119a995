#pragma once

#include <QLoggingCategory>

// The stationery library's messages. ("plumet.ui.stationery")
Q_DECLARE_LOGGING_CATEGORY(lcStationery)
