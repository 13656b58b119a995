#pragma once

#include <QLoggingCategory>

// The comparison window's messages ("plumet.ui").
Q_DECLARE_LOGGING_CATEGORY(lcDiffTool)
