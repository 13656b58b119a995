#pragma once

#include <QLoggingCategory>

// The main window's and the accounts window's messages ("plumet.ui.mainwindow").
Q_DECLARE_LOGGING_CATEGORY(lcMainWindow)
