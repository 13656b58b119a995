#include "PublishPrompter.h"

#include "ActivityItem.h"
#include "Entry.h"
#include "Localization.h"

PublishPrompter::~PublishPrompter() = default;

QString PublishPrompter::questionTitle()
{
    return localized("Entry", "This post may already be on the server.");
}

QString PublishPrompter::questionText(const Entry& entry)
{
    return localized("Entry",
                     "The last publish of \"%1\" was cut short before the server answered, so "
                     "the server may have stored the post without this copy learning of it. "
                     "Publishing again could post it a second time. Look on Server fetches the "
                     "blog's recent posts, so you can see whether it is there.")
        .arg(ActivityItem::shownName(entry.displayName()));
}

QString PublishPrompter::lookOnServerLabel()
{
    return localized("Entry", "Look on Server");
}

QString PublishPrompter::publishAnywayLabel()
{
    return localized("Entry", "Publish Anyway");
}
