#pragma once

#include <QString>

// Looks `text` up in the translation context `table`, the string table named
// after the class that shows the text ("Entry", "AppControl", ...). The
// English text is the key and the fallback.
QString localized(const char* table, const char* text);

// The same with a plural count ("%n entries").
QString localized(const char* table, const char* text, int count);
