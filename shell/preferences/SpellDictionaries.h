#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

// The spell-check dictionaries installed on the machine (hunspell's .dic and
// .aff pairs), which are the languages a blog can be written in. The draft
// editor checks spelling with the same list.
namespace SpellDictionaries {

struct Dictionary {
    QString code;  // the file name without extension, e.g. "en_US"
    QString title; // the language's name, e.g. "English (United States)"
    QString path;  // the .dic file
};

// Where dictionaries are looked for: the user's own folder first, then the
// system's.
QStringList standardFolders();

// Every complete dictionary of the folders, sorted by title; a code found in
// an earlier folder hides the same code in a later one. Titles are unique.
QList<Dictionary> installed(const QStringList& folders = standardFolders());

// The language's name for a dictionary code; the code itself when it names no
// language we know.
QString titleForCode(const QString& code);

// The dictionary a blog written in `language` is checked with, one rule for
// every editor: the dictionary whose title or code is `language`; else the
// one of the system's language (a locale name such as "de_DE"); else American
// English; else the first one. None when `dictionaries` is empty.
std::optional<Dictionary> dictionaryFor(const QString& language,
                                        const QList<Dictionary>& dictionaries = installed(),
                                        const QString& systemLanguage = QLocale::system().name());

} // namespace SpellDictionaries
