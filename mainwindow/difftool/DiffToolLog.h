#pragma once

#include <QLoggingCategory>

// The comparison window's messages ("plumet.ui.difftool").
Q_DECLARE_LOGGING_CATEGORY(lcDiffTool)
