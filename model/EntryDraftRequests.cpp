// An entry's requests to the draft windows, made through the installed draft registry.
#include "EntryDraftRequests.h"

#include "DraftRegistry.h"
#include "Entry.h"
#include "EntryOwner.h"
#include "LiveRecords.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "StringExtensions.h"

namespace {

LiveRecords<Entry>& openRequestListeners()
{
    // Never destroyed: entries may outlive static destruction.
    static auto* listeners = new LiveRecords<Entry>(
        ModelNotifications::findAndOpenEntry, [](Entry& entry, const Notification& notification) {
            entry.answerOpenRequest(notification.userInfo);
        });
    return *listeners;
}

} // namespace

QObject* EntryDraftRequests::editor(const Entry& entry)
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    return drafts ? drafts->hasOpenDraft(&entry) : nullptr;
}

void EntryDraftRequests::edit(Entry& entry)
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    if (!drafts)
        return;
    if (QObject* draft = drafts->hasOpenDraft(&entry))
        drafts->reloadEntry(draft);
    else
        drafts->openDrafts({&entry});
}

void EntryDraftRequests::listen(Entry& entry)
{
    openRequestListeners().add(&entry);
}

void EntryDraftRequests::stopListening(Entry& entry)
{
    openRequestListeners().remove(&entry);
}

void EntryDraftRequests::post(const QVariantMap& request)
{
    // A blog not read yet holds no entry that could answer.
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::entriesWanted), nullptr,
        {{QStringLiteral("account"), request.value(QStringLiteral("account"))}});
    NotificationCenter::sharedInstance().post(
        QString::fromLatin1(ModelNotifications::findAndOpenEntry), nullptr, request);
}

void EntryDraftRequests::answer(Entry& entry, const QVariantMap& request)
{
    const QString wanted = request.value(QStringLiteral("entry")).toString();
    const QString mine =
        request.contains(QStringLiteral("file")) ? rv::MD5(entry.uniqueID()) : entry.uniqueID();
    const EntryOwner* blog = entry.parentBlog();
    if (wanted.isEmpty() || wanted != mine || !blog ||
        request.value(QStringLiteral("account")).toString() != blog->accountID())
        return;
    if (DraftRegistry* drafts = DraftRegistry::sharedInstance())
        drafts->openDraftForEntry(&entry, request.value(QStringLiteral("pos")));
}
