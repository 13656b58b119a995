#include "DraftRegistry.h"

namespace {
DraftRegistry* installed = nullptr;
} // namespace

DraftRegistry::~DraftRegistry()
{
    if (installed == this)
        installed = nullptr;
}

DraftRegistry* DraftRegistry::shared()
{
    return installed;
}

void DraftRegistry::setShared(DraftRegistry* registry)
{
    installed = registry;
}
