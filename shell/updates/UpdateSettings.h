#pragma once

#include <QString>

// Where updates are announced. A build may name the feed (the CMake setting
// PLUMET_UPDATE_FEED); the user default "update_feed" overrides it. Builds
// made for a package manager name none: their updates come from the package
// manager, and the checker never looks.
namespace UpdateSettings {

inline constexpr char feedKey[] = "update_feed";

QString builtInFeedAddress();
// The user default when it is set, else the build's address; may be empty.
QString feedAddress();

// Whether the build carries the key updates are signed with: without it the
// updater refuses every update, so none is offered for installing.
bool hasUpdateKey();

} // namespace UpdateSettings
