#pragma once

#include <QIcon>

namespace editwith {

// The icon of the program a command line starts, from the desktop file whose
// Exec line starts that program, through the icon theme; a generic text
// editor icon when there is none.
QIcon editorIcon(const QString& commandLine);

} // namespace editwith
