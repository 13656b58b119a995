// An entry's requests to the draft windows, made through the installed draft registry.
#pragma once

#include <QObject>
#include <QVariantMap>

class Entry;

// The records open no window: an entry asks the draft registry the draft
// controller installs (DraftRegistry) for its draft, and answers the
// "findAndOpenEntry" requests that name it by asking the registry to open
// it. Without a registry nothing opens.
class EntryDraftRequests {
public:
    // The open draft of the entry, or null.
    static QObject* editor(const Entry& entry);
    // Reloads the entry's open draft, or opens one.
    static void edit(Entry& entry);

    // The entry answers "findAndOpenEntry" requests from now on, until
    // stopListening (which its destructor calls).
    static void listen(Entry& entry);
    static void stopListening(Entry& entry);
    // Opens the entry's draft when `request` names it (see Entry::answerOpenRequest).
    static void answer(Entry& entry, const QVariantMap& request);
    // Posts a request, once the account's blogs have read their entries.
    static void post(const QVariantMap& request);
};
