#include "NewDraft.h"

#include "Entry.h"
#include "Localization.h"
#include "UniqueId.h"

#include <QDateTime>
#include <atomic>

namespace NewDraft {

namespace {
std::atomic<int> s_untitled{1};
}

int flagFor(bool blogPublishOption, bool isPage)
{
    int flag = blogPublishOption ? Entry::LocalOnly : Entry::LocalOnly | Entry::SendAsDraft;
    if (isPage)
        flag |= Entry::IsPage;
    return flag;
}

QString nextUntitledTitle()
{
    return localized("BlogController", "Untitled %1").arg(s_untitled.fetch_add(1));
}

int peekUntitledNumber()
{
    return s_untitled.load();
}

void renew(Entry& entry)
{
    entry.setUniqueID(newUniqueID());
    entry.setEntryDate(QDateTime::currentDateTime());
}

} // namespace NewDraft
