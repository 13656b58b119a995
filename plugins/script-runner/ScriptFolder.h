#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class PLUMETPreferences;

// The user's scripts: one folder, one script per file name without its
// extension, the kind told by the extension.
namespace scriptrunner {

struct InterpreterKind {
    const char* extension;
    // The user default that holds the interpreter's path.
    const char* key;
    const char* defaultPath;
};

// Debian installs no /usr/bin/python, so Python scripts go to python3.
inline constexpr InterpreterKind interpreterKinds[] = {
    {"pl", "rv_scriptrunner_perlpath", "/usr/bin/perl"},
    {"php", "rv_scriptrunner_phppath", "/usr/bin/php"},
    {"rb", "rv_scriptrunner_rubypath", "/usr/bin/ruby"},
    {"py", "rv_scriptrunner_pythonpath", "/usr/bin/python3"},
    {"sh", "rv_scriptrunner_shellpath", "/bin/bash"},
};

// A script gets this long before it is stopped.
inline constexpr int timeLimitMs = 60 * 1000;

// $XDG_DATA_HOME/plumet3/scripts, made when missing; empty when it can't be had.
QString scriptsFolder();

// Script name to extension for every file of the folder whose extension is
// one of the listed kinds, exactly and in lower case. Of two files with one
// name, the one the folder lists last wins. A folder that can't be read
// gives none.
QHash<QString, QString> listScripts(const QString& folder);

// The interpreter for an extension: the user's path, else the default; empty
// for kinds that run otherwise (".js") or not at all (".txt").
QString interpreterFor(const QString& extension, const PLUMETPreferences* preferences);

} // namespace scriptrunner
