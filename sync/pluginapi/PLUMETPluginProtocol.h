#pragma once

#include "PLUMETDraftPanel.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QtPlugin>
#include <functional>
#include <memory>
#include <optional>

// A blog-system driver ("blogsystem" bundles). A driver does no networking: it
// answers what its blog software can do and fills in the shape of each request
// just before the host encodes and sends it.
//
// XML-RPC builders get three objects the host has just made: `objects` holds
// the known values under their parameter names, `keys` is empty and receives
// the parameter names in wire order, `method` receives the method name. A
// builder may add, move or remove values in `objects`.
class PLUMETPluginProtocol {
public:
    enum Protocol { XmlRpc = 0, Atom = 1 };
    enum TagSupport { TagsAsLinks = 0, TagsInKeywords = 1, TagsAsMtTags = 2 };

    // Escapes a text for XML; the host passes rv::encodeXML.
    using TextEncoder = std::function<QString(const QString&)>;

    virtual ~PLUMETPluginProtocol() = default;

    virtual int supportedVersion() const = 0;
    // The registry key, stored in accounts; the same non-empty text every time.
    virtual QString pluginKey() const = 0;
    virtual QString pluginDescription() const = 0;
    // A panel for the draft window, or nullptr for none.
    virtual std::unique_ptr<PLUMETDraftPanel>
    draftPluginView(const QVariantMap& settings, PLUMETDraftPanel::SettingsWriter writer) = 0;

    virtual bool hasCategories() const = 0;
    virtual bool supportsPrimaryCategory() const = 0;
    virtual bool treatCategoriesAsTags() const = 0;
    virtual bool hasFormats() const = 0;
    virtual bool hasExtendedField() const = 0;
    virtual bool hasKeywordsField() const = 0;
    virtual bool hasSummaryField() const = 0;
    virtual bool supportsDraft() const = 0;
    virtual int supportsTags() const = 0;
    virtual bool supportsComments() const = 0;
    virtual bool supportsTrackback() const = 0;
    virtual bool needsSeparateCategoryRequests() const = 0;
    virtual bool supportsUpload() const = 0;
    virtual bool canSpecifyUploadDirectory() const = 0;
    virtual int supportedProtocol() const = 0;
    virtual QString protocolVersion() const = 0;

    // Extra HTTP headers for every Atom request; empty adds nothing.
    virtual QVariantMap authenticationHeaders(const QUrl& url, const QString& username,
                                              const QString& password) = 0;
    // A ready blog list that spares the request; nullopt makes the host ask.
    virtual std::optional<QVariantList> usersBlogs(const QUrl& accountUrl) = 0;
    virtual void xmlrpcUsersBlogsRequest(QVariantMap& objects, QStringList& keys,
                                         QString& method) = 0;
    // Each atom…Request(QUrl) answers the address to request; empty means none.
    virtual QUrl atomUsersBlogsRequest(const QUrl& accountUrl) = 0;
    // Turns a decoded Atom service document or feed into blog dictionaries.
    virtual QVariantList processBloglist(const QVariant& document) = 0;
    virtual std::optional<QVariantMap> userInfo(const QUrl& accountUrl) = 0;
    virtual void xmlrpcUserInfoRequest(QVariantMap& objects, QStringList& keys,
                                       QString& method) = 0;
    virtual std::optional<QVariantList> supportedTextFilters(const QUrl& accountUrl) = 0;
    virtual void xmlrpcSupportedTextFiltersRequest(QVariantMap& objects, QStringList& keys,
                                                   QString& method) = 0;
    virtual void xmlrpcCategoryListRequest(QVariantMap& objects, QStringList& keys,
                                           QString& method) = 0;
    virtual QUrl atomCategoryListRequest(const QUrl& url) = 0;
    virtual void xmlrpcEntryListRequest(QVariantMap& objects, QStringList& keys,
                                        QString& method) = 0;
    virtual QUrl atomEntryListRequest(const QUrl& url) = 0;
    virtual void xmlrpcEntryCategoriesRequest(QVariantMap& objects, QStringList& keys,
                                              QString& method) = 0;
    // `edit` is true when the entry is already on the server; `extra` holds
    // the entry's plug-in settings (empty when it has none).
    virtual void xmlrpcPublishRequest(QVariantMap& objects, QStringList& keys, QString& method,
                                      bool edit, const QVariantMap& extra) = 0;
    virtual void xmlrpcPostCategoriesRequest(QVariantMap& objects, QStringList& keys,
                                             QString& method) = 0;
    // The Atom entry document to send, or a null string when the driver has none.
    virtual QString atomPublishRequest(const QUrl& url, const QVariantMap& data,
                                       const TextEncoder& encoder, bool edit,
                                       const QVariantMap& extra) = 0;
    virtual void xmlrpcRetrieveEntryRequest(QVariantMap& objects, QStringList& keys,
                                            QString& method) = 0;
    virtual QUrl atomRetrieveEntryRequest(const QUrl& url) = 0;
    virtual void xmlrpcDeleteEntryRequest(QVariantMap& objects, QStringList& keys,
                                          QString& method) = 0;
    virtual void xmlrpcUploadRequest(QVariantMap& objects, QStringList& keys, QString& method) = 0;
    // A media entry document, or a null string to post the raw file.
    virtual QString atomUploadRequest(const QUrl& url, const QVariantMap& data,
                                      const TextEncoder& encoder) = 0;
    // Normalises a decoded server post into the entry dictionary.
    virtual QVariantMap correctEntryDictionary(const QVariant& answer) = 0;
};

#define PLUMETPluginProtocol_iid "org.plumet.PLUMETPluginProtocol/3.0"
Q_DECLARE_INTERFACE(PLUMETPluginProtocol, PLUMETPluginProtocol_iid)
