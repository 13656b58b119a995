// A draft's attachments as its editors see them: listed or temporary, and where each goes.
#pragma once

#include "ModelTypes.h"

#include <QHash>
#include <QList>
#include <QString>

class Draft;

// The attachment side of the draft as editor host: the attachments the
// entry lists and the temporary ones an editor shows before they are
// listed, where a new one is uploaded, and the attachment sheet.
// Part of the Draft; see DraftEditorHost for each call.
class DraftAttachments {
public:
    explicit DraftAttachments(Draft& draft);
    ~DraftAttachments();

    // Takes the attachments the entry names.
    void readFromEntry(Entry& entry);

    AttachmentPtr attachmentForKey(const QString& key);
    QList<AttachmentPtr> allAttachments() const;
    void addAttachment(const AttachmentPtr& attachment, bool temporary);
    bool isTemporaryAttachment(const QString& key) const;
    void removeTemporaryAttachment(const QString& key);

    // The settings sheet of one attachment; not built yet.
    bool canDisplayAttachmentSheet() const { return false; }
    void displayAttachmentSheet(const QString& key);

private:
    Draft& m_draft;
    QHash<QString, AttachmentPtr> m_attachments;
};
