#pragma once

#include <QString>

// The checks an installation folder passes before it is replaced, and a new
// one before it takes its place. Each answers an empty string when the folder
// passes, else a sentence saying why not.
namespace InstallChecks {

// Folders whose contents belong to the system's package manager.
bool isUnderPackagePrefix(const QString& canonicalPath);

// A regular file (not a link) that the current user may execute.
bool isExecutableFile(const QString& path);

// An installed folder that may be replaced: named by its canonical path, not
// owned by the package manager, holding the marker and the program.
QString checkInstallFolder(const QString& folder);

// The version an installation says it is, from the first line of its marker
// ("... of plumet 3.0.1."); empty when the marker names none.
QString installedVersion(const QString& folder);

// A new folder about to be moved in: the same, and nothing inside it but
// plain folders and regular files (no links, devices or pipes).
QString checkNewFolder(const QString& folder);

} // namespace InstallChecks
