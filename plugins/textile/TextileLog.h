#pragma once

#include <QLoggingCategory>

// The Textile formatter's messages. ("plumet.plugins.textile")
Q_DECLARE_LOGGING_CATEGORY(lcTextile)
