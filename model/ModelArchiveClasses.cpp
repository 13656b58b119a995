#include "ModelArchiveClasses.h"

#include "ArchiveClassRegistry.h"
#include "Attachment.h"
#include "Category.h"
#include "Entry.h"
#include "Format.h"
#include "ImageAttachment.h"
#include "MovieAttachment.h"
#include "MovieFile.h"
#include "Ping.h"
#include "Template.h"

void registerMediaFactories()
{
    Attachment::setFactory(Attachment::ImageFile, [](const QString& path) -> AttachmentPtr {
        auto image = std::make_shared<ImageAttachment>();
        image->initWithPath(path);
        return image;
    });
    Attachment::setFactory(Attachment::MovieFile, [](const QString& path) -> AttachmentPtr {
        // Only what the movie reader opens; anything else stays a plain file.
        if (!MovieFile::canOpen(path))
            return nullptr;
        auto movie = std::make_shared<MovieAttachment>();
        movie->initWithPath(path);
        return movie;
    });
}

void registerModelArchiveClasses()
{
    ArchiveClassRegistry::registerClass<Entry>(QStringLiteral("Entry"));
    ArchiveClassRegistry::registerClass<Category>(QStringLiteral("Category"));
    ArchiveClassRegistry::registerClass<Format>(QStringLiteral("Format"));
    ArchiveClassRegistry::registerClass<Ping>(QStringLiteral("Ping"));
    ArchiveClassRegistry::registerClass<Template>(QStringLiteral("Template"));
    ArchiveClassRegistry::registerClass<Attachment>(QStringLiteral("Attachment"));
    ArchiveClassRegistry::registerClass<ImageAttachment>(QStringLiteral("ImageAttachment"));
    ArchiveClassRegistry::registerClass<MovieAttachment>(QStringLiteral("MovieAttachment"));
    registerMediaFactories();
}

namespace {
const bool registeredOnLoad = (registerModelArchiveClasses(), true);
} // namespace
