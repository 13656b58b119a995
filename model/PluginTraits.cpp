#include "PluginTraits.h"

#include "PLUMETPluginProtocol.h"

PluginTraits PluginTraits::of(PLUMETPluginProtocol* plugin, bool offersPages)
{
    PluginTraits traits;
    if (!plugin)
        return traits;
    traits.present = true;
    traits.supportsComments = plugin->supportsComments();
    traits.supportsTrackback = plugin->supportsTrackback();
    traits.supportsDraft = plugin->supportsDraft();
    traits.hasExtendedField = plugin->hasExtendedField();
    traits.hasSummaryField = plugin->hasSummaryField();
    traits.supportsTags = plugin->supportsTags();
    traits.treatCategoriesAsTags = plugin->treatCategoriesAsTags();
    traits.needsSeparateCategoryRequests = plugin->needsSeparateCategoryRequests();
    traits.supportsUpload = plugin->supportsUpload();
    traits.canSpecifyUploadDirectory = plugin->canSpecifyUploadDirectory();
    traits.supportsPrimaryCategory = plugin->supportsPrimaryCategory();
    traits.supportsPages = offersPages;
    traits.supportedProtocol = plugin->supportedProtocol();
    return traits;
}
