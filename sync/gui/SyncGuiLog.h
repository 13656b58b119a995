#pragma once

#include <QLoggingCategory>

// The login sheets' and the add-on windows' messages. ("plumet.ui.sync")
Q_DECLARE_LOGGING_CATEGORY(lcSyncGui)
