#include "PublishRoad.h"

#include "Account.h"
#include "ActivityList.h"
#include "Attachment.h"
#include "AttachmentUploadStep.h"
#include "AttachmentUploads.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryContent.h"
#include "JobActivity.h"
#include "Localization.h"
#include "PublishJob.h"
#include "PublishPrompter.h"
#include "SequentialJob.h"
#include "StringEncoding.h"
#include "Template.h"

#include <QPointer>

AttachmentUploads::~AttachmentUploads() = default;

namespace {

QString withoutControls(const QString& text)
{
    return text.isEmpty() ? text : rv::removeControlChars(text);
}

} // namespace

PublishRoad::PublishRoad(ActivityList& list, QObject* parent) : QObject(parent), m_list(list) {}

PublishRoad::PublishRoad() : PublishRoad(ActivityList::sharedInstance()) {}

PublishRoad::~PublishRoad() = default;

bool PublishRoad::publish(const EntryPtr& entry)
{
    const Blog* blog = entry ? dynamic_cast<const Blog*>(entry->parentBlog()) : nullptr;
    if (!blog || !blog->account() || entry->beingPublished())
        return false;
    if (entry->publishUnanswered()) {
        askFirst(entry);
        return true;
    }
    return publishNow(entry);
}

void PublishRoad::askFirst(const EntryPtr& entry)
{
    if (m_asking.contains(entry.get()))
        return; // the open question answers this publish too
    PublishPrompter* prompter = PublishPrompter::sharedInstance();
    if (!prompter) {
        fail(entry, PublishPrompter::questionTitle() + QLatin1Char(' ') +
                        PublishPrompter::questionText(*entry));
        return;
    }
    m_asking.insert(entry.get());
    QPointer<PublishRoad> road(this);
    prompter->askToPublishAgain(*entry, [road, entry](PublishPrompter::Answer answer) {
        if (!road)
            return;
        road->m_asking.remove(entry.get());
        const Blog* blog = dynamic_cast<const Blog*>(entry->parentBlog());
        if (!blog || !blog->account() || entry->beingPublished())
            return;
        switch (answer) {
        case PublishPrompter::Answer::PublishAnyway:
            road->publishNow(entry);
            break;
        case PublishPrompter::Answer::LookOnServer:
            road->lookOnServer(entry);
            break;
        case PublishPrompter::Answer::Cancel:
            break;
        }
    });
}

void PublishRoad::lookOnServer(const EntryPtr& entry)
{
    Blog* blog = dynamic_cast<Blog*>(entry->parentBlog());
    ServerRoads* roads = ServerRoads::sharedInstance();
    if (!blog || !roads)
        return;
    if (entry->hasFlag(Entry::IsPage)) {
        roads->retrievePages(*blog);
        return;
    }
    // The post cut short may be the blog's first.
    blog->setHasZeroEntries(false);
    roads->retrieveEntries(*blog);
}

bool PublishRoad::publishNow(const EntryPtr& entry)
{
    entry->setBeingPublished(true);
    QList<AttachmentPtr> pending;
    prepare(*entry, pending);
    if (pending.isEmpty()) {
        registerJob(entry);
        return true;
    }
    if (!AttachmentUploads::sharedInstance()) {
        fail(entry, AttachmentUploadStep::noUploadRoad(*entry));
        return true;
    }
    // The uploads one after the other, each under its own row and without the
    // account; the publish takes its row and the account only once they are
    // all up, so it is no step of theirs.
    auto* uploads = new SequentialJob(this);
    for (const AttachmentPtr& attachment : std::as_const(pending))
        uploads->addStep(new AttachmentUploadStep(attachment, entry));
    connect(uploads, &Job::finished, this, [this, entry](Job* road) {
        if (road->state() == Job::State::Finished)
            registerJob(entry);
        else
            fail(entry, road->error()
                            ? road->error()->message
                            : localized("Attachment", "The upload of the attachment was stopped."));
    });
    uploads->start();
    return true;
}

void PublishRoad::prepare(Entry& entry, QList<AttachmentPtr>& pending)
{
    entry.setPublishTexts(withoutControls(entry.body()), withoutControls(entry.extended()),
                          withoutControls(entry.summary()));
    EntryContent content(entry);
    const auto attachments = content.attachmentsFromKeys();
    if (!attachments)
        return;
    const Blog* blog = dynamic_cast<const Blog*>(entry.parentBlog());
    const TemplatePtr linkTemplate = blog ? blog->linkTemplate() : TemplatePtr();
    for (auto it = attachments->cbegin(); it != attachments->cend(); ++it) {
        const AttachmentPtr& attachment = it.value();
        // A half-uploaded attachment keeps its main address: only the companion goes.
        if (!attachment->uploadComplete())
            pending.append(attachment);
        else
            content.applyMarkupToContents(it.key(),
                                          attachment->generateMarkup(false, linkTemplate.get()));
    }
}

void PublishRoad::registerJob(const EntryPtr& entry)
{
    if (entry->publishActivity())
        return;
    Blog* blog = dynamic_cast<Blog*>(entry->parentBlog());
    Account* account = blog ? blog->account() : nullptr;
    auto* job = new PublishJob(entry);
    job->setTimeOut(m_timeOut);
    // What went wrong beside the publish itself gets a row of its own.
    connect(job, &Job::finished, this, [this, entry, job] {
        if (!job->problem().isEmpty())
            errorRow(*entry, job->problem());
    });
    emit jobCreated(job);
    ActivityItem* row = JobActivity::run(job, account, JobActivity::HoldsAccount, m_list);
    if (!job->isFinished())
        entry->setPublishActivity(row);
}

void PublishRoad::fail(const EntryPtr& entry, const QString& message)
{
    entry->setBeingPublished(false);
    entry->setPublishTexts({}, {}, {});
    // The failure shows where the publish would have: a row of its own.
    errorRow(*entry, message);
    PublishJob::showFailureInDraft(*entry, message);
}

void PublishRoad::errorRow(Entry& entry, const QString& message)
{
    Blog* blog = dynamic_cast<Blog*>(entry.parentBlog());
    ActivityItem* row = m_list.newActivity(
        blog ? blog->account() : nullptr, PublishJob::publishingStatus(entry), [] { return true; });
    row->setError(message);
}
