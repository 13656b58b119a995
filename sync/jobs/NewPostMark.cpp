// The mark on an entry's file while the request that makes its post is
// unanswered, so a publish cut short there asks before it posts again.

#include "NewPostMark.h"

#include "ActivityItem.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Entry.h"
#include "JobsLog.h"
#include "Localization.h"

#include <QDebug>

bool NewPostMark::set(Entry& entry, const Blog& blog, QString* error)
{
    entry.setPublishUnanswered(true);
    if (blog.store().save(entry, error)) {
        m_awaiting = true;
        return true;
    }
    entry.setPublishUnanswered(false);
    return false;
}

QString NewPostMark::keep(Entry& entry, const Blog& blog)
{
    if (!m_awaiting)
        return {};
    m_awaiting = false;
    entry.setPublishUnanswered(false);
    QString error;
    if (blog.store().save(entry, &error))
        return {};
    return localized("Entry", "The server's id for \"%1\" could not be saved, so the "
                              "next publish will ask first: %2")
        .arg(ActivityItem::shownName(entry.displayName()), error);
}

void NewPostMark::refused(Entry& entry, const Blog& blog, int status)
{
    // A server error (5xx) may come after the post was stored; a refusal of
    // the request (4xx) or a fault comes before.
    if (!m_awaiting || status >= 500)
        return;
    m_awaiting = false;
    entry.setPublishUnanswered(false);
    QString error;
    if (!blog.store().queueSave(entry, &error))
        qCWarning(lcJobs).noquote() << "The refused entry is not saved yet:" << error;
}
