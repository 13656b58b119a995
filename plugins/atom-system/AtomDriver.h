#pragma once

#include "PLUMETPluginProtocol.h"

#include <QDateTime>
#include <QObject>
#include <functional>

// The Atom Publishing Protocol driver: WSSE headers, the blog list from a
// service document or feed, and the entry document. Its XML-RPC builders do
// nothing; the host never calls them for an Atom driver.
class AtomDriver : public QObject, public PLUMETPluginProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETPluginProtocol)

public:
    using Clock = std::function<QDateTime()>;
    using NonceSource = std::function<QByteArray()>;

    explicit AtomDriver(QObject* parent = nullptr);

    // For tests: a fixed clock and fixed nonce bytes.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setNonceSource(NonceSource source) { m_nonceSource = std::move(source); }

    int supportedVersion() const override { return 0; }
    QString pluginKey() const override { return QStringLiteral("Atom 1.0"); }
    QString pluginDescription() const override;
    std::unique_ptr<PLUMETDraftPanel> draftPluginView(const QVariantMap&,
                                                      PLUMETDraftPanel::SettingsWriter) override
    {
        return nullptr;
    }

    bool hasCategories() const override { return false; }
    bool supportsPrimaryCategory() const override { return false; }
    bool treatCategoriesAsTags() const override { return true; }
    bool hasFormats() const override { return false; }
    bool hasExtendedField() const override { return false; }
    bool hasKeywordsField() const override { return false; }
    bool hasSummaryField() const override { return false; }
    bool supportsDraft() const override { return false; }
    int supportsTags() const override { return TagsAsLinks; }
    bool supportsComments() const override { return false; }
    bool supportsTrackback() const override { return false; }
    bool needsSeparateCategoryRequests() const override { return false; }
    bool supportsUpload() const override { return false; }
    bool canSpecifyUploadDirectory() const override { return false; }
    int supportedProtocol() const override { return Atom; }
    QString protocolVersion() const override { return QStringLiteral("atom10"); }

    // WSSE headers made anew for each request; empty without a user name or password.
    QVariantMap authenticationHeaders(const QUrl& url, const QString& username,
                                      const QString& password) override;
    std::optional<QVariantList> usersBlogs(const QUrl&) override { return std::nullopt; }
    void xmlrpcUsersBlogsRequest(QVariantMap&, QStringList&, QString&) override {}
    QUrl atomUsersBlogsRequest(const QUrl& url) override { return url; }
    QVariantList processBloglist(const QVariant& document) override;
    std::optional<QVariantMap> userInfo(const QUrl&) override { return std::nullopt; }
    void xmlrpcUserInfoRequest(QVariantMap&, QStringList&, QString&) override {}
    std::optional<QVariantList> supportedTextFilters(const QUrl&) override { return std::nullopt; }
    void xmlrpcSupportedTextFiltersRequest(QVariantMap&, QStringList&, QString&) override {}
    void xmlrpcCategoryListRequest(QVariantMap&, QStringList&, QString&) override {}
    QUrl atomCategoryListRequest(const QUrl& url) override { return url; }
    void xmlrpcEntryListRequest(QVariantMap&, QStringList&, QString&) override {}
    QUrl atomEntryListRequest(const QUrl& url) override { return url; }
    void xmlrpcEntryCategoriesRequest(QVariantMap&, QStringList&, QString&) override {}
    void xmlrpcPublishRequest(QVariantMap&, QStringList&, QString&, bool,
                              const QVariantMap&) override
    {
    }
    void xmlrpcPostCategoriesRequest(QVariantMap&, QStringList&, QString&) override {}
    QString atomPublishRequest(const QUrl& url, const QVariantMap& data, const TextEncoder& encoder,
                               bool edit, const QVariantMap& extra) override;
    void xmlrpcRetrieveEntryRequest(QVariantMap&, QStringList&, QString&) override {}
    QUrl atomRetrieveEntryRequest(const QUrl& url) override { return url; }
    void xmlrpcDeleteEntryRequest(QVariantMap&, QStringList&, QString&) override {}
    void xmlrpcUploadRequest(QVariantMap&, QStringList&, QString&) override {}
    QString atomUploadRequest(const QUrl&, const QVariantMap&, const TextEncoder&) override
    {
        return {};
    }
    QVariantMap correctEntryDictionary(const QVariant& answer) override { return answer.toMap(); }

private:
    Clock m_clock;
    NonceSource m_nonceSource;
};
