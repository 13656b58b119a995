#include "AttachmentUploadStep.h"

#include "ActivityItem.h"
#include "Attachment.h"
#include "AttachmentUploads.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryContent.h"
#include "Localization.h"
#include "Template.h"

#include <QPointer>

AttachmentUploadStep::AttachmentUploadStep(AttachmentPtr attachment, EntryPtr entry,
                                           QObject* parent)
    : Job(parent), m_attachment(std::move(attachment)), m_entry(std::move(entry))
{
}

QString AttachmentUploadStep::noUploadRoad(const Entry& entry)
{
    return localized("Entry", "The attachments of \"%1\" cannot be uploaded: no upload "
                              "road is available.")
        .arg(ActivityItem::shownName(entry.displayName()));
}

void AttachmentUploadStep::doStart()
{
    AttachmentUploads* uploads = AttachmentUploads::sharedInstance();
    if (!uploads || !m_attachment || !m_entry) {
        fail(RestError{0, m_entry ? noUploadRoad(*m_entry) : QString()});
        return;
    }
    m_key = m_attachment->uniqueID(); // the key in the texts, as it is now
    // The upload road calls back later; the step may be gone by then.
    const QPointer<AttachmentUploadStep> self(this);
    uploads->upload(
        m_attachment, m_entry,
        [self] {
            if (self)
                self->uploaded();
        },
        [self](const QString& message) {
            if (self)
                self->fail(RestError{0, message});
        });
}

void AttachmentUploadStep::uploaded()
{
    const Blog* blog = dynamic_cast<const Blog*>(m_entry->parentBlog());
    const TemplatePtr linkTemplate = blog ? blog->linkTemplate() : TemplatePtr();
    EntryContent(*m_entry).applyMarkupToContents(
        m_key, m_attachment->generateMarkup(false, linkTemplate.get()));
    succeed();
}
