#include "DriverProfiles.h"

namespace {

// The Movable Type family shares most answers; the drivers differ below.
DriverProfile movableTypeFamily()
{
    DriverProfile p;
    p.protocolVersion = QStringLiteral("movabletype");
    p.supportsPrimaryCategory = true;
    p.hasFormats = true;
    p.hasExtendedField = true;
    p.hasKeywordsField = true;
    p.hasSummaryField = true;
    p.supportsComments = true;
    p.supportsTrackback = true;
    p.needsSeparateCategoryRequests = true;
    p.canSpecifyUploadDirectory = true;
    return p;
}

DriverProfile makeWordpress()
{
    DriverProfile p = movableTypeFamily();
    p.key = QStringLiteral("Wordpress");
    p.description = "WordPress plugin using the MovableType API.";
    p.descriptionTable = "Wordpress";
    p.hasKeywordsField = false;
    p.supportsTags = 1;
    p.needsSeparateCategoryRequests = false;
    p.canSpecifyUploadDirectory = false;
    p.postExtraKeys = {QStringLiteral("wp_slug"), QStringLiteral("wp_password"),
                       QStringLiteral("custom_fields")};
    p.pageExtraKeys = {QStringLiteral("wp_slug"), QStringLiteral("wp_password"),
                       QStringLiteral("wp_page_parent_id"), QStringLiteral("wp_page_order")};
    p.tagsIntoKeywords = true;
    p.correction = DriverProfile::AnswerCorrection::UnwrapPageIdGmt;
    return p;
}

DriverProfile makeMovableType4()
{
    DriverProfile p = movableTypeFamily();
    p.key = QStringLiteral("MovableType 4");
    p.description = "Generic plugin for blog systems that support the MovableType 4.x API, which "
                    "has built-in tag support.";
    p.supportsTags = 2;
    p.pageExtraKeys = {QStringLiteral("wp_page_parent_id"), QStringLiteral("wp_page_order")};
    p.correction = DriverProfile::AnswerCorrection::UnwrapPageId;
    return p;
}

DriverProfile makeTypePad()
{
    DriverProfile p = makeMovableType4();
    p.key = QStringLiteral("TypePad");
    p.description = "Plugin for TypePad blogs.";
    p.descriptionTable = "TypePad";
    p.supportsTags = 0;
    return p;
}

DriverProfile makeMovableType()
{
    DriverProfile p = movableTypeFamily();
    p.key = QStringLiteral("MovableType");
    p.description = "Generic plugin for blog systems that support the MovableType API.";
    p.descriptionTable = "MovableType";
    return p;
}

DriverProfile makeMetaWeblog()
{
    DriverProfile p;
    p.key = QStringLiteral("MetaWeblog");
    p.description = "Generic plugin for blog systems that support the MetaWeblog API.";
    p.descriptionTable = "MetaWeblog";
    p.protocolVersion = QStringLiteral("metaweblog");
    p.canSpecifyUploadDirectory = true;
    p.movableTypeCalls = false;
    return p;
}

} // namespace

namespace DriverProfiles {

const DriverProfile& wordpress()
{
    static const DriverProfile profile = makeWordpress();
    return profile;
}

const DriverProfile& movableType4()
{
    static const DriverProfile profile = makeMovableType4();
    return profile;
}

const DriverProfile& typePad()
{
    static const DriverProfile profile = makeTypePad();
    return profile;
}

const DriverProfile& movableType()
{
    static const DriverProfile profile = makeMovableType();
    return profile;
}

const DriverProfile& metaWeblog()
{
    static const DriverProfile profile = makeMetaWeblog();
    return profile;
}

} // namespace DriverProfiles
