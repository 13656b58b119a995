#pragma once

#include <QLoggingCategory>

// The records' messages ("plumet.model") and the store's: entry files, the entry store and the
// account list ("plumet.store").
Q_DECLARE_LOGGING_CATEGORY(lcModel)
Q_DECLARE_LOGGING_CATEGORY(lcStore)
