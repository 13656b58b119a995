// Merges what an account's refresh brings from the server: its blogs, the user's information and
// the text filters.
#include "AccountServerLists.h"

#include "Blog.h"
#include "Format.h"
#include "Localization.h"
#include "ModelLog.h"
#include "StringExtensions.h"
#include "TextDecoding.h"

#include <QDebug>
#include <QSet>
#include <algorithm>

std::optional<Account::ListedBlog> AccountServerLists::listedBlog(const QVariant& value)
{
    const QVariantMap item = value.toMap();
    const QVariant id = item.value(QStringLiteral("blogid"));
    if (!id.isValid() || id.isNull()) {
        qCWarning(lcModel) << "Blog does not contain a valid ID!";
        return std::nullopt;
    }
    const QVariant name = item.value(QStringLiteral("blogname"));
    if (!name.isValid() || name.isNull()) {
        qCWarning(lcModel) << "Blog does not contain a valid name!";
        return std::nullopt;
    }
    Account::ListedBlog listed;
    listed.item = item;
    listed.id = id.toString();
    if (name.typeId() == QMetaType::QByteArray) {
        const QString text = URLUtilities::textFromData(name.toByteArray());
        listed.name = text.isNull() ? localized("Draft", "Untitled") : text;
    } else {
        listed.name = name.toString();
    }
    listed.name = rv::convertEntities(listed.name);
    return listed;
}

Account::BlogListMerge AccountServerLists::processBlogs(Account& account, const QVariantList& list)
{
    Account::BlogListMerge merge;
    QList<BlogPtr> blogs = account.blogs();
    for (const auto& blog : blogs)
        blog->setFoundOnServer(false);
    for (const QVariant& value : list) {
        const std::optional<Account::ListedBlog> listed = listedBlog(value);
        if (!listed)
            continue;
        BlogPtr blog = Genetic::findRecord(blogs, &Genetic::uniqueID, listed->id);
        const bool isNew = !blog;
        if (isNew) {
            blog = std::make_shared<Blog>();
            blog->setUniqueID(listed->id);
        }
        blog->setAccount(&account);
        blog->setTitle(listed->name);
        blog->setFoundOnServer(true);
        for (const char* service :
             {"service.post", "service.feed", "service.upload", "service.categories"}) {
            const QString name = QString::fromLatin1(service);
            if (listed->item.contains(name))
                blog->addService(name, listed->item.value(name).toString());
        }
        const QVariant url = listed->item.value(QStringLiteral("url"));
        if (url.typeId() == QMetaType::QString)
            blog->setUrl(url.toString());
        if (isNew) {
            if (!blogs.isEmpty())
                blogs.first()->applySettingsTo(*blog);
            blogs.append(blog);
            merge.added.append(blog);
        }
    }
    for (const auto& blog : std::as_const(blogs)) {
        if (!blog->foundOnServer())
            merge.removed.append(blog);
    }
    blogs.removeIf([](const BlogPtr& blog) { return !blog->foundOnServer(); });
    std::stable_sort(blogs.begin(), blogs.end(), [](const BlogPtr& a, const BlogPtr& b) {
        return a->title().compare(b->title(), Qt::CaseInsensitive) < 0;
    });
    account.setBlogs(blogs);
    return merge;
}

void AccountServerLists::processUserInfo(Account& account, const QVariantMap& info)
{
    const QVariant id = info.value(QStringLiteral("userid"));
    if (!id.isValid() || id.isNull())
        return;
    auto text = [&info](const char* key) {
        return info.value(QString::fromLatin1(key)).toString();
    };
    const QString first = text("firstname");
    const QString last = text("lastname");
    QString name;
    if (!first.isEmpty())
        name = last.isEmpty() ? first : first + QLatin1Char(' ') + last;
    else if (!last.isEmpty())
        name = last;
    else
        name = text("nickname");
    const QString userID = id.toString();
    if (account.userID() != userID)
        account.setUserID(userID);
    if (name.isEmpty())
        return;
    const std::optional<QVariantMap> known = account.users();
    QVariantMap users = known.value_or(QVariantMap());
    if (known && users.value(userID) == name)
        return;
    users.insert(userID, name);
    account.setUsers(users);
}

void AccountServerLists::processFormats(Account& account, const QVariantList& list)
{
    QList<FormatPtr> formats = account.formats().value_or(QList<FormatPtr>());
    QSet<const Format*> listed;
    for (const QVariant& value : list) {
        const QVariantMap item = value.toMap();
        const QVariant label = item.value(QStringLiteral("label"));
        const QVariant key = item.value(QStringLiteral("key"));
        if (!label.isValid() || label.isNull() || !key.isValid() || key.isNull())
            continue;
        FormatPtr format = Genetic::findRecord(formats, &Genetic::uniqueID, key.toString());
        if (!format) {
            format = std::make_shared<Format>();
            format->setUniqueID(key.toString());
            formats.append(format);
        }
        if (format->title() != label.toString())
            format->setTitle(label.toString());
        format->setFoundOnServer(true);
        listed.insert(format.get());
    }
    formats.removeIf([&listed](const FormatPtr& f) { return !listed.contains(f.get()); });
    std::stable_sort(formats.begin(), formats.end(), [](const FormatPtr& a, const FormatPtr& b) {
        return Genetic::titleLessThan(*a, *b);
    });
    account.setFormats(formats);
}
