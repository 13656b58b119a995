#include "AccountRefreshRoad.h"

#include "Account.h"
#include "JobRoads.h"

#include <QObject>
#include <QString>

AccountRefreshRoad AccountRefreshRoad::refreshJobRoad()
{
    AccountRefreshRoad road;
    road.start = [](Account& account, Done done) { return account.updateCache(std::move(done)); };
    road.cancel = [](Account& account) { account.cancel(); };
    road.watch = [](Account& account, QObject* context, Progress progress) {
        auto* roads = dynamic_cast<JobRoads*>(RefreshRoads::sharedInstance());
        RefreshAccountJob* job = roads ? roads->refreshOf(&account) : nullptr;
        if (!job || !context || !progress)
            return;
        QObject::connect(job, &Job::progressChanged, context,
                         [progress](double done, double total) { progress(done, total); });
    };
    return road;
}
