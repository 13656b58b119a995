#pragma once

#include "InstalledService.h"
#include "ModelTypes.h"

#include <QList>

// The attachment library as scripts see it: the whole list in library order,
// adding and removing. The library installs itself; until it does, scripts
// see no attachments and can add none.
class ScriptableAttachments : public InstalledService<ScriptableAttachments> {
public:
    virtual ~ScriptableAttachments();

    virtual QList<AttachmentPtr> attachments() const = 0;
    virtual void addAttachment(const AttachmentPtr& attachment) = 0;
    virtual void removeAttachment(const AttachmentPtr& attachment) = 0;
};
