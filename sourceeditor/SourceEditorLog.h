#pragma once

#include <QLoggingCategory>

// The source view, custom tags and their store.
Q_DECLARE_LOGGING_CATEGORY(lcSourceEditor)
