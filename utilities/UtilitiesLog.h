#pragma once

#include <QLoggingCategory>

// The RVUtilities library's messages: "plumet.utilities".
Q_DECLARE_LOGGING_CATEGORY(lcUtilities)
