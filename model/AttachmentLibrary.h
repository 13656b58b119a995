#pragma once

#include "ModelTypes.h"

#include <QString>

// The attachment library as the records see it. The library installs itself;
// until then no key is known.
class AttachmentLibrary {
public:
    virtual ~AttachmentLibrary();

    // The attachment whose uniqueID is `key`, or null.
    virtual AttachmentPtr attachmentForKey(const QString& key) = 0;

    static AttachmentLibrary* shared();
    // The caller keeps ownership; nullptr uninstalls.
    static void setShared(AttachmentLibrary* library);
};
