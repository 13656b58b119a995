#pragma once

#include "InstalledService.h"
#include "ModelTypes.h"

#include <QString>

// The attachment library as the records see it. The library installs itself;
// until then, and until it has loaded, no key is known.
class AttachmentLibrary : public InstalledService<AttachmentLibrary> {
public:
    virtual ~AttachmentLibrary();

    // Whether the stored library has been read. Until it has, and when it could not
    // be, no key can be called unknown: entries keep every key and every text. Each
    // library answers for itself (one held in memory is always loaded): a default
    // of "loaded" would blank drafts whenever a file-backed library failed.
    virtual bool isLoaded() const = 0;
    // The attachment whose uniqueID is `key`, or null.
    virtual AttachmentPtr attachmentForKey(const QString& key) = 0;
};
