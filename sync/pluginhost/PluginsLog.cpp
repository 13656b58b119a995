#include "PluginsLog.h"

Q_LOGGING_CATEGORY(lcPlugins, "plumet.plugins")
