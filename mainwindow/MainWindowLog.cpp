#include "MainWindowLog.h"

Q_LOGGING_CATEGORY(lcMainWindow, "plumet.ui.mainwindow")
