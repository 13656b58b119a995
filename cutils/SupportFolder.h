#pragma once

#include <QString>
#include <functional>

// The per-user folder where plumet keeps accounts, entries, lists and plug-ins:
// $XDG_DATA_HOME/plumet3 (normally ~/.local/share/plumet3).
namespace cutils {

// Called when the support folder cannot be found or made, with a sentence for the user.
using SupportFolderFailureHandler = std::function<void(const QString& message)>;

// Replaces the failure handler and returns the previous one; an empty handler restores
// the default, which logs the sentence and ends the program. The application installs
// an alert instead (installSupportFolderAlert in SupportFolderAlert.h).
SupportFolderFailureHandler setSupportFolderFailureHandler(SupportFolderFailureHandler handler);

// The support folder, created when missing. When it cannot be found or made the failure
// handler runs; should the handler return, the answer is an empty string.
QString applicationSupportFolder();

// Makes sure a folder stands at `path`. An existing folder (or a link to one) is left alone;
// a plain file or a link to anything else is removed first (a link itself, never what it
// points to). Answers whether a folder stands there afterwards.
bool verifyDirectory(const QString& path);

// applicationSupportFolder() + "/" + name, passed through verifyDirectory. Empty when the
// support folder itself could not be had.
QString applicationSupportSubFolder(const QString& name);

} // namespace cutils
