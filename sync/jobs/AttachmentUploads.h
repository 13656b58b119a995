#pragma once

#include "InstalledService.h"
#include "ModelTypes.h"

#include <QString>
#include <functional>

// The attachment upload road as the publishing road calls it: the upload
// road installs itself here. Until it does, a post whose attachments have no
// address yet cannot be published (and says so); one without works.
class AttachmentUploads : public InstalledService<AttachmentUploads> {
public:
    virtual ~AttachmentUploads();

    // Uploads the attachment of the entry (and whatever goes up with it, such
    // as its thumbnail) and then calls `done`, or `failed` with a sentence for
    // the user. Exactly one of them is called, later, on the main thread.
    virtual void upload(const AttachmentPtr& attachment, const EntryPtr& entry,
                        std::function<void()> done, std::function<void(const QString&)> failed) = 0;
};
