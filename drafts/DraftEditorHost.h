#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QString>
#include <QtGlobal>

class Entry;
class Template;

// What a draft window gives its editors: the entry, its attachments and the
// templates to show them with, and the draft's own commands the editors'
// menus offer. The draft window implements it and outlives its editors.
class DraftEditorHost {
public:
    virtual ~DraftEditorHost() = default;

    // The entry being edited; null while there is none.
    virtual Entry* entryBeingEdited() = 0;

    // The draft's attachment with that key, or null.
    virtual AttachmentPtr attachmentForKey(const QString& key) = 0;
    // Every attachment of the draft, in the draft's order.
    virtual QList<AttachmentPtr> allAttachments() = 0;
    // Adds an attachment an editor inserted. A temporary one is shown without
    // being listed in the entry; the others are listed.
    virtual void addAttachment(const AttachmentPtr& attachment, bool temporary)
    {
        Q_UNUSED(attachment);
        Q_UNUSED(temporary);
    }
    // Whether the entry does not list the attachment with that key.
    virtual bool isTemporaryAttachment(const QString& key)
    {
        Q_UNUSED(key);
        return false;
    }
    // Drops a temporary attachment, once an editor wrote it out as markup.
    virtual void removeTemporaryAttachment(const QString& key) { Q_UNUSED(key); }

    // The blog's template for the source view (font and colours) and the one
    // attachment markup is written with; null for none.
    virtual const Template* htmlTemplate() = 0;
    virtual const Template* imageTemplate() = 0;

    // Opens the settings sheet of the attachment with that key.
    virtual void displayAttachmentSheet(const QString& key) = 0;
    // Inserts a link, or an image, whose address is on the clipboard.
    virtual void insertURLWithClipboard() = 0;
    virtual void insertImageWithClipboard() = 0;
    // Whether the two kinds of command above can be given: the editors show
    // their items disabled otherwise.
    virtual bool canDisplayAttachmentSheet() const { return true; }
    virtual bool canInsertWithClipboard() const { return true; }
};
