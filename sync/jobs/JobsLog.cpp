#include "JobsLog.h"

Q_LOGGING_CATEGORY(lcJobs, "plumet.jobs")
