#include "AttachmentLibrary.h"

namespace {
AttachmentLibrary* installed = nullptr;
} // namespace

AttachmentLibrary::~AttachmentLibrary()
{
    if (installed == this)
        installed = nullptr;
}

AttachmentLibrary* AttachmentLibrary::shared()
{
    return installed;
}

void AttachmentLibrary::setShared(AttachmentLibrary* library)
{
    installed = library;
}
