#include "NewDraft.h"

#include "Entry.h"
#include "HtmlSanitizer.h"
#include "Localization.h"
#include "StringEncoding.h"
#include "UniqueId.h"

#include <QDateTime>
#include <QMimeData>
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

QString bodyFromMimeData(const QMimeData& data)
{
    QString body;
    if (data.hasHtml())
        body = HtmlSanitizer::sharedInstance().sanitizeClipboard(data.html());
    if (body.isEmpty() && data.hasText())
        body = rv::htmlFromPlainText(data.text());
    return body;
}

} // namespace NewDraft
