#pragma once

#include "AccountDetails.h"

#include <QStringList>
#include <QVariant>
#include <chrono>

// The rules of the accounts window that need no window.
namespace AccountEditing {

// Only what the server sees needs a save (and a refresh): the address, the
// plug-in, the user name and the password. Title and label apply at once.
// A missing text and an empty one are the same.
bool needsSave(const AccountDetails& account, const AccountDetails& edited);

// `wanted` when no title of `taken` equals it, else the first free of
// "wanted 1", "wanted 2", ...
QString uniqueTitle(const QString& wanted, const QStringList& taken);

// The title of an account the wizard made, once its first refresh listed
// its blogs (their names as shown): the first blog name that is not blank,
// else "Untitled"; made unique among `taken` as uniqueTitle() does.
QString newAccountTitle(const QStringList& blogNames, const QStringList& taken);

// The autosave period for the "autoSave" preference (minutes): five minutes
// when it is missing, not a number or below one.
std::chrono::seconds autoSavePeriod(const QVariant& minutes);

} // namespace AccountEditing
