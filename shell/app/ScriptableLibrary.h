#pragma once

#include "ScriptableAttachments.h"

class AttachmentController;

// The attachment library as scripts reach it. A script's question ends a load
// still running, so it sees the whole library.
class ScriptableLibrary : public ScriptableAttachments {
public:
    explicit ScriptableLibrary(AttachmentController& library) : m_library(library) {}
    ~ScriptableLibrary() override;

    QList<AttachmentPtr> attachments() const override;
    void addAttachment(const AttachmentPtr& attachment) override;
    void removeAttachment(const AttachmentPtr& attachment) override;

private:
    AttachmentController& m_library;
};
