#pragma once

#include <QLoggingCategory>

// The web content library's messages. ("plumet.ui.web")
Q_DECLARE_LOGGING_CATEGORY(lcWebContent)
