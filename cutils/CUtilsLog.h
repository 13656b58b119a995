#pragma once

#include <QLoggingCategory>

// The common helpers' messages: "plumet.cutils".
Q_DECLARE_LOGGING_CATEGORY(lcCUtils)
