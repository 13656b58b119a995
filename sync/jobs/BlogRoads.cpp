#include "BlogRoads.h"

#include "Account.h"
#include "ActivityList.h"
#include "AddonManager.h"
#include "Blog.h"
#include "DeleteJob.h"
#include "Entry.h"
#include "EntryCategoriesJob.h"
#include "JobActivity.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "PLUMETPluginProtocol.h"
#include "RetrieveEntriesJob.h"

BlogRoads::BlogRoads(ActivityList& list, QObject* parent)
    : QObject(parent), m_list(list), m_publishing(list)
{
}

BlogRoads::BlogRoads() : BlogRoads(ActivityList::sharedInstance()) {}

BlogRoads::~BlogRoads() = default;

bool BlogRoads::deleteEntry(const EntryPtr& entry)
{
    if (!entry || entry->beingPublished() || entry->deleteActivity())
        return false;
    auto* blog = dynamic_cast<Blog*>(entry->parentBlog());
    Account* account = blog ? blog->account() : nullptr;
    if (!account)
        return false;
    auto* job = new DeleteJob(entry);
    job->setTimeOut(m_timeOut);
    job->setResponseTimeout(m_responseTimeout);
    emit jobCreated(job);
    ActivityItem* row = JobActivity::run(job, account, JobActivity::HoldsAccount, m_list);
    if (!job->isFinished())
        entry->setDeleteActivity(row);
    return true;
}

bool BlogRoads::publish(const EntryPtr& entry)
{
    return m_publishing.publish(entry);
}

bool BlogRoads::retrieveEntries(Blog& blog)
{
    if (blog.entriesActivity() || blog.hasZeroEntries())
        return false;
    return retrieve(blog, EntryListMerge::Kind::Posts);
}

bool BlogRoads::retrievePages(Blog& blog)
{
    if (blog.pagesActivity())
        return false;
    return retrieve(blog, EntryListMerge::Kind::Pages);
}

bool BlogRoads::retrieve(Blog& blog, EntryListMerge::Kind kind)
{
    Account* account = blog.account();
    if (!account)
        return false;
    auto* job = new RetrieveEntriesJob(&blog, kind);
    job->setTimeOut(m_timeOut);
    job->setResponseTimeout(m_responseTimeout);
    emit jobCreated(job);
    ActivityItem* row = JobActivity::run(job, account, JobActivity::HoldsAccount, m_list);
    if (job->isFinished())
        return true;
    // Heard after the row has given the account back, which the per-post
    // categories road then takes at once.
    connect(job, &Job::finished, this, [this, job] { retrieved(job); });
    if (kind == EntryListMerge::Kind::Pages)
        blog.setPagesActivity(row);
    else
        blog.setEntriesActivity(row);
    return true;
}

void BlogRoads::retrieved(RetrieveEntriesJob* job)
{
    Blog* blog = job->blog();
    if (job->state() != Job::State::Finished || !blog)
        return;
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::entriesRetrieved), blog);
    AddonManager::sharedInstance().processNotification(
        {{QString::number(AddonManager::EntriesRetrieved), blog->title()}});
    if (job->kind() == EntryListMerge::Kind::Posts)
        retrieveEntryCategories(*blog, job->listedEntries());
}

void BlogRoads::retrieveEntryCategories(Blog& blog, const QList<EntryPtr>& posts)
{
    Account* account = blog.account();
    PLUMETPluginProtocol* plugin = account ? account->plugin() : nullptr;
    if (posts.isEmpty() || blog.entryCategoriesActivity() || !plugin ||
        plugin->supportedProtocol() != PLUMETPluginProtocol::XmlRpc ||
        !plugin->needsSeparateCategoryRequests())
        return;
    auto* job = new EntryCategoriesJob(&blog, posts);
    job->setPacing(m_pacing);
    job->setTimeOut(m_timeOut);
    job->setResponseTimeout(m_responseTimeout);
    emit jobCreated(job);
    ActivityItem* row = JobActivity::run(job, account, JobActivity::HoldsAccount, m_list);
    if (!job->isFinished())
        blog.setEntryCategoriesActivity(row);
}
