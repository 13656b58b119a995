#pragma once

#include "DriverProfile.h"
#include "PLUMETPluginProtocol.h"

#include <QObject>

// A blog-system driver that speaks the Blogger, MetaWeblog and Movable Type
// XML-RPC families. Its answers and the differences between blog systems come
// from its profile; the bundles' principal classes only choose one.
class XmlRpcDriver : public QObject, public PLUMETPluginProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETPluginProtocol)

public:
    explicit XmlRpcDriver(const DriverProfile& profile, QObject* parent = nullptr);

    const DriverProfile& profile() const { return m_profile; }

    int supportedVersion() const override { return 3; }
    QString pluginKey() const override { return m_profile.key; }
    QString pluginDescription() const override;
    std::unique_ptr<PLUMETDraftPanel>
    draftPluginView(const QVariantMap& settings, PLUMETDraftPanel::SettingsWriter writer) override;

    bool hasCategories() const override { return m_profile.hasCategories; }
    bool supportsPrimaryCategory() const override { return m_profile.supportsPrimaryCategory; }
    bool treatCategoriesAsTags() const override { return m_profile.treatCategoriesAsTags; }
    bool hasFormats() const override { return m_profile.hasFormats; }
    bool hasExtendedField() const override { return m_profile.hasExtendedField; }
    bool hasKeywordsField() const override { return m_profile.hasKeywordsField; }
    bool hasSummaryField() const override { return m_profile.hasSummaryField; }
    bool supportsDraft() const override { return m_profile.supportsDraft; }
    int supportsTags() const override { return m_profile.supportsTags; }
    bool supportsComments() const override { return m_profile.supportsComments; }
    bool supportsTrackback() const override { return m_profile.supportsTrackback; }
    bool needsSeparateCategoryRequests() const override
    {
        return m_profile.needsSeparateCategoryRequests;
    }
    bool supportsUpload() const override { return m_profile.supportsUpload; }
    bool canSpecifyUploadDirectory() const override { return m_profile.canSpecifyUploadDirectory; }
    int supportedProtocol() const override { return XmlRpc; }
    QString protocolVersion() const override { return m_profile.protocolVersion; }

    QVariantMap authenticationHeaders(const QUrl&, const QString&, const QString&) override
    {
        return {};
    }
    std::optional<QVariantList> usersBlogs(const QUrl&) override { return std::nullopt; }
    void xmlrpcUsersBlogsRequest(QVariantMap& objects, QStringList& keys, QString& method) override;
    QUrl atomUsersBlogsRequest(const QUrl&) override { return {}; }
    QVariantList processBloglist(const QVariant&) override { return {}; }
    std::optional<QVariantMap> userInfo(const QUrl&) override { return std::nullopt; }
    void xmlrpcUserInfoRequest(QVariantMap& objects, QStringList& keys, QString& method) override;
    std::optional<QVariantList> supportedTextFilters(const QUrl&) override { return std::nullopt; }
    void xmlrpcSupportedTextFiltersRequest(QVariantMap& objects, QStringList& keys,
                                           QString& method) override;
    void xmlrpcCategoryListRequest(QVariantMap& objects, QStringList& keys,
                                   QString& method) override;
    QUrl atomCategoryListRequest(const QUrl&) override { return {}; }
    void xmlrpcEntryListRequest(QVariantMap& objects, QStringList& keys, QString& method) override;
    QUrl atomEntryListRequest(const QUrl&) override { return {}; }
    void xmlrpcEntryCategoriesRequest(QVariantMap& objects, QStringList& keys,
                                      QString& method) override;
    void xmlrpcPublishRequest(QVariantMap& objects, QStringList& keys, QString& method, bool edit,
                              const QVariantMap& extra) override;
    void xmlrpcPostCategoriesRequest(QVariantMap& objects, QStringList& keys,
                                     QString& method) override;
    QString atomPublishRequest(const QUrl&, const QVariantMap&, const TextEncoder&, bool,
                               const QVariantMap&) override
    {
        return {};
    }
    void xmlrpcRetrieveEntryRequest(QVariantMap& objects, QStringList& keys,
                                    QString& method) override;
    QUrl atomRetrieveEntryRequest(const QUrl&) override { return {}; }
    void xmlrpcDeleteEntryRequest(QVariantMap& objects, QStringList& keys,
                                  QString& method) override;
    void xmlrpcUploadRequest(QVariantMap& objects, QStringList& keys, QString& method) override;
    QString atomUploadRequest(const QUrl&, const QVariantMap&, const TextEncoder&) override
    {
        return {};
    }
    QVariantMap correctEntryDictionary(const QVariant& answer) override;

protected:
    // Copies the named plug-in settings into the request's "content" and, for
    // drivers that do so, moves a non-empty "mt_tags" to "mt_keywords".
    void prepareContent(QVariantMap& objects, const QStringList& extraKeys,
                        const QVariantMap& extra) const;

private:
    DriverProfile m_profile;
};
