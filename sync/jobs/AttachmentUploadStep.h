#pragma once

#include "Job.h"
#include "ModelTypes.h"

// One attachment of an entry being published, sent up through the installed
// AttachmentUploads as a step of the publishing road: it ends when the upload
// road answers. Uploaded, the attachment's markup takes the place of its key
// in the entry's texts and publish buffers; failed, the step fails with the
// upload road's sentence. Without an upload road it fails at once.
class AttachmentUploadStep : public Job {
    Q_OBJECT
public:
    AttachmentUploadStep(AttachmentPtr attachment, EntryPtr entry, QObject* parent = nullptr);

    // "The attachments of "Title" cannot be uploaded: no upload road is available."
    static QString noUploadRoad(const Entry& entry);

protected:
    void doStart() override;

private:
    void uploaded();

    AttachmentPtr m_attachment;
    EntryPtr m_entry;
    QString m_key;
};
