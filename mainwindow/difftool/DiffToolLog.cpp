#include "DiffToolLog.h"

Q_LOGGING_CATEGORY(lcDiffTool, "plumet.ui.difftool")
