#pragma once

namespace cutils {

// Makes a missing support folder end the program through an "Alert" with a single
// "Quit" button (when called from the GUI thread) instead of a log line, and shows
// each file moved out of a folder's way in a warning the user can dismiss.
void installSupportFolderAlert();

} // namespace cutils
