#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

// The per-user folders where plumet keeps accounts, entries, lists and plug-ins:
// $XDG_DATA_HOME/plumet3 (normally ~/.local/share/plumet3), and the caches in
// $XDG_CACHE_HOME/plumet3. Both are private to the user (0700): drafts that are
// not published yet must not be readable by other local users.
namespace cutils {

// Called when the support folder cannot be found or made, with a sentence for the user.
using SupportFolderFailureHandler = std::function<void(const QString& message)>;

// Replaces the failure handler and returns the previous one; an empty handler restores
// the default, which logs the sentence and ends the program. The application installs
// an alert instead (installSupportFolderAlert in SupportFolderAlert.h).
SupportFolderFailureHandler setSupportFolderFailureHandler(SupportFolderFailureHandler handler);

// Called with a sentence for the user whenever something standing where a folder is
// wanted was moved aside. The default logs it; the application shows it.
using MovedAsideHandler = std::function<void(const QString& message)>;
MovedAsideHandler setMovedAsideHandler(MovedAsideHandler handler);

// The support folder, created (private) when missing. When it cannot be found or made
// the failure handler runs; should the handler return, the answer is an empty string.
QString applicationSupportFolder();

// The cache folder, created (private) when missing; empty when it cannot be made.
QString applicationCacheFolder();

// Where the preferences file lives: $XDG_CONFIG_HOME/plumet.
QString settingsFolder();

// Makes sure a folder stands at `path`. An existing folder (or a link to one) is left alone;
// anything else there (a plain file, a link to one, a dangling link) is moved aside under
// "<path>.<yyyy-MM-dd-HHmmss>.moved" and reported, never deleted. Answers whether a folder
// stands there afterwards. `now` dates the moved name; by default the time it is moved (the
// clock is read only then: every save of an entry passes its folders through here).
bool verifyDirectory(const QString& path, const QDateTime& now = QDateTime());

// applicationSupportFolder() + "/" + name, passed through verifyDirectory. Empty when the
// support folder itself could not be had.
QString applicationSupportSubFolder(const QString& name);

// Takes the support, cache and settings folders, where they exist, to owner-only access:
// folders made by earlier versions were readable by everyone. Run once at start.
void restrictUserFolders();

} // namespace cutils
