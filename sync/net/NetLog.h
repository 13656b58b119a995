#pragma once

#include <QLoggingCategory>

// The network library's messages: "plumet.net".
Q_DECLARE_LOGGING_CATEGORY(lcNet)
