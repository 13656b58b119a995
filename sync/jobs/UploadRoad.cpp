#include "UploadRoad.h"

#include "Account.h"
#include "AccountList.h"
#include "ActivityList.h"
#include "Attachment.h"
#include "Blog.h"
#include "Entry.h"
#include "JobActivity.h"
#include "Localization.h"
#include "UploadJob.h"
#include "UploaderManager.h"

UploadRoad::UploadRoad(ActivityList& list, QObject* parent) : QObject(parent), m_list(list) {}

UploadRoad::UploadRoad() : UploadRoad(ActivityList::sharedInstance()) {}

UploadRoad::~UploadRoad() = default;

UploadJob* UploadRoad::uploadOf(const Attachment* attachment) const
{
    return m_running.value(attachment).data();
}

void UploadRoad::upload(const AttachmentPtr& attachment, Done done, Failed failed, bool manual)
{
    run(attachment, nullptr, std::move(done), std::move(failed), manual);
}

void UploadRoad::upload(const AttachmentPtr& attachment, const EntryPtr& entry,
                        std::function<void()> done, std::function<void(const QString&)> failed)
{
    Blog* blog = entry ? dynamic_cast<Blog*>(entry->parentBlog()) : nullptr;
    run(attachment, blog, std::move(done), std::move(failed), false);
}

void UploadRoad::run(const AttachmentPtr& attachment, Blog* entryBlog, Done done, Failed failed,
                     bool manual)
{
    UploadJob* job = attachment ? uploadOf(attachment.get()) : nullptr;
    if (!job) {
        UploadJob::Destination destination;
        if (attachment && !attachment->accountID().isEmpty()) {
            if (attachment->blogID().isEmpty()) {
                destination.uploader =
                    UploaderManager::sharedInstance().pluginForKey(attachment->accountID());
            } else {
                Account* account =
                    m_accounts ? m_accounts->accountForID(attachment->accountID()) : nullptr;
                if (!account && entryBlog && entryBlog->account() &&
                    entryBlog->account()->accountID() == attachment->accountID())
                    account = entryBlog->account();
                const BlogPtr blog = account ? account->blogForID(attachment->blogID()) : nullptr;
                destination.blog = blog.get();
            }
        }
        job = new UploadJob(attachment, destination);
        job->setTimeOut(m_timeOut);
        job->setResponseTimeout(m_responseTimeout);
        // The caller shows the failure; the row goes either way.
        job->setReportsErrorsItself(true);
        if (attachment) {
            m_running.insert(attachment.get(), job);
            const Attachment* key = attachment.get();
            connect(job, &Job::finished, this, [this, key](Job* finished) {
                if (m_running.value(key) == finished)
                    m_running.remove(key);
            });
        }
    }
    connect(job, &Job::finished, this,
            [done = std::move(done), failed = std::move(failed)](Job* finished) {
                if (finished->state() == Job::State::Finished) {
                    if (done)
                        done();
                } else if (failed) {
                    // A stopped upload says so in words too: the caller waits for one of the two.
                    failed(
                        finished->error()
                            ? finished->error()->message
                            : localized("Attachment", "The upload of the attachment was stopped."));
                }
            });
    if (job->state() != Job::State::Waiting)
        return; // joined a running upload
    emit jobCreated(job);
    if (manual)
        job->start();
    else
        JobActivity::run(job, nullptr, JobActivity::NoAccount, m_list);
}
