#pragma once

// Names of the notifications the records post and observe through
// NotificationCenter. A rename record and an open request travel in the user
// info, since a notification's object is a QObject.
namespace ModelNotifications {

// Object: the entry whose flags changed.
inline constexpr auto refreshEntryListing = "refreshEntryListing";
// User info: "new" and "old" title.
inline constexpr auto didRenameCategory = "didRenameCategory";
// User info: "entry", "account", optionally "file" and "pos".
inline constexpr auto findAndOpenEntry = "findAndOpenEntry";

} // namespace ModelNotifications
