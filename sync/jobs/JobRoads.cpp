#include "JobRoads.h"

#include "AddonManager.h"
#include "Blog.h"
#include "DownloadJob.h"
#include "JobActivity.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "RefreshCategoriesJob.h"
#include "URLUtilities.h"

JobRoads& JobRoads::install()
{
    static JobRoads* roads = [] {
        auto* made = new JobRoads;
        RefreshRoads::setSharedInstance(made);
        return made;
    }();
    return *roads;
}

RefreshAccountJob* JobRoads::refreshOf(const Account* account) const
{
    return m_refreshes.value(account).data();
}

bool JobRoads::refreshAccount(Account& account, Outcome done)
{
    auto* job = new RefreshAccountJob(&account);
    job->setSaver(m_saver);
    job->setResponseTimeout(m_responseTimeout);
    if (!refreshOf(&account))
        m_refreshes.insert(&account, job);
    const QPointer<Account> guard(&account);
    connect(job, &Job::finished, this, [this, guard, done = std::move(done)](Job* finished) {
        if (guard && m_refreshes.value(guard.data()) == finished)
            m_refreshes.remove(guard.data());
        if (!done)
            return;
        const auto* refresh = static_cast<RefreshAccountJob*>(finished);
        switch (finished->state()) {
        case Job::State::Cancelled:
            // Stopped from below (the login sheet): the caller still waits.
            done({RefreshEnd::Kind::Cancelled, {}, {}});
            break;
        case Job::State::Failed:
            done(RefreshEnd::failed(finished->error() ? finished->error()->message : QString()));
            break;
        default:
            done({RefreshEnd::Kind::Succeeded, {}, refresh->keptBlogsNotice()});
            break;
        }
    });
    job->start();
    return true;
}

void JobRoads::cancelRefresh(Account& account)
{
    if (RefreshAccountJob* job = refreshOf(&account)) {
        // Its caller asked: it is not told.
        disconnect(job, &Job::finished, this, nullptr);
        m_refreshes.remove(&account);
        job->cancel();
    }
    for (const BlogPtr& blog : account.blogs()) {
        if (RefreshCategoriesJob* job = m_categories.value(blog.get()))
            job->cancel();
    }
}

bool JobRoads::refreshCategories(Blog& blog)
{
    Account* account = blog.account();
    if (!account || blog.categoriesActivity())
        return false;
    auto* job = new RefreshCategoriesJob(&blog);
    job->setResponseTimeout(m_responseTimeout);
    m_categories.insert(&blog, job);
    const QPointer<Blog> guard(&blog);
    connect(job, &Job::finished, this, [this, guard](Job* finished) {
        if (!guard)
            return;
        if (m_categories.value(guard.data()) == finished)
            m_categories.remove(guard.data());
        const auto* categories = static_cast<RefreshCategoriesJob*>(finished);
        if (finished->state() != Job::State::Finished || categories->hadNothingToFetch())
            return;
        NotificationCenter::sharedInstance().post(
            QString::fromLatin1(ModelNotifications::categoriesRefreshed), guard);
        AddonManager::sharedInstance().processNotification(
            {{QString::number(AddonManager::CategoriesRetrieved), guard->title()}});
    });
    blog.setCategoriesActivity(JobActivity::run(job, account, JobActivity::WaitsForAccount));
    return true;
}

void JobRoads::downloadFromURL(Account& account, const QString& address, QObject* context,
                               PageFetched done)
{
    auto* job = new DownloadJob(&account, address);
    job->setResponseTimeout(m_responseTimeout);
    const QPointer<QObject> guard(context);
    // The context going away stops the download.
    if (context)
        connect(context, &QObject::destroyed, job, &Job::cancel);
    connect(job, &Job::finished, this, [guard, done = std::move(done)](Job* finished) {
        if (!guard || !done || finished->state() == Job::State::Cancelled)
            return;
        const auto* download = static_cast<DownloadJob*>(finished);
        done(download->text(), download->finalAddress(),
             finished->error() ? finished->error()->message : QString());
    });
    job->start();
}

void JobRoads::detectEncoding(Blog& blog, std::function<void()> done)
{
    URLUtilities::pageFromURL(blog.escapedURL(), &blog,
                              [&blog, done = std::move(done)](const URLUtilities::Page& page) {
                                  // An error page says nothing of the blog's own pages.
                                  if (page.status && *page.status >= 200 && *page.status < 300)
                                      blog.applyPageEncoding(page.text, page.contentType);
                                  if (done)
                                      done();
                              });
}
