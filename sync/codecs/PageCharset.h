#pragma once

#include <QString>
#include <optional>

// Reads the character set a blog's page declares, from its text.
namespace PageCharset {

// The value after the first "charset" (any case) and its "=": up to the next
// double quote, as in content="text/html; charset=UTF-8". The HTML5 forms
// <meta charset="UTF-8"> and charset=UTF-8 without quotes are read too, since a
// page declaring UTF-8 that way must not be taken for an unknown encoding.
// nullopt when the page names none or the value is empty.
std::optional<QString> declaredCharset(const QString& pageText);

// Characters outside ASCII go to such a blog as entities unless it is UTF-8.
bool needsEntities(const std::optional<QString>& charset);

} // namespace PageCharset
