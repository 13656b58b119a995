#pragma once

#include <QLoggingCategory>

// The platform layer's messages: "plumet.platform".
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
