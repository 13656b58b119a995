#include "XmlRpcDriver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimeZone>

namespace {

const QString U = QStringLiteral("username");
const QString P = QStringLiteral("password");
const QString AppKey = QStringLiteral("appkey");

void setRequest(QStringList& keys, QString& method, QStringList parameters, const QString& name)
{
    keys = std::move(parameters);
    method = name;
}

} // namespace

XmlRpcDriver::XmlRpcDriver(const DriverProfile& profile, QObject* parent)
    : QObject(parent), m_profile(profile)
{
}

QString XmlRpcDriver::pluginDescription() const
{
    return QCoreApplication::translate(m_profile.descriptionTable, m_profile.description);
}

std::unique_ptr<PLUMETDraftPanel> XmlRpcDriver::draftPluginView(const QVariantMap&,
                                                                PLUMETDraftPanel::SettingsWriter)
{
    return nullptr;
}

void XmlRpcDriver::xmlrpcUsersBlogsRequest(QVariantMap& objects, QStringList& keys, QString& method)
{
    objects.insert(AppKey, QStringLiteral("ignore"));
    setRequest(keys, method, {AppKey, U, P}, QStringLiteral("blogger.getUsersBlogs"));
}

void XmlRpcDriver::xmlrpcUserInfoRequest(QVariantMap& objects, QStringList& keys, QString& method)
{
    objects.insert(AppKey, QStringLiteral("ignore"));
    setRequest(keys, method, {AppKey, U, P}, QStringLiteral("blogger.getUserInfo"));
}

void XmlRpcDriver::xmlrpcSupportedTextFiltersRequest(QVariantMap&, QStringList&, QString& method)
{
    if (m_profile.movableTypeCalls)
        method = QStringLiteral("mt.supportedTextFilters");
}

void XmlRpcDriver::xmlrpcCategoryListRequest(QVariantMap&, QStringList& keys, QString& method)
{
    setRequest(keys, method, {QStringLiteral("blogid"), U, P},
               m_profile.movableTypeCalls ? QStringLiteral("mt.getCategoryList")
                                          : QStringLiteral("metaWeblog.getCategories"));
}

void XmlRpcDriver::xmlrpcEntryListRequest(QVariantMap&, QStringList& keys, QString& method)
{
    setRequest(keys, method, {QStringLiteral("blogid"), U, P, QStringLiteral("numberOfPosts")},
               QStringLiteral("metaWeblog.getRecentPosts"));
}

void XmlRpcDriver::xmlrpcEntryCategoriesRequest(QVariantMap&, QStringList& keys, QString& method)
{
    if (m_profile.movableTypeCalls)
        setRequest(keys, method, {QStringLiteral("postid"), U, P},
                   QStringLiteral("mt.getPostCategories"));
}

void XmlRpcDriver::xmlrpcPostCategoriesRequest(QVariantMap&, QStringList& keys, QString& method)
{
    if (m_profile.movableTypeCalls)
        setRequest(keys, method, {QStringLiteral("postid"), U, P, QStringLiteral("categories")},
                   QStringLiteral("mt.setPostCategories"));
}

void XmlRpcDriver::xmlrpcPublishRequest(QVariantMap& objects, QStringList& keys, QString& method,
                                        bool edit, const QVariantMap& extra)
{
    prepareContent(objects, m_profile.postExtraKeys, extra);
    const QString content = QStringLiteral("content");
    const QString publish = QStringLiteral("publish");
    if (edit)
        setRequest(keys, method, {QStringLiteral("postid"), U, P, content, publish},
                   QStringLiteral("metaWeblog.editPost"));
    else
        setRequest(keys, method, {QStringLiteral("blogid"), U, P, content, publish},
                   QStringLiteral("metaWeblog.newPost"));
}

void XmlRpcDriver::xmlrpcRetrieveEntryRequest(QVariantMap&, QStringList& keys, QString& method)
{
    setRequest(keys, method, {QStringLiteral("postid"), U, P},
               QStringLiteral("metaWeblog.getPost"));
}

void XmlRpcDriver::xmlrpcDeleteEntryRequest(QVariantMap& objects, QStringList& keys,
                                            QString& method)
{
    objects.insert(AppKey, QStringLiteral("ignore"));
    setRequest(keys, method, {AppKey, QStringLiteral("postid"), U, P, QStringLiteral("publish")},
               QStringLiteral("blogger.deletePost"));
}

void XmlRpcDriver::xmlrpcUploadRequest(QVariantMap&, QStringList& keys, QString& method)
{
    setRequest(keys, method, {QStringLiteral("blogid"), U, P, QStringLiteral("file")},
               QStringLiteral("metaWeblog.newMediaObject"));
}

void XmlRpcDriver::prepareContent(QVariantMap& objects, const QStringList& extraKeys,
                                  const QVariantMap& extra) const
{
    const QString contentKey = QStringLiteral("content");
    // Without a post structure there is nothing to amend, and none is made up.
    if ((extraKeys.isEmpty() && !m_profile.tagsIntoKeywords) || !objects.contains(contentKey))
        return;
    QVariantMap content = objects.value(contentKey).toMap();
    for (const QString& key : extraKeys) {
        if (extra.contains(key))
            content.insert(key, extra.value(key));
    }
    if (m_profile.tagsIntoKeywords) {
        const QString tags = content.take(QStringLiteral("mt_tags")).toString();
        if (!tags.isEmpty())
            content.insert(QStringLiteral("mt_keywords"), tags);
    }
    objects.insert(contentKey, content);
}

QVariantMap XmlRpcDriver::correctEntryDictionary(const QVariant& answer)
{
    QVariant post = answer;
    if (post.typeId() == QMetaType::QVariantList) {
        const QVariantList list = post.toList();
        post = list.isEmpty() ? QVariant() : list.first();
    }
    QVariantMap entry = post.toMap();
    using Correction = DriverProfile::AnswerCorrection;
    if (m_profile.correction == Correction::UnwrapPageIdGmt) {
        // WordPress sends this date in UTC without a zone, so the decoder
        // took it for a local clock time (keeping its fields). Put the same
        // fields back as UTC: right on every day of the year, where adding
        // today's offset is an hour off whenever that day and today differ in
        // daylight saving.
        const QVariant gmt = entry.value(QStringLiteral("date_created_gmt"));
        if (gmt.typeId() == QMetaType::QDateTime && gmt.toDateTime().isValid()) {
            const QDateTime sent = gmt.toDateTime();
            entry.insert(QStringLiteral("datecreated"),
                         QDateTime(sent.date(), sent.time(), QTimeZone::utc()));
        }
    }
    if (m_profile.correction != Correction::Unwrap) {
        const QString pageId = QStringLiteral("page_id");
        if (entry.contains(pageId))
            entry.insert(QStringLiteral("postid"), entry.value(pageId));
    }
    return entry;
}
