#pragma once

#include <QString>

// Saving the network console's text.
namespace ConsoleLogFile {

// "plumet-source.html" when the text holds "<html", else ".xml" when it holds
// "<?xml", else ".txt" (letter case ignored).
QString suggestedFileName(const QString& text);

// Writes the plain text atomically: the file is either the old one or the new
// one, never half written. False with `error` set on failure.
bool save(const QString& path, const QString& text, QString* error = nullptr);

} // namespace ConsoleLogFile
