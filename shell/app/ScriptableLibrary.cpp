#include "ScriptableLibrary.h"

#include "AttachmentController.h"

ScriptableLibrary::~ScriptableLibrary() = default;

QList<AttachmentPtr> ScriptableLibrary::attachments() const
{
    m_library.finishLoading();
    return m_library.attachments();
}

void ScriptableLibrary::addAttachment(const AttachmentPtr& attachment)
{
    m_library.addAttachment(attachment);
}

void ScriptableLibrary::removeAttachment(const AttachmentPtr& attachment)
{
    m_library.removeAttachment(attachment);
}
