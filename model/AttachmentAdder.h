#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <memory>

class AttachmentController;
class MediaAttachment;

// Adds files to the attachment library, for the attachments window and the
// editors alike: each new picture or movie takes the preset used last when it
// is of its kind, else a picture is fitted to the web's usual width.
class AttachmentAdder {
public:
    // The preset "lastUsedPreset" names when it is of the attachment's kind,
    // else null.
    using PresetLookup = std::function<std::shared_ptr<MediaAttachment>(const Attachment&)>;

    // Without a lookup the presets store answers (Presets::lastUsedPresetFor).
    explicit AttachmentAdder(AttachmentController& library, PresetLookup presets = {});

    // A new attachment for a regular file (links followed), inserted at `row`
    // (appended when negative). Anything else (a folder, a FIFO, a device, a
    // missing path) is never opened: the answer is then the library's
    // attachment whose key is `path`, or null.
    AttachmentPtr addOneFile(const QString& path, int row = -1);
    // addOneFile for each path at the same row (so at a row they end up in
    // reverse order), then finishAddFile. Answers the new attachments.
    QList<AttachmentPtr> addFiles(const QStringList& paths, int row = -1);
    // Media-browser items: maps with "ImagePath" and, when it has one,
    // "Caption" (the picture's alt text); appended, then saved.
    QList<AttachmentPtr> addFromMediaItems(const QVariantList& items);
    // Saves the library now.
    void finishAddFile();

    // The file's attachment with its preset or size set, not yet in the
    // library; null for anything but a regular file.
    AttachmentPtr makeAttachment(const QString& path) const;

private:
    AttachmentController& m_library;
    PresetLookup m_presets;
};
