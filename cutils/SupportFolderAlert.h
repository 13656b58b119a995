#pragma once

namespace cutils {

// Makes a missing support folder end the program through an "Alert" with a single
// "Quit" button (when called from the GUI thread) instead of a log line.
void installSupportFolderAlert();

} // namespace cutils
