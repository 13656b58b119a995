#include "ModelArchiveClasses.h"

#include "ArchiveClassRegistry.h"
#include "Attachment.h"
#include "Category.h"
#include "Entry.h"
#include "Format.h"
#include "Ping.h"
#include "Template.h"

void registerModelArchiveClasses()
{
    ArchiveClassRegistry::registerClass<Entry>(QStringLiteral("Entry"));
    ArchiveClassRegistry::registerClass<Category>(QStringLiteral("Category"));
    ArchiveClassRegistry::registerClass<Format>(QStringLiteral("Format"));
    ArchiveClassRegistry::registerClass<Ping>(QStringLiteral("Ping"));
    ArchiveClassRegistry::registerClass<Template>(QStringLiteral("Template"));
    ArchiveClassRegistry::registerClass<Attachment>(QStringLiteral("Attachment"));
}

namespace {
const bool registeredOnLoad = (registerModelArchiveClasses(), true);
} // namespace
