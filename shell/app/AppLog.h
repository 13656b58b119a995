#pragma once

#include <QLoggingCategory>

// The program's own messages: start-up, quit, scripting, the single instance ("plumet.ui").
Q_DECLARE_LOGGING_CATEGORY(lcApp)
