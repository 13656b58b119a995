#pragma once

#include "InstalledService.h"
#include "ModelTypes.h"

#include <QString>
#include <functional>

class Account;
class Blog;
class QObject;

// The account refresh, a blog's own categories road and the wizard's page
// download as the records reach them: the jobs install themselves here, and
// until they do none starts. Each is one job.
class RefreshRoads : public InstalledService<RefreshRoads> {
public:
    virtual ~RefreshRoads();

    // How a refresh or a download ended: an empty message for success.
    using Outcome = std::function<void(const QString& message)>;

    // Brings the account up to date with its server: its blogs, the user's
    // information, the text filters and every blog's categories. `done`
    // hears the outcome, unless the refresh is cancelled. False when the
    // refresh could not start (a refusal is reported through `done` too).
    virtual bool refreshAccount(Account& account, Outcome done) = 0;
    // Stops the account's refresh and its blogs' own categories roads.
    virtual void cancelRefresh(Account& account) = 0;
    // The stand-alone categories road of a blog (see Blog::refreshCategories).
    virtual bool refreshCategories(Blog& blog) = 0;
    // Fetches one page as text, for the new-account wizard, without holding
    // the account: it runs beside any other road. `done` gets the text or the
    // message; it is not called once `context` is gone.
    virtual void
    downloadFromURL(Account& account, const QString& address, QObject* context,
                    std::function<void(const QString& text, const QString& error)> done) = 0;
};
