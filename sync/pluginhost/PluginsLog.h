#pragma once

#include <QLoggingCategory>

// The plug-in host's messages: "plumet.plugins".
Q_DECLARE_LOGGING_CATEGORY(lcPlugins)
