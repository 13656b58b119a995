// A draft's attachments as its editors see them: listed or temporary, and where each goes.
#include "DraftAttachments.h"

#include "Account.h"
#include "Attachment.h"
#include "AttachmentLibrary.h"
#include "Blog.h"
#include "Draft.h"
#include "DraftsLog.h"
#include "Entry.h"
#include "EntryContent.h"
#include "UploaderManager.h"

DraftAttachments::DraftAttachments(Draft& draft) : m_draft(draft) {}

DraftAttachments::~DraftAttachments() = default;

void DraftAttachments::readFromEntry(Entry& entry)
{
    if (const auto attachments = EntryContent(entry).attachmentsFromKeys())
        m_attachments = *attachments;
}

AttachmentPtr DraftAttachments::attachmentForKey(const QString& attachmentKey)
{
    if (const AttachmentPtr known = m_attachments.value(attachmentKey))
        return known;
    // An attachment of the library that the text names becomes the draft's.
    AttachmentLibrary* library = AttachmentLibrary::sharedInstance();
    const AttachmentPtr found = library ? library->attachmentForKey(attachmentKey) : nullptr;
    if (!found)
        return nullptr;
    m_attachments.insert(attachmentKey, found);
    if (const EntryPtr edited = m_draft.entry())
        edited->addKeyToAttachments(attachmentKey);
    return found;
}

QList<AttachmentPtr> DraftAttachments::allAttachments() const
{
    // The entry's in its order, then the temporary ones by key.
    QList<AttachmentPtr> attachments;
    const EntryPtr edited = m_draft.entry();
    const QStringList listed =
        edited ? edited->attachments().value_or(QStringList()) : QStringList();
    for (const QString& attachmentKey : listed) {
        if (const AttachmentPtr attachment = m_attachments.value(attachmentKey))
            attachments.append(attachment);
    }
    QStringList others;
    for (auto it = m_attachments.cbegin(); it != m_attachments.cend(); ++it) {
        if (!listed.contains(it.key()))
            others.append(it.key());
    }
    others.sort();
    for (const QString& attachmentKey : std::as_const(others))
        attachments.append(m_attachments.value(attachmentKey));
    return attachments;
}

void DraftAttachments::addAttachment(const AttachmentPtr& attachment, bool temporary)
{
    if (!attachment)
        return;
    // Where it goes when uploaded: the blog, when its system takes uploads,
    // else the first uploader; else it keeps what it had.
    Blog* owning = m_draft.blog();
    Account* account = owning ? owning->account() : nullptr;
    if (account && account->supportsUpload()) {
        attachment->setAccountID(account->accountID());
        attachment->setBlogID(owning->uniqueID());
    } else if (const QStringList uploaders = UploaderManager::sharedInstance().pluginKeys();
               !uploaders.isEmpty()) {
        attachment->setAccountID(uploaders.first());
        attachment->setBlogID(QString());
    }
    const QString attachmentKey = attachment->uniqueID();
    m_attachments.insert(attachmentKey, attachment);
    if (!temporary) {
        if (const EntryPtr edited = m_draft.entry())
            edited->addKeyToAttachments(attachmentKey);
    }
}

bool DraftAttachments::isTemporaryAttachment(const QString& attachmentKey) const
{
    const EntryPtr edited = m_draft.entry();
    return !edited || !edited->containsAttachment(attachmentKey);
}

void DraftAttachments::removeTemporaryAttachment(const QString& attachmentKey)
{
    if (isTemporaryAttachment(attachmentKey))
        m_attachments.remove(attachmentKey);
}

void DraftAttachments::displayAttachmentSheet(const QString& attachmentKey)
{
    // The attachment sheet comes with the draft attachments.
    qCInfo(lcDrafts) << "no attachment sheet yet for" << attachmentKey;
}
