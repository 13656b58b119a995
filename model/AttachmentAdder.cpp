#include "AttachmentAdder.h"

#include "Attachment.h"
#include "AttachmentController.h"
#include "ImageAttachment.h"
#include "MediaAttachment.h"
#include "Presets.h"

#include <QFileInfo>
#include <QVariantMap>
#include <typeinfo>

AttachmentAdder::AttachmentAdder(AttachmentController& library, PresetLookup presets)
    : m_library(library), m_presets(std::move(presets))
{
    if (!m_presets)
        m_presets = [](const Attachment& attachment) {
            return Presets::sharedInstance().lastUsedPresetFor(attachment);
        };
}

AttachmentPtr AttachmentAdder::makeAttachment(const QString& path) const
{
    // Only a regular file is read: a FIFO or a device would hang or never end.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return nullptr;
    const AttachmentPtr attachment = Attachment::attachmentWithPath(path);
    if (!attachment)
        return nullptr;
    auto* media = dynamic_cast<MediaAttachment*>(attachment.get());
    std::shared_ptr<MediaAttachment> preset = media && m_presets ? m_presets(*attachment) : nullptr;
    // Image presets for pictures, movie presets for movies.
    if (preset && typeid(*preset) != typeid(*attachment))
        preset.reset();
    if (preset)
        media->applyPreset(*preset);
    else if (auto* image = dynamic_cast<ImageAttachment*>(attachment.get()))
        image->adaptToSize();
    return attachment;
}

AttachmentPtr AttachmentAdder::addOneFile(const QString& path, int row)
{
    const AttachmentPtr attachment = makeAttachment(path);
    if (!attachment)
        return m_library.attachmentForKey(path);
    m_library.insertAttachment(row, attachment);
    return attachment;
}

QList<AttachmentPtr> AttachmentAdder::addFiles(const QStringList& paths, int row)
{
    QList<AttachmentPtr> added;
    for (const QString& path : paths) {
        const AttachmentPtr attachment = makeAttachment(path);
        if (!attachment)
            continue;
        m_library.insertAttachment(row, attachment);
        added.append(attachment);
    }
    finishAddFile();
    return added;
}

QList<AttachmentPtr> AttachmentAdder::addFromMediaItems(const QVariantList& items)
{
    QList<AttachmentPtr> added;
    for (const QVariant& item : items) {
        const QVariantMap fields = item.toMap();
        const AttachmentPtr attachment =
            makeAttachment(fields.value(QStringLiteral("ImagePath")).toString());
        if (!attachment)
            continue;
        const QVariant caption = fields.value(QStringLiteral("Caption"));
        if (caption.isValid())
            attachment->setAlt(caption.toString());
        added.append(attachment);
    }
    m_library.addAttachments(added);
    finishAddFile();
    return added;
}

void AttachmentAdder::finishAddFile()
{
    m_library.saveAttachments();
}
