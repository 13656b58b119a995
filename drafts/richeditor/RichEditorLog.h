#pragma once

#include <QLoggingCategory>

// The rich editor: its page, the page's messages and the serializer.
Q_DECLARE_LOGGING_CATEGORY(lcRichEditor)
