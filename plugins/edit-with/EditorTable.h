#pragma once

#include <QStringList>
#include <QVariantMap>

class PLUMETPreferences;

// The user's table of outside editors: the user default "rv_editwith_apps", a
// dictionary from the name shown in the menu to a command line in which "%f"
// stands for the file to edit. Each command must keep running until the user
// closes the file (a blocking mode); an editor that returns at once is still
// usable through the sheet's Done button.
namespace editwith {

inline constexpr char editorTableKey[] = "rv_editwith_apps";

// Editors Debian ships that have a blocking mode.
QVariantMap defaultEditorTable();

// The stored table. When it is missing, not a dictionary or empty, the
// defaults replace it and are saved; a table the user trimmed is kept. Without
// preferences the defaults alone.
QVariantMap editorTable(PLUMETPreferences* preferences);

// The command line split into program and arguments, each "%f" replaced by the
// path (the path appended when the line has none). Empty for an empty line.
QStringList editorCommand(const QString& commandLine, const QString& filePath);

// The program of a command line as found on this computer, or empty.
QString installedProgram(const QString& commandLine);

// The names of the table whose program is installed, sorted case-insensitively.
QStringList installedEditors(const QVariantMap& table);

} // namespace editwith
