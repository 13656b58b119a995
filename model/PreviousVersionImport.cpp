#include "PreviousVersionImport.h"

#include "Blog.h"
#include "Entry.h"
#include "RecordKey.h"
#include "ServerPostReader.h"

#include <QCoreApplication>
#include <QThread>

namespace {

QString textOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 17);
    return QString::number(value.toLongLong());
}

} // namespace

QString PreviousVersionImport::identifierOf(const QVariantMap& post)
{
    const QVariant postID = post.value(QStringLiteral("postid"));
    if (!StoredValue::isNil(postID))
        return textOf(postID);
    const QVariant id = post.value(QStringLiteral("id"));
    if (StoredValue::isNil(id))
        return {};
    return textOf(id).split(QLatin1Char('-')).last();
}

int PreviousVersionImport::importPosts(Blog& blog, const QVariantList& posts,
                                       ImportProgress* progress)
{
    if (posts.isEmpty())
        return 0;
    const int count = int(posts.size());
    if (progress) {
        progress->setRange(0, count);
        progress->setWarningValue(count / 2);
        progress->setCriticalValue((count / 100) * 90);
        progress->setVisible(true);
    }
    const bool onMainThread =
        !QCoreApplication::instance() || QThread::currentThread() == blog.thread();
    int added = 0;
    for (int number = 1; number <= count; ++number) {
        if (progress)
            progress->setValue(number);
        const QVariantMap post = posts.at(number - 1).toMap();
        const QString id = identifierOf(post);
        if (id.isNull() || blog.hasEntryWithID(id))
            continue;
        EntryPtr entry = ServerPostReader::entryFromPost(post, &blog, false);
        if (!entry)
            continue;
        entry->setUniqueID(id);
        if (post.value(QStringLiteral("publish")).toString() == QLatin1String("local"))
            entry->setFlag(Entry::LocalOnly);
        if (onMainThread)
            blog.addEntry(entry);
        else
            QMetaObject::invokeMethod(
                &blog, [&blog, entry] { blog.addEntry(entry); }, Qt::BlockingQueuedConnection);
        ++added;
    }
    if (progress)
        progress->setVisible(false);
    return added;
}
