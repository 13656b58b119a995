#include "AtomBlogList.h"

#include <QUrl>

namespace {

// The collection's address less its last path part, as the blog's address.
QString parentAddress(const QString& href)
{
    const QUrl url(href, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return href;
    QString path = url.path();
    if (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    path = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    QUrl parent = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
    parent.setPath(path.isEmpty() ? QStringLiteral("/") : path);
    return parent.toString(QUrl::FullyEncoded);
}

QVariantList blogsOfService(const QVariantList& workspaces)
{
    QVariantList blogs;
    for (const QVariant& workspace : workspaces) {
        for (const QVariant& item :
             workspace.toMap().value(QStringLiteral("collections")).toList()) {
            const QVariantMap collection = item.toMap();
            const QString href = collection.value(QStringLiteral("href")).toString();
            if (href.isEmpty())
                continue;
            QString title = collection.value(QStringLiteral("title")).toString();
            if (title.isEmpty())
                title = href;
            QVariantMap blog{
                {QStringLiteral("blogid"), title},
                {QStringLiteral("blogname"), title},
                {QStringLiteral("url"), parentAddress(href)},
                {QStringLiteral("service.post"), href},
                {QStringLiteral("service.feed"), href},
            };
            if (collection.contains(QStringLiteral("categories")))
                blog.insert(QStringLiteral("service.categories"),
                            collection.value(QStringLiteral("categories")));
            blogs << blog;
        }
    }
    return blogs;
}

QVariantMap blogOfFeed(const QVariantMap& feed)
{
    QVariantMap blog;
    for (const QVariant& item : feed.value(QStringLiteral("links")).toList()) {
        const QVariantMap link = item.toMap();
        const QString rel = link.value(QStringLiteral("rel")).toString();
        const QString href = link.value(QStringLiteral("href")).toString();
        if (rel.isEmpty())
            continue;
        if (rel == QLatin1String("alternate")) {
            blog.insert(QStringLiteral("url"), href);
            QVariant name = link.value(QStringLiteral("title"));
            if (name.isNull() || !name.isValid())
                name = feed.value(QStringLiteral("title"));
            if (name.isValid() && !name.isNull())
                blog.insert(QStringLiteral("blogname"), name);
        } else if (rel.endsWith(QLatin1String(".post"))) {
            blog.insert(QStringLiteral("service.post"), href);
        } else if (rel.endsWith(QLatin1String(".feed"))) {
            blog.insert(QStringLiteral("service.feed"), href);
            blog.insert(QStringLiteral("blogid"), href.section(QLatin1Char('/'), -1));
        }
    }
    return blog;
}

} // namespace

QVariantList atomBlogList(const QVariant& document)
{
    if (document.typeId() != QMetaType::QVariantMap)
        return {};
    const QVariantMap map = document.toMap();
    if (map.contains(QStringLiteral("workspaces")))
        return blogsOfService(map.value(QStringLiteral("workspaces")).toList());
    if (map.contains(QStringLiteral("links")))
        return {blogOfFeed(map)};
    return {};
}
