#pragma once

// Names of the notifications the records post and observe through
// NotificationCenter. A rename record and an open request travel in the user
// info, since a notification's object is a QObject.
namespace ModelNotifications {

// Object: the entry whose flags changed.
inline constexpr auto refreshEntryListing = "refreshEntryListing";
// Object: the blog whose own categories road has merged the server's categories.
inline constexpr auto categoriesRefreshed = "categoriesRefreshed";
// User info: "new" and "old" title.
inline constexpr auto didRenameCategory = "didRenameCategory";
// User info: "entry", "account", optionally "file" and "pos".
inline constexpr auto findAndOpenEntry = "findAndOpenEntry";
// User info: "account". The account's blogs read the entries they deferred,
// so that a request naming one of them finds it.
inline constexpr auto entriesWanted = "entriesWanted";
// Posted once the draft windows can be opened (the draft registry installed
// itself); windows that open drafts enable their commands on it.
inline constexpr auto draftRegistryInstalled = "draftRegistryInstalled";

// Object: the blog whose entry list changed (after a posts or pages
// retrieval, an entry added or removed).
inline constexpr auto entriesRetrieved = "entriesRetrieved";
// No object: an entry is about to leave its blog, so a view showing it lets go.
inline constexpr auto clearInlineWebview = "clearInlineWebview";

} // namespace ModelNotifications
