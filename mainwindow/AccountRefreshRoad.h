#pragma once

#include "RefreshEnd.h"

#include <functional>

class Account;
class QObject;

// How the accounts window has an account refreshed from its server (its
// blogs, user and text filters) and follows the refresh: the program's own
// road unless a caller hands in another.
struct AccountRefreshRoad {
    using Done = std::function<void(const RefreshEnd& end)>;
    using Progress = std::function<void(double progress, double total)>;

    // Starts the refresh; `done` hears how it ended, a refresh stopped from
    // below (the login sheet cancelled) as Cancelled. False when none started.
    std::function<bool(Account& account, Done done)> start;
    // Stops the account's refresh; `done` is not heard after it.
    std::function<void(Account& account)> cancel;
    // Reports the running refresh's progress while `context` lives.
    std::function<void(Account& account, QObject* context, Progress progress)> watch;

    // The program's own road: the account's refresh job (Account::updateCache),
    // its cancel, and the job's progress signal.
    static AccountRefreshRoad refreshJobRoad();
};
