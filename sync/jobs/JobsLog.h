#pragma once

#include <QLoggingCategory>

// The jobs library's messages: "plumet.jobs".
Q_DECLARE_LOGGING_CATEGORY(lcJobs)
