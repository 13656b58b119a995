#pragma once

#include "InstalledService.h"

// Whether the activity list has running jobs, for the parts that must not
// interrupt them (the timed update check waits while any runs). The activity
// list installs itself here; until it does, no job counts as running.
class ActiveJobs : public InstalledService<ActiveJobs> {
public:
    virtual bool hasActiveItems() const = 0;

    // The installed answer; false with nothing installed.
    static bool anyActive()
    {
        const ActiveJobs* jobs = sharedInstance();
        return jobs && jobs->hasActiveItems();
    }

protected:
    ActiveJobs() = default;
    ~ActiveJobs() = default;
};
