#pragma once

#include <QString>

// libav's messages and error codes in our terms.
namespace AvLog {

// Sends libav's own messages (warnings and worse) to the imaging category as
// debug lines instead of the process's standard error: a damaged movie makes
// the decoder talk a lot about what it hides. Safe to call from any thread,
// any number of times.
void routeToCategory();

// The sentence for a libav error code.
QString reason(int code);

} // namespace AvLog
