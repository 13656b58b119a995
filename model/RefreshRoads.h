#pragma once

#include "InstalledService.h"
#include "ModelTypes.h"
#include "RefreshEnd.h"

#include <QString>
#include <functional>

class QUrl;

class Account;
class Blog;
class QObject;

// The account refresh, a blog's own categories road, the wizard's page
// download and a blog's charset check as the records reach them: the jobs install themselves here,
// and until they do none starts. Each is one job.
class RefreshRoads : public InstalledService<RefreshRoads> {
public:
    virtual ~RefreshRoads();

    using Outcome = std::function<void(const RefreshEnd& end)>;
    using PageFetched =
        std::function<void(const QString& text, const QUrl& address, const QString& error)>;

    // Brings the account up to date with its server: its blogs, the user's
    // information, the text filters and every blog's categories. `done`
    // hears how it ended, a refusal included, and a refresh stopped from
    // below (the login sheet cancelled) as Cancelled; not one stopped by
    // cancelRefresh. False when the refresh could not start.
    virtual bool refreshAccount(Account& account, Outcome done) = 0;
    // Stops the account's refresh and its blogs' own categories roads; the
    // refresh's `done` is not called.
    virtual void cancelRefresh(Account& account) = 0;
    // The stand-alone categories road of a blog (see Blog::refreshCategories).
    virtual bool refreshCategories(Blog& blog) = 0;
    // Fetches one page as text, for the new-account wizard, without holding
    // the account: it runs beside any other road. `done` gets the text and
    // the address it finally came from (after redirects), or the message; it
    // is not called once `context` is gone.
    virtual void downloadFromURL(Account& account, const QString& address, QObject* context,
                                 PageFetched done) = 0;
    // Fetches the blog's page and applies the charset it declares
    // (Blog::applyPageEncoding); `done` (optional) runs once the fetch has
    // ended either way, unless the blog is gone by then. Roads that do not
    // offer it fetch nothing and call `done` at once.
    virtual void detectEncoding(Blog& blog, std::function<void()> done);
};
