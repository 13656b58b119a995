#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

// Reads the character set a blog's page declares. One reader for every check
// of a page, so that the account refresh and the blog settings agree.
namespace PageCharset {

// The charset of a "charset=" parameter in `text` (a Content-Type value, or
// the content attribute of a meta element): any case, white space around
// "=", the value quoted (up to the same quote) or not (up to white space or
// ";"). nullopt when there is none or it is empty.
std::optional<QString> fromParameter(QStringView text);

// The charset the page's head declares: the first <meta charset=…> or
// <meta http-equiv="Content-Type" content="…charset=…">, tag and attribute
// names in any case, values quoted or not. Comments, scripts and styles are
// passed over; the search ends at <body>.
std::optional<QString> fromPage(QStringView pageText);

// What the server said counts first: the Content-Type header, then the page.
std::optional<QString> declaredCharset(const QByteArray& contentType, QStringView pageText);

// Characters outside ASCII go to such a blog as entities unless it is UTF-8.
bool needsEntities(const std::optional<QString>& charset);

} // namespace PageCharset
