#pragma once

#include "UpdateHandOver.h"

#include <QString>

// Starts the updater program for one update: a copy of it goes into a new
// private folder (mode 0700, unguessable name) in the user's runtime folder
// ($XDG_RUNTIME_DIR, when it is the user's alone) or else the cache folder,
// never the often noexec temporary folder, and the copy starts detached with
// the hand-over as its arguments, so the running installation can be
// replaced while it works.
namespace UpdaterLauncher {

// Whether an updater of this user already runs.
bool isUpdaterRunning();

// `programFolder` holds the installed updater. False (with a log line) when
// the copy or the start failed; nothing is left behind then.
bool launch(const QString& programFolder, UpdateHandOver handOver);

} // namespace UpdaterLauncher
