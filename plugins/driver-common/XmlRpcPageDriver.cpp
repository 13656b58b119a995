#include "XmlRpcPageDriver.h"

namespace {

const QString U = QStringLiteral("username");
const QString P = QStringLiteral("password");
const QString PostId = QStringLiteral("postid");
const QString PageId = QStringLiteral("page_id");

// Pages carry their id as "page_id".
void movePostIdToPageId(QVariantMap& objects, bool evenWhenEmpty)
{
    const QVariant id = objects.take(PostId);
    if (id.isValid() && !id.isNull())
        objects.insert(PageId, id);
    else if (evenWhenEmpty)
        objects.remove(PageId);
}

} // namespace

void XmlRpcPageDriver::xmlrpcPageListRequest(QVariantMap&, QStringList& keys, QString& method)
{
    // The count as the fourth parameter: without it WordPress lists ten pages only.
    keys = {QStringLiteral("blogid"), U, P, QStringLiteral("numberOfPosts")};
    method = QStringLiteral("wp.getPages");
}

void XmlRpcPageDriver::xmlrpcPublishPageRequest(QVariantMap& objects, QStringList& keys,
                                                QString& method, bool edit,
                                                const QVariantMap& extra)
{
    prepareContent(objects, profile().pageExtraKeys, extra);
    movePostIdToPageId(objects, false);
    const QString blogId = QStringLiteral("blogid");
    const QString content = QStringLiteral("content");
    const QString publish = QStringLiteral("publish");
    if (edit) {
        keys = {blogId, PageId, U, P, content, publish};
        method = QStringLiteral("wp.editPage");
    } else {
        keys = {blogId, U, P, content, publish};
        method = QStringLiteral("wp.newPage");
    }
}

void XmlRpcPageDriver::xmlrpcRetrievePageRequest(QVariantMap& objects, QStringList& keys,
                                                 QString& method)
{
    movePostIdToPageId(objects, true);
    keys = {QStringLiteral("blog_id"), PageId, U, P};
    method = QStringLiteral("wp.getPage");
}

void XmlRpcPageDriver::xmlrpcDeletePageRequest(QVariantMap& objects, QStringList& keys,
                                               QString& method)
{
    // The application key is set as for the other delete call but not sent.
    objects.insert(QStringLiteral("appkey"), QStringLiteral("ignore"));
    movePostIdToPageId(objects, false);
    keys = {QStringLiteral("blogid"), U, P, PageId};
    method = QStringLiteral("wp.deletePage");
}
