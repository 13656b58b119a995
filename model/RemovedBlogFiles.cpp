#include "RemovedBlogFiles.h"

#include "Account.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Entry.h"
#include "Localization.h"
#include "ModelLog.h"
#include "StringExtensions.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// A blog title as part of a folder name: no separators or control characters,
// no leading dot, not too long.
QString folderNamePart(const QString& title)
{
    QString name = title;
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:\\x00-\\x1f]")), QStringLiteral("-"));
    name = name.trimmed().left(80);
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return name;
}

QString freePath(const QString& wanted)
{
    QString path = wanted;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = wanted + QStringLiteral(" %1").arg(n);
    return path;
}

} // namespace

namespace RemovedBlogFiles {

KeptBlogFiles setAside(Blog& blog, const QDateTime& when)
{
    KeptBlogFiles kept;
    kept.blogTitle = blog.title();
    Account* account = blog.account();
    const QString accountFolder = account ? account->accountDirectory() : QString();
    if (accountFolder.isEmpty())
        return kept; // a blog without a folder has no files
    const QString source = accountFolder + QLatin1Char('/') + rv::MD5(blog.uniqueID());
    if (!QFileInfo(source).isDir())
        return kept;

    // What is only in memory goes to disk first, so it moves with the rest.
    QString saveError;
    if (!blog.save(&saveError) || !blog.store().flush(&saveError))
        qCWarning(lcModel).noquote() << "Before setting a removed blog aside:" << saveError;

    const QStringList files =
        QDir(source).entryList({QStringLiteral("*.plumet")}, QDir::Files | QDir::Hidden);
    if (files.isEmpty())
        return kept;
    for (const EntryPtr& entry : blog.entries()) {
        if (entry->hasFlag(Entry::LocalOnly) || entry->hasFlag(Entry::ChangedLocally))
            ++kept.drafts;
    }

    const QString shelf = accountFolder + QStringLiteral("/Removed blogs");
    QString name = when.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QString titlePart = folderNamePart(blog.title());
    if (!titlePart.isEmpty())
        name += QLatin1Char(' ') + titlePart;
    const QString target = freePath(shelf + QLatin1Char('/') + name);
    if (!QDir().mkpath(shelf) || !QDir().rename(source, target)) {
        kept.error = localized("Account", "The folder \"%1\" could not be moved to \"%2\".")
                         .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(target));
        qCWarning(lcModel).noquote() << kept.error;
        return kept;
    }
    kept.folder = target;
    kept.files = static_cast<int>(files.size());
    return kept;
}

} // namespace RemovedBlogFiles
