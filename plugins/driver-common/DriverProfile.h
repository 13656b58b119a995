#pragma once

#include <QString>
#include <QStringList>

// Everything that tells one XML-RPC blog system from another, as data.
struct DriverProfile {
    // How a server's post structure becomes the entry dictionary.
    enum class AnswerCorrection {
        Unwrap,          // the first element of a list, else the structure
        UnwrapPageId,    // and a "page_id" is also stored as "postid"
        UnwrapPageIdGmt, // and "date_created_gmt" is read as UTC into "datecreated"
    };

    QString key;
    // The English description; also its look-up key in the translations.
    const char* description = "";
    // The translation context; empty for the default table.
    const char* descriptionTable = "";
    QString protocolVersion;

    bool hasCategories = true;
    bool supportsPrimaryCategory = false;
    bool treatCategoriesAsTags = false;
    bool hasFormats = false;
    bool hasExtendedField = false;
    bool hasKeywordsField = false;
    bool hasSummaryField = false;
    bool supportsDraft = true;
    int supportsTags = 0;
    bool supportsComments = false;
    bool supportsTrackback = false;
    bool needsSeparateCategoryRequests = false;
    bool supportsUpload = true;
    bool canSpecifyUploadDirectory = false;

    // Speaks the mt.* category and text-filter calls; false leaves those
    // builders alone and asks metaWeblog.getCategories for the category list.
    bool movableTypeCalls = true;
    // Plug-in settings copied into a post's and a page's content.
    QStringList postExtraKeys;
    QStringList pageExtraKeys;
    // A non-empty "mt_tags" goes to "mt_keywords"; "mt_tags" is never sent.
    bool tagsIntoKeywords = false;
    AnswerCorrection correction = AnswerCorrection::Unwrap;
};
