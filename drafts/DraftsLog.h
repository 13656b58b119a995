#pragma once

#include <QLoggingCategory>

// The draft windows and their registry.
Q_DECLARE_LOGGING_CATEGORY(lcDrafts)
