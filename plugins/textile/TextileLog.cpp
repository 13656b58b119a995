#include "TextileLog.h"

Q_LOGGING_CATEGORY(lcTextile, "plumet.plugins.textile")
