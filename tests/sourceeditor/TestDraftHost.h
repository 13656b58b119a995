#pragma once

#include "Attachment.h"
#include "DraftEditorHost.h"
#include "Entry.h"
#include "Template.h"

#include <QStringList>

// A draft window as far as its editors see it: an entry, attachments, the
// blog's templates, and a record of the draft commands the editor called.
class TestDraftHost : public DraftEditorHost {
public:
    TestDraftHost() : m_entry(Entry::create()), m_html(Template::defaultHtmlTemplate())
    {
        m_entry->setEditMode(1);
    }

    // A file attachment not yet uploaded; its markup is a link naming `name`.
    AttachmentPtr addAttachment(const QString& name)
    {
        AttachmentPtr attachment = std::make_shared<Attachment>();
        attachment->initWithPath(QStringLiteral("/tmp/plumet-test/") + name);
        m_attachments.append(attachment);
        return attachment;
    }
    void removeAttachment(const AttachmentPtr& attachment) { m_attachments.removeAll(attachment); }

    Entry* entryBeingEdited() override { return m_entry.get(); }
    AttachmentPtr attachmentForKey(const QString& key) override
    {
        for (const AttachmentPtr& attachment : std::as_const(m_attachments)) {
            if (attachment->uniqueID() == key)
                return attachment;
        }
        return nullptr;
    }
    QList<AttachmentPtr> allAttachments() override { return m_attachments; }
    const Template* htmlTemplate() override { return m_html.get(); }
    const Template* imageTemplate() override { return nullptr; }
    void displayAttachmentSheet(const QString& key) override { calls.append("sheet " + key); }
    void insertURLWithClipboard() override { calls.append(QStringLiteral("url")); }
    void insertImageWithClipboard() override { calls.append(QStringLiteral("image")); }

    Template& html() { return *m_html; }
    QStringList calls;

private:
    EntryPtr m_entry;
    TemplatePtr m_html;
    QList<AttachmentPtr> m_attachments;
};
