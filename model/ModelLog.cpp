#include "ModelLog.h"

Q_LOGGING_CATEGORY(lcModel, "plumet.model")
Q_LOGGING_CATEGORY(lcStore, "plumet.store")
