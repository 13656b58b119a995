#pragma once

#include <QString>

class PLUMETPluginProtocol;

// What an account's blog-system plug-in answers about its server, read once into
// plain values. A missing plug-in answers NO to every question.
struct PluginTraits {
    bool present = false;
    bool supportsComments = false;
    bool supportsTrackback = false;
    bool supportsDraft = false;
    bool hasExtendedField = false;
    bool hasSummaryField = false;
    int supportsTags = 0; // 1 tags from keywords, 2 keywords stay keywords
    bool treatCategoriesAsTags = false;
    bool needsSeparateCategoryRequests = false;
    bool supportsUpload = false;
    bool canSpecifyUploadDirectory = false;
    bool supportsPrimaryCategory = false;
    bool supportsPages = false;
    int supportedProtocol = -1; // 0 XML-RPC, 1 Atom

    static PluginTraits of(PLUMETPluginProtocol* plugin, bool offersPages);
};
